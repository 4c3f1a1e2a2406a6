// Running the real advisor binary on frames prepared by a test. The frames are
// served by feed-frames, installed as "convert" first on PATH in a private
// folder, so each pass of the advisor gets the next frame and the run ends
// with the advisor's error line once they have run out.
#ifndef BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_RUN_H_
#define BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_RUN_H_

#include <map>
#include <string>
#include <vector>

#include "support/subprocess.h"
#include "support/temp_dir.h"
#include "support/tiff_frames.h"

// The advisor's line on its error stream while no bottle shows.
extern const char kWaitingForGame[];

// Paths of the built programs.
const char* AdvisorBinary();
const char* FeedFramesBinary();
const char* ScreenSimBinary();

// The converter the advisor would run with the test's PATH: the first
// "convert" on it, or "" when there is none.
std::string RealConverter();

// Writes into folder bin a "convert" that runs converter and notes when each
// call began and ended, as lines "begin T" and "end T" in "conversions" in
// the folder it is run in (the advisor's). T is the wall clock in
// microseconds, as in screen-sim's log, so that a call can be set against the
// states on the screen.
void WriteTimedConverter(const std::string& bin, const std::string& converter);

// One call noted by that converter; end is -1 while it runs.
struct Conversion {
  long long begin = -1;
  long long end = -1;
};

// The calls noted in a "conversions" file, in order.
std::vector<Conversion> ReadConversions(const std::string& path);

class AdvisorRun {
 public:
  AdvisorRun();

  // Appends a frame, copies times over; the advisor loads them in the order
  // they were added. The copies are links to one file.
  void AddFrame(const Picture& picture, int copies = 1);
  void AddFrameBytes(const std::string& tiffBytes);

  // The advisor's working folder, where it writes x.bmp and reads x.tif.
  std::string workDir() const { return dir_.File("work"); }

  // Runs the advisor in workDir with DISPLAY set to display (empty: unset) and
  // the frame feeder first on PATH, changing a pixel of that screen with each
  // frame it serves (BOTTLEWATCH_FEEDER_NUDGES), so that repeated frames are
  // all converted. env may add or override variables.
  ProcessResult Run(const std::string& display, double timeoutSeconds,
                    std::map<std::string, std::string> env = {}, bool unprivileged = false) const;

  // The variables Run sets for the advisor beside the parent's own, for a
  // run started some other way (in a terminal of its own, say).
  std::map<std::string, std::string> Environment(const std::string& display) const;

  // Lets an unprivileged child reach the frames and write the call counter.
  void OpenToEveryone() const;

  // How often the advisor ran the converter so far.
  int ConverterCalls() const;

  // Puts a program under name in the private folder first on PATH, in place
  // of what is there: with no script the frame feeder itself, otherwise the
  // script with "@FEEDER@" standing for the feeder's path.
  void AddConverter(const std::string& name, const std::string& script = "");

  // Each call's words as the frame feeder logged them (the name it was run
  // by first), one line a call.
  std::string ConverterWords() const;

 private:
  TempDir dir_;
  int frames_ = 0;
};

#endif  // BOTTLEWATCH_TESTS_SUPPORT_ADVISOR_RUN_H_
