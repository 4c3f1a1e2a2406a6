#include "support/advisor_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

const char kWaitingForGame[] =
    "bottlewatch: no bottle yet; show the game in the screen's top-left 640 x 480\n";

const char* AdvisorBinary() {
  return BOTTLEWATCH_BINARY;
}
const char* FeedFramesBinary() {
  return FEED_FRAMES_BINARY;
}
const char* ScreenSimBinary() {
  return SCREEN_SIM_BINARY;
}

std::string RealConverter() {
  FILE* which = popen("command -v convert", "r");
  char path[4096] = "";
  if (which != nullptr) {
    if (std::fgets(path, sizeof path, which) == nullptr) path[0] = '\0';
    pclose(which);
  }
  std::string result(path);
  while (!result.empty() && result.back() == '\n') result.pop_back();
  return result;
}

void WriteTimedConverter(const std::string& bin, const std::string& converter) {
  // bash reads the clock itself ($EPOCHREALTIME): a process per reading
  // would add to every frame. Digits only, whatever the locale's point.
  const std::string path = bin + "/convert";
  WriteFile(path, "#!/bin/bash\necho \"begin ${EPOCHREALTIME//[!0-9]/}\" >>conversions\n'" +
                      converter +
                      "' \"$@\"\nstatus=$?\necho \"end ${EPOCHREALTIME//[!0-9]/}\" >>conversions\n"
                      "exit $status\n");
  chmod(path.c_str(), 0755);
}

std::vector<Conversion> ReadConversions(const std::string& path) {
  std::vector<Conversion> calls;
  std::string text = ReadFile(path);
  text.erase(text.rfind('\n') + 1);  // a line being written is not read yet
  std::istringstream lines(text);
  std::string word;
  long long at = 0;
  while (lines >> word >> at) {
    if (word == "begin") {
      calls.push_back({at, -1});
    } else if (word == "end" && !calls.empty()) {
      calls.back().end = at;
    }
  }
  return calls;
}

AdvisorRun::AdvisorRun() {
  for (const char* sub : {"bin", "frames", "work"}) mkdir(dir_.File(sub).c_str(), 0755);
  AddConverter("convert");
}

void AdvisorRun::AddFrame(const Picture& picture, int copies) {
  char first[32];
  std::snprintf(first, sizeof first, "frame-%03d.tif", frames_++);
  WriteRgbTiff(dir_.File(std::string("frames/") + first), picture);
  for (int i = 1; i < copies; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frames/frame-%03d.tif", frames_++);
    if (symlink(first, dir_.File(name).c_str()) != 0) {
      throw std::runtime_error("cannot link a frame copy");
    }
  }
}

void AdvisorRun::AddFrameBytes(const std::string& tiffBytes) {
  char name[32];
  std::snprintf(name, sizeof name, "frames/frame-%03d.tif", frames_++);
  WriteFile(dir_.File(name), tiffBytes);
}

std::map<std::string, std::string> AdvisorRun::Environment(const std::string& display) const {
  const char* path = std::getenv("PATH");
  return {{"PATH", dir_.File("bin") + ":" + (path ? path : "/usr/bin:/bin")},
          {"BOTTLEWATCH_FRAMES", dir_.File("frames")},
          {"DISPLAY", display},
          {"BOTTLEWATCH_FEEDER_NUDGES", "1"}};
}

ProcessResult AdvisorRun::Run(const std::string& display, double timeoutSeconds,
                              std::map<std::string, std::string> env, bool unprivileged) const {
  env.merge(Environment(display));  // the caller's own values win
  return RunProcess({AdvisorBinary()}, workDir(), env, timeoutSeconds, unprivileged);
}

int AdvisorRun::ConverterCalls() const {
  std::ifstream counter(dir_.File("frames/next"));
  int calls = 0;
  counter >> calls;
  return calls;
}

void AdvisorRun::AddConverter(const std::string& name, const std::string& script) {
  const std::string path = dir_.File("bin/" + name);
  std::remove(path.c_str());
  if (script.empty()) {
    if (symlink(FeedFramesBinary(), path.c_str()) != 0) {
      throw std::runtime_error("cannot install the frame feeder as " + name);
    }
    return;
  }
  std::string text = script;
  const std::string mark = "@FEEDER@";
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
    text.replace(at, mark.size(), FeedFramesBinary());
  }
  WriteFile(path, text);
  chmod(path.c_str(), 0755);
}

std::string AdvisorRun::ConverterWords() const {
  return FileExists(dir_.File("frames/words")) ? ReadFile(dir_.File("frames/words")) : "";
}

void AdvisorRun::OpenToEveryone() const {
  chmod(dir_.path().c_str(), 0755);
  chmod(dir_.File("bin").c_str(), 0755);
  chmod(dir_.File("frames").c_str(), 0777);
}
