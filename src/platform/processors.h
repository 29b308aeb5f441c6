// How many processors this program may use.
#pragma once

#include <algorithm>
#include <thread>

namespace vidloom::platform {

// The number of processors, at least 1 (the standard library may not know it).
inline int ProcessorCount() {
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace vidloom::platform
