// Letterbox padding: the source picture scaled into the selected frame size with its aspect
// ratio kept, the rest of the frame filled with two equal bars. Arithmetic in double precision;
// the bars are whole, even numbers taken from the picture side, so picture plus bars is exactly
// the target frame.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vidloom {

inline constexpr std::string_view kLetterboxError = "error";

// `video_size` is a row's "Video Size" ("640 x 480"), `size_fragment` a SizeFragment result
// (" -s 368x208").
// 0: no padding (equal ratios, a zero source side, or a size that cannot be read);
// 1: the source is wider than the target (bars above and below);
// 2: the source is taller than the target (bars left and right).
int LetterboxOrientation(std::string_view video_size, std::string_view size_fragment);
// " -s <tw>x<h> -padtop <bar> -padbottom <bar>" (no padding options for a bar of 0), or "error".
std::string LetterboxTopBottom(std::string_view video_size, std::string_view size_fragment);
// " -s <w>x<th> -padleft <bar> -padright <bar>" (no padding options for a bar of 0), or "error".
std::string LetterboxLeftRight(std::string_view video_size, std::string_view size_fragment);

// The size option that letterboxes a picture shown at `source_width` x `source_height` into the
// target frame: LetterboxTopBottom or LetterboxLeftRight as the orientation picks, over numbers;
// none when the picture needs no bars or cannot be letterboxed (an unknown side, an odd bar),
// and the plain size option stays.
std::optional<std::string> LetterboxSizeOption(int source_width, int source_height,
                                               int target_width, int target_height);

}  // namespace vidloom
