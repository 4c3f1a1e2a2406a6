// Changing one pixel of the screen, for the frame feeder: the advisor leaves
// a still screen alone once its converter has repeated itself, so a test that
// serves repeated frames changes the screen with each one.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_NUDGE_H_
#define BOTTLEWATCH_TOOLS_SCREEN_NUDGE_H_

// Draws the bottom-right pixel of the captured region black on even calls and
// white on odd ones, on the screen DISPLAY names; far from the game's bottle,
// and from the picture the feeder serves in place of the screen. Does nothing
// without a screen.
void NudgeScreen(int call);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_NUDGE_H_
