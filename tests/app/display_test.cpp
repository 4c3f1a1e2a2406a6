// The console texts, byte for byte.
#include "app/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "support/capture_stdout.h"

namespace {

std::string Printed(const std::function<void()>& print) {
  CapturedStdout out;
  print();
  return out.text();
}

TEST(Display, FieldReport) {
  EXPECT_EQ(Printed([] {
              PrintFieldReport(FieldRect{200, 40, 96});
            }),
            "Found field at: \n200,40\nwith width 96 \n");
  EXPECT_EQ(Printed([] { PrintFieldReport(FieldRect{}); }),
            "Found field at: \n0,0\nwith width 0 \n");
}

TEST(Display, VitaminLines) {
  struct Case {
    VitaminPosition position;
    const char* line;
  };
  const Case cases[] = {
      {{3, -1, 3, 0}, "Vitamin at: 3,-1 3,0      \n"},
      {{3, 0, 4, 0}, "Vitamin at: 3,0 4,0      \n"},
      {{6, 14, 6, 15}, "Vitamin at: 6,14 6,15      \n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Printed([&] { PrintVitaminLine(c.position); }), c.line);
  }
}

TEST(Display, AdviceWordsAreTenCharactersWithoutNewline) {
  const std::pair<char, const char*> cases[] = {
      {'L', "Move left "}, {'R', "Move right"}, {'0', "          "}, {'x', "          "}};
  for (const auto& [direction, word] : cases) {
    const std::string text = Printed([&] { PrintAdviceWord(direction); });
    EXPECT_EQ(text, word);
    EXPECT_EQ(text.size(), 10u);
  }
}

TEST(Display, ClearBlockCoversVitaminLineTargetLinesAndAdvice) {
  const std::string blank(31, ' ');
  EXPECT_EQ(Printed(PrintClearBlock), "Clear detected.                \n" + blank + "\n" + blank +
                                          "\n" + blank + "\n" + blank + "\n");
}

TEST(Display, BoardIsSixteenRowsOfCodesEachFollowedByABlank) {
  uint8_t grid[kBoardCells];
  std::memset(grid, kEmptyCell, sizeof grid);
  grid[CellIndex(0, 0)] = 'r';
  grid[CellIndex(7, 0)] = 'Y';
  grid[CellIndex(3, 15)] = 'b';
  grid[CellIndex(4, 9)] = 0;  // raw bytes, whatever they are
  std::string expected;
  for (int row = 0; row < kBoardRows; ++row) {
    for (int column = 0; column < kBoardColumns; ++column) {
      expected += static_cast<char>(grid[CellIndex(column, row)]);
      expected += ' ';
    }
    expected += '\n';
  }
  const std::string text = Printed([&] { PrintBoard(grid); });
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.substr(0, 17), "r . . . . . . Y \n");
}

}  // namespace
