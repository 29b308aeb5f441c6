// The boxes (atoms) of an ISO base media file (MP4, 3GP, 3G2, PSP): a small reader of their
// headers, and the patches the muxer cannot make itself (the H.263 level in the
// "d263" box, the video level in the PSP's "PROF" box).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace raziz2u {

struct Box {
  std::string type;     // four characters
  uint64_t offset = 0;  // of the box's first byte in the file
  uint64_t size = 0;    // the whole box, header included
  uint64_t header = 8;  // 8, or 16 with a 64-bit size
  uint64_t payload() const { return offset + header; }
  uint64_t end() const { return offset + size; }
};

// The boxes of `data` (a whole file or a box's bytes loaded from `base`) between `begin` and
// `end`; a truncated or malformed box ends the list.
std::vector<Box> BoxesIn(const std::string& data, uint64_t begin, uint64_t end, uint64_t base = 0);

// The children of `box`: of container boxes (moov, trak, mdia, minf, stbl, dinf, edts, udta),
// of "stsd" (its sample entries) and of visual and audio sample entries (their extension
// boxes). Empty for other boxes. `data` holds the file from `base` on.
std::vector<Box> ChildBoxes(const std::string& data, const Box& box, uint64_t base = 0);

// Sets, in the file at `path`, the H.263 level of the "d263" box (when `h263_level`) and the
// level of the video profile in the PSP's "PROF" box (when `psp_level`: 21 for H.264 level 2.1,
// the Simple-profile level for MPEG-4). Reads only the boxes' headers and the index; the file
// keeps its size. Returns an error text, empty on success (also when there is nothing to patch).
std::string PatchLevels(const std::string& path, std::optional<int> h263_level,
                        std::optional<int> psp_level);

}  // namespace raziz2u
