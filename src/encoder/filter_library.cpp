#include "filter_library.h"

#include <dlfcn.h>

#include <mutex>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavfilter/version_major.h>
}

namespace raziz2u {
namespace {

// The libavfilter functions the transcoder uses, bound from the loaded library.
struct FilterApi {
  decltype(&::avfilter_get_by_name) get_by_name = nullptr;
  decltype(&::avfilter_graph_alloc) graph_alloc = nullptr;
  decltype(&::avfilter_graph_create_filter) graph_create_filter = nullptr;
  decltype(&::avfilter_graph_parse_ptr) graph_parse_ptr = nullptr;
  decltype(&::avfilter_graph_config) graph_config = nullptr;
  decltype(&::avfilter_graph_free) graph_free = nullptr;
  decltype(&::avfilter_inout_alloc) inout_alloc = nullptr;
  decltype(&::avfilter_inout_free) inout_free = nullptr;
  decltype(&::av_buffersrc_add_frame_flags) buffersrc_add_frame_flags = nullptr;
  decltype(&::av_buffersrc_close) buffersrc_close = nullptr;
  decltype(&::av_buffersink_get_frame) buffersink_get_frame = nullptr;
  decltype(&::av_buffersink_get_time_base) buffersink_get_time_base = nullptr;
  decltype(&::av_buffersink_set_frame_size) buffersink_set_frame_size = nullptr;
};

FilterApi api;
std::string load_error;

template <typename Function>
void Bind(void* library, Function& function, const char* name) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr && load_error.empty()) {
    load_error = std::string("libavfilter lacks ") + name;
  }
}

void Load() {
  // The major version this program was built against: its ABI.
  const std::string name = "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR);
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    load_error = "cannot load " + name + (why ? std::string(": ") + why : std::string());
    return;
  }
  Bind(library, api.get_by_name, "avfilter_get_by_name");
  Bind(library, api.graph_alloc, "avfilter_graph_alloc");
  Bind(library, api.graph_create_filter, "avfilter_graph_create_filter");
  Bind(library, api.graph_parse_ptr, "avfilter_graph_parse_ptr");
  Bind(library, api.graph_config, "avfilter_graph_config");
  Bind(library, api.graph_free, "avfilter_graph_free");
  Bind(library, api.inout_alloc, "avfilter_inout_alloc");
  Bind(library, api.inout_free, "avfilter_inout_free");
  Bind(library, api.buffersrc_add_frame_flags, "av_buffersrc_add_frame_flags");
  Bind(library, api.buffersrc_close, "av_buffersrc_close");
  Bind(library, api.buffersink_get_frame, "av_buffersink_get_frame");
  Bind(library, api.buffersink_get_time_base, "av_buffersink_get_time_base");
  Bind(library, api.buffersink_set_frame_size, "av_buffersink_set_frame_size");
  // The library stays loaded for the rest of the process.
}

}  // namespace

const std::string& LoadFilterLibrary() {
  static std::once_flag once;
  std::call_once(once, Load);
  return load_error;
}

}  // namespace raziz2u

// The forwarders. The transcoder reaches them only after LoadFilterLibrary() succeeded, except
// for freeing, which a graph that was never allocated does not need.
using raziz2u::api;

extern "C" {

const AVFilter* avfilter_get_by_name(const char* name) {
  return api.get_by_name(name);
}

AVFilterGraph* avfilter_graph_alloc(void) {
  return api.graph_alloc();
}

int avfilter_graph_create_filter(AVFilterContext** filt_ctx, const AVFilter* filt, const char* name,
                                 const char* args, void* opaque, AVFilterGraph* graph_ctx) {
  return api.graph_create_filter(filt_ctx, filt, name, args, opaque, graph_ctx);
}

int avfilter_graph_parse_ptr(AVFilterGraph* graph, const char* filters, AVFilterInOut** inputs,
                             AVFilterInOut** outputs, void* log_ctx) {
  return api.graph_parse_ptr(graph, filters, inputs, outputs, log_ctx);
}

int avfilter_graph_config(AVFilterGraph* graphctx, void* log_ctx) {
  return api.graph_config(graphctx, log_ctx);
}

void avfilter_graph_free(AVFilterGraph** graph) {
  if (api.graph_free) api.graph_free(graph);
}

AVFilterInOut* avfilter_inout_alloc(void) {
  return api.inout_alloc();
}

void avfilter_inout_free(AVFilterInOut** inout) {
  if (api.inout_free) api.inout_free(inout);
}

int av_buffersrc_add_frame_flags(AVFilterContext* buffer_src, AVFrame* frame, int flags) {
  return api.buffersrc_add_frame_flags(buffer_src, frame, flags);
}

int av_buffersrc_close(AVFilterContext* buffer_src, int64_t pts, unsigned flags) {
  return api.buffersrc_close(buffer_src, pts, flags);
}

int av_buffersink_get_frame(AVFilterContext* ctx, AVFrame* frame) {
  return api.buffersink_get_frame(ctx, frame);
}

AVRational av_buffersink_get_time_base(const AVFilterContext* ctx) {
  return api.buffersink_get_time_base(ctx);
}

void av_buffersink_set_frame_size(AVFilterContext* ctx, unsigned frame_size) {
  api.buffersink_set_frame_size(ctx, frame_size);
}

}  // extern "C"
