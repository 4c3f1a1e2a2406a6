// Finding the playing field in a frame (the frame cycle looks in each of its
// first passes): the widest dark area that starts in the upper half of the
// image and is closed on its right by a bright pixel.
#ifndef BOTTLEWATCH_VISION_FIELD_LOCATION_H_
#define BOTTLEWATCH_VISION_FIELD_LOCATION_H_

#include <cstdint>

// raster: height * width packed pixels, row-major, row 0 at the top (pixel
// (c, r) is raster[r * width + c]); only read, never kept. Writes the widest
// dark area's top-left corner and width to left, top and fieldWidth, all 0
// when none. A pixel is bright at luminance 128 or more.
//
// Takes time roughly linear in the number of pixels, also on a frame that is
// dark almost everywhere (the game not shown yet). Allocates three int arrays
// of the image's width for the length of the call.
void LocateField(const uint32_t* raster, int32_t height, int32_t width, int32_t& left, int32_t& top,
                 int32_t& fieldWidth);

#endif  // BOTTLEWATCH_VISION_FIELD_LOCATION_H_
