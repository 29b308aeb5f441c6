// libavfilter, loaded when a conversion builds its first filter graph instead of at start.
// Debian's libavfilter pulls in some thirty shared libraries of its own, and binding them made
// up about a third of every start of the encoder: a cost each probe of an input (which never
// filters) paid. filter_library.cpp defines the libavfilter functions the transcoder calls and
// forwards them to the loaded library, so the transcoder calls them as usual once
// LoadFilterLibrary() has succeeded.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
}

namespace raziz2u {

// Loads libavfilter once (later calls return the first answer). Empty when it is loaded and
// every function the transcoder uses was found; otherwise why not. Thread-safe.
const std::string& LoadFilterLibrary();

// Owners of libavfilter objects. They free through the loaded library's functions, and do
// nothing when it was never loaded (no such object can exist then).
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct FilterInOutDeleter {
  void operator()(AVFilterInOut* inout) const { avfilter_inout_free(&inout); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutDeleter>;

}  // namespace raziz2u
