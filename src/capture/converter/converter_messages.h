// What the converter writes on its error stream, passed on to the advisor's
// own a line at a time, each distinct line only the first time it appears. A
// converter that warns on every run (ImageMagick 7's "convert" does) would
// otherwise print a line a frame and scroll the board off the terminal.
#ifndef BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_MESSAGES_H_
#define BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_MESSAGES_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_map>

class ConverterMessages {
 public:
  // The longest line kept; the rest of a longer line is dropped, so that a
  // stream without line ends cannot take memory without bound.
  static constexpr size_t kMaxLineBytes = 1024;
  // How many distinct lines are remembered. Past that, the line seen least
  // recently is forgotten: a line the converter keeps repeating stays
  // remembered, and only one not seen for this many newer lines can be said a
  // second time.
  static constexpr size_t kRememberedLines = 1024;

  // rememberedLines must be at least 1.
  explicit ConverterMessages(size_t rememberedLines = kRememberedLines)
      : capacity_(rememberedLines) {}

  // Takes the next bytes of one run's error stream, in any pieces, and writes
  // each line completed in them that is new to out, with "\n" as its end (a
  // "\r" before the line end is dropped).
  void Take(const char* bytes, size_t size, std::ostream& out);

  // The run's stream has ended: its last line counts even without a line end.
  void EndOfRun(std::ostream& out);

 private:
  void LineEnded(std::ostream& out);

  size_t capacity_;
  std::string line_;
  uint64_t clock_ = 0;
  std::unordered_map<std::string, uint64_t> lastSeen_;  // line -> clock_ when last seen
};

#endif  // BOTTLEWATCH_CAPTURE_CONVERTER_CONVERTER_MESSAGES_H_
