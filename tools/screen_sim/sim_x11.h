// The screen side of screen-sim: one 640 x 480 window, override-redirect at the
// screen's top-left corner unless asked otherwise, showing the background, the
// bottle and its cells.
//
// Ownership: OpenSimScreen returns a screen that the caller must hand back to
// CloseSimScreen (which destroys the window and closes the display).
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_

#include <string>

#include "sim_game.h"

constexpr int kSimWindowWidth = 640;
constexpr int kSimWindowHeight = 480;

// Where the bottle sits: pixel (left, top) is the top-left corner of cell
// (0, 0); every cell is a side x side square.
struct SimLayout {
  int left = 200;
  int top = 40;
  int side = 12;
};

// Where the window goes: by default an override-redirect window at the
// screen's top-left corner; managed, an ordinary window that the desktop's
// window manager places (asked for x, y), focuses and leaves undecorated, as
// a game's window that the user may pick on its own in a share dialog.
struct SimWindowPlace {
  bool managed = false;
  int x = 0;
  int y = 0;
};

struct SimScreen;

// Connects to $DISPLAY, allocates the palette on the default colormap
// (checking that what the server gives still reads as intended), and maps the
// window (a managed one: returns once it is mapped). On failure returns
// nullptr with the reason in *error.
SimScreen* OpenSimScreen(const SimLayout& layout, const SimWindowPlace& place, std::string* error);

// Shows one state: board is the 128 shown codes (index = row * 8 + column);
// vitamin, when not null, is the falling one, whose half above the bottle (row
// -1) is drawn there. Returns once the server has drawn it (XSync).
void DrawSimState(SimScreen* screen, const char board[kSimCells], const SimVitamin* vitamin);

// Repaints what other windows uncovered; call it while waiting.
void ServiceSimScreen(SimScreen* screen);

// Moves the window's top-left corner to (x, y) of the screen; returns once
// the server has done it (XSync).
void MoveSimWindow(SimScreen* screen, int x, int y);

void CloseSimScreen(SimScreen* screen);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_
