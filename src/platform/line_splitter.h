// Splits text into lines, for output read in pieces from a child process.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vidloom::platform {

// Joins a program's output into lines again however the reads cut it. A line ends at CR LF, LF
// or a lone CR; the end itself is not part of the line. Empty lines are skipped by default (they
// carry nothing and come from line ends such as LF CR) or kept when asked. NUL bytes are dropped.
// An unterminated line is kept up to kMaxCarry bytes: at that length it is reported as it stands
// and the rest of it, up to the next line end, is dropped, so memory stays bounded whatever the
// encoder writes.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxCarry = 64 * 1024;

  enum class EmptyLines { kSkip, kKeep };
  explicit LineSplitter(EmptyLines empty_lines = EmptyLines::kSkip)
      : keep_empty_(empty_lines == EmptyLines::kKeep) {}

  // Reports every line that `data` completes to on_line(std::string_view) -> bool, in order.
  // The view is valid during the call only. When on_line returns false the rest of `data` is
  // dropped and Feed returns false.
  template <class OnLine>
  bool Feed(std::string_view data, OnLine&& on_line);

  // Like Feed, but the complete lines that lie wholly inside `data` go to
  // on_block(std::string_view) -> bool as one block (from a line's start through the last line
  // end), so that a caller can look at many lines at once; SplitLines() splits a block into the
  // lines Feed would have reported. The line that completes the carried rest goes to on_line.
  template <class OnLine, class OnBlock>
  bool FeedBlock(std::string_view data, OnLine&& on_line, OnBlock&& on_block);

  template <class OnLine>
  static bool SplitLines(std::string_view block, OnLine&& on_line) {
    LineSplitter splitter;
    return splitter.Feed(block, on_line);
  }

  // The end of the output: an unterminated rest becomes the last line.
  template <class OnLine>
  bool Finish(OnLine&& on_line);
  void Clear();

  std::size_t carried() const { return carry_.size(); }

 private:
  // Appends to the unterminated line; returns true when it has just reached kMaxCarry.
  bool Append(std::string_view piece);
  // The line without its NUL bytes (`line` itself when it has none).
  std::string_view WithoutNul(std::string_view line);

  std::string carry_;
  std::string scratch_;
  bool after_cr_ = false;    // the previous byte ended a line with CR: a LF now belongs to it
  bool discarding_ = false;  // the current line overran kMaxCarry: drop up to its end
  bool keep_empty_ = false;
};

template <class OnLine>
bool LineSplitter::Feed(std::string_view data, OnLine&& on_line) {
  // Positions of the next CR and LF at or after i, found with memchr and reused until passed.
  const char* const base = data.data();
  const std::size_t size = data.size();
  auto next = [&](char c, std::size_t from) -> std::size_t {
    const void* hit = from < size ? std::memchr(base + from, c, size - from) : nullptr;
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : size;
  };
  std::size_t next_cr = next('\r', 0);
  std::size_t next_lf = next('\n', 0);
  std::size_t i = 0;
  while (i < size) {
    if (after_cr_) {
      after_cr_ = false;
      if (data[i] == '\n') {
        ++i;
        continue;
      }
    }
    if (next_cr < i) next_cr = next('\r', i);
    if (next_lf < i) next_lf = next('\n', i);
    const std::size_t end = next_cr < next_lf ? next_cr : next_lf;
    const std::string_view piece = data.substr(i, end - i);
    if (end == size) {
      // Unterminated: keep it for the next read.
      if (!discarding_ && Append(piece)) {
        discarding_ = true;
        const bool go = on_line(std::string_view(carry_));
        carry_.clear();
        if (!go) return false;
      }
      return true;
    }
    after_cr_ = data[end] == '\r';
    i = end + 1;
    bool go = true;
    if (discarding_) {
      discarding_ = false;
    } else if (carry_.empty()) {
      const std::string_view line = WithoutNul(piece);
      if (!line.empty() || keep_empty_) go = on_line(line);
    } else {
      Append(piece);  // a line that ends here is reported as far as it was kept
      go = on_line(std::string_view(carry_));
      carry_.clear();
    }
    if (!go) return false;
  }
  return true;
}

template <class OnLine, class OnBlock>
bool LineSplitter::FeedBlock(std::string_view data, OnLine&& on_line, OnBlock&& on_block) {
  constexpr std::size_t kNone = std::string_view::npos;
  std::size_t i = 0;
  auto skip_lf_of_cr = [&] {
    if (after_cr_ && i < data.size()) {
      after_cr_ = false;
      if (data[i] == '\n') ++i;
    }
  };
  skip_lf_of_cr();
  if (!carry_.empty() || discarding_) {
    // Complete the carried line first.
    const std::size_t end = data.find_first_of("\r\n", i);
    if (end == kNone) return Feed(data.substr(i), on_line);
    if (!Feed(data.substr(i, end + 1 - i), on_line)) return false;
    i = end + 1;
    skip_lf_of_cr();
  }
  const std::size_t last = data.find_last_of("\r\n");
  if (last == kNone || last < i) return Feed(data.substr(i), on_line);
  if (!on_block(data.substr(i, last + 1 - i))) return false;
  after_cr_ = data[last] == '\r';
  return Feed(data.substr(last + 1), on_line);
}

template <class OnLine>
bool LineSplitter::Finish(OnLine&& on_line) {
  after_cr_ = false;
  discarding_ = false;
  if (carry_.empty()) return true;
  const bool go = on_line(std::string_view(carry_));
  carry_.clear();
  return go;
}

}  // namespace vidloom::platform
