// The advisor in a real terminal (tmux): the board in the game's colours, the
// falling vitamin and its target marked, the advice in bold, and nothing but
// escape sequences added to the text a redirected run of the same frames
// prints; no colour at all where the user or the terminal declines it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/advisor_run.h"
#include "support/game_screen.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace {

// A character as the terminal shows it, with the attributes in force.
struct Shown {
  char text = ' ';
  int foreground = 39;  // SGR colour parameter; 39 is the terminal's own
  bool bold = false;
  bool faint = false;
  bool reversed = false;
};

bool Plain(const Shown& s) {
  return s.foreground == 39 && !s.bold && !s.faint && !s.reversed;
}

void ApplySgr(Shown& pen, const std::string& parameters) {
  std::stringstream list(parameters);
  std::string item;
  bool any = false;
  while (std::getline(list, item, ';') || !any) {
    any = true;
    const int p = item.empty() ? 0 : std::stoi(item);
    if (p == 0) pen = Shown{};
    if (p == 1) pen.bold = true;
    if (p == 2) pen.faint = true;
    if (p == 22) pen.bold = pen.faint = false;
    if (p == 7) pen.reversed = true;
    if (p == 27) pen.reversed = false;
    if ((p >= 30 && p <= 37) || p == 39 || (p >= 90 && p <= 97)) pen.foreground = p;
    if (list.eof()) break;
  }
}

bool SamePen(const Shown& a, const Shown& b) {
  return a.foreground == b.foreground && a.bold == b.bold && a.faint == b.faint &&
         a.reversed == b.reversed;
}

// Rows of characters with their attributes from text with escape sequences;
// attributes carry over from one row to the next, as on a terminal. Other
// sequences than colours are dropped, and so are carriage returns. Counts
// into idle the colour sequences that changed nothing.
std::vector<std::vector<Shown>> Interpret(const std::string& text, Shown* last = nullptr,
                                          int* idle = nullptr) {
  std::vector<std::vector<Shown>> rows(1);
  Shown pen;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
      size_t end = i + 2;
      while (end < text.size() && !std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
      if (end < text.size() && text[end] == 'm') {
        const Shown before = pen;
        ApplySgr(pen, text.substr(i + 2, end - i - 2));
        if (idle != nullptr && SamePen(before, pen)) ++*idle;
      }
      i = end;
    } else if (text[i] == '\n') {
      rows.emplace_back();
    } else if (text[i] != '\r') {
      Shown s = pen;
      s.text = text[i];
      rows.back().push_back(s);
    }
  }
  if (last != nullptr) *last = pen;
  return rows;
}

std::string WithoutEscapes(const std::string& text) {
  static const std::regex escape("\x1b\\[[0-9;]*[A-Za-z]|\r");
  return std::regex_replace(text, escape, "");
}

// The terminal's screen after a redraw-by-redraw text: the last 21 lines
// cover the earlier ones, the advice word without a line end included.
std::vector<std::string> LastScreen(const std::string& redirected) {
  std::vector<std::string> lines;
  std::stringstream stream(redirected);
  for (std::string line; std::getline(stream, line);) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return std::vector<std::string>(lines.end() - std::min<size_t>(21, lines.size()), lines.end());
}

struct TerminalRun {
  std::string raw;      // every byte that reached the terminal
  std::string pane;     // capture-pane -p: the text shown
  std::string colours;  // capture-pane -e: the same with its attributes
  std::string status;
};

// Runs the advisor on run's frames in a private tmux server's 80 x 25 pane,
// with env added to and unset removed from what AdvisorRun gives it, and
// returns what the terminal got and shows once it has ended and the pane's
// log holds as many characters as the redirected run printed.
TerminalRun RunInTmux(const AdvisorRun& run, const std::map<std::string, std::string>& env,
                      const std::vector<std::string>& unset, const std::string& redirected) {
  TempDir dir;
  const std::string tmux = "tmux -f /dev/null -S '" + dir.File("socket") + "' ";
  std::string command = "env";
  for (const std::string& name : unset) command += " -u " + name;
  std::map<std::string, std::string> all = env;
  all.merge(run.Environment(SharedTestDisplay()));
  for (const auto& [name, value] : all) command += " '" + name + "=" + value + "'";
  // Held back until the pane's bytes are logged from the first one on.
  const std::string go = dir.File("go");
  const std::string shell = "while [ ! -e '" + go + "' ]; do sleep 0.05; done; cd '" +
                            run.workDir() + "' && " + command + " '" + AdvisorBinary() +
                            "' 2>/dev/null; echo \\$? >'" + dir.File("status") + "'; sleep 120";
  TerminalRun result;
  if (std::system((tmux + "new-session -d -x 80 -y 25 \"" + shell + "\"").c_str()) != 0) {
    return result;
  }
  std::system((tmux + "pipe-pane -o 'cat >" + dir.File("raw") + "'").c_str());
  WriteFile(go, "");
  WaitForContent(dir.File("status"), 60);
  // The pane's log lags the pane: wait for its last bytes, not for a while.
  const auto drained = [&] {
    return FileExists(dir.File("raw")) &&
           WithoutEscapes(ReadFile(dir.File("raw"))).size() >= redirected.size();
  };
  PollUntil(drained, 30);
  std::system((tmux + "capture-pane -p >'" + dir.File("pane") + "'").c_str());
  std::system((tmux + "capture-pane -p -e >'" + dir.File("colours") + "'").c_str());
  std::system((tmux + "kill-server").c_str());
  for (auto [name, into] : {std::pair{"raw", &result.raw},
                            {"pane", &result.pane},
                            {"colours", &result.colours},
                            {"status", &result.status}}) {
    if (FileExists(dir.File(name))) *into = ReadFile(dir.File(name));
  }
  return result;
}

// A level with a landed bright half in a corner, then a horizontal vitamin,
// red and yellow, whose red half the dim red virus at (1, 10) suits.
std::vector<std::string> Frames() {
  const std::string level = WithCell(GameSequenceBoards()[5], 7, 15, 'b');
  return {level, level, WithCell(WithCell(level, 3, 0, 'r'), 4, 0, 'y')};
}

void AddFrames(AdvisorRun& run, const std::vector<std::string>& frames) {
  for (const std::string& board : frames) run.AddFrame(DrawGameScreen(board));
}

TEST(TerminalColours, ColoursOnlyWhereWantedAndTheSameText) {
  const std::vector<std::string> frames = Frames();
  AdvisorRun reference;
  AddFrames(reference, frames);
  const ProcessResult redirected = reference.Run(SharedTestDisplay(), 60);
  ASSERT_EQ(redirected.exitStatus, 1);
  ASSERT_NE(redirected.out.find("Target: Virus 1,10"), std::string::npos) << redirected.out;
  ASSERT_EQ(redirected.out.find('\x1b'), std::string::npos);

  const struct {
    const char* name;
    std::map<std::string, std::string> env;
    std::vector<std::string> unset;
    bool coloured;
  } cases[] = {
      {"a terminal", {}, {"NO_COLOR"}, true},
      {"NO_COLOR empty", {{"NO_COLOR", ""}}, {}, true},
      {"NO_COLOR set", {{"NO_COLOR", "1"}}, {}, false},
      {"a dumb terminal", {{"TERM", "dumb"}}, {"NO_COLOR"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AdvisorRun run;
    AddFrames(run, frames);
    const TerminalRun shown = RunInTmux(run, c.env, c.unset, redirected.out);
    ASSERT_EQ(shown.status, "1\n") << shown.raw;

    // Only escape sequences added: the characters are those of the
    // redirected run, and the screen shows its last redraw.
    EXPECT_EQ(WithoutEscapes(shown.raw), redirected.out);
    std::vector<std::string> pane;
    std::stringstream stream(shown.pane);
    for (std::string line; std::getline(stream, line);) pane.push_back(line);
    pane.resize(21);
    EXPECT_EQ(pane, LastScreen(redirected.out));

    Shown end;
    int idle = 0;
    const std::vector<std::vector<Shown>> rows = Interpret(shown.colours);
    Interpret(shown.raw, &end, &idle);
    EXPECT_TRUE(Plain(end)) << "left on at the end";
    EXPECT_EQ(idle, 0) << "colour sequences sent where the colour does not change";
    ASSERT_GE(rows.size(), 21u);
    if (!c.coloured) {
      // Not even a reset: the bytes a terminal got before colours existed.
      EXPECT_FALSE(std::regex_search(shown.raw, std::regex("\x1b\\[[0-9;]*m")));
      for (const auto& row : rows) {
        for (const Shown& s : row) EXPECT_TRUE(Plain(s)) << s.text;
      }
      continue;
    }
    // tmux leaves out a row's trailing blanks.
    const auto at = [&](size_t index, int row) {
      return index < rows[row].size() ? rows[row][index] : Shown{};
    };
    const auto cell = [&](int column, int row) { return at(column * 2, row); };
    const auto expect = [&](int column, int row, int foreground, bool reversed) {
      const Shown s = cell(column, row);
      EXPECT_EQ(s.foreground, foreground) << column << "," << row << " " << s.text;
      EXPECT_EQ(s.reversed, reversed) << column << "," << row << " " << s.text;
      EXPECT_FALSE(at(column * 2 + 1, row).reversed) << "the blank after " << column << "," << row;
    };
    expect(7, 15, 94, false);  // bright blue
    expect(0, 8, 34, false);   // dim blue
    expect(3, 0, 91, true);    // the vitamin's halves
    expect(4, 0, 93, true);
    expect(1, 10, 31, true);  // its target
    EXPECT_TRUE(cell(0, 0).faint);
    int marked = 0;
    for (int row = 0; row < 16; ++row) {
      for (const Shown& s : rows[row]) marked += s.reversed;
    }
    EXPECT_EQ(marked, 3);
    for (int row = 16; row < 20; ++row) {
      for (const Shown& s : rows[row]) EXPECT_TRUE(Plain(s)) << "row " << row << " " << s.text;
    }
    ASSERT_GE(rows[20].size(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(rows[20][i].bold) << rows[20][i].text;
  }
}

}  // namespace
