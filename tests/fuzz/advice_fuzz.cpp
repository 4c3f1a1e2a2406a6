// Arbitrary boards and positions through the vitamin detection and the move
// advice: the answer is always a direction byte, and always three lines.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <sstream>

#include "advice/target_choice.h"
#include "vision/board.h"
#include "vision/vitamin_detection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 * kBoardCells + 4) return 0;
  const uint8_t* current = data;
  const uint8_t* previous = data + kBoardCells;
  const uint8_t* start = data + 2 * kBoardCells;
  // The position the main loop carries over holds columns 0..7 and rows 0..15.
  VitaminPosition position{start[0] % 8, start[1] % 16, start[2] % 8, start[3] % 16};
  if (DetectVitamin(current, previous, position) != kVitaminFound) return 0;

  std::ostringstream out;
  std::streambuf* saved = std::cout.rdbuf(out.rdbuf());
  const char direction = ChooseMove(current, position.firstColumn, position.firstRow,
                                    position.secondColumn, position.secondRow);
  std::cout.rdbuf(saved);
  if (direction != 'L' && direction != 'R' && direction != '0') __builtin_trap();
  const std::string text = out.str();
  if (std::count(text.begin(), text.end(), '\n') != 3 || text.back() != '\n') __builtin_trap();
  return 0;
}
