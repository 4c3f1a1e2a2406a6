// The converter's error stream, each distinct line said once: lines cut across
// reads and runs, line ends, overlong lines and what is forgotten when the
// memory is full. Plain repeats are driven through the advisor binary in
// tests/app/advisor_game_test.cpp.
#include "capture/converter/converter_messages.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kLong(ConverterMessages::kMaxLineBytes, 'x');

struct MessagesCase {
  const char* name;
  std::vector<std::vector<std::string>> runs;  // each run's stream, in the pieces read
  std::string said;
  size_t remembered = ConverterMessages::kRememberedLines;
};

const MessagesCase kCases[] = {
    {"LineCutAcrossReads", {{"WAR", "NING\nne", "xt\n"}, {"WARNING\n"}}, "WARNING\nnext\n"},
    {"CarriageReturnBeforeTheEnd", {{"W\r\n"}, {"W\n"}}, "W\n"},
    {"LastLineWithoutAnEnd", {{"a\nb"}, {"b\n", "a"}}, "a\nb\n"},
    {"OverlongLineKeepsItsStart", {{kLong + "tail\n", kLong + "other tail\n"}}, kLong + "\n"},
    // With room for two, the line repeated every run stays; the other is
    // forgotten and said again.
    {"LeastRecentForgotten", {{"W\nb\n"}, {"W\nc\n"}, {"W\nb\n"}}, "W\nb\nc\nb\n", 2},
};

void PrintTo(const MessagesCase& c, std::ostream* os) {
  *os << c.name;
}

class ConverterMessagesTest : public ::testing::TestWithParam<MessagesCase> {};

TEST_P(ConverterMessagesTest, SaysEachLineOnce) {
  const MessagesCase& c = GetParam();
  ConverterMessages messages(c.remembered);
  std::ostringstream out;
  for (const std::vector<std::string>& run : c.runs) {
    for (const std::string& piece : run) messages.Take(piece.data(), piece.size(), out);
    messages.EndOfRun(out);
  }
  EXPECT_EQ(out.str(), c.said);
}

INSTANTIATE_TEST_SUITE_P(Streams, ConverterMessagesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
