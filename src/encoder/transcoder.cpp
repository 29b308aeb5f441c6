#include "transcoder.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "boxes.h"
#include "codec_rules.h"
#include "filter_chain.h"
#include "filter_library.h"
#include "media/describe.h"
#include "media/display.h"
#include "media/local_input.h"
#include "mp3_joins.h"
#include "output_contract.h"
#include "stream_rules.h"
#include "system.h"
#include "work_queue.h"

namespace raziz2u {

std::atomic<int> g_stop_signal{0};

namespace {

// A failure: the complete line to print; it carries a marker.
struct Failure {
  std::string line;
};

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

[[noreturn]] void Fail(const std::string& reason) {
  throw Failure{"error: " + reason};
}

void Check(int err, const std::string& what) {
  if (err < 0) Fail(what + ": " + AvError(err));
}

// The sample format's name for a filter description; a format without one (none set, or one
// this FFmpeg does not know) cannot be converted.
std::string SampleFormatName(AVSampleFormat format) {
  const char* name = av_get_sample_fmt_name(format);
  if (!name) Fail("the audio stream's sample format is unknown");
  return name;
}

int InterruptRequested(void*) {
  return g_stop_signal.load() != 0 ? 1 : 0;
}

using SteadyClock = std::chrono::steady_clock;

// After a stop request the encoders are flushed for at most this long; then the container is
// finished with what it has, within the second limit.
constexpr auto kFlushBudget = std::chrono::milliseconds(500);
constexpr auto kFinishBudget = std::chrono::milliseconds(1000);

using vidloom::media::ChannelLayoutName;
using vidloom::media::PrintablePath;
using vidloom::media::StreamRate;

// The rates an encoder offers; empty when it takes any.
std::vector<int> SupportedRates(const AVCodec* codec) {
  std::vector<int> rates;
  if (codec->supported_samplerates != nullptr) {
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) rates.push_back(*r);
  }
  return rates;
}

// Owners of the FFmpeg objects of a run. The filter graph's owner is in filter_library.h.
struct InputDeleter {
  void operator()(AVFormatContext* c) const { vidloom::media::CloseLocalInput(&c); }
};
// The output's file is closed with its context (when a failure left it open).
struct OutputDeleter {
  void operator()(AVFormatContext* c) const {
    avio_closep(&c->pb);
    avformat_free_context(c);
  }
};
struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// Options handed to an FFmpeg open call, which takes what it uses out of them; freed with this.
class Dictionary {
 public:
  Dictionary() = default;
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  ~Dictionary() { av_dict_free(&entries_); }

  void Set(const char* key, const char* value) { av_dict_set(&entries_, key, value, 0); }
  AVDictionary** get() { return &entries_; }

 private:
  AVDictionary* entries_ = nullptr;
};

FramePtr NewFrame() {
  FramePtr f(av_frame_alloc());
  if (!f) Fail("out of memory");
  return f;
}

// Sets the Simple-profile level in every visual object sequence header (00 00 01 B0, then the
// profile_and_level_indication byte) of MPEG-4 Part 2 data.
void SetMpeg4Level(uint8_t* data, int size, int level) {
  for (int i = 0; i + 4 < size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB0) {
      data[i + 4] = static_cast<uint8_t>(level);  // profile 0 (Simple) in the high four bits
      i += 4;
    }
  }
}

// A packet on its way to the muxer, with the path that made it.
struct Outgoing {
  struct Path* path = nullptr;
  PacketPtr packet;
};

// One media path: decoder (absent for generated silence) -> filter graph -> encoder -> stream.
// When the conversion runs in stages, filtered frames may go through `to_encoder` to a thread
// of their own, and encoded packets through `to_muxer` to the thread that writes the file.
struct Path {
  int input_index = -1;
  CodecPtr decoder;
  FilterGraphPtr graph;
  AVFilterContext* source = nullptr;
  AVFilterContext* sink = nullptr;
  CodecPtr encoder;
  AVStream* stream = nullptr;
  // The input stream's time base, frame rate and start (with -ss), taken when its decoder
  // opens: the reader may touch the stream while the decoding stage runs.
  AVRational time_base{0, 1};
  AVRational frame_rate{0, 1};
  int64_t offset = 0;
  int64_t next_pts = AV_NOPTS_VALUE;  // expected timestamp of the next decoded frame
  std::atomic<int64_t> frames = 0;    // frames handed to the encoder
  int64_t packets = 0;
  double quality = 0;
  bool strip_sei = false;
  int mpeg4_level = 0;  // MPEG-4 Part 2: the Simple-profile level its headers must state
  // Audio source parameters the graph was built for; frames that differ are skipped.
  int source_rate = 0;
  int source_format = -1;
  AVChannelLayout source_layout{};
  WorkQueue<FramePtr>* to_encoder = nullptr;
  WorkQueue<Outgoing>* to_muxer = nullptr;
  // Each path's own, since its stages may run beside another path's.
  FramePtr filtered = NewFrame();
  PacketPtr encoded{av_packet_alloc()};
  ~Path() { av_channel_layout_uninit(&source_layout); }
};

// Threads that run the stages of one conversion. The first failure of any stage is kept and
// ends them all through `abort` (which aborts the queues between them); when this goes, the
// stages are ended and waited for, however the conversion ends.
class Stages {
 public:
  explicit Stages(std::function<void()> abort) : abort_(std::move(abort)) {}
  Stages(const Stages&) = delete;
  Stages& operator=(const Stages&) = delete;
  ~Stages() {
    abort_();
    Join();
  }

  template <typename Body>
  void Start(Body body) {
    threads_.emplace_back([this, body] {
      try {
        body();
        return;
      } catch (const Failure& failure) {
        Keep(failure);
      } catch (const std::bad_alloc&) {
        Keep(Failure{"error: out of memory"});
      }
      abort_();
    });
  }

  // Ends every stage, through `abort`.
  void Stop() { abort_(); }

  // Waits for every stage; the first failure is then the caller's.
  void Finish() {
    Join();
    if (failure_) throw *failure_;
  }

 private:
  void Join() {
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }
  void Keep(const Failure& failure) {
    std::lock_guard lock(mutex_);
    if (!failure_) failure_ = failure;
  }

  std::function<void()> abort_;
  std::mutex mutex_;
  std::optional<Failure> failure_;
  std::vector<std::thread> threads_;
};

// A piece of the sound, encoded on its own (see mp3_joins.h): the index in the whole stream of
// its first frame, which is also that of its first packet.
struct SoundPiece {
  int64_t first = 0;
  std::vector<PacketPtr> packets;
};

// A frame for the encoder of a piece; none: the piece ends.
struct PieceWork {
  int64_t piece = 0;
  FramePtr frame;
};

// How the sound is cut: piece k takes the frames [k * length - lead, (k + 1) * length + tail),
// so that each encoder has settled before its part begins and goes on past its end; the join
// is chosen near k * length, within the overlap.
struct PiecePlan {
  int64_t length = 0;
  int workers = 0;
  static constexpr int64_t kLead = 16;
  static constexpr int64_t kTail = 12;
  static constexpr int64_t kSettled = 8;  // frames an encoder runs before a join may follow
  int64_t Begin(int64_t piece) const { return std::max<int64_t>(0, piece * length - kLead); }
  int64_t End(int64_t piece) const { return (piece + 1) * length + kTail; }
};

class Conversion {
 public:
  explicit Conversion(const Request& request) : req_(request) {}
  ~Conversion();

  int Run();

 private:
  void OpenInput();
  void DescribeInput();
  void OpenOutput();
  void RefuseOutputPath() const;
  int LargestVideoStream() const;
  void SetUpStreams();
  void CopyMetadata();
  void OpenOutputFile();
  void SetOutputFlags(AVCodecContext* enc) const;
  void SetUpVideo(const AVCodec* codec, bool thumbnail);
  void OpenVideoEncoder(const AVCodec* codec, bool thumbnail, const VideoFrame& frame);
  AVCodecContext* NewAudioEncoder(const AVCodec* codec, const AudioCoding& coding);
  void SetUpAudio(const AVCodec* codec);
  void SetUpSilence(const AVCodec* codec);
  void OpenDecoder(Path& path);
  void BuildGraph(Path& path, const std::string& source_args, const char* source_name,
                  const std::string& chain);
  void AddStream(Path& path);
  void WriteHeader();
  // Whether the conversion runs in stages on threads of their own (-threads other than 1).
  bool InStages() const { return req_.threads != 1; }
  void Transcode();
  void TranscodeInOrder();
  void TranscodeInStages();
  void ReadPackets(WorkQueue<PacketPtr>* video, WorkQueue<PacketPtr>* audio);
  void DecodeStage(Path& path, WorkQueue<PacketPtr>& packets);
  void EncodeStage(Path& path, WorkQueue<FramePtr>& frames);
  std::optional<PiecePlan> PlanPieces() const;
  void TranscodeInPieces(const PiecePlan& plan);
  void DealSound(WorkQueue<FramePtr>& sound,
                 std::vector<std::unique_ptr<WorkQueue<PieceWork>>>& work, const PiecePlan& plan);
  void EncodePieces(WorkQueue<PieceWork>& work, WorkQueue<SoundPiece>& done, const PiecePlan& plan);
  CodecPtr AudioEncoderLike(const AVCodecContext* model);
  int64_t JoinPieces(SoundPiece& a, const SoundPiece& b, const PiecePlan& plan, int64_t piece);
  void WritePiece(SoundPiece& piece, int64_t from, int64_t to);
  void MakeThumbnail();
  void Decode(Path& path, const AVPacket* packet);
  void Submit(Path& path, AVFrame* frame);
  void EndOfInput(Path& path, bool stopped);
  void Drain(Path& path);
  void EncodeFiltered(Path& path, AVFrame* frame);
  void Encode(Path& path, AVFrame* frame);
  void Write(Path& path, AVPacket* packet);
  void CheckOutcome(bool stopped);
  // A stop was requested: notes when it was first seen. FlushTimeOver() tells when the encoders
  // must give up their delayed frames, OutputInterrupted() when even the container's end must:
  // the end gets its own budget from when it began (or from the stop, when that came later),
  // since a file without its end does not play.
  bool Stopping();
  bool FlushTimeOver();
  static int OutputInterrupted(void* opaque);
  void SilenceUntil(double seconds);
  void Finish();
  void Progress(bool final);
  int64_t OffsetIn(const AVStream* st) const;

  const Request& req_;
  std::mutex stop_mutex_;  // guards stop_seen_, which every stage may note
  std::optional<SteadyClock::time_point> stop_seen_;
  std::optional<SteadyClock::time_point> finish_began_;
  // Levels the muxer cannot write itself, set in the file once it is written.
  std::optional<int> h263_level_;
  std::optional<int> psp_level_;
  // For -benchmark: when the run began, and how long the container's end took.
  const SteadyClock::time_point started_ = SteadyClock::now();
  SteadyClock::duration trailer_time_{};
  int64_t packets_written_ = 0;
  InputPtr in_;
  OutputPtr out_;
  bool output_opened_ = false;
  bool complete_ = false;
  std::string muxer_;
  Path video_, audio_;
  bool silent_audio_ = false;
  // What was asked and is not what is made, told after the output's description.
  std::vector<std::string> adjustments_;
  std::atomic<bool> input_done_ = false;
  double written_seconds_ = 0;
  double video_seconds_ = 0;
  std::atomic<int64_t> decode_errors_ = 0;
  std::chrono::steady_clock::time_point last_progress_ = std::chrono::steady_clock::now();
  PacketPtr packet_{av_packet_alloc()};  // the reader's
};

Conversion::~Conversion() {
  out_.reset();
  in_.reset();
  // A failed run leaves no half-written file behind; a stopped one keeps what it wrote, unless
  // that is nothing.
  if (output_opened_ && !complete_ && (g_stop_signal.load() == 0 || packets_written_ == 0)) {
    system::RemoveFile(req_.output);
  }
}

bool Conversion::Stopping() {
  if (g_stop_signal.load() == 0) return false;
  std::lock_guard lock(stop_mutex_);
  if (!stop_seen_) stop_seen_ = SteadyClock::now();
  return true;
}

bool Conversion::FlushTimeOver() {
  if (!Stopping()) return false;
  std::lock_guard lock(stop_mutex_);
  return SteadyClock::now() - *stop_seen_ > kFlushBudget;
}

int Conversion::OutputInterrupted(void* opaque) {
  auto* self = static_cast<Conversion*>(opaque);
  // Writes before the end are never cut: after the flush time nothing more is written but the
  // end, and a cut write would leave the file without it.
  if (!self->finish_began_ || !self->Stopping()) return 0;
  std::lock_guard lock(self->stop_mutex_);
  const SteadyClock::time_point from = std::max(*self->finish_began_, *self->stop_seen_);
  return SteadyClock::now() - from > kFinishBudget ? 1 : 0;
}

void Conversion::OpenInput() {
  Dictionary options;
  if (req_.alternate_input) {
    // The second way in: look further, make up missing timestamps, drop what is damaged.
    options.Set("probesize", "50000000");
    options.Set("analyzeduration", "30000000");
    options.Set("fflags", "+genpts+discardcorrupt+igndts");
  } else {
    options.Set("probesize", "5000000");
    options.Set("analyzeduration", "5000000");
  }
  vidloom::media::LocalInputOptions open;
  open.demuxer_options = options.get();
  open.interrupt = {InterruptRequested, nullptr};
  if (!req_.input_format.empty()) {
    open.format =
        av_find_input_format(req_.input_format == "qt" ? "mov" : req_.input_format.c_str());
    if (open.format == nullptr) {
      throw Failure{"Unknown format for the input (-f " + req_.input_format + ")"};
    }
  }
  vidloom::media::LocalInput input = vidloom::media::OpenLocalInput(req_.input, open);
  if (g_stop_signal.load() != 0) Fail("stopped");
  switch (input.error) {
    case vidloom::media::LocalInputError::kNone:
      break;
    case vidloom::media::LocalInputError::kNotMedia:
      throw Failure{"Unknown format: " + input.reason};
    case vidloom::media::LocalInputError::kOpenFailed:
      if (input.av_error == AVERROR_INVALIDDATA) {
        throw Failure{"Unknown format: the input is not a readable media file"};
      }
      [[fallthrough]];
    default:
      throw Failure{"Error while opening file: " + input.reason};
  }
  in_.reset(input.context);
  const int info_err = avformat_find_stream_info(in_.get(), nullptr);
  if (g_stop_signal.load() != 0) Fail("stopped");
  if (info_err < 0) throw Failure{"Error while opening file: " + AvError(info_err)};
}

void Conversion::DescribeInput() {
  Print(vidloom::media::DescribeInput(*in_, req_.input));
}

// Microseconds of the input's start (plus -ss) expressed in the stream's time base: subtracted
// from every timestamp so that the output starts at zero.
int64_t Conversion::OffsetIn(const AVStream* st) const {
  int64_t offset = in_->start_time != AV_NOPTS_VALUE ? in_->start_time : 0;
  if (req_.start_seconds && muxer_ != "mjpeg") offset += std::llround(*req_.start_seconds * 1e6);
  return av_rescale_q(offset, AV_TIME_BASE_Q, st->time_base);
}

void Conversion::OpenDecoder(Path& path) {
  const AVStream* st = in_->streams[path.input_index];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (codec == nullptr) {
    throw Failure{"Unsupported codec for input stream #0." + std::to_string(path.input_index)};
  }
  path.decoder.reset(avcodec_alloc_context3(codec));
  if (!path.decoder) Fail("out of memory");
  Check(avcodec_parameters_to_context(path.decoder.get(), st->codecpar), "decoder parameters");
  path.decoder->pkt_timebase = st->time_base;
  path.time_base = st->time_base;
  path.frame_rate = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate
                                                                             : st->r_frame_rate;
  path.offset = OffsetIn(st);
  path.decoder->thread_count = req_.threads;  // 0: as many as the machine has
  if (req_.alternate_input) {
    path.decoder->err_recognition = 0;
    path.decoder->error_concealment = FF_EC_GUESS_MVS | FF_EC_DEBLOCK | FF_EC_FAVOR_INTER;
  }
  const int err = avcodec_open2(path.decoder.get(), codec, nullptr);
  if (err < 0) {
    throw Failure{"Unsupported codec for input stream #0." + std::to_string(path.input_index) +
                  ": " + AvError(err)};
  }
}

void Conversion::BuildGraph(Path& path, const std::string& source_args, const char* source_name,
                            const std::string& chain) {
  if (const std::string& error = LoadFilterLibrary(); !error.empty()) Fail(error);
  path.graph.reset(avfilter_graph_alloc());
  if (!path.graph) Fail("out of memory");
  // One thread: the graph runs on its stage's own thread beside the decoder's threads, and slice
  // threads for its scaling cost more in wake-ups than they gain (a tenth of an SD 3GP's time).
  path.graph->nb_threads = 1;
  av_opt_set(path.graph.get(), "scale_sws_opts", "flags=bicubic", 0);
  const bool video = std::strcmp(source_name, "buffer") == 0;
  Check(avfilter_graph_create_filter(&path.source, avfilter_get_by_name(source_name), "in",
                                     source_args.c_str(), nullptr, path.graph.get()),
        "filter source");
  Check(avfilter_graph_create_filter(&path.sink,
                                     avfilter_get_by_name(video ? "buffersink" : "abuffersink"),
                                     "out", nullptr, nullptr, path.graph.get()),
        "filter sink");
  // The chain's open ends: its input is the source's output "in", its output the sink's "out".
  // Parsing takes the lists and leaves in them what it did not link.
  FilterInOutPtr outputs(avfilter_inout_alloc());
  FilterInOutPtr inputs(avfilter_inout_alloc());
  if (!outputs || !inputs) Fail("out of memory");
  outputs->name = av_strdup("in");
  outputs->filter_ctx = path.source;
  inputs->name = av_strdup("out");
  inputs->filter_ctx = path.sink;
  AVFilterInOut* open_inputs = inputs.release();
  AVFilterInOut* open_outputs = outputs.release();
  const int err = avfilter_graph_parse_ptr(path.graph.get(), chain.c_str(), &open_inputs,
                                           &open_outputs, nullptr);
  inputs.reset(open_inputs);
  outputs.reset(open_outputs);
  Check(err, "filter graph");
  Check(avfilter_graph_config(path.graph.get(), nullptr), "filter graph");
  const AVCodecContext* enc = path.encoder.get();
  if (!video && !(enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
      enc->frame_size > 0) {
    av_buffersink_set_frame_size(path.sink, static_cast<unsigned>(enc->frame_size));
  }
}

void Conversion::AddStream(Path& path) {
  path.stream = avformat_new_stream(out_.get(), nullptr);
  if (path.stream == nullptr) Fail("out of memory");
  Check(avcodec_parameters_from_context(path.stream->codecpar, path.encoder.get()),
        "stream parameters");
  path.stream->time_base = path.encoder->time_base;
  if (path.encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
    path.stream->avg_frame_rate = path.encoder->framerate;
    path.stream->sample_aspect_ratio = path.encoder->sample_aspect_ratio;
  }
}

// Flags every encoder of this output takes: global headers where the container wants them, no
// identification strings under -bitexact.
void Conversion::SetOutputFlags(AVCodecContext* enc) const {
  if (out_->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (req_.bitexact) enc->flags |= AV_CODEC_FLAG_BITEXACT;
}

void Conversion::SetUpVideo(const AVCodec* codec, bool thumbnail) {
  OpenDecoder(video_);
  const AVStream* st = in_->streams[video_.input_index];
  const AVCodecContext* dec = video_.decoder.get();
  if (dec->width <= 0 || dec->height <= 0) Fail("the input video has no frame size");
  VideoSource source;
  source.width = dec->width;
  source.height = dec->height;
  source.pixel_aspect =
      vidloom::media::PixelAspect(dec->sample_aspect_ratio, st->sample_aspect_ratio);
  source.frame_rate = StreamRate(st);
  source.upright = vidloom::media::UprightOf(st);
  const VideoFrame frame = PlanVideoFrame(req_, codec->name, muxer_, thumbnail, source);
  if (!frame.error.empty()) Fail(frame.error);
  adjustments_.insert(adjustments_.end(), frame.adjustments.begin(), frame.adjustments.end());

  OpenVideoEncoder(codec, thumbnail, frame);
  const char* pix = av_get_pix_fmt_name(dec->pix_fmt);
  if (pix == nullptr) Fail("the input video has an unknown pixel format");
  BuildGraph(
      video_, VideoSourceArgs(dec->width, dec->height, pix, st->time_base, source.pixel_aspect),
      "buffer",
      VideoChain(frame, source.upright, thumbnail, av_get_pix_fmt_name(video_.encoder->pix_fmt)));
  AddStream(video_);
}

void Conversion::OpenVideoEncoder(const AVCodec* codec, bool thumbnail, const VideoFrame& frame) {
  video_.encoder.reset(avcodec_alloc_context3(codec));
  AVCodecContext* enc = video_.encoder.get();
  if (enc == nullptr) Fail("out of memory");
  enc->width = frame.width;
  enc->height = frame.height;
  enc->sample_aspect_ratio = frame.pixel_aspect;
  enc->framerate = frame.frame_rate;
  enc->time_base = av_inv_q(frame.frame_rate);
  enc->pix_fmt = thumbnail ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
  // FFmpeg's own MPEG-4 and H.263 encoders get the encoding stage's thread alone for pictures no
  // larger than CIF: slice threads on them cost more in wake-ups than they gain (SD to 3GP: a
  // twelfth of the time). x264 and Xvid keep theirs, which pay or cost nothing.
  const bool small = frame.width * frame.height <= 352 * 288;
  const bool own_mpeg =
      std::strncmp(codec->name, "mpeg4", 5) == 0 || std::strncmp(codec->name, "h263", 4) == 0;
  enc->thread_count = InStages() && small && own_mpeg ? 1 : req_.threads;
  SetOutputFlags(enc);

  const VideoCoding coding =
      PlanVideoCoding(req_, codec->name, muxer_, thumbnail, frame, enc->bit_rate);
  enc->bit_rate = coding.bit_rate;
  enc->rc_max_rate = coding.max_rate;
  enc->rc_buffer_size = coding.buffer_bits;
  if (coding.gop) enc->gop_size = *coding.gop;
  if (coding.tolerance) enc->bit_rate_tolerance = *coding.tolerance;
  if (coding.qscale) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(*coding.qscale * FF_QP2LAMBDA);
  }
  if (coding.jpeg_range) enc->color_range = AVCOL_RANGE_JPEG;
  if (coding.no_b_frames) enc->max_b_frames = 0;
  if (coding.mpeg4_simple_profile) enc->profile = FF_PROFILE_MPEG4_SIMPLE;
  if (coding.mpeg4_level != 0) enc->level = coding.mpeg4_level;
  video_.strip_sei = coding.strip_sei;
  video_.mpeg4_level = coding.mpeg4_level;
  h263_level_ = coding.h263_level;
  psp_level_ = coding.psp_level;

  Dictionary options;
  for (const auto& [key, value] : coding.options) options.Set(key.c_str(), value.c_str());
  Check(avcodec_open2(enc, codec, options.get()),
        std::string("cannot open the video encoder ") + codec->name);
  if (video_.mpeg4_level != 0 && enc->extradata != nullptr) {
    SetMpeg4Level(enc->extradata, enc->extradata_size, video_.mpeg4_level);
  }
}

// The audio encoder's context, filled and not yet opened.
AVCodecContext* Conversion::NewAudioEncoder(const AVCodec* codec, const AudioCoding& coding) {
  audio_.encoder.reset(avcodec_alloc_context3(codec));
  AVCodecContext* enc = audio_.encoder.get();
  if (enc == nullptr) Fail("out of memory");
  enc->sample_rate = coding.sample_rate;
  av_channel_layout_default(&enc->ch_layout, coding.channels);
  enc->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  enc->time_base = {1, coding.sample_rate};
  enc->bit_rate = coding.bit_rate;
  if (coding.aac_low) enc->profile = FF_PROFILE_AAC_LOW;
  SetOutputFlags(enc);
  return enc;
}

void Conversion::SetUpAudio(const AVCodec* codec) {
  OpenDecoder(audio_);
  const AVStream* st = in_->streams[audio_.input_index];
  const AVCodecContext* dec = audio_.decoder.get();
  if (dec->sample_rate <= 0 || dec->ch_layout.nb_channels <= 0) {
    Fail("the input audio has no sample rate or channels");
  }
  const AudioCoding coding = PlanAudioCoding(req_, codec->name, dec->sample_rate,
                                             dec->ch_layout.nb_channels, SupportedRates(codec));
  AVCodecContext* enc = NewAudioEncoder(codec, coding);
  enc->thread_count = req_.threads;
  Check(avcodec_open2(enc, codec, nullptr),
        std::string("cannot open the audio encoder ") + codec->name);
  // What the opened encoder uses, should it change a value of the plan itself.
  AudioCoding used = coding;
  if (enc->bit_rate > 0) used.bit_rate = enc->bit_rate;
  used.sample_rate = enc->sample_rate;
  used.channels = enc->ch_layout.nb_channels;
  const std::vector<std::string> audio = AudioAdjustments(req_, codec->name, used);
  adjustments_.insert(adjustments_.end(), audio.begin(), audio.end());

  av_channel_layout_uninit(&audio_.source_layout);
  if (dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&audio_.source_layout, dec->ch_layout.nb_channels);
  } else {
    av_channel_layout_copy(&audio_.source_layout, &dec->ch_layout);
  }
  audio_.source_rate = dec->sample_rate;
  audio_.source_format = dec->sample_fmt;
  BuildGraph(audio_,
             AudioSourceArgs(st->time_base, dec->sample_rate, SampleFormatName(dec->sample_fmt),
                             ChannelLayoutName(audio_.source_layout)),
             "abuffer",
             AudioChain(req_.volume_factor, enc->sample_rate, SampleFormatName(enc->sample_fmt),
                        ChannelLayoutName(enc->ch_layout)));
  AddStream(audio_);
}

void Conversion::SetUpSilence(const AVCodec* codec) {
  const AudioCoding coding = PlanSilenceCoding(req_, codec->name, SupportedRates(codec));
  AVCodecContext* enc = NewAudioEncoder(codec, coding);
  Check(avcodec_open2(enc, codec, nullptr), "cannot open the audio encoder");
  const int frame = enc->frame_size > 0 ? enc->frame_size : 1024;
  BuildGraph(audio_, SilenceSourceArgs(enc->sample_rate, ChannelLayoutName(enc->ch_layout), frame),
             "anullsrc", SilenceChain(SampleFormatName(enc->sample_fmt)));
  AddStream(audio_);
  silent_audio_ = true;
}

void Conversion::OpenOutput() {
  muxer_ = MuxerFor(req_);
  if (muxer_.empty()) {
    throw Failure{"Unknown format for the output: choose it with -f or the file name extension"};
  }
  AVFormatContext* out = nullptr;
  Check(avformat_alloc_output_context2(&out, nullptr, muxer_.c_str(), nullptr), "output format");
  out_.reset(out);
  // Writing goes on after a stop request, so that the container can be finished.
  out_->interrupt_callback = {OutputInterrupted, this};
  if (req_.bitexact) out_->flags |= AVFMT_FLAG_BITEXACT;

  RefuseOutputPath();
  SetUpStreams();
  CopyMetadata();
  for (unsigned i = 0; i < in_->nb_streams; ++i) {
    const int index = static_cast<int>(i);
    if (index != video_.input_index && index != audio_.input_index) {
      in_->streams[i]->discard = AVDISCARD_ALL;
    }
  }
  OpenOutputFile();
}

// An output path that names the input, a directory, or (without -y) an existing file.
void Conversion::RefuseOutputPath() const {
  const system::PathKind out_kind = system::KindOf(req_.output);
  if (out_kind == system::PathKind::kNothing) return;
  if (system::SameFile(req_.input, req_.output)) {
    Fail("the output file is the input file; choose another output name");
  }
  if (out_kind == system::PathKind::kDirectory) Fail("the output name is a directory");
  if (!req_.overwrite) Fail("the output file exists (give -y to overwrite it)");
}

// The input's video stream with the most pixels, leaving out cover art; -1 when none.
int Conversion::LargestVideoStream() const {
  int video_index = -1;
  for (unsigned i = 0; i < in_->nb_streams; ++i) {
    const AVStream* st = in_->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
        (st->disposition & AV_DISPOSITION_ATTACHED_PIC))
      continue;
    if (video_index < 0 || st->codecpar->width * st->codecpar->height >
                               in_->streams[video_index]->codecpar->width *
                                   in_->streams[video_index]->codecpar->height)
      video_index = static_cast<int>(i);
  }
  return video_index;
}

// The output's streams: the video (unless -vn or an audio container), then the audio (unless
// -an or a thumbnail), or silence where the PSP needs an audio track the input lacks.
void Conversion::SetUpStreams() {
  const bool thumbnail = muxer_ == "mjpeg";
  const bool wants_video = !req_.no_video && !IsAudioOnlyMuxer(muxer_);
  const bool wants_audio = !thumbnail && (!req_.no_audio || muxer_ == "psp");
  const int video_index = LargestVideoStream();
  const int audio_index = av_find_best_stream(in_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);

  if (wants_video) {
    if (video_index < 0) Fail("the input has no video stream for a video output");
    const std::string name = VideoEncoderFor(req_.video_codec, muxer_);
    if (name.empty()) Fail("unknown video codec \"" + req_.video_codec + "\"");
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (codec == nullptr && name == "libxvid") codec = avcodec_find_encoder_by_name("mpeg4");
    if (codec == nullptr) Fail("the video encoder " + name + " is not available");
    video_.input_index = video_index;
    SetUpVideo(codec, thumbnail);
  }
  if (wants_audio) {
    const std::string name = AudioEncoderFor(req_.audio_codec, muxer_);
    if (name.empty()) Fail("unknown audio codec \"" + req_.audio_codec + "\"");
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (codec == nullptr) Fail("the audio encoder " + name + " is not available");
    if (!req_.no_audio && audio_index >= 0) {
      audio_.input_index = audio_index;
      SetUpAudio(codec);
    } else if (muxer_ == "psp" && video_.encoder) {
      // The PSP plays only files with both a video and an audio track.
      SetUpSilence(codec);
    } else if (IsAudioOnlyMuxer(muxer_)) {
      Fail("the input has no audio stream for an audio output");
    }
  }
  if (!video_.encoder && !audio_.encoder) Fail("the output would hold no stream");
}

// The input's own tags (the MP3 tags need at least a title, else the input's base name), then
// -title.
void Conversion::CopyMetadata() {
  av_dict_copy(&out_->metadata, in_->metadata, 0);
  for (const char* key : {"encoder", "major_brand", "minor_version", "compatible_brands"}) {
    av_dict_set(&out_->metadata, key, nullptr, 0);
  }
  if (req_.title) av_dict_set(&out_->metadata, "title", req_.title->c_str(), 0);
  if (muxer_ == "mp3" && av_dict_get(out_->metadata, "title", nullptr, 0) == nullptr) {
    av_dict_set(&out_->metadata, "title", TitleFromPath(req_.input).c_str(), 0);
  }
}

void Conversion::OpenOutputFile() {
  const std::string url = "file:" + req_.output;
  const int err =
      avio_open2(&out_->pb, url.c_str(), AVIO_FLAG_WRITE, &out_->interrupt_callback, nullptr);
  if (err < 0) Fail("cannot open the output file: " + AvError(err));
  output_opened_ = true;
  // The muxer reopens its output by this name to move the index to the front.
  av_freep(&out_->url);
  out_->url = av_strdup(url.c_str());
  if (out_->url == nullptr) Fail("out of memory");
}

void Conversion::WriteHeader() {
  Dictionary options;
  if (muxer_ == "mp3") {
    options.Set("id3v2_version", req_.id3v2 ? "3" : "0");
    options.Set("write_id3v1", req_.id3v1 ? "1" : "0");
  }
  // The index before the media data, so that a player can start before it has read the file.
  if (IsQuickTimeFamily(muxer_)) options.Set("movflags", "+faststart");
  Check(avformat_write_header(out_.get(), options.get()), "cannot write the output header");
  Print("Output #0, " + muxer_ + ", to '" + PrintablePath(req_.output) + "':\n");
  for (Path* path : {&video_, &audio_}) {
    if (path->stream == nullptr) continue;
    const AVCodecContext* enc = path->encoder.get();
    const std::string head = "    Stream #0." + std::to_string(path->stream->index) + ": ";
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      Print(head + "Video: " + enc->codec->name + ", " + std::to_string(enc->width) + "x" +
            std::to_string(enc->height) + ", " + FormatRate(av_q2d(enc->framerate)) + " fps\n");
    } else {
      // The bit rate it encodes at, as a reader compares it with what was chosen.
      std::string rate;
      if (enc->bit_rate > 0) {
        char kbps[32];
        std::snprintf(kbps, sizeof kbps, ", %g kb/s", static_cast<double>(enc->bit_rate) / 1000);
        rate = kbps;
      }
      Print(head + "Audio: " + enc->codec->name + ", " + std::to_string(enc->sample_rate) +
            " Hz, " + ChannelLayoutName(enc->ch_layout) + rate + "\n");
    }
  }
  for (const std::string& adjustment : adjustments_) Print("Adjusted: " + adjustment + "\n");
}

void Conversion::Write(Path& path, AVPacket* packet) {
  packet->stream_index = path.stream->index;
  if (path.strip_sei && path.packets == 0) {
    const std::string stripped = StripH264Sei(std::string(
        reinterpret_cast<const char*>(packet->data), static_cast<size_t>(packet->size)));
    if (stripped.size() < static_cast<size_t>(packet->size)) {
      Check(av_packet_make_writable(packet), "packet");
      std::memcpy(packet->data, stripped.data(), stripped.size());
      av_shrink_packet(packet, static_cast<int>(stripped.size()));
    }
  }
  size_t stats_size = 0;
  const uint8_t* stats = av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &stats_size);
  if (stats != nullptr && stats_size >= 4) {
    int32_t lambda = 0;
    std::memcpy(&lambda, stats, 4);
    if (lambda >= 0) path.quality = static_cast<double>(lambda) / FF_QP2LAMBDA;
  }
  av_packet_rescale_ts(packet, path.encoder->time_base, path.stream->time_base);
  if (packet->pts != AV_NOPTS_VALUE) {
    const double end = static_cast<double>(packet->pts + std::max<int64_t>(packet->duration, 0)) *
                       av_q2d(path.stream->time_base);
    written_seconds_ = std::max(written_seconds_, end);
    if (&path == &video_) video_seconds_ = std::max(video_seconds_, end);
  }
  if (path.mpeg4_level != 0 && (packet->flags & AV_PKT_FLAG_KEY)) {
    Check(av_packet_make_writable(packet), "packet");
    SetMpeg4Level(packet->data, packet->size, path.mpeg4_level);
  }
  ++path.packets;
  ++packets_written_;
  Check(av_interleaved_write_frame(out_.get(), packet), "cannot write the output");
}

void Conversion::Encode(Path& path, AVFrame* frame) {
  AVCodecContext* enc = path.encoder.get();
  int err = avcodec_send_frame(enc, frame);
  if (err == AVERROR_EOF) return;
  Check(err, "encoding failed");
  while (true) {
    // After a stop request the delayed frames are given up once the flush time is over.
    if (frame == nullptr && FlushTimeOver()) return;
    err = avcodec_receive_packet(enc, path.encoded.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
    Check(err, "encoding failed");
    if (path.to_muxer != nullptr) {
      PacketPtr packet(av_packet_alloc());
      if (!packet) Fail("out of memory");
      av_packet_move_ref(packet.get(), path.encoded.get());
      // Refused only when the conversion is ending on a failure elsewhere.
      if (!path.to_muxer->Push({&path, std::move(packet)})) return;
    } else {
      Write(path, path.encoded.get());
      av_packet_unref(path.encoded.get());
    }
  }
}

// Moves every frame the filter graph has ready on to the encoder, or to its stage.
void Conversion::Drain(Path& path) {
  while (true) {
    if (FlushTimeOver()) return;
    const int err = av_buffersink_get_frame(path.sink, path.filtered.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
    Check(err, "filtering failed");
    AVFrame* f = path.filtered.get();
    if (f->pts != AV_NOPTS_VALUE) {
      f->pts =
          av_rescale_q(f->pts, av_buffersink_get_time_base(path.sink), path.encoder->time_base);
    }
    f->pict_type = AV_PICTURE_TYPE_NONE;
    if (path.to_encoder != nullptr) {
      FramePtr frame = NewFrame();
      av_frame_move_ref(frame.get(), f);
      if (!path.to_encoder->Push(std::move(frame))) return;
    } else {
      EncodeFiltered(path, f);
    }
  }
}

// Encodes one filtered frame, up to the -vframes limit; the frame is emptied.
void Conversion::EncodeFiltered(Path& path, AVFrame* frame) {
  const bool limited = &path == &video_ && req_.max_video_frames;
  if (limited && path.frames >= *req_.max_video_frames) {
    input_done_ = true;
    av_frame_unref(frame);
    return;
  }
  ++path.frames;
  Encode(path, frame);
  av_frame_unref(frame);
  if (limited && path.frames >= *req_.max_video_frames) input_done_ = true;
}

// Gives the filter graph one decoded frame, with timestamps made continuous and shifted to start
// at zero; frames before -ss are dropped.
void Conversion::Submit(Path& path, AVFrame* frame) {
  int64_t pts = frame->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) pts = path.next_pts;
  if (pts == AV_NOPTS_VALUE) pts = path.offset;
  int64_t duration = frame->pkt_duration;
  if (path.decoder->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0) {
    duration = av_rescale_q(frame->nb_samples, {1, frame->sample_rate}, path.time_base);
  } else if (duration <= 0) {
    // A frame without a duration lasts one frame of the stream's rate.
    const AVRational rate = path.frame_rate;
    if (rate.num > 0 && rate.den > 0) duration = av_rescale_q(1, av_inv_q(rate), path.time_base);
  }
  path.next_pts = pts + std::max<int64_t>(duration, 0);
  frame->pts = pts - path.offset;
  if (frame->pts < 0 && req_.start_seconds) return;

  if (path.decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
    // The audio graph is built for one sample format, rate and layout; a stream that changes
    // them midway keeps its first parameters and the odd frames are left out.
    if (frame->sample_rate != path.source_rate || frame->format != path.source_format ||
        frame->ch_layout.nb_channels != path.source_layout.nb_channels) {
      ++decode_errors_;
      return;
    }
  }
  const int err = av_buffersrc_add_frame_flags(path.source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
  if (err < 0) {
    ++decode_errors_;
    return;
  }
  Drain(path);
}

void Conversion::Decode(Path& path, const AVPacket* packet) {
  int err = avcodec_send_packet(path.decoder.get(), packet);
  if (err < 0 && err != AVERROR_EOF && err != AVERROR(EAGAIN)) {
    ++decode_errors_;  // damaged data: the decoder skips it, the conversion goes on
    return;
  }
  FramePtr frame = NewFrame();
  while (true) {
    err = avcodec_receive_frame(path.decoder.get(), frame.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
    if (err < 0) {
      ++decode_errors_;
      return;
    }
    Submit(path, frame.get());
    av_frame_unref(frame.get());
    if (input_done_) return;
  }
}

void Conversion::SilenceUntil(double seconds) {
  if (!silent_audio_) return;
  AVCodecContext* enc = audio_.encoder.get();
  while (static_cast<double>(audio_.frames) * enc->frame_size / enc->sample_rate < seconds) {
    const int err = av_buffersink_get_frame(audio_.sink, audio_.filtered.get());
    Check(err, "silence generation failed");
    AVFrame* f = audio_.filtered.get();
    f->pts = audio_.frames * enc->frame_size;
    ++audio_.frames;
    Encode(audio_, f);
    av_frame_unref(f);
  }
}

void Conversion::Progress(bool final) {
  const auto now = std::chrono::steady_clock::now();
  if (!final && now - last_progress_ < std::chrono::milliseconds(500)) return;
  last_progress_ = now;
  int64_t bytes = out_->pb != nullptr ? std::max<int64_t>(avio_tell(out_->pb), 0) : 0;
  // Moving the index to the front ends the writing inside the file: the end names its size.
  if (final && out_->pb != nullptr) bytes = std::max(bytes, avio_size(out_->pb));
  std::optional<int64_t> frames;
  if (video_.encoder) frames = video_.frames;
  Print(ProgressRecord(frames, video_.quality, bytes, written_seconds_) + (final ? "\n" : ""));
}

void Conversion::Transcode() {
  if (const std::optional<PiecePlan> plan = PlanPieces()) {
    TranscodeInPieces(*plan);
  } else if (InStages() && video_.decoder) {
    // A sound alone gains nothing from stages: its decoding is small beside its encoding.
    TranscodeInStages();
  } else {
    TranscodeInOrder();
  }
}

// The input has ended (or a stop request ended the reading): the decoder gives its delayed
// frames unless stopped, and the filter graph what it holds.
void Conversion::EndOfInput(Path& path, bool stopped) {
  if (!input_done_ && !stopped) Decode(path, nullptr);
  // The input ends where its last frame ends, not where it begins: the frame-rate conversion
  // then keeps the last frame, as the ffmpeg command line does.
  const int64_t end = path.next_pts != AV_NOPTS_VALUE ? path.next_pts - path.offset : 0;
  Check(av_buffersrc_close(path.source, end, AV_BUFFERSRC_FLAG_PUSH), "filtering failed");
  Drain(path);
}

void Conversion::CheckOutcome(bool stopped) {
  if (stopped && packets_written_ == 0) Fail("stopped");
  if (video_.encoder && video_.frames == 0) Fail("no video frame could be decoded from the input");
  if (audio_.decoder && audio_.frames == 0) Fail("no audio could be decoded from the input");
}

// Everything on this thread, one packet after another (-threads 1: the caller shares the
// processors out itself).
void Conversion::TranscodeInOrder() {
  // A stop request ends the reading; what was read is then encoded and the container finished,
  // so that the partial output plays.
  while (!input_done_ && !Stopping()) {
    const int err = av_read_frame(in_.get(), packet_.get());
    if (err == AVERROR(EAGAIN)) continue;
    if (err < 0) break;  // end of the input, a stop, or a read error: finish what was read
    PacketPtr packet(av_packet_clone(packet_.get()));
    av_packet_unref(packet_.get());
    if (!packet) Fail("out of memory");
    if (packet->stream_index == video_.input_index && video_.decoder) {
      Decode(video_, packet.get());
      SilenceUntil(video_seconds_);
    } else if (packet->stream_index == audio_.input_index && audio_.decoder) {
      Decode(audio_, packet.get());
    }
    Progress(false);
  }
  const bool stopped = Stopping();
  for (Path* path : {&video_, &audio_}) {
    if (!path->decoder) continue;
    EndOfInput(*path, stopped);
    Encode(*path, nullptr);
    if (path == &video_) SilenceUntil(video_seconds_);
  }
  if (silent_audio_) Encode(audio_, nullptr);
  CheckOutcome(stopped);
}

// Reads the input and hands each stream's packets to its decoding stage, until the input ends,
// a stop is requested, enough frames were made, or a stage wants no more.
void Conversion::ReadPackets(WorkQueue<PacketPtr>* video, WorkQueue<PacketPtr>* audio) {
  while (!input_done_ && !Stopping()) {
    const int err = av_read_frame(in_.get(), packet_.get());
    if (err == AVERROR(EAGAIN)) continue;
    if (err < 0) break;
    WorkQueue<PacketPtr>* queue = packet_->stream_index == video_.input_index   ? video
                                  : packet_->stream_index == audio_.input_index ? audio
                                                                                : nullptr;
    if (queue == nullptr) {
      av_packet_unref(packet_.get());
      continue;
    }
    PacketPtr packet(av_packet_alloc());
    if (!packet) Fail("out of memory");
    av_packet_move_ref(packet.get(), packet_.get());
    if (!queue->Push(std::move(packet))) break;
  }
  if (video != nullptr) video->Close();
  if (audio != nullptr) audio->Close();
}

// Decodes and filters one stream; its frames go on to the encoding stage, or are encoded here
// when the path has none.
void Conversion::DecodeStage(Path& path, WorkQueue<PacketPtr>& packets) {
  // Packets still queued at a stop request count as unread: the reading ended there.
  while (std::optional<PacketPtr> packet = packets.Pop()) {
    if (Stopping()) break;
    Decode(path, packet->get());
    if (input_done_) break;
  }
  // The reader may be waiting for room: it learns that no more is wanted.
  packets.Abort();
  EndOfInput(path, Stopping());
  if (path.to_encoder != nullptr) {
    path.to_encoder->Close();
  } else {
    Encode(path, nullptr);
  }
}

// Frames still queued after a stop request are encoded within the flush time only, as the
// filter graph's are: the caller waits a short while for the finished file.
void Conversion::EncodeStage(Path& path, WorkQueue<FramePtr>& frames) {
  while (std::optional<FramePtr> frame = frames.Pop()) {
    if (FlushTimeOver()) break;
    EncodeFiltered(path, frame->get());
  }
  frames.Abort();  // the decoding stage may be waiting for room
  Encode(path, nullptr);
}

// The same work in stages that run side by side: reading; the video's decoding and filtering;
// its encoding; the audio's decoding, filtering and encoding; and, on this thread, writing the
// file (and the generated silence, which follows the video written). Bounded queues link them,
// so a slow stage holds the ones before it back and memory stays bounded.
void Conversion::TranscodeInStages() {
  constexpr size_t kPacketsQueued = 64;
  constexpr size_t kFramesQueued = 8;
  constexpr size_t kOutgoingQueued = 256;
  WorkQueue<PacketPtr> video_packets(kPacketsQueued);
  WorkQueue<PacketPtr> audio_packets(kPacketsQueued);
  WorkQueue<FramePtr> video_frames(kFramesQueued);
  WorkQueue<Outgoing> outgoing(kOutgoingQueued);
  const bool video = video_.decoder != nullptr;
  const bool audio = audio_.decoder != nullptr;
  std::atomic<int> producers = (video ? 1 : 0) + (audio ? 1 : 0);
  const auto produced = [&] {
    if (--producers == 0) outgoing.Close();
  };
  Stages stages([&] {
    video_packets.Abort();
    audio_packets.Abort();
    video_frames.Abort();
    outgoing.Abort();
  });
  if (video) {
    video_.to_encoder = &video_frames;
    video_.to_muxer = &outgoing;
    stages.Start([&] { DecodeStage(video_, video_packets); });
    stages.Start([&] {
      EncodeStage(video_, video_frames);
      produced();
    });
  }
  if (audio) {
    audio_.to_muxer = &outgoing;
    stages.Start([&] {
      DecodeStage(audio_, audio_packets);
      produced();
    });
  }
  stages.Start(
      [&] { ReadPackets(video ? &video_packets : nullptr, audio ? &audio_packets : nullptr); });

  while (std::optional<Outgoing> item = outgoing.Pop()) {
    Write(*item->path, item->packet.get());
    if (item->path == &video_) SilenceUntil(video_seconds_);
    Progress(false);
  }
  stages.Finish();
  video_.to_encoder = nullptr;
  video_.to_muxer = nullptr;
  audio_.to_muxer = nullptr;
  SilenceUntil(video_seconds_);
  if (silent_audio_) Encode(audio_, nullptr);
  CheckOutcome(Stopping());
}

// MP3's encoder has no threads of its own: a sound of some length is cut into pieces that are
// encoded at once and joined (see mp3_joins.h). Nothing when that does not pay: another
// format, one processor, -threads 1, or a sound shorter than two pieces of the least length.
std::optional<PiecePlan> Conversion::PlanPieces() const {
  if (!InStages() || video_.encoder || !audio_.decoder ||
      std::strcmp(audio_.encoder->codec->name, "libmp3lame") != 0) {
    return std::nullopt;
  }
  const AVCodecContext* enc = audio_.encoder.get();
  if (enc->frame_size <= 0) return std::nullopt;
  PiecePlan plan;
  plan.workers = req_.threads > 0
                     ? req_.threads
                     : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  if (plan.workers < 2) return std::nullopt;
  const double frames_per_second = static_cast<double>(enc->sample_rate) / enc->frame_size;
  // Seconds. A worker holds a whole piece of decoded sound (30 s of 48 kHz stereo: 11 MB), so
  // that the next worker can start; longer pieces spend less on their overlaps.
  constexpr double kLongestPiece = 30;
  constexpr double kShortestPiece = 2;
  const auto longest = static_cast<int64_t>(kLongestPiece * frames_per_second);
  const auto shortest = static_cast<int64_t>(kShortestPiece * frames_per_second);
  if (in_->duration == AV_NOPTS_VALUE || in_->duration <= 0) {
    plan.length = longest;  // a length unknown: pieces of the longest length
    return plan;
  }
  const double seconds =
      static_cast<double>(in_->duration) / AV_TIME_BASE - req_.start_seconds.value_or(0);
  const auto frames = static_cast<int64_t>(std::ceil(seconds * frames_per_second));
  // As many pieces as keep every worker busy to the end, none longer than the longest.
  const int64_t per_round = longest * plan.workers;
  const int64_t rounds = std::max<int64_t>(1, (frames + per_round - 1) / per_round);
  const int64_t pieces = rounds * plan.workers;
  plan.length = (frames + pieces - 1) / pieces;
  if (plan.length < shortest) return std::nullopt;
  return plan;
}

// A new encoder set as the model is, for a piece of its sound.
CodecPtr Conversion::AudioEncoderLike(const AVCodecContext* model) {
  CodecPtr enc(avcodec_alloc_context3(model->codec));
  if (!enc) Fail("out of memory");
  enc->sample_rate = model->sample_rate;
  Check(av_channel_layout_copy(&enc->ch_layout, &model->ch_layout), "audio encoder");
  enc->sample_fmt = model->sample_fmt;
  enc->time_base = model->time_base;
  enc->bit_rate = model->bit_rate;
  enc->profile = model->profile;
  enc->flags = model->flags;
  Check(avcodec_open2(enc.get(), model->codec, nullptr),
        std::string("cannot open the audio encoder ") + model->codec->name);
  return enc;
}

// Hands each filtered frame to the encoders of the pieces it belongs to (one, or two where
// pieces overlap), and tells each piece's encoder where its piece ends.
void Conversion::DealSound(WorkQueue<FramePtr>& sound,
                           std::vector<std::unique_ptr<WorkQueue<PieceWork>>>& work,
                           const PiecePlan& plan) {
  const auto worker = [&](int64_t piece) -> WorkQueue<PieceWork>& {
    return *work[static_cast<size_t>(piece % plan.workers)];
  };
  int64_t dealt = 0;
  int64_t open = 0;  // the first piece not yet ended
  while (std::optional<FramePtr> frame = sound.Pop()) {
    const int64_t home = dealt / plan.length;
    for (int64_t piece = std::max<int64_t>(0, home - 1); piece <= home + 1; ++piece) {
      if (dealt < plan.Begin(piece) || dealt >= plan.End(piece)) continue;
      FramePtr copy = NewFrame();
      Check(av_frame_ref(copy.get(), frame->get()), "audio frame");
      if (!worker(piece).Push({piece, std::move(copy)})) return;
      if (dealt == plan.End(piece) - 1) {
        if (!worker(piece).Push({piece, nullptr})) return;
        open = piece + 1;
      }
    }
    ++dealt;
    ++audio_.frames;
  }
  // The sound's end ends the pieces still open: those that have frames, or the first.
  for (int64_t piece = open; piece == open || plan.Begin(piece) < dealt; ++piece) {
    if (!worker(piece).Push({piece, nullptr})) return;
  }
  for (auto& queue : work) queue->Close();
}

// Encodes the pieces a worker is dealt, one after another, each with an encoder of its own.
void Conversion::EncodePieces(WorkQueue<PieceWork>& work, WorkQueue<SoundPiece>& done,
                              const PiecePlan& plan) {
  std::optional<SoundPiece> piece;
  CodecPtr enc;
  PacketPtr packet(av_packet_alloc());
  if (!packet) Fail("out of memory");
  const auto receive = [&](bool flushing) {
    while (!(flushing && FlushTimeOver())) {
      const int err = avcodec_receive_packet(enc.get(), packet.get());
      if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
      Check(err, "encoding failed");
      PacketPtr kept(av_packet_alloc());
      if (!kept) Fail("out of memory");
      av_packet_move_ref(kept.get(), packet.get());
      piece->packets.push_back(std::move(kept));
    }
  };
  while (std::optional<PieceWork> item = work.Pop()) {
    if (!piece) {
      piece = SoundPiece{plan.Begin(item->piece), {}};
      enc = AudioEncoderLike(audio_.encoder.get());
    }
    if (item->frame) {
      if (FlushTimeOver()) continue;  // after a stop, within the flush time only
      Check(avcodec_send_frame(enc.get(), item->frame.get()), "encoding failed");
      receive(false);
      continue;
    }
    const int err = avcodec_send_frame(enc.get(), nullptr);
    if (err != AVERROR_EOF) Check(err, "encoding failed");
    receive(true);
    if (!done.Push(std::move(*piece))) return;
    piece.reset();
  }
  done.Close();
}

// Chooses where piece `b` (the piece-th) takes over from `a`, the piece before it, and readies
// a's frames for it (mp3_joins.h); the index of the first frame taken from b, or -1 when no
// join holds.
int64_t Conversion::JoinPieces(SoundPiece& a, const SoundPiece& b, const PiecePlan& plan,
                               int64_t piece) {
  const auto bytes_of = [](const SoundPiece& p) {
    Mp3Piece out{p.first, {}};
    for (const PacketPtr& packet : p.packets) {
      out.frames.emplace_back(packet->data, packet->data + packet->size);
    }
    return out;
  };
  Mp3Piece in_a = bytes_of(a);
  const Mp3Piece in_b = bytes_of(b);
  const std::optional<int64_t> join =
      ChooseMp3Join(in_a, in_b, plan.Begin(piece) + PiecePlan::kSettled, plan.End(piece - 1) - 3,
                    piece * plan.length);
  if (!join) return -1;
  PatchMp3Join(in_a, in_b, *join);
  for (size_t i = 0; i < a.packets.size(); ++i) {
    AVPacket* packet = a.packets[i].get();
    const std::vector<uint8_t>& patched = in_a.frames[i];
    if (std::memcmp(packet->data, patched.data(), patched.size()) == 0) continue;
    Check(av_packet_make_writable(packet), "packet");
    std::memcpy(packet->data, patched.data(), patched.size());
  }
  return *join;
}

// Writes the piece's packets for the frames [from, to) of the whole stream.
void Conversion::WritePiece(SoundPiece& piece, int64_t from, int64_t to) {
  const auto count = static_cast<int64_t>(piece.packets.size());
  const int64_t end = std::min(count, to - piece.first);
  for (int64_t i = std::max<int64_t>(0, from - piece.first); i < end; ++i) {
    Write(audio_, piece.packets[static_cast<size_t>(i)].get());
    Progress(false);
  }
}

// Reading, decoding and filtering as in stages; the frames then dealt out to one encoder per
// piece, on as many workers; this thread joins the pieces in order and writes them.
void Conversion::TranscodeInPieces(const PiecePlan& plan) {
  WorkQueue<PacketPtr> packets(64);
  WorkQueue<FramePtr> sound(64);
  // A worker's queue holds a whole piece, so that the dealer can go on to the next worker's
  // piece while it encodes.
  const auto piece_frames =
      static_cast<size_t>(plan.length + PiecePlan::kLead + PiecePlan::kTail + 2);
  std::vector<std::unique_ptr<WorkQueue<PieceWork>>> work;
  std::vector<std::unique_ptr<WorkQueue<SoundPiece>>> done;
  for (int i = 0; i < plan.workers; ++i) {
    work.push_back(std::make_unique<WorkQueue<PieceWork>>(piece_frames));
    done.push_back(std::make_unique<WorkQueue<SoundPiece>>(2));
  }
  Stages stages([&] {
    packets.Abort();
    sound.Abort();
    for (auto& queue : work) queue->Abort();
    for (auto& queue : done) queue->Abort();
  });
  audio_.to_encoder = &sound;
  for (size_t i = 0; i < work.size(); ++i) {
    stages.Start([&, i] { EncodePieces(*work[i], *done[i], plan); });
  }
  stages.Start([&] { DealSound(sound, work, plan); });
  stages.Start([&] { DecodeStage(audio_, packets); });
  stages.Start([&] { ReadPackets(nullptr, &packets); });

  std::optional<SoundPiece> held;
  int64_t held_from = 0;
  for (int64_t piece = 0;; ++piece) {
    std::optional<SoundPiece> next = done[static_cast<size_t>(piece % plan.workers)]->Pop();
    if (!next) break;
    if (!held) {
      held = std::move(next);
      continue;
    }
    const int64_t held_end = held->first + static_cast<int64_t>(held->packets.size());
    const int64_t next_end = next->first + static_cast<int64_t>(next->packets.size());
    const int64_t join = JoinPieces(*held, *next, plan, piece);
    if (join < 0) {
      // The next piece has no frame where a join could be: it is the last and adds nothing
      // (the held one reaches the end), or a stop cut it short. The held one ends the file.
      if (next_end > held_end && !Stopping()) Fail("the pieces of the sound could not be joined");
      break;
    }
    WritePiece(*held, held_from, join);
    held = std::move(next);
    held_from = join;
  }
  if (held) WritePiece(*held, held_from, INT64_MAX);
  // Pieces after a stop are not wanted: the stages still at them are ended.
  stages.Stop();
  stages.Finish();
  audio_.to_encoder = nullptr;
  CheckOutcome(Stopping());
}

void Conversion::MakeThumbnail() {
  const AVStream* st = in_->streams[video_.input_index];
  const double wanted = req_.start_seconds.value_or(0);
  const int64_t start = in_->start_time != AV_NOPTS_VALUE ? in_->start_time : 0;
  FramePtr held = NewFrame();
  bool have = false;
  bool chosen = false;
  for (int attempt = 0; attempt < 2 && !chosen && !have; ++attempt) {
    if (attempt == 0 && wanted > 0) {
      const int64_t target = start + std::llround(wanted * AV_TIME_BASE);
      if (avformat_seek_file(in_.get(), -1, INT64_MIN, target, target, 0) < 0) continue;
    } else if (attempt == 1) {
      // The seek gave nothing (it went past the end, say): read from the beginning.
      if (wanted <= 0) break;
      avformat_seek_file(in_.get(), -1, INT64_MIN, start, start, 0);
    }
    avcodec_flush_buffers(video_.decoder.get());
    FramePtr frame = NewFrame();
    bool eof = false;
    while (!chosen && !eof) {
      if (g_stop_signal.load() != 0) Fail("stopped");
      const int err = av_read_frame(in_.get(), packet_.get());
      const bool mine = err >= 0 && packet_->stream_index == video_.input_index;
      if (err < 0) eof = true;
      if (err >= 0 && !mine) {
        av_packet_unref(packet_.get());
        continue;
      }
      if (avcodec_send_packet(video_.decoder.get(), eof ? nullptr : packet_.get()) < 0) {
        ++decode_errors_;
      }
      av_packet_unref(packet_.get());
      while (avcodec_receive_frame(video_.decoder.get(), frame.get()) >= 0) {
        const int64_t pts = frame->best_effort_timestamp;
        av_frame_unref(held.get());
        av_frame_move_ref(held.get(), frame.get());
        have = true;
        if (pts != AV_NOPTS_VALUE &&
            static_cast<double>(pts) * av_q2d(st->time_base) - start / 1e6 >= wanted - 1e-3) {
          chosen = true;
          break;
        }
      }
    }
  }
  if (!have) Fail("no picture could be decoded from the input");
  held->pts = 0;
  Check(av_buffersrc_add_frame_flags(video_.source, held.get(), 0), "filtering failed");
  Check(av_buffersrc_add_frame_flags(video_.source, nullptr, 0), "filtering failed");
  Drain(video_);
  Encode(video_, nullptr);
  if (video_.packets == 0) Fail("the picture could not be encoded");
}

void Conversion::Finish() {
  // Moving the index to the front rewrites the whole file: after a stop request there is no
  // time for it, the index then stays at the end.
  if (Stopping() && IsQuickTimeFamily(muxer_)) {
    av_opt_set(out_->priv_data, "movflags", "-faststart", 0);
  }
  const SteadyClock::time_point trailer_begin = SteadyClock::now();
  finish_began_ = trailer_begin;
  Check(av_write_trailer(out_.get()), "cannot finish the output file");
  trailer_time_ = SteadyClock::now() - trailer_begin;
  Progress(true);
  Check(avio_closep(&out_->pb), "cannot close the output file");
  output_opened_ = false;
  if (const std::string error = PatchLevels(req_.output, h263_level_, psp_level_); !error.empty()) {
    Fail(error);
  }
  complete_ = true;
}

int Conversion::Run() {
  OpenInput();
  DescribeInput();
  if (req_.output.empty()) {
    Print("At least one output file must be specified\n");
    return 1;
  }
  OpenOutput();
  WriteHeader();
  if (muxer_ == "mjpeg") {
    MakeThumbnail();
  } else {
    Transcode();
  }
  Finish();
  if (req_.benchmark) {
    // The whole run and the container's end (for MP4, moving the index to the front).
    const auto seconds = [](SteadyClock::duration d) {
      char text[32];
      std::snprintf(text, sizeof text, "%.3fs", std::chrono::duration<double>(d).count());
      return std::string(text);
    };
    Print("bench: rtime=" + seconds(SteadyClock::now() - started_) +
          " trailer=" + seconds(trailer_time_) + "\n");
  }
  return 0;
}

}  // namespace

int RunRequest(const Request& request) {
  try {
    Conversion conversion(request);
    const int code = conversion.Run();
    if (code == 0 && g_stop_signal.load() != 0) {
      PrintError("conversion stopped by signal " + std::to_string(g_stop_signal.load()) +
                 "; the output holds what was converted until then");
      return 255;
    }
    return code;
  } catch (const Failure& failure) {
    if (g_stop_signal.load() != 0) {
      PrintError("conversion stopped by signal " + std::to_string(g_stop_signal.load()));
      return 255;
    }
    PrintMarkedLine(failure.line);
    return 1;
  } catch (const std::bad_alloc&) {
    PrintError("out of memory");
    return 1;
  }
}

}  // namespace raziz2u
