// ChooseMove: the three searches, their tie rules and the exact report lines.
#include "advice/target_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Board = std::array<uint8_t, kBoardCells>;

// Codes painted down one column: {column, topRow, "bbB"} fills three cells.
struct Stroke {
  int column;
  int topRow;
  const char* codes;
};

Board BoardOf(const std::vector<Stroke>& strokes) {
  Board board;
  board.fill(kEmptyCell);
  for (const Stroke& s : strokes) {
    for (int i = 0; s.codes[i] != '\0'; ++i) {
      board[CellIndex(s.column, s.topRow + i)] = static_cast<uint8_t>(s.codes[i]);
    }
  }
  return board;
}

std::string Blanks(int count) {
  return std::string(count, ' ');
}

struct Advice {
  std::string text;
  char move;
};

Advice Advise(const uint8_t* grid, int firstColumn, int firstRow, int secondColumn, int secondRow) {
  std::ostringstream captured;
  std::streambuf* const saved = std::cout.rdbuf(captured.rdbuf());
  const char move = ChooseMove(grid, firstColumn, firstRow, secondColumn, secondRow);
  std::cout.rdbuf(saved);
  return {captured.str(), move};
}

// The board inside a larger buffer whose outer bytes all hold guard: a read
// outside the 128 cells shows up as output that depends on the guard.
Advice AdviseGuarded(const Board& board, uint8_t guard, int firstColumn, int firstRow,
                     int secondColumn, int secondRow) {
  std::array<uint8_t, 3 * kBoardCells> buffer;
  buffer.fill(guard);
  std::copy(board.begin(), board.end(), buffer.begin() + kBoardCells);
  return Advise(buffer.data() + kBoardCells, firstColumn, firstRow, secondColumn, secondRow);
}

struct Position {
  int firstColumn, firstRow, secondColumn, secondRow;
};

struct Case {
  const char* name;
  Position at;
  std::vector<Stroke> cells;
  std::string target, detail, piece;
  char move;
};

// The usual vitamin lies flat at (3, 0) and (4, 0), red then blue unless a case
// paints other codes.
const Position kDefault = {3, 0, 4, 0};
const Position kVertical = {3, 0, 3, 1};

// clang-format off
const std::vector<Case> kCases = {
    {"EmptyBottle", kDefault, {{3, 0, "r"}, {4, 0, "b"}},
     "Target: Nothing 0,0" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"VerticalVitaminFirstPairMeetingLowerHalf", kVertical, {{3, 0, "rb"}},
     "Target: Nothing 2,1" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"VirusUnderSecondHalf", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {4, 5, "B"}},
     "Target: Virus 4,5" + Blanks(7), Blanks(18), "Piece: Right side", '0'},
    {"SecondHalfCannotReachLeftBound", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {0, 9, "B"}},
     "Target: Nothing 0,9" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"FirstHalfTakesVirusAtLeftBound", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {0, 9, "R"}},
     "Target: Virus 0,9" + Blanks(7), Blanks(21), "Piece: Left side ", 'L'},
    {"FirstHalfCannotReachRightBound", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {7, 9, "R"}},
     "Target: Nothing 6,9" + Blanks(5), Blanks(16), Blanks(17), 'R'},
    {"SecondHalfTakesVirusAtRightBound", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {7, 9, "B"}},
     "Target: Virus 7,9" + Blanks(7), Blanks(18), "Piece: Right side", 'R'},
    {"LeftmostVirusWins", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {1, 9, "R"}, {6, 9, "B"}},
     "Target: Virus 1,9" + Blanks(7), Blanks(21), "Piece: Left side ", 'L'},
    {"SameColourHalvesTrySecondFirst", kDefault, {{3, 0, "b"}, {4, 0, "b"}, {5, 9, "B"}},
     "Target: Virus 5,9" + Blanks(7), Blanks(18), "Piece: Right side", 'R'},
    {"NeighbourInTargetRowDoesNotBlock", kDefault,
     {{3, 0, "r"}, {4, 0, "b"}, {6, 1, "B"}, {5, 1, "Y"}},
     "Target: Virus 6,1" + Blanks(7), Blanks(18), "Piece: Right side", 'R'},
    {"VerticalUpperHalfIsNoVirusCandidate", kVertical, {{3, 0, "rb"}, {5, 9, "R"}},
     "Target: Nothing 4,9" + Blanks(5), Blanks(16), Blanks(17), 'R'},
    {"EqualStacksLeftmostWins", kDefault,
     {{3, 0, "r"}, {4, 0, "b"}, {1, 10, "bbBBBB"}, {6, 10, "bBbBBB"}},
     "Target: Vitamin 1,10" + Blanks(4), "Stack: 6", "Piece: Right side", 'L'},
    {"RunStopsAtOtherColour", kDefault, {{3, 0, "r"}, {4, 0, "b"}, {6, 9, "bBbBYB"}},
     "Target: Vitamin 6,9" + Blanks(4), "Stack: 4", "Piece: Right side", 'R'},
    {"LongerFirstHalfStackBeatsEarlierSecondHalfStack", kDefault,
     {{3, 0, "r"}, {4, 0, "b"}, {2, 12, "bY"}, {5, 11, "rRr"}},
     "Target: Vitamin 5,11" + Blanks(4), "Stack: 3", "Piece: Left side ", 'R'},
    {"CellBothHalvesMatchStaysWithSecond", kDefault, {{3, 0, "b"}, {4, 0, "b"}, {5, 9, "b"}},
     "Target: Vitamin 5,9" + Blanks(4), "Stack: 1", "Piece: Right side", 'R'},
    {"VitaminRestingOnFullColumn", kVertical, {{3, 0, "rbBBBBBBBBBBBBBB"}},
     "Target: Nothing 0,0" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"VitaminInBottomRow", {3, 15, 4, 15}, {{3, 15, "r"}, {4, 15, "b"}},
     "Target: Nothing 3,15" + Blanks(5), Blanks(16), Blanks(17), '0'},
    {"EmptyPairsPassedOver", kDefault,
     {{3, 0, "r"}, {4, 0, "b"}, {0, 12, "YYYY"}, {1, 12, "YYYY"}, {2, 12, "YYYY"},
      {3, 12, "YYYY"}, {4, 12, "YYYY"}},
     "Target: Nothing 0,12" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"DeepestPairTieLeftmostWins", kDefault,
     {{3, 0, "r"}, {4, 0, "b"}, {0, 10, "YYYYYY"}, {6, 10, "YYYYYY"}},
     "Target: Nothing 0,10" + Blanks(5), Blanks(16), Blanks(17), 'L'},
    {"EnteringVitamin", {3, -1, 3, 0}, {{3, 0, "b"}, {5, 12, "B"}},
     "Target: Virus 5,12" + Blanks(7), Blanks(18), "Piece: Right side", 'R'},
    {"DimHalvesStackOnDimCell", kDefault, {{3, 0, "R"}, {4, 0, "B"}, {4, 5, "B"}},
     "Target: Vitamin 4,5" + Blanks(4), "Stack: 1", "Piece: Right side", '0'},
    {"EmptySecondHalfCountsEmptyStretch", kVertical, {{3, 0, "r"}, {1, 6, "Y"}},
     "Target: Vitamin 2,2" + Blanks(4), "Stack: 14", "Piece: Right side", 'L'},
};
// clang-format on

class ChooseMoveCases : public testing::TestWithParam<Case> {};

TEST_P(ChooseMoveCases, ReportsTargetAndDirection) {
  const Case& c = GetParam();
  const Board board = BoardOf(c.cells);
  const Position& at = c.at;
  const Advice advice =
      Advise(board.data(), at.firstColumn, at.firstRow, at.secondColumn, at.secondRow);
  EXPECT_EQ(advice.text, c.target + "\n" + c.detail + "\n" + c.piece + "\n");
  EXPECT_EQ(advice.move, c.move);
  // The display marks the cell the target line names.
  int column = -1;
  int row = -1;
  ASSERT_EQ(std::sscanf(c.target.c_str(), "Target: %*s %d,%d", &column, &row), 2) << c.target;
  const TargetCell cell =
      ChooseTarget(board.data(), at.firstColumn, at.firstRow, at.secondColumn, at.secondRow);
  EXPECT_EQ(cell.column, column) << c.target;
  EXPECT_EQ(cell.row, row) << c.target;
}

INSTANTIATE_TEST_SUITE_P(TargetChoice, ChooseMoveCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// The blue virus at (6, 12) is out of reach while anything stands in column 5
// between the vitamin and row 11; a cell in row 12 beside it does not block.
TEST(TargetChoice, NeighbourColumnBlocksOnlyAboveTheTarget) {
  for (int blocker = 1; blocker <= 12; ++blocker) {
    const Board board = BoardOf({{3, 0, "r"}, {4, 0, "b"}, {6, 12, "B"}, {5, blocker, "Y"}});
    const Advice advice = Advise(board.data(), 3, 0, 4, 0);
    const std::string expected =
        blocker <= 11 ? "Target: Nothing 6,12" + Blanks(5) : "Target: Virus 6,12" + Blanks(7);
    EXPECT_EQ(advice.text.substr(0, advice.text.find('\n')), expected) << "blocker row " << blocker;
    EXPECT_EQ(advice.move, 'R') << "blocker row " << blocker;
  }
}

// Each line must reach the console on its own: a flush after every newline.
TEST(TargetChoice, FlushesAfterEveryLine) {
  struct FlushRecorder : std::stringbuf {
    std::vector<size_t> flushedAt;
    int sync() override {
      flushedAt.push_back(str().size());
      return std::stringbuf::sync();
    }
  };
  FlushRecorder recorder;
  const Board board = BoardOf({{3, 0, "r"}, {4, 0, "b"}, {4, 5, "B"}});
  std::streambuf* const saved = std::cout.rdbuf(&recorder);
  ChooseMove(board.data(), 3, 0, 4, 0);
  std::cout.rdbuf(saved);
  const std::string text = recorder.str();
  std::vector<size_t> lineEnds;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') lineEnds.push_back(i + 1);
  }
  EXPECT_EQ(lineEnds.size(), 3u);
  EXPECT_EQ(recorder.flushedAt, lineEnds);
}

TEST(TargetChoice, NumbersStayDecimalWhateverTheStreamFlags) {
  const Board board = BoardOf({{3, 0, "r"}, {4, 0, "b"}, {0, 10, "YYYYYY"}});
  std::cout << std::hex << std::showpos;
  const Advice advice = Advise(board.data(), 3, 0, 4, 0);
  std::cout << std::dec << std::noshowpos;
  EXPECT_EQ(advice.text.substr(0, advice.text.find('\n')), "Target: Nothing 0,10" + Blanks(5));
}

Board RandomBoard(std::mt19937& random, double fillShare) {
  static const uint8_t kCodes[] = {kBrightRed, kBrightYellow, kBrightBlue,
                                   kDimRed,    kDimYellow,    kDimBlue};
  std::bernoulli_distribution filled(fillShare);
  std::uniform_int_distribution<int> pick(0, 5);
  Board board;
  for (uint8_t& cell : board) cell = filled(random) ? kCodes[pick(random)] : kEmptyCell;
  return board;
}

// Every position the detector can hand over, on boards from sparse to packed:
// a read outside the bottle (a first half in row -1, a neighbour past the edge)
// would make the output depend on the bytes around the board.
TEST(TargetChoice, ReadsOnlyTheBottleForEveryPositionInRange) {
  std::mt19937 random(20240611);
  const uint8_t guards[] = {kEmptyCell, kBrightRed, kBrightBlue, kDimRed, kDimBlue, kDimYellow};
  for (double fillShare : {0.15, 0.5, 0.85, 1.0}) {
    const Board board = RandomBoard(random, fillShare);
    for (int fc = 0; fc < kBoardColumns; ++fc) {
      for (int fr = -1; fr < kBoardRows; ++fr) {
        for (int sc = 0; sc < kBoardColumns; ++sc) {
          for (int sr = 0; sr < kBoardRows; ++sr) {
            const Advice first = AdviseGuarded(board, guards[0], fc, fr, sc, sr);
            ASSERT_TRUE(first.move == 'L' || first.move == 'R' || first.move == '0');
            ASSERT_EQ(std::count(first.text.begin(), first.text.end(), '\n'), 3);
            ASSERT_EQ(first.text.back(), '\n');
            for (uint8_t guard : guards) {
              const Advice other = AdviseGuarded(board, guard, fc, fr, sc, sr);
              ASSERT_EQ(other.text, first.text)
                  << "guard " << guard << " at " << fc << "," << fr << " " << sc << "," << sr;
              ASSERT_EQ(other.move, first.move);
            }
          }
        }
      }
    }
  }
}

// Halves outside the bottle are taken as standing at the nearest position in
// range; the first half may stay just above it.
TEST(TargetChoice, ClampsPositionsOutsideTheBottle) {
  std::mt19937 random(7);
  struct Clamp {
    int raw[4];
    int clamped[4];
  };
  const Clamp clamps[] = {
      {{-5, 3, 12, 3}, {0, 3, 7, 3}},
      {{3, -9, 3, 0}, {3, -1, 3, 0}},
      {{3, -1, 4, -1}, {3, -1, 4, 0}},
      {{2, 40, 9, 16}, {2, 15, 7, 15}},
      {{INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}, {0, 15, 7, 0}},
  };
  for (double fillShare : {0.3, 0.8}) {
    const Board board = RandomBoard(random, fillShare);
    for (const Clamp& c : clamps) {
      const Advice raw = AdviseGuarded(board, kDimBlue, c.raw[0], c.raw[1], c.raw[2], c.raw[3]);
      const Advice clamped =
          Advise(board.data(), c.clamped[0], c.clamped[1], c.clamped[2], c.clamped[3]);
      EXPECT_EQ(raw.text, clamped.text)
          << c.raw[0] << "," << c.raw[1] << " " << c.raw[2] << "," << c.raw[3];
      EXPECT_EQ(raw.move, clamped.move);
    }
  }
}

}  // namespace
