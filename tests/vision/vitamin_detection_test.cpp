// DetectVitamin: the verdict from filled and emptied counts, the neighbour
// cases with the bounds that keep them inside the bottle, the entering case
// and the fallback.
#include "vision/vitamin_detection.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Board = std::array<uint8_t, kBoardCells>;

// rows[i] is board row firstRow + i; every other cell is '.'.
Board BoardFrom(int firstRow, const std::vector<std::string>& rows) {
  Board board;
  board.fill(kEmptyCell);
  for (size_t i = 0; i < rows.size(); ++i) {
    for (int column = 0; column < kBoardColumns; ++column) {
      board[CellIndex(column, firstRow + static_cast<int>(i))] =
          static_cast<uint8_t>(rows[i][column]);
    }
  }
  return board;
}

// What the caller held before the call; no value DetectVitamin writes.
constexpr VitaminPosition kCallerPosition{91, 92, 93, 94};

struct Halves {
  int firstColumn, firstRow, secondColumn, secondRow;
};

struct DetectionCase {
  std::string name;
  Board previous, current;
  uint8_t result;
  Halves expected;
};

std::vector<DetectionCase> Cases() {
  const Board empty = BoardFrom(0, {});
  return {
      // Verdicts.
      {"identical grids",
       BoardFrom(3, {"..y.b..."}),
       BoardFrom(3, {"..y.b..."}),
       kNoChange,
       {91, 92, 93, 94}},
      {"only emptied cells, even three",
       BoardFrom(2, {"..y.....", "r.......", "....B..."}),
       empty,
       kNoChange,
       {4, 4, 93, 94}},
      {"three filled",
       empty,
       BoardFrom(0, {".y......", "........", "........", "....r..b"}),
       kBoardCleared,
       {1, 0, 4, 3}},
      {"two filled, three emptied",
       BoardFrom(0, {"yyy....."}),
       BoardFrom(5, {"..r...b."}),
       kBoardCleared,
       {2, 5, 6, 5}},
      {"one filled, three emptied",
       BoardFrom(0, {"yyy....."}),
       BoardFrom(5, {"..r....."}),
       kBoardCleared,
       {2, 5, 93, 94}},
      {"two filled, two emptied",
       BoardFrom(0, {"yb......"}),
       BoardFrom(5, {"..r.....", "........", "........", "........", "......y."}),
       kVitaminFound,
       {2, 5, 6, 9}},
      {"two-colour vitamin steps down",
       BoardFrom(4, {"...r....", "...b...."}),
       BoardFrom(4, {"........", "...r....", "...b...."}),
       kVitaminFound,
       {3, 5, 3, 6}},
      // The five neighbour cases, each at a place where it just may be tried.
      {"moved down",
       BoardFrom(3, {"..y.....", "..y....."}),
       BoardFrom(3, {"........", "..y.....", "..y....."}),
       kVitaminFound,
       {2, 4, 2, 5}},
      {"moved down from the top row",
       BoardFrom(0, {"....y...", "....y..."}),
       BoardFrom(0, {"........", "....y...", "....y..."}),
       kVitaminFound,
       {4, 1, 4, 2}},
      {"moved right",
       BoardFrom(6, {"...bb..."}),
       BoardFrom(6, {"....bb.."}),
       kVitaminFound,
       {4, 6, 5, 6}},
      {"moved left",
       BoardFrom(6, {"....bb.."}),
       BoardFrom(6, {"...bb..."}),
       kVitaminFound,
       {3, 6, 4, 6}},
      {"moved left from column 5",
       BoardFrom(3, {"......rr"}),
       BoardFrom(3, {".....rr."}),
       kVitaminFound,
       {5, 3, 6, 3}},
      {"turned horizontal",
       BoardFrom(8, {"..r.....", "..r....."}),
       BoardFrom(8, {"........", "..rr...."}),
       kVitaminFound,
       {2, 9, 3, 9}},
      {"turned vertical",
       BoardFrom(9, {"..rr...."}),
       BoardFrom(8, {"..r.....", "..r....."}),
       kVitaminFound,
       {2, 8, 2, 9}},
      {"turned vertical above the bottom row",
       BoardFrom(15, {"......yy"}),
       BoardFrom(14, {"......y.", "......y."}),
       kVitaminFound,
       {6, 14, 6, 15}},
      {"moved down wins over moved right",
       BoardFrom(3, {"...y....", "...y....", ".yy....."}),
       BoardFrom(3, {"........", "...y....", "..yy...."}),
       kVitaminFound,
       {3, 4, 3, 5}},
      // Tests that make a neighbour case fail: the fallback answers instead.
      {"partner differs in brightness",
       BoardFrom(3, {"..Y.....", "..Y....."}),
       BoardFrom(3, {"........", "..Y.....", "..y....."}),
       kVitaminFound,
       {2, 5, 93, 94}},
      {"filled cell was not empty before",
       BoardFrom(3, {"..y.....", "..y.....", "..r....."}),
       BoardFrom(3, {"........", "..y.....", "..y....."}),
       kVitaminFound,
       {2, 5, 93, 94}},
      // Bounds. Each board is built so that, read across the row wrap of the
      // index, the case would hold if its bound were ignored.
      {"moved right not tried in column 1",
       BoardFrom(4, {".......y", "y......."}),
       BoardFrom(4, {"........", "yy......"}),
       kVitaminFound,
       {1, 5, 93, 94}},
      {"moved left not tried in column 6",
       BoardFrom(5, {".......y", "y......."}),
       BoardFrom(5, {"......yy", "........"}),
       kVitaminFound,
       {6, 5, 0, 6}},
      {"turned horizontal not tried in column 0",
       BoardFrom(3, {".......y", ".......y"}),
       BoardFrom(3, {"........", ".......y", "y......."}),
       kVitaminFound,
       {0, 5, 93, 94}},
      {"turned vertical not tried in column 7",
       BoardFrom(6, {".......y", "y......."}),
       BoardFrom(5, {".......y", ".......y", "........"}),
       kVitaminFound,
       {7, 5, 0, 7}},
      {"turned vertical not tried in row 0",
       BoardFrom(1, {"..yy...."}),
       BoardFrom(0, {"..y.....", "..y....."}),
       kVitaminFound,
       {2, 0, 3, 1}},
      // Entering: only the current grid, only the cell to the right.
      {"entering at column 3", empty, BoardFrom(0, {"...y...."}), kVitaminFound, {3, -1, 3, 0}},
      {"entering at column 4",
       BoardFrom(0, {"...b...."}),
       BoardFrom(0, {"...by..."}),
       kVitaminFound,
       {4, -1, 4, 0}},
      {"entering while the right cell just emptied",
       BoardFrom(0, {"....y..."}),
       BoardFrom(0, {"...y...."}),
       kVitaminFound,
       {3, -1, 3, 0}},
      {"not entering with the right cell occupied",
       BoardFrom(0, {"....b..."}),
       BoardFrom(0, {"...yb..."}),
       kVitaminFound,
       {3, 0, 93, 94}},
      {"not entering at column 5",
       empty,
       BoardFrom(0, {".....y.."}),
       kVitaminFound,
       {5, 0, 93, 94}},
      {"neighbour case before entering",
       BoardFrom(0, {".yy....."}),
       BoardFrom(0, {"..yy...."}),
       kVitaminFound,
       {2, 0, 3, 0}},
      // Fallback: the second half is the last emptied cell after the filled
      // one, else whatever the caller held.
      {"fallback keeps the caller's second half",
       empty,
       BoardFrom(9, {".....r.."}),
       kVitaminFound,
       {5, 9, 93, 94}},
      {"fallback takes the last emptied cell after it",
       BoardFrom(4, {".....y..", "..r....."}),
       BoardFrom(3, {"..y....."}),
       kVitaminFound,
       {2, 3, 2, 5}},
      // Raw bytes: a bright/dim flip is a filled cell.
      {"bright to dim counts as filled",
       BoardFrom(7, {"..y....."}),
       BoardFrom(7, {"..Y....."}),
       kVitaminFound,
       {2, 7, 93, 94}},
      {"two flips are a vitamin",
       BoardFrom(7, {"..rR...."}),
       BoardFrom(7, {"..Rr...."}),
       kVitaminFound,
       {2, 7, 3, 7}},
      {"three flips are a clear",
       BoardFrom(7, {"..yYb..."}),
       BoardFrom(7, {"..YyB..."}),
       kBoardCleared,
       {2, 7, 3, 7}},
  };
}

TEST(DetectVitamin, Cases) {
  for (const DetectionCase& c : Cases()) {
    VitaminPosition position = kCallerPosition;
    const uint8_t result = DetectVitamin(c.current.data(), c.previous.data(), position);
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(position.firstColumn, c.expected.firstColumn) << c.name;
    EXPECT_EQ(position.firstRow, c.expected.firstRow) << c.name;
    EXPECT_EQ(position.secondColumn, c.expected.secondColumn) << c.name;
    EXPECT_EQ(position.secondRow, c.expected.secondRow) << c.name;
  }
}

}  // namespace
