// Vitamin detection: two filled cells are the two halves; a single filled
// cell is matched against the ways a one-colour vitamin can move.
#include "vision/vitamin_detection.h"

namespace {

// A one-colour vitamin that moves by one step keeps one of its old cells (the
// partner), so only one cell is newly filled; the partner's other old cell
// (vacated) is now empty. Offsets are from the filled cell; the bounds keep
// both cells inside the bottle.
struct NeighbourCase {
  int minColumn, maxColumn, minRow, maxRow;
  int partnerColumn, partnerRow;
  int vacatedColumn, vacatedRow;
  bool filledIsFirstHalf;  // else the partner is the upper/left half
};

// The order matters where several cases hold at once: the first one wins.
constexpr NeighbourCase kNeighbourCases[] = {
    {0, 7, 2, 15, 0, -1, 0, -2, false},   // moved down
    {2, 7, 0, 15, -1, 0, -2, 0, false},   // moved right
    {0, 5, 0, 15, 1, 0, 2, 0, true},      // moved left
    {1, 7, 1, 15, -1, 0, -1, -1, false},  // turned horizontal
    {0, 6, 1, 14, 0, 1, 1, 1, true},      // turned vertical
};

void SetHalves(VitaminPosition& position, int firstColumn, int firstRow, int secondColumn,
               int secondRow) {
  position.firstColumn = firstColumn;
  position.firstRow = firstRow;
  position.secondColumn = secondColumn;
  position.secondRow = secondRow;
}

bool TryNeighbourCases(const uint8_t current[kBoardCells], const uint8_t previous[kBoardCells],
                       int column, int row, VitaminPosition& position) {
  const int filled = CellIndex(column, row);
  for (const NeighbourCase& nc : kNeighbourCases) {
    if (column < nc.minColumn || column > nc.maxColumn || row < nc.minRow || row > nc.maxRow) {
      continue;
    }
    const int partnerColumn = column + nc.partnerColumn;
    const int partnerRow = row + nc.partnerRow;
    const int partner = CellIndex(partnerColumn, partnerRow);
    const int vacated = CellIndex(column + nc.vacatedColumn, row + nc.vacatedRow);
    const bool holds = current[partner] == current[filled] && current[vacated] == kEmptyCell &&
                       previous[partner] == previous[vacated] && previous[filled] == kEmptyCell;
    if (!holds) continue;
    if (nc.filledIsFirstHalf) {
      SetHalves(position, column, row, partnerColumn, partnerRow);
    } else {
      SetHalves(position, partnerColumn, partnerRow, column, row);
    }
    return true;
  }
  return false;
}

}  // namespace

uint8_t DetectVitamin(const uint8_t current[kBoardCells], const uint8_t previous[kBoardCells],
                      VitaminPosition& position) {
  // Positions are written while scanning, before the verdict is known: a
  // changed cell goes to the first half until one cell has been filled, to the
  // second half until two have. The caller sees these writes whatever the
  // result.
  int filledCount = 0;
  int emptiedCount = 0;
  int filledColumn = 0;
  int filledRow = 0;
  for (int row = 0; row < kBoardRows; ++row) {
    for (int column = 0; column < kBoardColumns; ++column) {
      const int index = CellIndex(column, row);
      if (current[index] == previous[index]) continue;
      if (filledCount == 0) {
        position.firstColumn = column;
        position.firstRow = row;
      } else if (filledCount == 1) {
        position.secondColumn = column;
        position.secondRow = row;
      }
      if (current[index] == kEmptyCell) {
        ++emptiedCount;
      } else {
        if (filledCount == 0) {
          filledColumn = column;
          filledRow = row;
        }
        ++filledCount;
      }
    }
  }
  // Cells that only vanish are not worth a redraw; many changes at once are
  // a cleared or restarted board, not a vitamin.
  if (filledCount == 0) return kNoChange;
  if (filledCount > 2 || emptiedCount > 2) return kBoardCleared;
  if (filledCount == 2) return kVitaminFound;
  if (TryNeighbourCases(current, previous, filledColumn, filledRow, position)) {
    return kVitaminFound;
  }
  // A new vitamin shows its lower half in the top row first, in the two
  // middle columns where the game drops it; its upper half is still above
  // the bottle.
  const bool entering =
      filledRow == 0 && ((filledColumn == 3 && current[CellIndex(4, 0)] == kEmptyCell) ||
                         (filledColumn == 4 && current[CellIndex(5, 0)] == kEmptyCell));
  if (entering) {
    SetHalves(position, filledColumn, -1, filledColumn, 0);
    return kVitaminFound;
  }
  // Unexplained: the filled cell is the first half and the second half is
  // whatever the scan (or an earlier call) left there.
  return kVitaminFound;
}
