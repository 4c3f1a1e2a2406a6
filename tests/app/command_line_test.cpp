// The advisor's arguments: which ones start it, which only print, and the one
// line that refuses anything else.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
  std::vector<const char*> arguments;  // after the program's name
  CommandLineAction action;
  std::string text;  // exactly; --help must hold kUsageWords instead
};

const std::string kVersionLine = "bottlewatch " BOTTLEWATCH_VERSION "\n";
const char* const kUsageWords[] = {"usage: bottlewatch [--help | --version]\n",
                                   "anywhere on the screen",
                                   "1x\nto 6x",
                                   "every monitor",
                                   "Windows virtual\nscreen",
                                   "Ctrl-C",
                                   "NO_COLOR",
                                   "--version  print"};

std::string Refusal(const std::string& argument) {
  return "bottlewatch: unknown argument \"" + argument + "\"; try bottlewatch --help\n";
}

const Case kCases[] = {
    {{}, CommandLineAction::kWatch, ""},
    {{"--help"}, CommandLineAction::kHelp, ""},
    {{"--version"}, CommandLineAction::kVersion, kVersionLine},
    {{"--version", "--help"}, CommandLineAction::kVersion, kVersionLine},  // the first decides
    {{"-h"}, CommandLineAction::kRefuse, Refusal("-h")},
    {{"--help", "now"}, CommandLineAction::kRefuse, Refusal("now")},  // wherever it stands
    {{""}, CommandLineAction::kRefuse, Refusal("")},
    {{"--help=all"}, CommandLineAction::kRefuse, Refusal("--help=all")},
};

TEST(CommandLine, EachArgumentListGivesItsActionTextAndStatus) {
  for (const Case& c : kCases) {
    std::vector<const char*> argv = {"bottlewatch"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(argv.size() > 1 ? argv[1] : "(none)");
    const CommandLine command = ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(command.action, c.action);
    if (c.action != CommandLineAction::kHelp) {
      EXPECT_EQ(command.text, c.text);
    } else {
      for (const char* words : kUsageWords) {
        EXPECT_NE(command.text.find(words), std::string::npos) << words << "\n" << command.text;
      }
    }
    EXPECT_EQ(ExitStatusFor(command.action), c.action == CommandLineAction::kRefuse ? 2 : 0);
  }
}

}  // namespace
