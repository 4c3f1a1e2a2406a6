// Field location.
#include "vision/field_location.h"

void LocateField(const uint32_t*, int32_t, int32_t, int32_t& left, int32_t& top,
                 int32_t& fieldWidth) {
  left = 0;
  top = 0;
  fieldWidth = 0;
}
