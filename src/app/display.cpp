// The console texts.
#include "app/display.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "advice/target_choice.h"
#include "app/console.h"

namespace {

bool useColours = false;

// Select Graphic Rendition: the game's colours, bright for a vitamin's
// halves and dim for a virus, faint for an empty cell, reverse video for a
// marked cell, bold for the advice. Any other byte keeps the terminal's own.
constexpr char kReset[] = "\x1b[0m";
constexpr char kBold[] = "\x1b[1m";

const char* ColourOf(uint8_t code) {
  switch (code) {
    case kBrightRed:
      return "91";
    case kBrightYellow:
      return "93";
    case kBrightBlue:
      return "94";
    case kDimRed:
      return "31";
    case kDimYellow:
      return "33";
    case kDimBlue:
      return "34";
    case kEmptyCell:
      return "2";
    default:
      return nullptr;
  }
}

struct Pen {
  const char* colour;  // null: the terminal's own
  bool reversed;
};

bool SamePen(const Pen& a, const Pen& b) {
  return a.colour == b.colour && a.reversed == b.reversed;
}

// Writes the sequence that changes the terminal's pen from `from` to `to`,
// only when they differ. Every change starts from a reset, so it never
// depends on what an earlier change left.
char* ChangePen(char* out, Pen& from, const Pen& to) {
  if (SamePen(from, to)) return out;
  from = to;
  *out++ = '\x1b';
  *out++ = '[';
  *out++ = '0';
  if (to.colour != nullptr) {
    *out++ = ';';
    for (const char* c = to.colour; *c != '\0'; ++c) *out++ = *c;
  }
  if (to.reversed) {
    *out++ = ';';
    *out++ = '7';
  }
  *out++ = 'm';
  return out;
}

void MarkCell(bool marked[kBoardCells], int32_t column, int32_t row) {
  if (column < 0 || column >= kBoardColumns || row < 0 || row >= kBoardRows) return;
  marked[CellIndex(column, row)] = true;
}

// The longest change is "ESC[0;91;7m", ten bytes; each cell may need one
// before its code and one before its blank.
constexpr int kLongestChange = 10;
constexpr int kColouredBoardBytes =
    kBoardCells * 2 * (kLongestChange + 1) + kBoardRows + sizeof kReset;

// The whole board in one write, so that colours are switched only where they
// change, even from one row to the next, and are reset before the write
// ends: whatever is written next starts uncoloured.
void PrintColouredBoard(const uint8_t grid[kBoardCells], const VitaminPosition* vitamin) {
  bool marked[kBoardCells] = {};
  if (vitamin != nullptr) {
    const VitaminPosition& v = *vitamin;
    MarkCell(marked, v.firstColumn, v.firstRow);
    MarkCell(marked, v.secondColumn, v.secondRow);
    // The same searches ChooseMove runs after the vitamin line: the board is
    // drawn before its target line is, and is not drawn again.
    const TargetCell target =
        ChooseTarget(grid, v.firstColumn, v.firstRow, v.secondColumn, v.secondRow);
    MarkCell(marked, target.column, target.row);
  }
  char text[kColouredBoardBytes];
  char* out = text;
  Pen pen = {nullptr, false};
  for (int row = 0; row < kBoardRows; ++row) {
    for (int column = 0; column < kBoardColumns; ++column) {
      const int index = CellIndex(column, row);
      out = ChangePen(out, pen, Pen{ColourOf(grid[index]), marked[index]});
      *out++ = static_cast<char>(grid[index]);
      // A reversed blank would show as a block beside the marked cell.
      out = ChangePen(out, pen, Pen{pen.colour, false});
      *out++ = ' ';
    }
    if (row == kBoardRows - 1) out = ChangePen(out, pen, Pen{nullptr, false});
    *out++ = '\n';
  }
  std::cout.write(text, out - text);
  std::cout.flush();
}

}  // namespace

void PrintFieldReport(const FieldRect& field) {
  std::cout << "Found field at: " << std::endl;
  std::cout << field.left << "," << field.top << std::endl;
  std::cout << "with width " << field.width << " " << std::endl;
}

void ChooseColours() {
  const char* noColour = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  const bool declined = (noColour != nullptr && *noColour != '\0') ||
                        (term != nullptr && std::strcmp(term, "dumb") == 0);
  // Asked only when wanted: on Windows asking switches the console's mode.
  useColours = !declined && EnableConsoleColour();
}

void PrintBoard(const uint8_t grid[kBoardCells], const VitaminPosition* vitamin) {
  if (useColours) {
    PrintColouredBoard(grid, vitamin);
    return;
  }
  char line[kBoardColumns * 2];
  for (int row = 0; row < kBoardRows; ++row) {
    for (int column = 0; column < kBoardColumns; ++column) {
      line[column * 2] = static_cast<char>(grid[CellIndex(column, row)]);
      line[column * 2 + 1] = ' ';
    }
    std::cout.write(line, sizeof line);
    std::cout << std::endl;
  }
}

void PrintVitaminLine(const VitaminPosition& position) {
  std::cout << "Vitamin at: " << position.firstColumn << "," << position.firstRow << " "
            << position.secondColumn << "," << position.secondRow << "      " << std::endl;
}

void PrintAdviceWord(char direction) {
  const char* word = "          ";
  if (direction == 'L') word = "Move left ";
  if (direction == 'R') word = "Move right";
  if (useColours && word[0] != ' ') {
    std::cout << kBold << word << kReset << std::flush;
    return;
  }
  std::cout << word << std::flush;
}

void PrintWaitingLine(bool wholeScreen) {
  if (wholeScreen) {
    std::cerr << "bottlewatch: no bottle yet; show the whole game anywhere on the screen"
              << std::endl;
    return;
  }
  std::cerr << "bottlewatch: no bottle yet; show the game in the screen's top-left 640 x 480"
            << std::endl;
}

void PrintLostLine(bool wholeScreen) {
  if (wholeScreen) {
    std::cerr << "bottlewatch: lost the bottle; looking for it again over the whole screen"
              << std::endl;
    return;
  }
  std::cerr << "bottlewatch: lost the bottle; looking for it again in the screen's top-left "
               "640 x 480"
            << std::endl;
}

void PrintCutBottleLine() {
  std::cerr << "bottlewatch: the bottle's lower rows are out of view; nothing is read until "
               "the whole bottle shows on the screen"
            << std::endl;
}

void PrintClearBlock() {
  // Covers the vitamin line, the three target lines and the advice word of an
  // earlier redraw.
  static const char kBlank[] = "                               ";
  std::cout << "Clear detected.                " << std::endl;
  for (int i = 0; i < 4; ++i) std::cout << kBlank << std::endl;
}
