// Every text the main loop writes: to standard output, but for one line on the
// error stream while it waits for the game. Each line ends with a
// newline and a flush; the advice word has no newline but is flushed at once.
// The console is redrawn from its top-left corner without blanking, so lines
// that can be shorter than the one they replace end in blanks.
//
// On a terminal the board and the advice word may also carry colours: escape
// sequences around the same characters, never anything else. Each write that
// turns an attribute on turns it off again before it ends, so whatever is
// written next, or whoever writes after the program, starts uncoloured.
#ifndef BOTTLEWATCH_APP_DISPLAY_H_
#define BOTTLEWATCH_APP_DISPLAY_H_

#include <cstdint>

#include "vision/board.h"

// Decides, once and before the first redraw, whether the board and the advice
// word are coloured: only when standard output is a terminal that shows
// colours (see EnableConsoleColour), NO_COLOR is unset or empty and TERM is not
// "dumb". Until it is called nothing is coloured.
void ChooseColours();

// "Found field at: ", "x,y", "with width w ".
void PrintFieldReport(const FieldRect& field);

// Sixteen lines, one per row from the top: each code byte followed by a blank.
// In colour each code has its colour, '.' is faint, and for a found vitamin
// (vitamin not null) its two halves and the cell its target line will name
// are shown in reverse video.
void PrintBoard(const uint8_t grid[kBoardCells], const VitaminPosition* vitamin = nullptr);

// "Vitamin at: c,r c,r" and six blanks.
void PrintVitaminLine(const VitaminPosition& position);

// "Move left " for 'L', "Move right" for 'R', ten blanks otherwise; the words
// in bold when in colour.
void PrintAdviceWord(char direction);

// On the error stream, while no field has been found: that no bottle shows
// yet, and where the game may be: anywhere on the screen when the whole screen
// is looked over, otherwise in its top-left 640 x 480 (a screen no larger, or
// a source that gives no more).
void PrintWaitingLine(bool wholeScreen);

// On the error stream, once, when the bottle in use has gone: that it is
// looked for again, and where, as above. What stands on the console stays;
// the next field report blanks it.
void PrintLostLine(bool wholeScreen);

// On the error stream, once for a bottle that the screen's edge cuts: its
// lower rows cannot be seen, so no board is read from it until it shows whole.
void PrintCutBottleLine();

// "Clear detected." padded to 31 characters, then four lines of 31 blanks.
void PrintClearBlock();

#endif  // BOTTLEWATCH_APP_DISPLAY_H_
