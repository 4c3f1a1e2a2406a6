// Reading the advisor's redirected output back and checking it against the
// log of what screen-sim drew.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_OUTPUT_H_
#define BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_OUTPUT_H_

#include <set>
#include <string>
#include <utility>
#include <vector>

using Half = std::pair<int, int>;  // column, row
using Halves = std::set<Half>;

// One redraw: the board's 128 codes and, for a vitamin, the halves it named
// (the advice word and target lines are checked for form only).
struct Redraw {
  std::string board;
  bool vitamin = false;
  Halves halves;
};

// Splits the output that follows the three field-report lines into redraws.
// The advice word has no newline, so it opens the next redraw's first line.
// An incomplete last redraw (the run was stopped mid-write) is left out; lines
// of the wrong form are added to problems.
std::vector<Redraw> ParseRedraws(const std::string& output, std::vector<std::string>& problems);

struct OutputCheck {
  int redraws = 0;
  int vitaminLines = 0;
  std::vector<std::string> problems;  // one line per disagreement
  // Vitamin lines that differ from the drawn halves where the boards cannot
  // tell: a single cell filled in the top row, either because both halves
  // share one code (a quarter turn into row 0) or because the upper half is
  // still above the bottle and the cell to the right of the lower one is
  // occupied. The detection's neighbour cases do not reach row 0 and its
  // entering case needs that cell empty, so it pairs the filled cell with the
  // cell that emptied or with the halves of the pass before.
  std::vector<std::string> ambiguous;
};

// Every printed board must be one the simulator drew, and every vitamin line
// must name the halves (in either order) of a state that showed that board,
// except for the ambiguous cases described above. With joinedMidGame (the
// output starts at a field report taken while the game was on: a start in
// mid-play, or the bottle taken again after a move), the first vitamin line
// may also be ambiguous: a vitamin that turns with two colours fills one cell
// that no neighbour case explains, and the detection pairs it with the half
// an earlier pass left, which before that pass on this picture is a half
// seen elsewhere, or none (all 0, as at start-up).
OutputCheck CheckAgainstSimLog(const std::string& output, const std::string& simLog,
                               bool joinedMidGame = false);

// How many vitamin lines the output holds.
int VitaminLines(const std::string& output);

// screen-sim's log without the "moved to" lines of its --move, which show no
// state.
std::string WithoutMoves(const std::string& simLog);

#endif  // BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_OUTPUT_H_
