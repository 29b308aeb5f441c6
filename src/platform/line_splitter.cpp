#include "platform/line_splitter.h"

namespace vidloom::platform {

bool LineSplitter::Append(std::string_view piece) {
  for (char c : piece) {
    if (c == '\0') continue;
    carry_.push_back(c);
    if (carry_.size() >= kMaxCarry) return true;
  }
  return false;
}

std::string_view LineSplitter::WithoutNul(std::string_view line) {
  if (std::memchr(line.data(), '\0', line.size()) == nullptr) return line;
  scratch_.clear();
  for (char c : line) {
    if (c != '\0') scratch_.push_back(c);
  }
  return scratch_;
}

void LineSplitter::Clear() {
  carry_.clear();
  carry_.shrink_to_fit();
  after_cr_ = false;
  discarding_ = false;
}

}  // namespace vidloom::platform
