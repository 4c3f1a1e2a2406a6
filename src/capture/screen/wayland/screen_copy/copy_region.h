// Which part of a Wayland output the screen copy asks for: the logical region
// at the output's top-left corner whose pixels cover the capture region. Plain
// numbers, so that every scale can be checked by hand.
#ifndef BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_
#define BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_

// An output as the compositor describes it. The logical size is xdg-output's
// (0 where the compositor has no xdg-output); the pixel size is the current
// mode's, turned as the output is turned; scale is wl_output's whole scale.
struct OutputPlacement {
  int logicalWidth = 0;
  int logicalHeight = 0;
  int pixelWidth = 0;
  int pixelHeight = 0;
  int scale = 1;
};

// A size in the output's logical coordinates, from its top-left corner.
struct LogicalSize {
  int width = 0;
  int height = 0;
};

// The smallest whole logical region whose pixels cover 640 x 480: 320 x 240
// at scale 2; at a fractional scale one logical pixel more than 640 / scale,
// of which the copy keeps the top-left 640 x 480 pixels. Never more than the
// output, so a smaller output is copied whole.
LogicalSize CopyRegionFor(const OutputPlacement& output);

#endif  // BOTTLEWATCH_CAPTURE_SCREEN_WAYLAND_SCREEN_COPY_COPY_REGION_H_
