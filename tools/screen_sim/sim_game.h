// The self-playing game behind screen-sim: board, falling vitamin and one step
// of play at a time. Pure and deterministic; the X11 drawing lives elsewhere.
//
// Board: 128 one-byte cell codes, index = row * 8 + column, row 0 at the top,
// column 0 at the left. Codes: '.' empty, 'R' 'Y' 'B' viruses (dim),
// 'r' 'y' 'b' vitamin halves (bright).
//
// Log format, one line per drawn state (FormatSimState writes all but the
// time, which screen-sim adds once the server has drawn the state):
//   step=<n> board=<128 codes> vitamin=<fc>,<fr>,<sc>,<sr> t=<us>
//   step=<n> board=<128 codes> vitamin=none t=<us>
// n counts from 0 (step 0 is the viruses-only first state). The board is the
// shown board: settled cells plus the falling vitamin's cells that lie inside
// the bottle. The vitamin is the falling one's two halves as (column, row),
// the first half being the upper half of a vertical vitamin or the left half
// of a horizontal one; the first-half row is -1 while a vertical vitamin that
// has just entered still has its upper half above the bottle (only in games
// whose vitamins enter at row -1, the default). "none" when no
// vitamin is falling. us is the wall clock (CLOCK_REALTIME) in microseconds
// since the epoch.
#ifndef BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_GAME_H_
#define BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_GAME_H_

#include <cstdint>
#include <string>

constexpr int kSimColumns = 8;
constexpr int kSimRows = 16;
constexpr int kSimCells = kSimColumns * kSimRows;
// Viruses are kept to these rows so the top of the bottle stays clear at the
// start of a level: the advisor finds the bottle by its dark top three rows.
constexpr int kSimFirstVirusRow = 6;
// A vitamin enters in column 3 (vertical) or columns 3 and 4 (horizontal).
constexpr int kSimEntryColumn = 3;
// The row a vertical vitamin's upper half enters at: above the bottle, its
// lower half in row 0, as this game does; or inside it, in rows 0 and 1, as
// other games of the kind do. A horizontal vitamin enters in row 0 either way.
constexpr int kSimSpawnAbove = -1;
constexpr int kSimSpawnInside = 0;

// The falling vitamin. first = upper half (vertical) or left half
// (horizontal); codes are 'r', 'y' or 'b'.
struct SimVitamin {
  int firstColumn = 0;
  int firstRow = 0;
  int secondColumn = 0;
  int secondRow = 0;
  char firstCode = 'r';
  char secondCode = 'r';
};

struct SimGame {
  char settled[kSimCells];  // viruses and landed halves; never the falling vitamin
  bool falling = false;     // whether `vitamin` is in play
  SimVitamin vitamin;
  uint64_t random = 0;  // generator state, advanced only by the game itself
  int level = 0;
  int spawnRow = kSimSpawnAbove;  // kSimSpawnAbove or kSimSpawnInside
};

// What a step did; each step makes exactly one visible change.
enum class SimEvent {
  kEntered,    // a new vitamin appeared at the top (possibly as the previous one landed)
  kFell,       // the vitamin dropped one row
  kMovedLeft,  // one column left
  kMovedRight,
  kTurned,    // a quarter turn about its lower-left cell
  kCleared,   // the vitamin landed and lines of four or more vanished
  kNewLevel,  // an entry was blocked: fresh viruses, nothing else on the board
};

// Fills *game with level 0 for this seed: viruses only, no vitamin; its
// vertical vitamins will enter at spawnRow. The same seed gives the same
// viruses at either spawn row.
void StartSimGame(uint64_t seed, SimGame* game, int spawnRow = kSimSpawnAbove);

// Advances *game by one step and returns what happened.
SimEvent StepSimGame(SimGame* game);

// Writes the shown board (settled cells plus the falling vitamin's cells
// inside the bottle) into board[0..127].
void ShownBoard(const SimGame& game, char board[kSimCells]);

// Removes every run of four or more same-colour cells in a row or column
// (dim and bright of one colour count alike), all runs at once. Returns the
// number of cells removed.
int ClearLines(char board[kSimCells]);

// One log line for this state, without the time and the newline.
std::string FormatSimState(const SimGame& game, int step);

// The generator the game draws from (SplitMix64), exposed for its tests.
// Returns a value in [0, bound) for bound >= 1, the same on every platform.
uint32_t SimRandomBelow(uint64_t* state, uint32_t bound);

#endif  // BOTTLEWATCH_TOOLS_SCREEN_SIM_SIM_GAME_H_
