// The advisor's arguments: which ones start it, which only print, and the one
// line that refuses anything else.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
  const char* name;
  std::vector<const char*> arguments;  // after the program's name
  CommandLineAction action;
  const char* text;  // exactly; nullptr: holds every one of mustHold
  std::vector<const char*> mustHold;
};

const std::string kVersionLine = "bottlewatch " BOTTLEWATCH_VERSION "\n";
const std::vector<const char*> kUsageWords = {"usage: bottlewatch [--help | --version]\n",
                                              "anywhere on the screen",
                                              "1x\nto 6x",
                                              "every monitor",
                                              "Windows virtual\nscreen",
                                              "Ctrl-C",
                                              "NO_COLOR",
                                              "--version  print"};

const Case kCases[] = {
    {"nothing: watch", {}, CommandLineAction::kWatch, "", {}},
    {"help", {"--help"}, CommandLineAction::kHelp, nullptr, kUsageWords},
    {"version", {"--version"}, CommandLineAction::kVersion, kVersionLine.c_str(), {}},
    {"the first of the two decides",
     {"--version", "--help"},
     CommandLineAction::kVersion,
     kVersionLine.c_str(),
     {}},
    {"help repeated", {"--help", "--help"}, CommandLineAction::kHelp, nullptr, kUsageWords},
    {"short form",
     {"-h"},
     CommandLineAction::kRefuse,
     "bottlewatch: unknown argument \"-h\"; try bottlewatch --help\n",
     {}},
    {"unknown after a known one",
     {"--help", "now"},
     CommandLineAction::kRefuse,
     "bottlewatch: unknown argument \"now\"; try bottlewatch --help\n",
     {}},
    {"empty argument",
     {""},
     CommandLineAction::kRefuse,
     "bottlewatch: unknown argument \"\"; try bottlewatch --help\n",
     {}},
    {"other case",
     {"--Version"},
     CommandLineAction::kRefuse,
     "bottlewatch: unknown argument \"--Version\"; try bottlewatch --help\n",
     {}},
    {"with a value",
     {"--help=all"},
     CommandLineAction::kRefuse,
     "bottlewatch: unknown argument \"--help=all\"; try bottlewatch --help\n",
     {}},
};

TEST(CommandLine, EachArgumentListGivesItsActionTextAndStatus) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<const char*> argv = {"bottlewatch"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const CommandLine command = ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(command.action, c.action);
    if (c.text != nullptr) {
      EXPECT_EQ(command.text, c.text);
    }
    for (const char* words : c.mustHold) {
      EXPECT_NE(command.text.find(words), std::string::npos) << words << "\n" << command.text;
    }
    EXPECT_EQ(ExitStatusFor(command.action), c.action == CommandLineAction::kRefuse ? 2 : 0);
  }
}

// A terminal of 80 columns shows the usage as written.
TEST(CommandLine, UsageLinesFitEightyColumns) {
  const char* argv[] = {"bottlewatch", "--help"};
  const std::string usage = ReadCommandLine(2, argv).text;
  size_t start = 0;
  for (size_t end = usage.find('\n'); end != std::string::npos;
       start = end + 1, end = usage.find('\n', start)) {
    EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
  }
  EXPECT_EQ(start, usage.size()) << "the last line has no newline";
}

}  // namespace
