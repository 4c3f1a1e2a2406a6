// The picture screen-sim shows for one state, computed without a display: the
// page (by default the game's light checker), the bottle's outline or border
// and its cells, drawn sharp, or smoothed as an emulator's bilinear scaler
// blurs a game it draws larger.
//
// Pictures are row-major, width x height, index = y * width + x.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_DRAWING_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_DRAWING_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sim_colours.h"
#include "sim_game.h"
#include "sim_look.h"
#include "sim_sprites.h"

// Cell sides from three quarters of the game's own 8 pixels to six times them.
constexpr int kSimSmallestSide = 6;
constexpr int kSimLargestSide = 48;

// The game's drawing at one cell side: its size, where the bottle's cell
// (0, 0) lies in it, the outline's thickness and the checker's tile, and the
// look it is dressed in (by default this game's own).
struct SimDrawing {
  int side = 12;
  int width = 640;
  int height = 480;
  int bottleLeft = 200;
  int bottleTop = 40;
  int wall = 3;
  int tile = 16;
  SimLook look;
  // The viruses' sprites when the look's palette draws them (MakeVirusSprites).
  SimSprites sprites;
};

// The distance from one brick to the next (side + gap), and the dark field's
// size: the bricks and the gaps between them, and the row offset above them.
int Pitch(const SimDrawing& drawing);
int FieldWidth(const SimDrawing& drawing);
int FieldHeight(const SimDrawing& drawing);

// At side 12 the 640 x 480 drawing the advisor has always been tested on;
// up to side 24 the same size, and beyond it just large enough to hold the
// bottle, its outline and two cells of background below and right of it.
SimDrawing DrawingForSide(int side);

// DrawingForSide dressed in this look (without sprites), grown when gaps or a
// row offset make the field larger, to keep two pitches of page below and
// right of it.
SimDrawing DrawingForLook(int side, const SimLook& look);

// Paints one state into paints (width * height SimPaint values): board is the
// 128 shown codes; vitamin, when not null, is the falling one, whose half
// above the bottle (row -1) is drawn there, over a closed border if any.
// kPaintPhoto marks where the photographic page shows.
void PaintState(const SimDrawing& drawing, const char board[kSimCells], const SimVitamin* vitamin,
                std::vector<uint8_t>* paints);

// Where a closed border's clock sits: the dial's centre and radius, right of
// the bottle, inside the drawing.
struct SimClock {
  int x;
  int y;
  int radius;
};
SimClock ClockBesideBottle(const SimDrawing& drawing);

// Where a window of this length along one axis goes to be centred on a
// screen of that length, as a toolkit centres a game's window: never left of
// or above the screen.
int CentredCorner(int screenLength, int drawingLength);

// How many pixels wide an edge's blur is when the game's 8-pixel cells are
// scaled bilinearly to this side: the scale factor, rounded; 1 is no blur.
int SmoothingWidth(int side);

// Blurs pixels (width x height) with a box of `reach` pixels along each axis,
// edges clamped. A nearest-neighbour picture blurred so is what a bilinear
// scaler of that factor makes of the game's own picture: every edge becomes
// a ramp reach pixels wide, and the inside of every area keeps its colour.
void SmoothPicture(int width, int height, int reach, std::vector<SimRgb>* pixels);

// Why the drawing cannot go where it is asked on a screen of screenWidth x
// screenHeight, or "" when it can. what names the point ("the bottle's
// top-left corner", "--window", "--move"), which must lie on the screen;
// anything right of or below it may run off the screen's edge.
std::string OffScreen(const char* what, int x, int y, int screenWidth, int screenHeight);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_DRAWING_H_
