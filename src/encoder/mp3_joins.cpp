#include "mp3_joins.h"

#include <algorithm>
#include <cstdlib>

namespace raziz2u {
namespace {

class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  // Nothing past the end: the caller has checked the length.
  unsigned Read(int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++position_) {
      const uint8_t byte = bytes_[position_ / 8];
      value = (value << 1) | ((byte >> (7 - position_ % 8)) & 1u);
    }
    return value;
  }
  void Skip(int count) { position_ += static_cast<size_t>(count); }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

// Where each frame's payload begins in the piece's run of payloads (the frames' main data
// areas one after another), with one more entry for the end of the last.
struct Layout {
  std::vector<Mp3Frame> frames;
  std::vector<int64_t> payload_start;
};

std::optional<Layout> LayOut(const Mp3Piece& piece, size_t count) {
  Layout layout;
  layout.payload_start.push_back(0);
  for (size_t i = 0; i < count; ++i) {
    const std::optional<Mp3Frame> frame = ReadMp3Frame(piece.frames[i]);
    if (!frame) return std::nullopt;
    layout.frames.push_back(*frame);
    const auto payload = static_cast<int64_t>(piece.frames[i].size()) - frame->payload_offset;
    layout.payload_start.push_back(layout.payload_start.back() + payload);
  }
  return layout;
}

// The byte at a place of the run of payloads (Frames: const or not).
template <typename Frames>
auto& PayloadByte(Frames& frames, const Layout& layout, int64_t place) {
  const auto next =
      std::upper_bound(layout.payload_start.begin(), layout.payload_start.end(), place);
  const auto i = static_cast<size_t>(next - layout.payload_start.begin() - 1);
  return frames[i][static_cast<size_t>(layout.frames[i].payload_offset +
                                       (place - layout.payload_start[i]))];
}

}  // namespace

std::optional<Mp3Frame> ReadMp3Frame(std::span<const uint8_t> frame) {
  if (frame.size() < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0) return std::nullopt;
  const int version = (frame[1] >> 3) & 3;  // 0: MPEG-2.5, 2: MPEG-2, 3: MPEG-1
  const int layer = (frame[1] >> 1) & 3;    // 1: Layer III
  if (version == 1 || layer != 1) return std::nullopt;
  const bool crc = (frame[1] & 1) == 0;
  const bool mono = ((frame[3] >> 6) & 3) == 3;
  const bool mpeg1 = version == 3;
  const int channels = mono ? 1 : 2;
  const int side_info = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  Mp3Frame out;
  out.payload_offset = 4 + (crc ? 2 : 0) + side_info;
  if (frame.size() < static_cast<size_t>(out.payload_offset)) return std::nullopt;

  BitReader bits(frame.subspan(static_cast<size_t>(4 + (crc ? 2 : 0))));
  int total_bits = 0;
  if (mpeg1) {
    out.main_data_begin = static_cast<int>(bits.Read(9));
    bits.Skip(mono ? 5 : 3);  // private bits
    bits.Skip(4 * channels);  // scale factor selection
    for (int granule = 0; granule < 2; ++granule) {
      for (int channel = 0; channel < channels; ++channel) {
        total_bits += static_cast<int>(bits.Read(12));  // part2_3_length
        bits.Skip(59 - 12);
      }
    }
  } else {
    out.main_data_begin = static_cast<int>(bits.Read(8));
    bits.Skip(mono ? 1 : 2);
    for (int channel = 0; channel < channels; ++channel) {
      total_bits += static_cast<int>(bits.Read(12));
      bits.Skip(63 - 12);
    }
  }
  out.main_data_bytes = (total_bits + 7) / 8;
  return out;
}

std::optional<int64_t> ChooseMp3Join(const Mp3Piece& a, const Mp3Piece& b, int64_t from, int64_t to,
                                     int64_t target) {
  from = std::max({from, a.first + 1, b.first + 1});
  to = std::min({to, a.first + static_cast<int64_t>(a.frames.size()) - 1,
                 b.first + static_cast<int64_t>(b.frames.size()) - 1});
  if (from > to) return std::nullopt;
  const std::optional<Layout> in_a = LayOut(a, static_cast<size_t>(to - a.first));
  const std::optional<Layout> in_b = LayOut(b, static_cast<size_t>(to - b.first + 1));
  if (!in_a || !in_b) return std::nullopt;

  // The end of a's main data so far, frame by frame.
  std::vector<int64_t> used_to;
  int64_t end = 0;
  for (size_t i = 0; i < in_a->frames.size(); ++i) {
    const Mp3Frame& f = in_a->frames[i];
    end = std::max(end, in_a->payload_start[i] - f.main_data_begin + f.main_data_bytes);
    used_to.push_back(end);
  }
  // The best: one that holds, nearest the target; failing that, the one that lacks the fewest
  // bytes.
  std::optional<int64_t> best;
  int64_t best_lack = 0;
  for (int64_t g = from; g <= to; ++g) {
    const auto ia = static_cast<size_t>(g - a.first);
    const auto ib = static_cast<size_t>(g - b.first);
    const int64_t free_in_a = in_a->payload_start[ia] - used_to[ia - 1];
    const int borrowed = in_b->frames[ib].main_data_begin;
    if (borrowed > in_b->payload_start[ib]) continue;
    const int64_t lack = std::max<int64_t>(0, borrowed - free_in_a);
    if (!best || lack < best_lack ||
        (lack == best_lack && std::llabs(g - target) < std::llabs(*best - target))) {
      best = g;
      best_lack = lack;
    }
  }
  return best;
}

void PatchMp3Join(Mp3Piece& a, const Mp3Piece& b, int64_t join) {
  const auto ia = static_cast<size_t>(join - a.first);
  const auto ib = static_cast<size_t>(join - b.first);
  const std::optional<Layout> in_a = LayOut(a, ia);
  const std::optional<Layout> in_b = LayOut(b, ib + 1);
  if (!in_a || !in_b) return;
  // a's own main data is never written over: a join that lacks bytes gets only those a left
  // free, and b's first frame then misreads the rest.
  int64_t used_to = 0;
  for (size_t i = 0; i < ia; ++i) {
    const Mp3Frame& f = in_a->frames[i];
    used_to = std::max(used_to, in_a->payload_start[i] - f.main_data_begin + f.main_data_bytes);
  }
  const auto borrowed = static_cast<int>(
      std::min<int64_t>(in_b->frames[ib].main_data_begin, in_a->payload_start[ia] - used_to));
  for (int x = 0; x < borrowed; ++x) {
    PayloadByte(a.frames, *in_a, in_a->payload_start[ia] - borrowed + x) =
        PayloadByte(b.frames, *in_b, in_b->payload_start[ib] - borrowed + x);
  }
}

}  // namespace raziz2u
