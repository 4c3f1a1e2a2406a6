// Arbitrary images through the board reader: the field search must agree with
// the plain reference search, and sampling must stay inside the raster.
#include <cstdint>
#include <cstring>
#include <vector>

#include "field_location_reference.h"
#include "vision/board.h"
#include "vision/cell_classification.h"
#include "vision/field_location.h"
#include "vision/game_look.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int32_t width = (data[0] | data[1] << 8) % 701;
  const int32_t height = (data[2] | data[3] << 8) % 521;
  data += 4;
  size -= 4;
  // The pixels repeat the rest of the input; with none left the image is black.
  std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
  if (size > 0) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(raster.data());
    const size_t total = raster.size() * sizeof(uint32_t);
    for (size_t i = 0; i < total; i += size)
      std::memcpy(bytes + i, data, std::min(size, total - i));
  }
  FieldRect field;
  LocateField(raster.data(), height, width, field.left, field.top, field.width);
  // The reference needs about a second on a large dark image; comparing only
  // images up to 64k pixels keeps the fuzzer at thousands of runs a minute.
  if (raster.size() <= 65536) {
    FieldRect plain;
    LocateFieldReference(raster.data(), height, width, plain.left, plain.top, plain.width);
    if (plain.left != field.left || plain.top != field.top || plain.width != field.width) {
      __builtin_trap();
    }
  }
  uint8_t current[kBoardCells];
  uint8_t previous[kBoardCells];
  std::memset(current, 0, sizeof current);
  for (int pass = 0; pass < 2; ++pass) {
    SampleGrid(raster.data(), width, height, field, current, previous);
    for (uint8_t code : current) {
      if (std::memchr(".rybRYB", code, 7) == nullptr) __builtin_trap();
    }
  }
  // The game's look, measured on that field, reads inside the raster too;
  // with neither its grid nor its palette measured it reads as SampleGrid.
  const GameLook look = MeasureGameLook(raster.data(), width, height, field);
  uint8_t byLook[kBoardCells];
  SampleBoard(raster.data(), width, height, look, byLook, previous);
  for (uint8_t code : byLook) {
    if (std::memchr(".rybRYB", code, 7) == nullptr) __builtin_trap();
  }
  if (!look.grid.own && !look.palette.own && std::memcmp(byLook, current, kBoardCells) != 0) {
    __builtin_trap();
  }
  return 0;
}
