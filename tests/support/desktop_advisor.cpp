#include "support/desktop_advisor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "support/advisor_output.h"
#include "support/advisor_run.h"

const char kFieldReport[] = "Found field at: \n200,40\nwith width 96 \n";
const char kWaiting[] = "bottlewatch: waiting for the desktop to allow screen sharing\n";

namespace {

// The output from its last field report on: an advisor started in mid-game
// may report a field first that a better one replaces in its first passes.
std::string SinceLastFieldReport(const std::string& output) {
  const size_t at = output.rfind("Found field at: \n");
  return at == std::string::npos ? output : output.substr(at);
}

// The simulator's log without the lines that tell of its window's moves.
std::string StatesOnly(const std::string& simLog) {
  std::string states;
  size_t from = 0;
  while (from < simLog.size()) {
    size_t end = simLog.find('\n', from);
    end = end == std::string::npos ? simLog.size() : end + 1;
    if (simLog.compare(from, 9, "moved to ") != 0) states += simLog.substr(from, end - from);
    from = end;
  }
  return states;
}

}  // namespace

std::string ErrorAfterWaiting(const std::string& err) {
  const std::string waiting = kWaiting;
  EXPECT_EQ(err.rfind(waiting, 0), 0u) << err;
  return err.rfind(waiting, 0) == 0 ? err.substr(waiting.size()) : err;
}

void ExpectOneErrorLine(const std::string& err, const std::string& saying) {
  EXPECT_EQ(err.rfind("Error:  ", 0), 0u) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  EXPECT_NE(err.find(saying), std::string::npos) << err;
}

AdvisorBeside::AdvisorBeside(const TempDir& dir, const DesktopSession& desktop)
    : out_(dir.File("out.txt")),
      err_(dir.File("err.txt")),
      process_({"/bin/sh", "-c", "exec \"$0\" 2>err.txt", AdvisorBinary()}, dir.path(),
               desktop.env(), out_) {}

bool AdvisorBeside::FollowThenStop(const std::string& simLog) {
  // The bound counts from its last new output, not from its start: a slow
  // desktop, dialog or machine delays the first report, and a broken one
  // stops reporting.
  auto lastNews = std::chrono::steady_clock::now();
  size_t seen = 0;
  for (;;) {
    const std::string output = Output();
    if (CheckAgainstSimLog(SinceLastFieldReport(output), StatesOnly(ReadFile(simLog)))
                .vitaminLines >= 8 ||
        process_.HasEnded()) {
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (output.size() != seen) {
      seen = output.size();
      lastNews = now;
    } else if (now - lastNews > std::chrono::seconds(60)) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  const bool ran = !process_.HasEnded();
  process_.Stop();
  return ran;
}

int AdvisorBeside::ExitStatusWithin(double timeoutSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!process_.HasEnded() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const bool ended = process_.HasEnded();
  const int status = process_.Stop();
  return ended ? status : -1;
}

std::string FieldReportAt(int left, int top, int width) {
  return "Found field at: \n" + std::to_string(left) + "," + std::to_string(top) + "\nwith width " +
         std::to_string(width) + " \n";
}

bool AdvisorBeside::FollowsAt(const std::string& report, const std::string& simLog,
                              double timeoutSeconds) const {
  return PollUntil(
      [&] {
        const std::string output = SinceLastFieldReport(Output());
        return output.rfind(report, 0) == 0 &&
               CheckAgainstSimLog(output, StatesOnly(ReadFile(simLog))).vitaminLines >= 4;
      },
      timeoutSeconds);
}

void ExpectPlayedAlong(const AdvisorBeside& advisor, const std::string& simLog,
                       const std::string& errors, const std::string& fieldReport) {
  const std::string output = SinceLastFieldReport(advisor.Output());
  EXPECT_EQ(advisor.Errors(), errors);
  ASSERT_EQ(output.rfind(fieldReport, 0), 0u) << output.substr(0, 200);
  const OutputCheck check = CheckAgainstSimLog(output, StatesOnly(ReadFile(simLog)));
  EXPECT_EQ(check.problems, std::vector<std::string>{});
  EXPECT_GE(check.vitaminLines, 8) << output;
}
