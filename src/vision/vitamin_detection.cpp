// Vitamin detection.
#include "vision/vitamin_detection.h"

uint8_t DetectVitamin(const uint8_t*, const uint8_t*, VitaminPosition&) { return kNoChange; }
