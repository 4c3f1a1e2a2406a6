// The console texts.
#include "app/display.h"

#include <iostream>

void PrintFieldReport(const FieldRect& field) {
  std::cout << "Found field at: " << std::endl;
  std::cout << field.left << "," << field.top << std::endl;
  std::cout << "with width " << field.width << " " << std::endl;
}

void PrintBoard(const uint8_t grid[kBoardCells]) {
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
  std::cout << word << std::flush;
}

void PrintWaitingLine() {
  std::cerr << "bottlewatch: no bottle yet; show the game in the screen's top-left 640 x 480"
            << std::endl;
}

void PrintClearBlock() {
  // Covers the vitamin line, the three target lines and the advice word of an
  // earlier redraw.
  static const char kBlank[] = "                               ";
  std::cout << "Clear detected.                " << std::endl;
  for (int i = 0; i < 4; ++i) std::cout << kBlank << std::endl;
}
