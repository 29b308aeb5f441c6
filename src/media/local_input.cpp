#include "media/local_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

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
  int fd = -1;
  AVIOInterruptCB interrupt{nullptr, nullptr};
};

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  const auto* source = static_cast<FileSource*>(opaque);
  const int fd = source->fd;
  if (source->interrupt.callback != nullptr &&
      source->interrupt.callback(source->interrupt.opaque)) {
    return AVERROR_EXIT;
  }
  for (;;) {
    const ssize_t n = read(fd, buffer, static_cast<size_t>(size));
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return AVERROR_EOF;
    if (errno != EINTR) return AVERROR(errno);
  }
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  const int fd = static_cast<FileSource*>(opaque)->fd;
  if (whence & AVSEEK_SIZE) {
    struct stat info;
    return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
  }
  const off_t at = lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

// The demuxer may open no other file or URL.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a directory";
  return "not a regular file";
}

std::string NotRegularReason(mode_t mode) {
  return std::string("the input is ") + KindOf(mode) + ", not a regular file";
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
  if (source != nullptr) {
    if (source->fd >= 0) close(source->fd);
    delete source;
  }
}

}  // namespace

bool IsMediaDemuxer(std::string_view name) {
  for (std::string_view accepted : kMediaDemuxers) {
    if (name == accepted) return true;
  }
  return false;
}

std::optional<std::string> NotRegularFileReason(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return std::nullopt;
  return NotRegularReason(info.st_mode);
}

LocalInput OpenLocalInput(const std::string& path, const LocalInputOptions& options) {
  LocalInput result;
  auto fail = [&](LocalInputError error, std::string reason) {
    result.error = error;
    result.reason = std::move(reason);
    return result;
  };

  // Refused before it is opened: opening a pipe without a writer would block, and some devices
  // act on open.
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return fail(LocalInputError::kNotFound, std::strerror(errno));
  if (!S_ISREG(info.st_mode))
    return fail(LocalInputError::kNotRegular, NotRegularReason(info.st_mode));
  if (info.st_size == 0) return fail(LocalInputError::kNotMedia, "the file is empty");
  // O_NONBLOCK: should the path have been replaced by a pipe meanwhile, open() still returns;
  // the check on the descriptor then refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(LocalInputError::kNotFound, std::strerror(errno));
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return fail(LocalInputError::kNotRegular, NotRegularReason(info.st_mode));
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  auto* source = new (std::nothrow) FileSource{fd, options.interrupt};
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  AVIOContext* io = nullptr;
  if (source != nullptr && buffer != nullptr) {
    io = avio_alloc_context(buffer, kBufferSize, 0, source, ReadPacket, nullptr, Seek);
  }
  if (io == nullptr) {
    av_free(buffer);
    delete source;
    close(fd);
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
