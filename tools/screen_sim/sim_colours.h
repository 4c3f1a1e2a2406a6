// The colours screen-sim paints with, and the checks that a colour the X
// server actually gives us still reads as the intended cell code.
//
// Colours are 8-bit channels, 0 to 255. Each paint has a short list of
// candidates, best first; the drawing side allocates them in turn and keeps
// the first whose returned value PaintAccepts.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_COLOURS_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_COLOURS_H_

struct SimRgb {
  int red;
  int green;
  int blue;
};

enum SimPaint {
  kPaintEmpty,  // inside the bottle: must be dark
  kPaintRedVirus,
  kPaintYellowVirus,
  kPaintBlueVirus,
  kPaintRedHalf,
  kPaintYellowHalf,
  kPaintBlueHalf,
  kPaintLight,  // the two tones of the background checker
  kPaintShade,
  kPaintFrame,  // the bottle's outline, outside its cells
  kPaintDial,   // the clock beside the bottle, redrawn every frame
  kPaintHand,
  kPaintPhoto,        // the photographic page: its colour is the picture's, per pixel
  kPaintSpriteBlack,  // a virus sprite's own black (eyes, a dark half): black whatever the inside
  kPaintCount
};

// The paint for a cell code ('.', 'R', 'Y', 'B', 'r', 'y', 'b'); kPaintEmpty
// for anything else.
SimPaint PaintForCode(char code);

// Candidates for a paint, best first; *count receives how many.
const SimRgb* PaintCandidates(SimPaint paint, int* count);

// Brightness 0..255 as the advisor computes it (green, blue, red weights
// summed in that order in double precision, truncated).
int SimLuminance(SimRgb rgb);

// The code the advisor reads from a cell square filled with this one colour.
char ClassifyFlatSquare(SimRgb rgb);

// Whether rgb may stand for the paint: a cell paint must read as its code
// (empty cells also dark, luminance 30 or less); background and frame paints
// must be bright (luminance 150 or more) so that nothing outside the bottle
// can look like part of it. The clock's hand and the photograph may be any
// colour: they stand for what a page around a game really holds.
bool PaintAccepts(SimPaint paint, SimRgb rgb);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_COLOURS_H_
