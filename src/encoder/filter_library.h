// libavfilter, loaded when a conversion builds its first filter graph instead of at start.
// Debian's libavfilter pulls in some thirty shared libraries of its own, and binding them made
// up about a third of every start of the encoder: a cost each probe of an input (which never
// filters) paid. filter_library.cpp defines the libavfilter functions the transcoder calls and
// forwards them to the loaded library, so the transcoder calls them as usual once
// LoadFilterLibrary() has succeeded.
#pragma once

#include <string>

namespace raziz2u {

// Loads libavfilter once (later calls return the first answer). Empty when it is loaded and
// every function the transcoder uses was found; otherwise why not. Thread-safe.
const std::string& LoadFilterLibrary();

}  // namespace raziz2u
