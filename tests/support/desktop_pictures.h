// Desktops drawn the way a player's screen looks around the game, for the
// field search's scenes and tests: dark wallpapers with light icons, bars,
// docks, dark terminals, file managers and browsers, a photograph; and game
// windows to put on them.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_PICTURES_H_
#define BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_PICTURES_H_

#include <string>
#include <vector>

#include "support/tiff_frames.h"

// The desktops by name, each width x height; the same name always draws the
// same picture.
std::vector<std::string> DesktopNames();
Picture DrawDesktop(const std::string& name, int width = 640, int height = 480);

// A dark dialog laid over picture at (left, top): a body of a dark theme with
// a line of light text and a lit button in its bottom-right corner, under a
// light title line 22 pixels tall when titleLine.
void DrawDarkDialog(Picture& picture, int left, int top, int width, int height, bool titleLine);

// A game's window: its bright background (the tests' tiles, or screen-sim's
// chequer and outline when simLook) around a bottle of board's 128 codes,
// cells of the given side, with margins that grow with the side. The bottle's
// top-left pixel inside the window goes to bottleLeft, bottleTop.
Picture DrawGameWindow(const std::string& board, int side, bool simLook, int& bottleLeft,
                       int& bottleTop);

// The picture scaled up 2x by ImageMagick with the given filter (Triangle:
// bilinear, Mitchell: bicubic). Throws when the converter fails.
Picture Scaled2x(const Picture& picture, const std::string& filter);

// picture with part laid over it at (left, top), clipped.
void Paste(Picture& picture, const Picture& part, int left, int top);

// Light glyph strokes along one line of text, as a terminal or a label shows
// them: characters 8 pixels apart, 10 tall, count of them, from (left, top).
void DrawText(Picture& picture, int left, int top, int count, uint32_t colour, unsigned seed);

#endif  // BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_PICTURES_H_
