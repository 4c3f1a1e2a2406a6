// Target choice and move decision: a reachable virus first, then the longest
// stack of the vitamin's colour, then the deepest pair of columns.
#include "advice/target_choice.h"

#include <algorithm>
#include <charconv>
#include <iostream>

namespace {

constexpr int kLastColumn = kBoardColumns - 1;
constexpr int kLastRow = kBoardRows - 1;

enum class Half { kFirst, kSecond };

// Everything the searches share once the vitamin has been placed.
struct Search {
  int baseRow;
  int leftBound;
  int rightBound;
  bool horizontal;
  uint8_t firstCode;  // only read from the grid for a horizontal vitamin
  uint8_t secondCode;
};

// A dim code is its bright code minus 32, so this is the virus a bright half
// clears. For a dim or empty half it is no colour code at all and matches
// nothing in a real board.
uint8_t VirusCodeOf(uint8_t code) {
  return static_cast<uint8_t>(code - 32);
}

bool IsOccupied(const uint8_t grid[], int column, int row) {
  return grid[CellIndex(column, row)] != kEmptyCell;
}

bool IsFullFromBaseRow(const uint8_t grid[], int column, int baseRow) {
  for (int row = baseRow; row <= kLastRow; ++row) {
    if (!IsOccupied(grid, column, row)) return false;
  }
  return true;
}

// The vitamin cannot be steered past a column that is filled up to its own
// level, so the nearest such column on each side closes the candidate range.
// The searches start at the vitamin's own columns: resting on a filled column
// makes that column the bound.
int FindLeftBound(const uint8_t grid[], int fromColumn, int baseRow) {
  for (int column = fromColumn; column > 0; --column) {
    if (IsFullFromBaseRow(grid, column, baseRow)) return column;
  }
  return 0;
}

int FindRightBound(const uint8_t grid[], int fromColumn, int baseRow) {
  for (int column = fromColumn; column < kLastColumn; ++column) {
    if (IsFullFromBaseRow(grid, column, baseRow)) return column;
  }
  return kLastColumn;
}

// Cells below the base row are examined down to and including the first
// occupied one: nothing under that cell can be reached by a straight drop.
int LastExaminedRow(const uint8_t grid[], int column, int baseRow) {
  for (int row = baseRow + 1; row < kLastRow; ++row) {
    if (IsOccupied(grid, column, row)) return row;
  }
  return kLastRow;
}

bool IsEmptyBetween(const uint8_t grid[], int column, int fromRow, int toRow) {
  for (int row = fromRow; row <= toRow; ++row) {
    if (IsOccupied(grid, column, row)) return false;
  }
  return true;
}

// The second (right or lower) half lands in column k only if the column left
// of k is clear down to the target, since a horizontal vitamin's first half
// falls down it. A vertical vitamin gets the same, stricter than needed, test.
// The bound checks keep k - 1 and k + 1 inside the bottle.
bool SecondHalfCanDrop(const uint8_t grid[], const Search& s, int column, int row) {
  return column != s.leftBound && IsEmptyBetween(grid, column - 1, s.baseRow + 1, row - 1);
}

bool FirstHalfCanDrop(const uint8_t grid[], const Search& s, int column, int row) {
  return column != s.rightBound && IsEmptyBetween(grid, column + 1, s.baseRow + 1, row - 1);
}

// Dim and bright cells of the colour count alike below the top of a stack.
int CountRun(const uint8_t grid[], int column, int topRow, uint8_t code) {
  int run = 0;
  for (int row = topRow; row <= kLastRow; ++row) {
    const uint8_t cell = grid[CellIndex(column, row)];
    if (cell != code && cell != VirusCodeOf(code)) break;
    ++run;
  }
  return run;
}

// The first fit wins, so the loop order is the preference: leftmost column,
// then topmost cell, then the second half before the first.
bool FindVirus(const uint8_t grid[], const Search& s, int& column, int& row, Half& half) {
  for (int k = s.leftBound; k <= s.rightBound; ++k) {
    const int lastRow = LastExaminedRow(grid, k, s.baseRow);
    for (int l = s.baseRow + 1; l <= lastRow; ++l) {
      const uint8_t cell = grid[CellIndex(k, l)];
      const bool secondFits = cell == VirusCodeOf(s.secondCode) && SecondHalfCanDrop(grid, s, k, l);
      const bool firstFits =
          s.horizontal && cell == VirusCodeOf(s.firstCode) && FirstHalfCanDrop(grid, s, k, l);
      if (secondFits || firstFits) {
        column = k;
        row = l;
        half = secondFits ? Half::kSecond : Half::kFirst;
        return true;
      }
    }
  }
  return false;
}

// Returns the best run (0 when no stack fits). Only a strictly longer run
// replaces the best, so on a tie the candidate met first in the virus order
// stays, and a cell both halves match stays with the second half.
int FindLongestStack(const uint8_t grid[], const Search& s, int& column, int& row, Half& half) {
  int bestRun = 0;
  column = 0;
  row = 0;
  half = Half::kSecond;
  auto consider = [&](int k, int l, uint8_t code, Half which) {
    const int run = CountRun(grid, k, l, code);
    if (run > bestRun) {
      bestRun = run;
      column = k;
      row = l;
      half = which;
    }
  };
  for (int k = s.leftBound; k <= s.rightBound; ++k) {
    const int lastRow = LastExaminedRow(grid, k, s.baseRow);
    for (int l = s.baseRow + 1; l <= lastRow; ++l) {
      const uint8_t cell = grid[CellIndex(k, l)];
      if (cell == s.secondCode && SecondHalfCanDrop(grid, s, k, l)) {
        consider(k, l, s.secondCode, Half::kSecond);
      }
      if (s.horizontal && cell == s.firstCode && FirstHalfCanDrop(grid, s, k, l)) {
        consider(k, l, s.firstCode, Half::kFirst);
      }
    }
  }
  return bestRun;
}

// The scan starts at the base row, so pairs beside or under the vitamin meet
// its own half there. Starting from best row 0 means a pair topped in row 0 is
// never chosen, and a pair empty to the bottom is skipped rather than counted
// as the deepest.
void FindDeepestPair(const uint8_t grid[], const Search& s, int& column, int& row) {
  column = 0;
  row = 0;
  for (int i = s.leftBound; i < s.rightBound; ++i) {
    for (int r = s.baseRow; r <= kLastRow; ++r) {
      if (IsOccupied(grid, i, r) || IsOccupied(grid, i + 1, r)) {
        if (r > row) {
          column = i;
          row = r;
        }
        break;
      }
    }
  }
}

char DirectionFrom(int targetColumn, int pieceColumn) {
  if (targetColumn > pieceColumn) return 'R';
  if (targetColumn < pieceColumn) return 'L';
  return '0';
}

// Numbers go out through to_chars so they stay plain decimal whatever flags
// the caller left on std::cout, and no string is built on the heap.
void WriteNumber(int value) {
  char digits[12];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::cout.write(digits, end - digits);
}

// The trailing blanks wipe a longer report left at the same place on the
// console, which is redrawn from its top-left corner without being cleared.
void WriteTargetLine(const char* label, int column, int row, const char* blanks) {
  std::cout << label;
  WriteNumber(column);
  std::cout << ',';
  WriteNumber(row);
  std::cout << blanks << std::endl;
}

void WritePieceLine(Half half) {
  std::cout << (half == Half::kSecond ? "Piece: Right side" : "Piece: Left side ") << std::endl;
}

// What the searches found: the target cell, the half it is for and, for a
// stack, its run. The report and the direction are made from it alone.
enum class Outcome { kVirus, kStack, kNothing };
struct Decision {
  Outcome outcome;
  int column;
  int row;
  Half half;
  int run;
  int firstColumn;  // clamped, as the direction compares with them
  int secondColumn;
};

Decision Decide(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                int32_t secondColumn, int32_t secondRow) {
  // Out-of-range halves are moved to the nearest place the searches can
  // handle; a first half above the bottle stays at row -1, where it is never
  // read because it can then never share the second half's row.
  firstColumn = std::clamp(firstColumn, 0, kLastColumn);
  secondColumn = std::clamp(secondColumn, 0, kLastColumn);
  firstRow = std::clamp(firstRow, -1, kLastRow);
  secondRow = std::clamp(secondRow, 0, kLastRow);

  Search s;
  s.horizontal = firstRow == secondRow;
  s.baseRow = std::max(firstRow, secondRow);
  s.secondCode = grid[CellIndex(secondColumn, secondRow)];
  s.firstCode = s.horizontal ? grid[CellIndex(firstColumn, firstRow)] : kEmptyCell;
  s.leftBound = FindLeftBound(grid, std::min(firstColumn, secondColumn), s.baseRow);
  s.rightBound = FindRightBound(grid, std::max(firstColumn, secondColumn), s.baseRow);

  Decision d{Outcome::kVirus, 0, 0, Half::kSecond, 0, firstColumn, secondColumn};
  if (FindVirus(grid, s, d.column, d.row, d.half)) return d;
  d.run = FindLongestStack(grid, s, d.column, d.row, d.half);
  if (d.run > 0) {
    d.outcome = Outcome::kStack;
    return d;
  }
  d.outcome = Outcome::kNothing;
  d.half = Half::kFirst;
  FindDeepestPair(grid, s, d.column, d.row);
  return d;
}

}  // namespace

char ChooseMove(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                int32_t secondColumn, int32_t secondRow) {
  const Decision d = Decide(grid, firstColumn, firstRow, secondColumn, secondRow);
  const bool second = d.half == Half::kSecond;
  if (d.outcome == Outcome::kVirus) {
    WriteTargetLine("Target: Virus ", d.column, d.row, "       ");
    std::cout << (second ? "                  " : "                     ") << std::endl;
    WritePieceLine(d.half);
  } else if (d.outcome == Outcome::kStack) {
    WriteTargetLine("Target: Vitamin ", d.column, d.row, "    ");
    std::cout << "Stack: ";
    WriteNumber(d.run);
    std::cout << std::endl;
    WritePieceLine(d.half);
  } else {
    WriteTargetLine("Target: Nothing ", d.column, d.row, "     ");
    std::cout << "                " << std::endl;
    std::cout << "                 " << std::endl;
  }
  return DirectionFrom(d.column, second ? d.secondColumn : d.firstColumn);
}

TargetCell ChooseTarget(const uint8_t grid[kBoardCells], int32_t firstColumn, int32_t firstRow,
                        int32_t secondColumn, int32_t secondRow) {
  const Decision d = Decide(grid, firstColumn, firstRow, secondColumn, secondRow);
  return {d.column, d.row};
}
