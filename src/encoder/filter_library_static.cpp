// libavfilter linked into the program (the Windows build links FFmpeg statically): nothing is
// loaded, the transcoder calls libavfilter directly.
#include "filter_library.h"

namespace raziz2u {

const std::string& LoadFilterLibrary() {
  static const std::string loaded;
  return loaded;
}

}  // namespace raziz2u
