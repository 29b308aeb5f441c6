#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Joining MP3 streams that independent encoders made of overlapping pieces of one sound.
//
// A Layer III frame keeps part of its coded data ("main data") in the frames before it: the
// first main_data_begin bytes lie in the unused end of earlier frames' payloads (the bit
// reservoir). Two encoders that start at different points fill their reservoirs differently,
// so the frame where piece B takes over from piece A may point back at bytes that only B's
// stream holds. The join is therefore placed at a frame g where the payload bytes A left unused
// after its frame g-1 are at least as many as B's frame g borrows, and those bytes are copied
// from B's stream into A's, so that the joined stream decodes as B from frame g on.
namespace raziz2u {

// What a frame's header and side information tell about its main data.
struct Mp3Frame {
  int payload_offset = 0;   // where the main data area begins: after header, CRC, side info
  int main_data_begin = 0;  // bytes of its main data held in the frames before it
  int main_data_bytes = 0;  // the length of its main data
};

// Reads one whole Layer III frame (one packet of the MP3 encoder); nothing when it is not one.
std::optional<Mp3Frame> ReadMp3Frame(std::span<const uint8_t> frame);

// One piece's frames, in order, with the index in the whole stream of its first frame.
struct Mp3Piece {
  int64_t first = 0;
  std::vector<std::vector<uint8_t>> frames;
};

// The join between piece `a` and the next piece `b`, whose frames overlap: the first frame
// taken from `b`, the one of the candidates in [from, to] nearest to `target` where the join
// holds. Should none hold (not seen with the encoder's streams, whose reservoirs settle alike),
// the one that lacks the fewest bytes: that frame is then misread, the file stays whole.
// Nothing when the pieces have no frame in [from, to] (or a frame cannot be read).
std::optional<int64_t> ChooseMp3Join(const Mp3Piece& a, const Mp3Piece& b, int64_t from, int64_t to,
                                     int64_t target);

// Copies into a's frames before `join` the bytes that b's frame `join` borrows from the frames
// before it (as many as a left free); a's frames from `join` on are then to be replaced by b's.
void PatchMp3Join(Mp3Piece& a, const Mp3Piece& b, int64_t join);

}  // namespace raziz2u
