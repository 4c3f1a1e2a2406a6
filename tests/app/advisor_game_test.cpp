// The advisor binary fed a drawn game sequence: its whole redirected output,
// byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/advisor_run.h"
#include "support/game_screen.h"
#include "support/xvfb_server.h"

namespace {

const std::string kBlank31(31, ' ');
const std::string kClearBlock = "Clear detected.                \n" + kBlank31 + "\n" + kBlank31 +
                                "\n" + kBlank31 + "\n" + kBlank31 + "\n";

// The board picture for a board given as 128 codes.
std::string Picture16(const std::string& board) {
  std::string text;
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 8; ++column) {
      text += board[row * 8 + column];
      text += ' ';
    }
    text += '\n';
  }
  return text;
}

TEST(AdvisorGame, PrintsFieldBoardsVitaminsTargetsAndAdvice) {
  const std::vector<std::string> frames = GameSequenceBoards();
  const std::string& levelOne = frames[0];
  const std::string& entering = frames[2];
  const std::string& fallen = frames[3];
  const std::string& stepped = frames[4];
  const std::string& levelTwo = frames[5];
  const std::string& horizontal = frames[6];

  AdvisorRun run;
  for (const std::string& board : frames) run.AddFrame(DrawGameScreen(board));
  const ProcessResult result = run.Run(SharedTestDisplay(), 60);

  const std::string virusBlue =
      "Target: Virus 2,12       \n" + std::string(18, ' ') + "\nPiece: Right side\n";
  const std::string expected =
      "Found field at: \n200,40\nwith width 96 \n" +
      // The first pass compares against grids that hold no codes yet.
      Picture16(levelOne) + kClearBlock +
      // The second frame is the same: nothing is printed.
      Picture16(entering) + "Vitamin at: 3,-1 3,0      \n" + virusBlue + "Move left " +
      Picture16(fallen) + "Vitamin at: 3,0 3,1      \n" + virusBlue + "Move left " +
      Picture16(stepped) + "Vitamin at: 2,0 2,1      \n" + virusBlue + "          " +
      Picture16(levelTwo) + kClearBlock +  //
      Picture16(horizontal) + "Vitamin at: 3,0 4,0      \n" + "Target: Virus 1,10       \n" +
      std::string(21, ' ') + "\nPiece: Left side \n" + "Move left ";
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("Error:  Could not open input file!\n"), std::string::npos)
      << result.err;
}

}  // namespace
