// The advisor binary fed drawn game sequences: its whole redirected output,
// byte for byte, whichever converter stand-in serves the frames, whatever that
// says on its error stream and whether the screen stands still; and the field
// it keeps from its first passes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_cycle.h"
#include "support/advisor_run.h"
#include "support/desktop_pictures.h"
#include "support/game_screen.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"
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

const char kWarning[] =
    "WARNING: The convert command is deprecated in IMv7, use \"magick\" instead of \"convert\" "
    "or \"magick convert\"";
const char kComplaint[] = "convert: a long complaint, one of many";

struct ConverterCase {
  const char* name;
  // Programs put first on PATH beside the frame feeder's "convert" (see
  // AdvisorRun::AddConverter).
  std::vector<std::pair<std::string, std::string>> programs;
  // The words every call must have, or "" where a script hides the name.
  std::string words;
  // Lines the advisor's error stream must hold; none may show twice.
  std::vector<std::string> said;
};

const ConverterCase kConverters[] = {
    {"ConvertAlone", {}, "convert x.bmp -compress None x.tif", {}},
    {"MagickBeforeConvert", {{"magick", ""}}, "magick x.bmp -compress None x.tif", {}},
    {"WarnsEveryRunAndOnceSomethingElse",
     {{"convert", std::string("#!/bin/sh\necho '") + kWarning +
                      "' >&2\n"
                      "[ \"$(cat \"$BOTTLEWATCH_FRAMES/next\" 2>/dev/null)\" = 3 ] && "
                      "echo 'convert: frame 3 only' >&2\n"
                      "exec '@FEEDER@' \"$@\"\n"}},
     "",
     {kWarning, "convert: frame 3 only"}},
    // Some 200 KB a run, more than a pipe holds.
    {"FillsThePipe",
     {{"convert", std::string("#!/bin/sh\nyes '") + kComplaint +
                      "' | head -n 5000 >&2\nexec '@FEEDER@' \"$@\"\n"}},
     "",
     {kComplaint}},
    // Something it starts holds the error stream open as long as the
    // advisor lives: the advisor must go on once the converter has ended.
    {"LeavesItsErrorStreamOpenBehindIt",
     {{"convert",
       "#!/bin/sh\n(while kill -0 $PPID 2>/dev/null; do sleep 0.2; done) </dev/null >/dev/null &\n"
       "exec '@FEEDER@' \"$@\"\n"}},
     "",
     {}},
};

void PrintTo(const ConverterCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class AdvisorGame : public ::testing::TestWithParam<ConverterCase> {};

TEST_P(AdvisorGame, PrintsFieldBoardsVitaminsTargetsAndAdvice) {
  const std::vector<std::string> frames = GameSequenceBoards();
  const std::string& levelOne = frames[0];
  const std::string& entering = frames[2];
  const std::string& fallen = frames[3];
  const std::string& stepped = frames[4];
  const std::string& levelTwo = frames[5];
  const std::string& horizontal = frames[6];

  const ConverterCase& converter = GetParam();
  AdvisorRun run;
  for (const auto& [name, script] : converter.programs) run.AddConverter(name, script);
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
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("Error:  Could not open input file!\n"), std::string::npos)
      << result.err;

  const std::vector<std::string> lines = LinesOf(result.err);
  const std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(distinct.size(), lines.size()) << result.err;
  for (const std::string& line : converter.said) EXPECT_EQ(distinct.count(line), 1u) << line;
  if (!converter.words.empty()) {
    std::string everyCall;
    for (int call = 0; call < run.ConverterCalls(); ++call) everyCall += converter.words + "\n";
    EXPECT_EQ(run.ConverterWords(), everyCall);
  }
}

INSTANTIATE_TEST_SUITE_P(Converters, AdvisorGame, ::testing::ValuesIn(kConverters),
                         [](const auto& info) { return std::string(info.param.name); });

// On a still screen a capture is converted again until the converter has
// repeated itself on it, then no more until the screen changes; a converter
// with a new frame every time is run for each one. Either way the output is
// what a run whose screen changes with every frame prints.
TEST(StillScreen, ConvertsUntilTheConverterRepeatsItself) {
  const std::vector<std::string> boards = GameSequenceBoards();
  std::vector<std::string> neverRepeating;
  for (size_t k = 0; k < boards.size(); ++k) {
    if (k == 0 || boards[k] != boards[k - 1]) neverRepeating.push_back(boards[k]);
  }
  const struct {
    const char* name;
    std::vector<std::pair<std::string, int>> frames;  // board, copies
    bool endsByItself;  // false: it waits for the screen to change, and is stopped
    int mostCalls;      // when it does not end by itself
  } cases[] = {
      // The last frame's output ends in an advice word, so it is written out
      // before the run is stopped. Start-up, the vitamin, its repeat.
      {"the converter repeats itself", {{boards[0], 1}, {boards[2], 40}}, false, 3},
      {"a new frame every call", {}, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<std::string, int>> frames = c.frames;
    if (frames.empty()) {
      for (const std::string& board : neverRepeating) frames.emplace_back(board, 1);
    }
    AdvisorRun still;
    AdvisorRun moving;
    int count = 0;
    for (const auto& [board, copies] : frames) {
      still.AddFrame(DrawGameScreen(board), copies);
      moving.AddFrame(DrawGameScreen(board), copies);
      count += copies;
    }
    const ProcessResult changing = moving.Run(SharedTestDisplay(), 60);
    ASSERT_EQ(moving.ConverterCalls(), count + 1);
    if (c.endsByItself) {
      const ProcessResult result =
          still.Run(SharedTestDisplay(), 60, {{"BOTTLEWATCH_FEEDER_NUDGES", ""}});
      EXPECT_FALSE(result.timedOut);
      EXPECT_EQ(result.out, changing.out);
      EXPECT_EQ(still.ConverterCalls(), count + 1);
      continue;
    }
    std::map<std::string, std::string> env = still.Environment(SharedTestDisplay());
    env["BOTTLEWATCH_FEEDER_NUDGES"] = "";
    TempDir outDir;
    const std::string out = outDir.File("out");
    BackgroundProcess advisor({AdvisorBinary()}, still.workDir(), env, out);
    // However slowly its passes come, it gets there by its own frames...
    const bool caughtUp = PollUntil(
        [&] { return still.ConverterCalls() >= c.mostCalls && ReadFile(out) == changing.out; }, 60);
    // ...and then gets a while in which one that kept converting the still
    // screen would do so (every 400 ms): a slow machine can hide that, never
    // fake it.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_FALSE(advisor.HasEnded());
    advisor.Stop();
    EXPECT_TRUE(caughtUp) << "calls: " << still.ConverterCalls();
    EXPECT_EQ(ReadFile(out), changing.out);
    EXPECT_LE(still.ConverterCalls(), c.mostCalls);
  }
}

std::string FieldReport(int left, int top, int width) {
  return "Found field at: \n" + std::to_string(left) + "," + std::to_string(top) + "\nwith width " +
         std::to_string(width) + " \n";
}

// The game shown twice as large by a scaler that smooths with filter, as the
// converter would hand it over: the screen's top-left 640 x 480 of it.
std::string ScaledUp2x(const Picture& picture, const std::string& filter) {
  TempDir dir;
  WriteRgbTiff(dir.File("in.tif"), picture);
  const std::string command = "convert '" + dir.File("in.tif") + "' -filter " + filter +
                              " -resize 200% -crop 640x480+0+0 +repage -compress None '" +
                              dir.File("out.tif") + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return ReadFile(dir.File("out.tif"));
}

// The drawn game with grey walls 3 pixels thick beside and under its bottle,
// dim enough that a smoothing scaler blends them with the black inside into
// dark.
Picture WithWalls(Picture picture) {
  const uint32_t wall = Rgb(160, 170, 185);
  FillRect(picture, 197, 40, 3, 195, wall);
  FillRect(picture, 296, 40, 3, 195, wall);
  FillRect(picture, 200, 232, 96, 3, wall);
  return picture;
}

const char kCutBottle[] =
    "bottlewatch: the bottle's lower rows are out of view; nothing is read until the whole "
    "bottle shows on the screen\n";

const char kLostBottle[] =
    "bottlewatch: lost the bottle; looking for it again in the screen's top-left 640 x 480\n";

// The drawn game's window, cells of side 12, on a dark desktop (by default
// with light icons): its bottle's top-left pixel is (left + 36, top + 24).
Picture GameOnDesktop(const std::string& board, int left, int top,
                      const std::string& desktop = "icons") {
  Picture screen = DrawDesktop(desktop);
  int bottleLeft = 0, bottleTop = 0;
  Paste(screen, DrawGameWindow(board, 12, false, bottleLeft, bottleTop), left, top);
  return screen;
}

// The drawn game with a dark menu panel over the middle of its bottle and
// both its walls, as a pause screen shows one.
Picture Paused(const std::string& board) {
  Picture screen = DrawGameScreen(board);
  FillRect(screen, 170, 100, 156, 60, Rgb(30, 40, 90));
  DrawText(screen, 220, 125, 6, Rgb(240, 240, 240), 4);
  return screen;
}

// The drawn game with a dark dialog over its bottle's lower half and both its
// walls, wider than the bottle and as tall as its width, with or without a
// light title line: bright all round, as a bottle is.
Picture WithDialog(const std::string& board, bool titleLine) {
  Picture screen = DrawGameScreen(board);
  DrawDarkDialog(screen, 98, 136, 300, 200, titleLine);
  return screen;
}

// The field of the searching passes is the best one seen. A field equal to
// the one in use, or worse (a vitamin in the top rows), is covered by the test
// above, whose frames show both and whose output holds one report.
TEST(FieldSearch, TakesTheBestFieldOfTheFirstPasses) {
  const std::vector<std::string> boards = GameSequenceBoards();
  const std::string& levelOne = boards[0];
  // Bright halves in the top rows: the top-left corner measures too narrow,
  // and the widest dark area starts below them.
  const std::string vitaminOnTop = WithCell(WithCell(std::string(128, '.'), 5, 1, 'y'), 5, 2, 'y');
  // A horizontal vitamin on the top row, in the middle.
  const std::string entering = WithCell(WithCell(std::string(128, '.'), 3, 0, 'r'), 4, 0, 'y');
  const Picture noField = SolidPicture(640, 480, Rgb(220, 220, 220));
  const Picture dark = SolidPicture(640, 480, Rgb(0, 0, 0));
  // The entering vitamin, read on the bottle's own grid.
  const std::string enteringRedraw = Picture16(boards[2]) + "Vitamin at: 3,-1 3,0      \n" +
                                     "Target: Virus 2,12       \n" + std::string(18, ' ') +
                                     "\nPiece: Right side\n" + "Move left ";
  struct Frames {
    Picture picture;
    int copies;
    std::string scaledWith = "";  // ImageMagick filter of a 2x scaling; "": as drawn
  };
  const struct {
    const char* name;
    std::vector<Frames> frames;
    std::string expected;
    bool lost = false;  // whether it says once that it lost the bottle
    bool cut = false;   // whether it says once that the bottle's lower rows are out of view
  } cases[] = {
      // The viruses that come into view with the move are not news.
      {"a vitamin in the top rows, then clear rows",
       {{DrawGameScreen(vitaminOnTop), 1},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(200, 76, 96) + FieldReport(200, 40, 96) + enteringRedraw},
      {"the game first seen on the last pass of a search window from the start",
       {{noField, kFieldSearchPasses - 1},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(0, 0, 0) + FieldReport(200, 40, 96) + enteringRedraw},
      // The wait has no end.
      {"the game first seen after the last pass of a search window from the start",
       {{dark, kFieldSearchPasses + 1},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(0, 0, 0) + FieldReport(200, 40, 96) + enteringRedraw},
      // The window counts from the frame that first shows a field: its last
      // pass still finds the top rows clear.
      {"a game shown late, in mid-play, cleared on the last pass of its window",
       {{noField, 5},
        {DrawGameScreen(vitaminOnTop), kFieldSearchPasses},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(0, 0, 0) + FieldReport(200, 76, 96) + FieldReport(200, 40, 96) + enteringRedraw},
      // Blurred walls: the dark area below the halves measures 2 pixels wider
      // than the bottle, which the next frame shows whole.
      {"a game scaled up 2x with bilinear smoothing, a vitamin entering first",
       {{WithWalls(DrawGameScreen(entering)), 1, "Triangle"},
        {WithWalls(DrawGameScreen(levelOne)), 1, "Triangle"},
        {WithWalls(DrawGameScreen(boards[2])), 1, "Triangle"}},
       // The lower field's sixteen rows would reach past the screen's
       // bottom: never read, said once.
       FieldReport(0, 0, 0) + FieldReport(400, 80, 192) + enteringRedraw,
       false,
       true},
      // The desktop's dark areas are wider than the bottle, and none has
      // bright walls and a floor.
      {"a dark desktop, then the game's window on it",
       {{DrawDesktop("icons"), 3},
        {GameOnDesktop(levelOne, 300, 30), 1},
        {GameOnDesktop(boards[2], 300, 30), 1}},
       FieldReport(0, 0, 0) + FieldReport(336, 54, 96) + enteringRedraw},
      // The dark strip between the windows has walls all the way down, but
      // no floor.
      {"two light windows with dark wallpaper between them, then the game",
       {{DrawDesktop("light windows"), 2},
        {GameOnDesktop(levelOne, 380, 200, "light windows"), 1},
        {GameOnDesktop(boards[2], 380, 200, "light windows"), 1}},
       FieldReport(0, 0, 0) + FieldReport(416, 224, 96) + enteringRedraw},
      {"the game's window beside a dark terminal from the start",
       {{GameOnDesktop(levelOne, 60, 120, "terminal"), 2},
        {GameOnDesktop(boards[2], 60, 120, "terminal"), 1}},
       FieldReport(96, 144, 96) + Picture16(levelOne) + kClearBlock + enteringRedraw},
      {"the game gone a second, then its window back elsewhere",
       {{DrawGameScreen(levelOne), 2},
        {DrawDesktop("icons"), kFieldLostPasses + 2},
        {GameOnDesktop(levelOne, 100, 60), 1},
        {GameOnDesktop(boards[2], 100, 60), 1}},
       FieldReport(200, 40, 96) + Picture16(levelOne) + kClearBlock + FieldReport(136, 84, 96) +
           enteringRedraw,
       true},
      // Nothing is read under the panel, and the panel, wider than the
      // bottle, is not taken for one.
      {"a pause panel over the bottle for less than a second",
       {{DrawGameScreen(levelOne), 2},
        {Paused(levelOne), kFieldLostPasses - 2},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(200, 40, 96) + Picture16(levelOne) + kClearBlock + enteringRedraw},
      // A light screen is bright beside and below any field: only the
      // bottle's own dark inside tells that the game has gone.
      {"a light screen a second after the game, then the game's window on it",
       {{DrawGameScreen(levelOne), 2},
        {DrawDesktop("light window"), kFieldLostPasses + 2},
        {GameOnDesktop(levelOne, 100, 60, "pale"), 1},
        {GameOnDesktop(boards[2], 100, 60, "pale"), 1}},
       FieldReport(200, 40, 96) + Picture16(levelOne) + kClearBlock + FieldReport(136, 84, 96) +
           enteringRedraw,
       true},
      {"a dark dialog over the game for half a second",
       {{DrawGameScreen(levelOne), 2},
        {WithDialog(levelOne, true), kFieldLostPasses / 2},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(200, 40, 96) + Picture16(levelOne) + kClearBlock + enteringRedraw},
      // The dialog, bright all round, is never taken for the bottle: nothing
      // is read from its area, and the game is taken again when it closes.
      {"a dark dialog over the game for two seconds, then the game back",
       {{DrawGameScreen(levelOne), 2},
        {WithDialog(levelOne, true), 2 * kFieldLostPasses},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(200, 40, 96) + Picture16(levelOne) + kClearBlock + FieldReport(200, 40, 96) +
           enteringRedraw,
       true},
      {"a dark dialog without a title line over the game from the start, then the game",
       {{WithDialog(levelOne, false), kFieldLostPasses / 2},
        {DrawGameScreen(levelOne), 1},
        {DrawGameScreen(boards[2]), 1}},
       FieldReport(0, 0, 0) + FieldReport(200, 40, 96) + enteringRedraw},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AdvisorRun run;
    for (const Frames& f : c.frames) {
      if (f.scaledWith.empty()) {
        run.AddFrame(f.picture, f.copies);
      } else {
        const std::string scaled = ScaledUp2x(f.picture, f.scaledWith);
        for (int i = 0; i < f.copies; ++i) run.AddFrameBytes(scaled);
      }
    }
    const ProcessResult result = run.Run(SharedTestDisplay(), 120);
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, c.expected);
    // Said once, however long the wait, and only when there was one.
    const bool waited = StartsWith(c.expected, FieldReport(0, 0, 0)) && !c.cut;
    size_t said = 0;
    for (size_t at = result.err.find(kWaitingForGame); at != std::string::npos;
         at = result.err.find(kWaitingForGame, at + 1)) {
      ++said;
    }
    EXPECT_EQ(said, waited ? 1u : 0u) << result.err;
    const size_t lostAt = result.err.find(kLostBottle);
    EXPECT_EQ(lostAt != std::string::npos, c.lost) << result.err;
    if (c.lost) {
      EXPECT_EQ(result.err.find(kLostBottle, lostAt + 1), std::string::npos) << result.err;
    }
    const size_t cutAt = result.err.find(kCutBottle);
    EXPECT_EQ(cutAt != std::string::npos, c.cut) << result.err;
    if (c.cut) {
      EXPECT_EQ(result.err.find(kCutBottle, cutAt + 1), std::string::npos) << result.err;
    }
  }
}

}  // namespace
