// The converter's error stream, each distinct line said once.
#include "capture/converter/converter_messages.h"

#include <algorithm>
#include <cstring>

void ConverterMessages::Take(const char* bytes, size_t size, std::ostream& out) {
  const char* const end = bytes + size;
  while (bytes < end) {
    const char* newline = static_cast<const char*>(std::memchr(bytes, '\n', end - bytes));
    const char* const pieceEnd = newline != nullptr ? newline : end;
    const size_t room = kMaxLineBytes - line_.size();
    line_.append(bytes, std::min(room, static_cast<size_t>(pieceEnd - bytes)));
    if (newline == nullptr) return;
    LineEnded(out);
    bytes = newline + 1;
  }
}

void ConverterMessages::EndOfRun(std::ostream& out) {
  if (!line_.empty()) LineEnded(out);
}

void ConverterMessages::LineEnded(std::ostream& out) {
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  ++clock_;
  auto seen = lastSeen_.find(line_);
  if (seen != lastSeen_.end()) {
    seen->second = clock_;
  } else {
    if (lastSeen_.size() >= capacity_) {
      // A linear search, but only when a new line arrives with the memory
      // full, which a converter repeating itself does not cause.
      lastSeen_.erase(
          std::min_element(lastSeen_.begin(), lastSeen_.end(),
                           [](const auto& a, const auto& b) { return a.second < b.second; }));
    }
    lastSeen_.emplace(line_, clock_);
    out << line_ << '\n';
  }
  line_.clear();
}
