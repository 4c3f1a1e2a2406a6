// The advisor run on a private Wayland desktop beside screen-sim, and the
// checks of what it said there, shared by the tests of each desktop.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_ADVISOR_H_
#define BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_ADVISOR_H_

#include <string>

#include "support/desktop_session.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

extern const char kFieldReport[];  // the field at 200,40 of what it was given
extern const char kWaiting[];      // its line while the desktop's dialog is open

// The field report's three lines for a bottle at left,top that wide.
std::string FieldReportAt(int left, int top, int width);

// The advisor's error stream after the waiting line: exactly one error line.
std::string ErrorAfterWaiting(const std::string& err);

void ExpectOneErrorLine(const std::string& err, const std::string& saying);

// The advisor beside screen-sim on a desktop, its output and error stream in
// files of dir so that a test can act while it runs.
class AdvisorBeside {
 public:
  AdvisorBeside(const TempDir& dir, const DesktopSession& desktop);

  // Whether it said anything (its waiting line) within a minute.
  bool WaitForAsking() const { return WaitForContent(err_, 60); }
  // Whether its error stream holds text within timeoutSeconds.
  bool WaitForError(const std::string& text, double timeoutSeconds) const {
    return WaitForText(err_, text, timeoutSeconds);
  }
  std::string Output() const { return ReadFile(out_); }
  std::string Errors() const { return ReadFile(err_); }

  // Waits until the advisor has followed the game for eight vitamins since its
  // last field report, or has ended, or has said nothing new for a minute (a
  // broken desktop), then stops it. False when it had ended by itself.
  bool FollowThenStop(const std::string& simLog);

  // Waits until its last field report is report and it has followed the
  // game for four vitamins since (false after timeoutSeconds, or once it
  // ended).
  bool FollowsAt(const std::string& report, const std::string& simLog, double timeoutSeconds) const;

  // Waits up to timeoutSeconds for it to end by itself, then stops it; its
  // exit status, or -1 when it had to be stopped or ended by a signal.
  int ExitStatusWithin(double timeoutSeconds);

 private:
  std::string out_;
  std::string err_;
  BackgroundProcess process_;
};

// The advisor asked once (errors is all it said on its error stream), ended
// on the field at 200,40 of what it was given (started in mid-game, it may
// have reported another before it) and followed the simulator's game from
// there.
void ExpectPlayedAlong(const AdvisorBeside& advisor, const std::string& simLog,
                       const std::string& errors = kWaiting,
                       const std::string& fieldReport = kFieldReport);

#endif  // BOTTLEWATCH_TESTS_SUPPORT_DESKTOP_ADVISOR_H_
