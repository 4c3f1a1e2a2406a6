// The plain field search, the reference the program's LocateField is held to
// by the identity test and the board fuzz target.
#ifndef BOTTLEWATCH_TESTS_VISION_FIELD_LOCATION_REFERENCE_H_
#define BOTTLEWATCH_TESTS_VISION_FIELD_LOCATION_REFERENCE_H_

#include <cstdint>

// Same contract as LocateField (vision/field_location.h), reached by the
// plainest scan: it allocates nothing, and its cost grows with the square of
// each probe's width, so a frame that is dark almost everywhere takes seconds.
void LocateFieldReference(const uint32_t* raster, int32_t height, int32_t width, int32_t& left,
                          int32_t& top, int32_t& fieldWidth);

#endif  // BOTTLEWATCH_TESTS_VISION_FIELD_LOCATION_REFERENCE_H_
