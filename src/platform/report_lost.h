// The last resort for a failure that can reach no window any more (the UI loop is gone, a hook
// failed while ending): it goes to standard error, so that no failure is dropped without a word.
#pragma once

#include <cstdio>
#include <string_view>

namespace vidloom::platform {

inline void ReportLost(std::string_view what) noexcept {
  std::fprintf(stderr, "vidloom: %.*s\n", static_cast<int>(what.size()), what.data());
}

}  // namespace vidloom::platform
