// Finding the playing field in the first frame.
#ifndef BOTTLEWATCH_VISION_FIELD_LOCATION_H_
#define BOTTLEWATCH_VISION_FIELD_LOCATION_H_

#include <cstdint>

// raster: height * width packed pixels, row-major, row 0 at the top (pixel
// (c, r) is raster[r * width + c]); only read. Writes the widest dark area's
// top-left corner and width to left, top and fieldWidth, all 0 when none.
void LocateField(const uint32_t* raster, int32_t height, int32_t width, int32_t& left,
                 int32_t& top, int32_t& fieldWidth);

#endif  // BOTTLEWATCH_VISION_FIELD_LOCATION_H_
