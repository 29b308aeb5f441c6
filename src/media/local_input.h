// Opening a local media file for reading with libavformat, so that no input can hang the caller
// or reach beyond itself:
//  - only a regular file is opened (a named pipe, a device, a socket or a directory is refused
//    before it is opened, so nothing blocks in open() or reads a device for ever);
//  - the container is found first and must be one of the real media containers of
//    kMediaDemuxers: playlists (HLS, DASH, concat lists), text renderings ("tty"), image-sequence
//    patterns and every other demuxer that opens further files or URLs are refused before the
//    demuxer starts;
//  - the demuxer gets the file through our own I/O context and may open nothing else.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "media/regular_file.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace vidloom::media {

// The demuxers accepted as input, by their AVInputFormat::name.
bool IsMediaDemuxer(std::string_view name);

struct LocalInputOptions {
  // Demuxer options (probesize, analyzeduration, fflags, ...); left with what was not used.
  AVDictionary** demuxer_options = nullptr;
  // The container to use instead of finding it (it must still be an accepted one).
  const AVInputFormat* format = nullptr;
  // Bytes read to find the container; 0: libavformat's default.
  unsigned format_probe_size = 0;
  // Polled by blocking libavformat calls on the opened context.
  AVIOInterruptCB interrupt{nullptr, nullptr};
};

enum class LocalInputError {
  kNone,
  kNotFound,    // stat/open failed: `reason` holds the system's words
  kNotRegular,  // a pipe, device, socket or directory
  kNotMedia,    // the container is none, or not an accepted one
  kOpenFailed,  // the demuxer failed to read the header: `av_error` says why
};

struct LocalInput {
  AVFormatContext* context = nullptr;  // set when error == kNone; close with CloseLocalInput
  LocalInputError error = LocalInputError::kNone;
  int av_error = 0;    // the libavformat error of kOpenFailed (and kNotMedia when none matched)
  std::string reason;  // for the user, without a leading marker: "the input is a named pipe ..."
};

// Opens the file at `path` (a plain path, never a URL) as described above. The stream
// information is not read yet (avformat_find_stream_info is the caller's).
LocalInput OpenLocalInput(const std::string& path, const LocalInputOptions& options = {});

// Closes a context opened by OpenLocalInput (its I/O context and file too); null is allowed.
void CloseLocalInput(AVFormatContext** context);

}  // namespace vidloom::media
