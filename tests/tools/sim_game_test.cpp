// The self-playing game: reproducible steps, one visible change per step,
// entries, steering, clears and new levels.
#include "sim_game.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// Board with the given rows, top row first, starting at firstRow; every other
// cell empty.
void BoardWith(int firstRow, std::vector<std::string> rows, char board[kSimCells]) {
  std::memset(board, '.', kSimCells);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::memcpy(board + (firstRow + static_cast<int>(i)) * kSimColumns, rows[i].data(),
                kSimColumns);
  }
}

std::vector<std::string> LogLines(uint64_t seed, int steps) {
  SimGame game;
  StartSimGame(seed, &game);
  std::vector<std::string> lines = {FormatSimState(game, 0)};
  for (int step = 1; step <= steps; ++step) {
    StepSimGame(&game);
    lines.push_back(FormatSimState(game, step));
  }
  return lines;
}

std::string Shown(const SimGame& game) {
  char board[kSimCells];
  ShownBoard(game, board);
  return std::string(board, kSimCells);
}

bool IsEntryForm(const SimVitamin& v) {
  const bool vertical =
      v.firstColumn == 3 && v.firstRow == -1 && v.secondColumn == 3 && v.secondRow == 0;
  const bool horizontal =
      v.firstColumn == 3 && v.firstRow == 0 && v.secondColumn == 4 && v.secondRow == 0;
  return vertical || horizontal;
}

bool Adjacent(const SimVitamin& v) {
  return (v.firstColumn == v.secondColumn && v.secondRow == v.firstRow + 1) ||
         (v.firstRow == v.secondRow && v.secondColumn == v.firstColumn + 1);
}

int Viruses(const char* board) {
  int n = 0;
  for (int i = 0; i < kSimCells; ++i) n += (board[i] == 'R' || board[i] == 'Y' || board[i] == 'B');
  return n;
}

TEST(SimGame, SameSeedGivesTheSameStates) {
  EXPECT_EQ(LogLines(42, 400), LogLines(42, 400));
}

TEST(SimGame, DifferentSeedsGiveDifferentGames) {
  std::set<std::string> firstBoards;
  std::set<std::vector<std::string>> games;
  for (uint64_t seed = 1; seed <= 6; ++seed) {
    const std::vector<std::string> lines = LogLines(seed, 100);
    firstBoards.insert(lines[0]);
    games.insert(lines);
  }
  EXPECT_EQ(firstBoards.size(), 6u);
  EXPECT_EQ(games.size(), 6u);
}

TEST(SimGame, FirstStateHoldsOnlyVirusesBelowAClearTop) {
  for (uint64_t seed = 1; seed <= 30; ++seed) {
    SimGame game;
    StartSimGame(seed, &game);
    EXPECT_FALSE(game.falling);
    const std::string board = Shown(game);
    EXPECT_GT(Viruses(board.data()), 0) << "seed " << seed;
    for (int i = 0; i < kSimCells; ++i) {
      if (i < kSimFirstVirusRow * kSimColumns) {
        EXPECT_EQ(board[i], '.') << "seed " << seed << " cell " << i;
      } else {
        EXPECT_NE(std::string(".RYB").find(board[i]), std::string::npos) << "seed " << seed;
      }
    }
    char copy[kSimCells];
    std::memcpy(copy, board.data(), kSimCells);
    EXPECT_EQ(ClearLines(copy), 0) << "a fresh level must not clear by itself, seed " << seed;
    const std::string line = FormatSimState(game, 0);
    EXPECT_EQ(line, "step=0 board=" + board + " vitamin=none");
  }
}

TEST(SimGame, LogLineNamesTheVitaminHalves) {
  SimGame game;
  StartSimGame(1, &game);
  game.falling = true;
  game.vitamin = {3, -1, 3, 0, 'y', 'b'};
  const std::string line = FormatSimState(game, 17);
  EXPECT_EQ(line.substr(0, 14), "step=17 board=");
  EXPECT_EQ(line.substr(14 + kSimCells), " vitamin=3,-1,3,0");
  EXPECT_EQ(line[14 + 3], 'b');  // only the half inside the bottle is on the board
}

// Entering inside the bottle, a vertical vitamin takes rows 0 and 1 and the
// log names those cells; a horizontal one enters in row 0 as always.
TEST(SimGame, SpawnRowZeroEntersWhollyInsideTheBottle) {
  std::set<std::string> forms;
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    SimGame game;
    StartSimGame(seed, &game, kSimSpawnInside);
    ASSERT_EQ(StepSimGame(&game), SimEvent::kEntered);
    const SimVitamin& v = game.vitamin;
    const std::string cells = std::to_string(v.firstColumn) + "," + std::to_string(v.firstRow) +
                              "," + std::to_string(v.secondColumn) + "," +
                              std::to_string(v.secondRow);
    forms.insert(cells);
    const std::string line = FormatSimState(game, 1);
    EXPECT_EQ(line.substr(line.size() - 16), " vitamin=" + cells) << "seed " << seed;
    const std::string shown = Shown(game);
    EXPECT_EQ(shown[v.firstRow * kSimColumns + v.firstColumn], v.firstCode);
    EXPECT_EQ(shown[v.secondRow * kSimColumns + v.secondColumn], v.secondCode);
  }
  EXPECT_EQ(forms, std::set<std::string>({"3,0,3,1", "3,0,4,0"}));
}

// Follows long games and checks every step against the rules of play.
TEST(SimGame, EveryStepIsOneLegalVisibleChange) {
  std::set<SimEvent> seen;
  bool sawVerticalEntry = false;
  bool sawHorizontalEntry = false;
  bool sawSameColourHalves = false;
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    SimGame game;
    StartSimGame(seed, &game);
    for (int step = 1; step <= 3000; ++step) {
      const SimGame before = game;
      const SimEvent event = StepSimGame(&game);
      seen.insert(event);
      const std::string shown = Shown(game);
      ASSERT_NE(Shown(before), shown) << "seed " << seed << " step " << step;
      for (char c : shown) ASSERT_NE(std::string(".RYBryb").find(c), std::string::npos);
      char settled[kSimCells];
      std::memcpy(settled, game.settled, kSimCells);
      ASSERT_EQ(ClearLines(settled), 0) << "a line was left standing, step " << step;
      if (event != SimEvent::kNewLevel) {
        ASSERT_LE(Viruses(game.settled), Viruses(before.settled)) << "step " << step;
      }

      const SimVitamin& v = game.vitamin;
      const SimVitamin& was = before.vitamin;
      switch (event) {
        case SimEvent::kEntered:
          ASSERT_TRUE(game.falling);
          ASSERT_TRUE(IsEntryForm(v)) << "step " << step;
          sawVerticalEntry |= v.firstRow == -1;
          sawHorizontalEntry |= v.firstRow == 0;
          sawSameColourHalves |= v.firstCode == v.secondCode;
          break;
        case SimEvent::kFell:
        case SimEvent::kMovedLeft:
        case SimEvent::kMovedRight: {
          const int dc = event == SimEvent::kMovedLeft ? -1 : event == SimEvent::kMovedRight;
          const int dr = event == SimEvent::kFell ? 1 : 0;
          ASSERT_TRUE(before.falling && game.falling);
          EXPECT_EQ(v.firstColumn, was.firstColumn + dc);
          EXPECT_EQ(v.secondColumn, was.secondColumn + dc);
          EXPECT_EQ(v.firstRow, was.firstRow + dr);
          EXPECT_EQ(v.secondRow, was.secondRow + dr);
          EXPECT_EQ(v.firstCode, was.firstCode);
          EXPECT_EQ(v.secondCode, was.secondCode);
          break;
        }
        case SimEvent::kTurned: {
          ASSERT_TRUE(before.falling && game.falling);
          // Both halves keep their colours, and the lower-left cell stays put.
          EXPECT_EQ(std::multiset<char>({v.firstCode, v.secondCode}),
                    std::multiset<char>({was.firstCode, was.secondCode}));
          const bool wasVertical = was.firstColumn == was.secondColumn;
          EXPECT_EQ(v.firstColumn == v.secondColumn, !wasVertical);
          if (wasVertical) {
            EXPECT_EQ(v.firstColumn, was.secondColumn);
            EXPECT_EQ(v.firstRow, was.secondRow);
          } else {
            EXPECT_EQ(v.secondColumn, was.firstColumn);
            EXPECT_EQ(v.secondRow, was.firstRow);
          }
          EXPECT_GE(v.firstRow, 0);
          break;
        }
        case SimEvent::kCleared:
          EXPECT_FALSE(game.falling);
          break;
        case SimEvent::kNewLevel:
          EXPECT_FALSE(game.falling);
          for (int i = 0; i < kSimFirstVirusRow * kSimColumns; ++i) ASSERT_EQ(game.settled[i], '.');
          for (char c : shown) ASSERT_NE(std::string(".RYB").find(c), std::string::npos);
          break;
      }
      if (game.falling) {
        ASSERT_TRUE(Adjacent(v)) << "step " << step;
        ASSERT_GE(v.secondRow, 0);
      }
    }
  }
  EXPECT_EQ(seen.size(), 7u) << "some kind of step never happened";
  EXPECT_TRUE(sawVerticalEntry);
  EXPECT_TRUE(sawHorizontalEntry);
  EXPECT_TRUE(sawSameColourHalves);
}

struct ClearCase {
  const char* name;
  std::vector<std::string> bottomRows;  // the lowest rows of the board, top first
  int removed;
};

const ClearCase kClearCases[] = {
    {"four in a row, dim and bright mixed", {"RrRr...."}, 4},
    {"three in a row stay", {"rRr.yYy."}, 0},
    {"five in a row", {".bBbBb.."}, 5},
    {"a gap breaks the run", {"yy.yy..."}, 0},
    {"four of mixed colours stay", {"rybr...."}, 0},
    {"four in a column", {"...Y....", "...y....", "...Y....", "...y...."}, 4},
    {"three in a column stay", {"...b....", "...B....", "...b...."}, 0},
    {"a cross shares its corner", {"r.......", "r.......", "r.......", "rRrR...."}, 7},
    {"two runs at once", {"bbbb....", "....yyyy"}, 8},
};

TEST(SimGame, FourOrMoreOfAColourVanish) {
  for (const ClearCase& c : kClearCases) {
    char board[kSimCells];
    BoardWith(kSimRows - static_cast<int>(c.bottomRows.size()), c.bottomRows, board);
    const std::string before(board, kSimCells);
    EXPECT_EQ(ClearLines(board), c.removed) << c.name;
    int changed = 0;
    for (int i = 0; i < kSimCells; ++i) {
      if (board[i] != before[i]) {
        ++changed;
        EXPECT_EQ(board[i], '.') << c.name;
      }
    }
    EXPECT_EQ(changed, c.removed) << c.name;
  }
}

// A vitamin wedged into column 0 between the wall and a stack in column 1: it
// can neither move nor turn nor fall, so the next step lands it.
SimGame WedgedVitamin(const std::string& belowInColumn0) {
  SimGame game;
  StartSimGame(5, &game);
  BoardWith(11, {".Y......", ".B......", ".Y......", ".B......", ".Y......"}, game.settled);
  for (size_t i = 0; i < belowInColumn0.size(); ++i) {
    game.settled[(kSimRows - belowInColumn0.size() + i) * kSimColumns] = belowInColumn0[i];
  }
  const int top = kSimRows - static_cast<int>(belowInColumn0.size()) - 2;
  game.falling = true;
  game.vitamin = {0, top, 0, top + 1, 'r', 'r'};
  return game;
}

TEST(SimGame, LandingOnTwoRedsClearsTheColumn) {
  SimGame game = WedgedVitamin("RR");
  EXPECT_EQ(StepSimGame(&game), SimEvent::kCleared);
  EXPECT_FALSE(game.falling);
  for (int row = 12; row < kSimRows; ++row) EXPECT_EQ(game.settled[row * kSimColumns], '.');
  EXPECT_EQ(game.settled[11 * kSimColumns + 1], 'Y');  // the stack beside is untouched
}

TEST(SimGame, LandingOnThreeInAColumnLeavesThemAndTheNextEnters) {
  SimGame game = WedgedVitamin("RB");  // r r R B: only three reds
  EXPECT_EQ(StepSimGame(&game), SimEvent::kEntered);
  EXPECT_TRUE(game.falling);
  EXPECT_TRUE(IsEntryForm(game.vitamin));
  EXPECT_EQ(game.settled[12 * kSimColumns], 'r');
  EXPECT_EQ(game.settled[13 * kSimColumns], 'r');
}

TEST(SimGame, BlockedEntryStartsANewLevel) {
  // Either entry form needs cell (3, 0); the second case lands a vitamin there.
  for (bool landing : {false, true}) {
    SimGame game;
    StartSimGame(9, &game);
    const int level = game.level;
    if (landing) {
      // Held at the top by (2,0), (5,0) and the row below, it cannot move,
      // turn upward or fall: it lands and fills the entry cells itself.
      BoardWith(0, {"..y..b..", "...rb..."}, game.settled);
      game.falling = true;
      game.vitamin = {3, 0, 4, 0, 'y', 'r'};
    } else {
      BoardWith(0, {"...b...."}, game.settled);
    }
    EXPECT_EQ(StepSimGame(&game), SimEvent::kNewLevel) << landing;
    EXPECT_EQ(game.level, level + 1);
    EXPECT_FALSE(game.falling);
    const std::string board = Shown(game);
    EXPECT_GT(Viruses(board.data()), 0);
    for (int i = 0; i < kSimCells; ++i) {
      const std::string allowed = i < kSimFirstVirusRow * kSimColumns ? "." : ".RYB";
      EXPECT_NE(allowed.find(board[i]), std::string::npos) << "cell " << i;
    }
    EXPECT_EQ(StepSimGame(&game), SimEvent::kEntered);
  }
}

TEST(SimGame, RandomValuesStayBelowTheBoundAndCoverIt) {
  uint64_t state = 123;
  for (uint32_t bound : {1u, 2u, 3u, 7u, 100u}) {
    std::set<uint32_t> values;
    for (int i = 0; i < 2000; ++i) {
      const uint32_t v = SimRandomBelow(&state, bound);
      ASSERT_LT(v, bound);
      values.insert(v);
    }
    EXPECT_EQ(values.size(), bound);
  }
}

}  // namespace
