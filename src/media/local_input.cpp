#include "media/local_input.h"

#include <cstdio>
#include <new>

#include "media/regular_file.h"

namespace vidloom::media {
namespace {

// Real media containers: each holds its streams in the one file and opens nothing else. Playlists
// (hls, dash, concat, ...), text renderings (tty, subtitle formats), image sequences (image2)
// and device or network sources are missing on purpose.
constexpr std::string_view kMediaDemuxers[] = {
    "aac",
    "ac3",
    "aiff",
    "amr",
    "ape",
    "asf",
    "au",
    "avi",
    "caf",
    "dts",
    "dv",
    "eac3",
    "flac",
    "flv",
    "gif",
    "h261",
    "h263",
    "h264",
    "hevc",
    "ivf",
    "loas",
    "m4v",
    "matroska,webm",
    "mjpeg",
    "mlp",
    "mov,mp4,m4a,3gp,3g2,mj2",
    "mp3",
    "mpc",
    "mpc8",
    "mpeg",
    "mpegts",
    "mpegvideo",
    "mxf",
    "nut",
    "ogg",
    "rm",
    "swf",
    "truehd",
    "tta",
    "vc1",
    "voc",
    "w64",
    "wav",
    "wv",
    "xwma",
    "yuv4mpegpipe",
};

constexpr int kBufferSize = 64 * 1024;

// The demuxer's view of the opened file. Reads honour the caller's interrupt callback, as the
// file protocol's do, so that a deadline or a stop ends a long read of a slow file.
struct FileSource {
  RegularFile file;
  AVIOInterruptCB interrupt{nullptr, nullptr};
};

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  auto* source = static_cast<FileSource*>(opaque);
  if (source->interrupt.callback != nullptr &&
      source->interrupt.callback(source->interrupt.opaque)) {
    return AVERROR_EXIT;
  }
  const int n = source->file.Read(buffer, size);
  return n == 0 ? AVERROR_EOF : n;
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  RegularFile& file = static_cast<FileSource*>(opaque)->file;
  if (whence & AVSEEK_SIZE) return file.Size();
  return file.Seek(offset, whence & ~AVSEEK_FORCE);
}

// The demuxer may open no other file or URL.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

// What a refused container is, for the user.
std::string RefusedContainer(std::string_view name) {
  for (std::string_view playlist :
       {"hls", "dash", "concat", "ffmetadata", "mpl2", "hls,applehttp"}) {
    if (name == playlist)
      return "the input is a playlist (" + std::string(name) + "), not a media file";
  }
  if (name == "tty") return "the input is text, not a media file";
  if (name.substr(0, 6) == "image2")
    return "the input is an image or image sequence, not a media file";
  return "the input is a \"" + std::string(name) + "\" file, which is not a media container";
}

void FreeIo(AVIOContext** io) {
  if (*io == nullptr) return;
  auto* source = static_cast<FileSource*>((*io)->opaque);
  av_freep(&(*io)->buffer);
  avio_context_free(io);
  delete source;
}

}  // namespace

bool IsMediaDemuxer(std::string_view name) {
  for (std::string_view accepted : kMediaDemuxers) {
    if (name == accepted) return true;
  }
  return false;
}

LocalInput OpenLocalInput(const std::string& path, const LocalInputOptions& options) {
  LocalInput result;
  auto fail = [&](LocalInputError error, std::string reason) {
    result.error = error;
    result.reason = std::move(reason);
    return result;
  };

  auto* source = new (std::nothrow) FileSource;
  if (source == nullptr) return fail(LocalInputError::kOpenFailed, "out of memory");
  source->interrupt = options.interrupt;
  std::string reason;
  switch (source->file.Open(path, reason)) {
    case RegularFile::Refusal::kNone:
      break;
    case RegularFile::Refusal::kNotFound:
      delete source;
      return fail(LocalInputError::kNotFound, reason);
    case RegularFile::Refusal::kNotRegular:
      delete source;
      return fail(LocalInputError::kNotRegular, reason);
    case RegularFile::Refusal::kEmpty:
      delete source;
      return fail(LocalInputError::kNotMedia, reason);
  }

  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  AVIOContext* io = nullptr;
  if (buffer != nullptr) {
    io = avio_alloc_context(buffer, kBufferSize, 0, source, ReadPacket, nullptr, Seek);
  }
  if (io == nullptr) {
    av_free(buffer);
    delete source;
    return fail(LocalInputError::kOpenFailed, "out of memory");
  }

  const AVInputFormat* format = options.format;
  if (format == nullptr) {
    const int score =
        av_probe_input_buffer2(io, &format, path.c_str(), nullptr, 0, options.format_probe_size);
    if (score < 0 || format == nullptr) {
      result.av_error = score < 0 ? score : AVERROR_INVALIDDATA;
      FreeIo(&io);
      return fail(LocalInputError::kNotMedia, "the input is not a readable media file");
    }
  }
  if (format->name == nullptr || !IsMediaDemuxer(format->name)) {
    FreeIo(&io);
    return fail(LocalInputError::kNotMedia, RefusedContainer(format->name ? format->name : ""));
  }

  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) {
    FreeIo(&io);
    return fail(LocalInputError::kOpenFailed, "out of memory");
  }
  context->pb = io;
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  context->io_open = RefuseOpen;
  context->interrupt_callback = options.interrupt;
  const int err = avformat_open_input(&context, path.c_str(), format, options.demuxer_options);
  if (err < 0) {
    // avformat_open_input has freed the context but not our I/O context.
    FreeIo(&io);
    result.av_error = err;
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return fail(LocalInputError::kOpenFailed, text);
  }
  result.context = context;
  return result;
}

void CloseLocalInput(AVFormatContext** context) {
  if (context == nullptr || *context == nullptr) return;
  AVIOContext* io = (*context)->pb;
  avformat_close_input(context);
  FreeIo(&io);
}

}  // namespace vidloom::media
