#include "support/advisor_output.h"

#include <map>
#include <regex>
#include <sstream>

namespace {

constexpr int kFieldReportLines = 3;

// board -> the halves of every logged state that showed it (empty for states
// with no falling vitamin).
std::multimap<std::string, Halves> ReadSimLog(const std::string& simLog,
                                              std::vector<std::string>& problems) {
  std::multimap<std::string, Halves> states;
  std::istringstream in(simLog);
  const std::regex form(
      R"(step=\d+ board=(\S{128}) vitamin=(none|(-?\d+),(-?\d+),(-?\d+),(-?\d+)) t=\d+)");
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_match(line, m, form)) {
      problems.push_back("unreadable log line: " + line);
      continue;
    }
    Halves halves;
    if (m[2] != "none") {
      halves = {{std::stoi(m[3]), std::stoi(m[4])}, {std::stoi(m[5]), std::stoi(m[6])}};
    }
    states.emplace(m[1], halves);
  }
  return states;
}

// Whether the drawn vitamin is one whose newest cell fills alone in the top
// row, where the detection's neighbour cases do not reach: its halves share
// one code, or its upper half is still above the bottle (the entering case
// only looks at the cell to the right, which may be occupied).
bool FillsAloneInTopRow(const std::string& board, const Halves& halves) {
  if (halves.size() != 2) return false;
  const Half a = *halves.begin();
  const Half b = *halves.rbegin();
  if (a.second != 0 && b.second != 0) return false;
  if (a.second == -1 || b.second == -1) return true;
  const auto inside = [](Half h) {
    return h.first >= 0 && h.first < 8 && h.second >= 0 && h.second < 16;
  };
  return inside(a) && inside(b) && board[a.second * 8 + a.first] == board[b.second * 8 + b.first];
}

}  // namespace

std::vector<Redraw> ParseRedraws(const std::string& output, std::vector<std::string>& problems) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  if (!output.empty() && output.back() != '\n' && !lines.empty()) lines.pop_back();
  static const std::regex boardLine(R"(([.rybRYB] ){8})");
  static const std::regex vitaminLine(R"(Vitamin at: (-?\d+),(-?\d+) (-?\d+),(-?\d+)      )");
  static const std::regex targetLine(R"(Target: (Virus|Vitamin|Nothing) \d,\d+ +)");
  std::vector<Redraw> redraws;
  size_t i = kFieldReportLines;
  std::smatch m;
  while (i + 17 <= lines.size()) {
    Redraw redraw;
    for (int row = 0; row < 16; ++row, ++i) {
      if (!std::regex_match(lines[i], boardLine)) {
        problems.push_back("not a board line: '" + lines[i] + "'");
        return redraws;
      }
      for (int column = 0; column < 8; ++column) redraw.board += lines[i][column * 2];
    }
    if (std::regex_match(lines[i], m, vitaminLine)) {
      // The vitamin line, three target lines, then the advice word that opens
      // the next line: without it the redraw is incomplete.
      if (i + 4 >= lines.size()) break;
      redraw.vitamin = true;
      redraw.halves = {{std::stoi(m[1]), std::stoi(m[2])}, {std::stoi(m[3]), std::stoi(m[4])}};
      if (!std::regex_match(lines[i + 1], targetLine)) {
        problems.push_back("not a target line: '" + lines[i + 1] + "'");
      }
      std::string& next = lines[i + 4];
      const std::string advice = next.substr(0, 10);
      if (advice != "Move left " && advice != "Move right" && advice != "          ") {
        problems.push_back("not an advice word: '" + advice + "'");
      }
      next.erase(0, 10);
      i += 4;
    } else if (lines[i] == "Clear detected.                ") {
      i += 5;
    } else {
      problems.push_back("neither a vitamin line nor a clear: '" + lines[i] + "'");
      return redraws;
    }
    redraws.push_back(redraw);
  }
  return redraws;
}

OutputCheck CheckAgainstSimLog(const std::string& output, const std::string& simLog,
                               bool joinedMidGame) {
  OutputCheck check;
  const std::multimap<std::string, Halves> states = ReadSimLog(simLog, check.problems);
  for (const Redraw& redraw : ParseRedraws(output, check.problems)) {
    ++check.redraws;
    const auto [first, last] = states.equal_range(redraw.board);
    if (first == last) {
      check.problems.push_back("a board the simulator never drew: " + redraw.board);
      continue;
    }
    if (!redraw.vitamin) continue;
    ++check.vitaminLines;
    bool matched = false;
    for (auto it = first; it != last; ++it) matched = matched || it->second == redraw.halves;
    if (matched) continue;
    bool ambiguous = joinedMidGame && check.vitaminLines == 1;
    for (auto it = first; it != last; ++it)
      ambiguous = ambiguous || FillsAloneInTopRow(redraw.board, it->second);
    (ambiguous ? check.ambiguous : check.problems)
        .push_back("halves not those of the state drawn: " + redraw.board);
  }
  return check;
}

int VitaminLines(const std::string& output) {
  int count = 0;
  for (size_t at = output.find("Vitamin at:"); at != std::string::npos;
       at = output.find("Vitamin at:", at + 1)) {
    ++count;
  }
  return count;
}

std::string WithoutMoves(const std::string& simLog) {
  std::istringstream lines(simLog);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("moved to ", 0) != 0) kept += line + "\n";
  }
  return kept;
}
