// The Windows runs of the feeder serve frames that never repeat one another
// (tools/windows/game_frames.cpp), so a still screen never holds them up and
// there is nothing to nudge.
#include "screen_nudge.h"

void NudgeScreen(int) {}
