// The screen side of screen-sim: one window holding the game's drawing (see
// sim_drawing.h), override-redirect with the bottle where it is asked unless
// a managed window is asked for, showing the background, the bottle and its
// cells, sharp or smoothed.
//
// Ownership: OpenSimScreen returns a screen that the caller must hand back to
// CloseSimScreen (which destroys the window and closes the display).
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_

#include <string>

#include "sim_game.h"
#include "sim_look.h"

// The game's cell side and, for the unmanaged window, where the top-left
// corner of cell (0, 0) lies on the screen; the window is placed around it.
// smooth: drawn as a bilinear scaler shows it (needs a TrueColor screen, as
// does the photographic page); look: how the bottle and the page look, its
// clockTick ignored (redraws animate the clock when asked).
struct SimLayout {
  int side = 12;
  int left = 200;
  int top = 40;
  bool smooth = false;
  SimLook look;
  bool clock = false;
};

// Where the window goes: by default an override-redirect window placed by the
// layout; managed, an ordinary window that the desktop's window manager
// places (asked for x, y), focuses and leaves undecorated, as a game's window
// that the user may pick on its own in a share dialog; centred, a managed
// window that asks for the screen's middle (x and y unused). moves: where
// MoveSimWindow will take the window's corner, checked up front.
struct SimWindowPlace {
  bool managed = false;
  bool centred = false;
  int x = 0;
  int y = 0;
  bool moves = false;
  int moveX = 0;
  int moveY = 0;
};

struct SimScreen;

// Connects to $DISPLAY, checks that the places asked for lie on its screen,
// allocates the palette on the default colormap (checking that what the
// server gives still reads as intended), and maps the window (a managed one:
// returns once it is mapped). On failure returns nullptr with the reason, one
// line, in *error; *optionsRefused says whether the reason is options that
// this screen cannot take, rather than the screen itself.
SimScreen* OpenSimScreen(const SimLayout& layout, const SimWindowPlace& place, std::string* error,
                         bool* optionsRefused);

// Shows one state: board is the 128 shown codes (index = row * 8 + column);
// vitamin, when not null, is the falling one, whose half above the bottle (row
// -1) is drawn there. Returns once the server has drawn it (XSync).
void DrawSimState(SimScreen* screen, const char board[kSimCells], const SimVitamin* vitamin);

// Draws the state last shown again, whole, its clock's hand moved on, as a
// toolkit game redraws its window every frame. Returns once drawn (XSync).
void RedrawSimScreen(SimScreen* screen);

// Draws the state last shown again with the viruses' next animation frame;
// the board is unchanged. Returns once drawn (XSync).
void AnimateSimScreen(SimScreen* screen);

// Where the bottle's top-left pixel lies on the screen now.
void BottleOnScreen(SimScreen* screen, int* x, int* y);

// Repaints what other windows uncovered; call it while waiting.
void ServiceSimScreen(SimScreen* screen);

// Moves the window's top-left corner to (x, y) of the screen; returns once
// the server has done it (XSync).
void MoveSimWindow(SimScreen* screen, int x, int y);

void CloseSimScreen(SimScreen* screen);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_X11_H_
