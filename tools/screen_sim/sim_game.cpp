// One step of the self-playing game: enter, fall, steer, land, clear, and a
// new level when the entry is blocked.
#include "sim_game.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kVirusCodes[3] = {'R', 'Y', 'B'};
constexpr char kVitaminCodes[3] = {'r', 'y', 'b'};

uint64_t NextRandom(uint64_t* state) {
  *state += 0x9E3779B97F4A7C15ull;
  uint64_t z = *state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Index(int column, int row) {
  return row * kSimColumns + column;
}

bool Inside(int column, int row) {
  return column >= 0 && column < kSimColumns && row >= 0 && row < kSimRows;
}

// A cell the vitamin may occupy: inside the bottle and free, or above the
// bottle (only the upper half of a vertical vitamin that is entering).
bool Free(const SimGame& game, int column, int row) {
  if (column < 0 || column >= kSimColumns || row >= kSimRows) return false;
  return row < 0 || game.settled[Index(column, row)] == '.';
}

bool Fits(const SimGame& game, const SimVitamin& v) {
  return Free(game, v.firstColumn, v.firstRow) && Free(game, v.secondColumn, v.secondRow);
}

bool Vertical(const SimVitamin& v) {
  return v.firstColumn == v.secondColumn;
}

// Colour without the brightness: 'R' and 'r' both give 'r'.
char ColourOf(char code) {
  return code == '.' ? '.' : static_cast<char>(code | 0x20);
}

// Three of a colour in a line already look like a near-clear; placing viruses
// so that none starts one keeps a fresh level from clearing on its own.
bool MakesRunOfThree(const char board[kSimCells], int column, int row, char code) {
  const int directions[2][2] = {{1, 0}, {0, 1}};
  for (const auto& d : directions) {
    int run = 1;
    for (int sign = -1; sign <= 1; sign += 2) {
      int c = column + sign * d[0];
      int r = row + sign * d[1];
      while (Inside(c, r) && ColourOf(board[Index(c, r)]) == ColourOf(code)) {
        ++run;
        c += sign * d[0];
        r += sign * d[1];
      }
    }
    if (run >= 3) return true;
  }
  return false;
}

void FillViruses(SimGame* game) {
  std::memset(game->settled, '.', kSimCells);
  const int wanted = 8 + 4 * (game->level % 5);
  const int virusRows = kSimRows - kSimFirstVirusRow;
  int placed = 0;
  for (int attempt = 0; placed < wanted && attempt < 2000; ++attempt) {
    const int column = static_cast<int>(SimRandomBelow(&game->random, kSimColumns));
    const int row = kSimFirstVirusRow + static_cast<int>(SimRandomBelow(&game->random, virusRows));
    const char code = kVirusCodes[SimRandomBelow(&game->random, 3)];
    if (game->settled[Index(column, row)] != '.') continue;
    if (MakesRunOfThree(game->settled, column, row, code)) continue;
    game->settled[Index(column, row)] = code;
    ++placed;
  }
}

// Puts a new vitamin at the top. Vertical entries above the bottle need the
// two cells of column 3 under the entry free, so the first fall (which brings
// the upper half into the bottle) is always possible; inside it, the two cells
// it takes. Returns false when blocked.
bool Enter(SimGame* game) {
  SimVitamin v;
  v.firstCode = kVitaminCodes[SimRandomBelow(&game->random, 3)];
  v.secondCode = kVitaminCodes[SimRandomBelow(&game->random, 3)];
  if (SimRandomBelow(&game->random, 2) == 0) {
    v.firstColumn = v.secondColumn = kSimEntryColumn;
    v.firstRow = game->spawnRow;
    v.secondRow = game->spawnRow + 1;
    if (!Free(*game, kSimEntryColumn, 0) || !Free(*game, kSimEntryColumn, 1)) return false;
  } else {
    v.firstColumn = kSimEntryColumn;
    v.secondColumn = kSimEntryColumn + 1;
    v.firstRow = v.secondRow = 0;
    if (!Fits(*game, v)) return false;
  }
  game->vitamin = v;
  game->falling = true;
  return true;
}

SimEvent EnterOrNewLevel(SimGame* game) {
  if (Enter(game)) return SimEvent::kEntered;
  ++game->level;
  game->falling = false;
  FillViruses(game);
  return SimEvent::kNewLevel;
}

SimVitamin Shifted(const SimVitamin& v, int dc, int dr) {
  SimVitamin moved = v;
  moved.firstColumn += dc;
  moved.secondColumn += dc;
  moved.firstRow += dr;
  moved.secondRow += dr;
  return moved;
}

// A quarter turn (always the same way) about the lower-left cell: a vertical
// vitamin lays its upper half down to the right of its lower one; a
// horizontal one stands up on its left cell with its left half on top. Two
// turns swap the halves, as a half turn should.
SimVitamin Turned(const SimVitamin& v) {
  SimVitamin t = v;
  if (Vertical(v)) {
    t.firstColumn = v.secondColumn;
    t.firstRow = v.secondRow;
    t.firstCode = v.secondCode;
    t.secondColumn = v.secondColumn + 1;
    t.secondRow = v.secondRow;
    t.secondCode = v.firstCode;
  } else {
    t.firstColumn = v.firstColumn;
    t.firstRow = v.firstRow - 1;
    t.firstCode = v.firstCode;
    t.secondColumn = v.firstColumn;
    t.secondRow = v.firstRow;
    t.secondCode = v.secondCode;
  }
  return t;
}

// Settles the vitamin, then clears, or lets the next one enter in the same
// step so that the landing step still changes the picture.
SimEvent Land(SimGame* game) {
  const SimVitamin& v = game->vitamin;
  game->settled[Index(v.firstColumn, v.firstRow)] = v.firstCode;
  game->settled[Index(v.secondColumn, v.secondRow)] = v.secondCode;
  game->falling = false;
  if (ClearLines(game->settled) > 0) return SimEvent::kCleared;
  return EnterOrNewLevel(game);
}

}  // namespace

uint32_t SimRandomBelow(uint64_t* state, uint32_t bound) {
  // Rejection keeps the values uniform; the modulo alone would favour the
  // small ones for bounds that do not divide 2^64.
  const uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
  uint64_t value = NextRandom(state);
  while (value >= limit) value = NextRandom(state);
  return static_cast<uint32_t>(value % bound);
}

void StartSimGame(uint64_t seed, SimGame* game, int spawnRow) {
  game->random = seed;
  game->level = 0;
  game->spawnRow = spawnRow;
  game->falling = false;
  game->vitamin = SimVitamin();
  FillViruses(game);
}

SimEvent StepSimGame(SimGame* game) {
  if (!game->falling) return EnterOrNewLevel(game);

  const SimVitamin& v = game->vitamin;
  // While the upper half is still above the bottle the vitamin only falls.
  const uint32_t roll = v.firstRow < 0 ? 99 : SimRandomBelow(&game->random, 100);
  if (roll < 14) {
    const SimVitamin moved = Shifted(v, -1, 0);
    if (Fits(*game, moved)) {
      game->vitamin = moved;
      return SimEvent::kMovedLeft;
    }
  } else if (roll < 28) {
    const SimVitamin moved = Shifted(v, 1, 0);
    if (Fits(*game, moved)) {
      game->vitamin = moved;
      return SimEvent::kMovedRight;
    }
  } else if (roll < 38) {
    const SimVitamin turned = Turned(v);
    // A turn that would lift a half above the bottle is not made.
    if (turned.firstRow >= 0 && Fits(*game, turned)) {
      game->vitamin = turned;
      return SimEvent::kTurned;
    }
  }
  const SimVitamin fallen = Shifted(v, 0, 1);
  if (Fits(*game, fallen)) {
    game->vitamin = fallen;
    return SimEvent::kFell;
  }
  return Land(game);
}

void ShownBoard(const SimGame& game, char board[kSimCells]) {
  std::memcpy(board, game.settled, kSimCells);
  if (!game.falling) return;
  const SimVitamin& v = game.vitamin;
  if (Inside(v.firstColumn, v.firstRow)) board[Index(v.firstColumn, v.firstRow)] = v.firstCode;
  if (Inside(v.secondColumn, v.secondRow)) board[Index(v.secondColumn, v.secondRow)] = v.secondCode;
}

int ClearLines(char board[kSimCells]) {
  // Every run is marked before any cell goes, so a cell in both a row run and
  // a column run (a cross) is found by both.
  bool doomed[kSimCells] = {};
  for (bool alongRows : {true, false}) {
    const int lines = alongRows ? kSimRows : kSimColumns;
    const int length = alongRows ? kSimColumns : kSimRows;
    for (int line = 0; line < lines; ++line) {
      // Cell k of this line.
      auto at = [&](int k) { return alongRows ? Index(k, line) : Index(line, k); };
      for (int start = 0, end = 0; start < length; start = end) {
        const char colour = ColourOf(board[at(start)]);
        end = start + 1;
        while (end < length && ColourOf(board[at(end)]) == colour) ++end;
        if (colour == '.' || end - start < 4) continue;
        for (int k = start; k < end; ++k) doomed[at(k)] = true;
      }
    }
  }
  int removed = 0;
  for (int i = 0; i < kSimCells; ++i) {
    if (!doomed[i]) continue;
    board[i] = '.';
    ++removed;
  }
  return removed;
}

std::string FormatSimState(const SimGame& game, int step) {
  char board[kSimCells];
  ShownBoard(game, board);
  std::string line = "step=" + std::to_string(step) + " board=" + std::string(board, kSimCells);
  if (!game.falling) return line + " vitamin=none";
  const SimVitamin& v = game.vitamin;
  char tail[64];
  std::snprintf(tail, sizeof tail, " vitamin=%d,%d,%d,%d", v.firstColumn, v.firstRow,
                v.secondColumn, v.secondRow);
  return line + tail;
}
