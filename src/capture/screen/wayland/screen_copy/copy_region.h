// Where each output of a wlroots layout lies on the screen the advisor reads,
// and which part of an output the screen copy asks for to cover a region of
// it. Plain numbers, so that every scale and layout can be checked by hand.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_

#include <vector>

#include "capture/screen/screen_capture.h"

// An output as the compositor describes it. The logical place and size are
// xdg-output's (size 0 where the compositor has no xdg-output; the place is
// then wl_output's); the pixel size is the current mode's, turned as the
// output is turned; scale is wl_output's whole scale.
struct OutputPlacement {
  int logicalX = 0;
  int logicalY = 0;
  int logicalWidth = 0;
  int logicalHeight = 0;
  int pixelWidth = 0;
  int pixelHeight = 0;
  int scale = 1;
};

// The layout's scale: the largest of its outputs' pixels per logical pixel,
// rounded up to a whole number (1 for an empty layout).
int LayoutScale(const std::vector<OutputPlacement>& outputs);

// Where the output's own pixels lie on the screen: from its logical place
// times the layout's scale, at their own size. Outputs side by side never
// overlap there; one at a smaller scale than the largest leaves a black gap
// beside it, which is never read.
ScreenRegion OutputOnScreen(const OutputPlacement& output, int layoutScale);

// The smallest region of screen pixels that holds every output.
ScreenRegion LayoutBounds(const std::vector<OutputPlacement>& outputs);

// What to ask of the compositor for some of an output's pixels: a logical
// box (capture_output_region's), and where the copy's first pixel lies among
// the output's pixels (the compositor scales the box's corner and size by the
// output's scale, rounding down).
struct OutputCopy {
  int logicalX = 0;
  int logicalY = 0;
  int logicalWidth = 0;
  int logicalHeight = 0;
  int pixelLeft = 0;
  int pixelTop = 0;
};

// The copy that covers pixels (in the output's own pixels, from its top-left
// corner, within the output). Whole logical pixels: at a fractional scale
// the copy reaches a pixel or so past what was asked on each side.
OutputCopy CopyCovering(const OutputPlacement& output, const ScreenRegion& pixels);

// The part of a that b covers (width or height 0 where they miss).
ScreenRegion Overlap(const ScreenRegion& a, const ScreenRegion& b);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_
