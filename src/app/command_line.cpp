// --help, --version and the refusal of anything else, as plain text: the
// same words on every platform, since the screen the advisor watches is named
// for both.
#include "app/command_line.h"

#include <cstring>

#ifndef BOTTLEWATCH_VERSION
#error "BOTTLEWATCH_VERSION comes from project() in CMakeLists.txt"
#endif

namespace {

const char kUsage[] =
    "usage: bottlewatch [--help | --version]\n"
    "\n"
    "Watches a falling-capsule puzzle game on the screen and prints its board and\n"
    "where the falling vitamin should go, until you stop it with Ctrl-C.\n"
    "\n"
    "It finds the game's bottle anywhere on the screen, drawn at any size from 1x\n"
    "to 6x: on every monitor of the X screen named by DISPLAY (on a Wayland\n"
    "desktop, the screen or window you share with it), or of the Windows virtual\n"
    "screen. It only reads pixels and writes text, and rewrites x.bmp and x.tif in\n"
    "the current folder on every change of the screen.\n"
    "\n"
    "On a terminal the board is in colour; NO_COLOR set to anything but the empty\n"
    "string (or TERM=dumb) turns the colours off.\n"
    "\n"
    "  --help     print this and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv) {
  CommandLine command;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    CommandLineAction asked = CommandLineAction::kRefuse;
    if (std::strcmp(argument, "--help") == 0) asked = CommandLineAction::kHelp;
    if (std::strcmp(argument, "--version") == 0) asked = CommandLineAction::kVersion;
    if (asked == CommandLineAction::kRefuse) {
      return {CommandLineAction::kRefuse, std::string("bottlewatch: unknown argument \"") +
                                              argument + "\"; try bottlewatch --help\n"};
    }
    if (command.action == CommandLineAction::kWatch) command.action = asked;
  }
  if (command.action == CommandLineAction::kHelp) command.text = kUsage;
  if (command.action == CommandLineAction::kVersion) {
    command.text = "bottlewatch " BOTTLEWATCH_VERSION "\n";
  }
  return command;
}

int ExitStatusFor(CommandLineAction action) {
  return action == CommandLineAction::kRefuse ? 2 : 0;
}
