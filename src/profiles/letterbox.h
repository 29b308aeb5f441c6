// Letterbox padding: the source picture scaled into the selected frame size with its aspect
// ratio kept, the rest of the frame filled with two equal bars. Arithmetic in double precision;
// the bars are whole, even numbers taken from the picture side, so picture plus bars is exactly
// the target frame.
#pragma once

#include <string>
#include <string_view>

#include "model/forms.h"

namespace vidloom {

inline constexpr std::string_view kLetterboxError = "error";

// 0: no padding (equal ratios, a zero source side, or a size that cannot be read);
// 1: the source is wider than the target (bars above and below);
// 2: the source is taller than the target (bars left and right).
int LetterboxOrientation(const TForm1& form, int row);
// " -s <tw>x<h> -padtop <bar> -padbottom <bar>" (no padding options for a bar of 0), or "error".
std::string LetterboxTopBottom(const TForm1& form, int row);
// " -s <w>x<th> -padleft <bar> -padright <bar>" (no padding options for a bar of 0), or "error".
std::string LetterboxLeftRight(const TForm1& form, int row);

// The same rules on explicit inputs: `video_size` is a "Video Size" cell ("640 x 480"),
// `size_fragment` a SizeFragment result (" -s 368x208").
int LetterboxOrientation(std::string_view video_size, std::string_view size_fragment);
std::string LetterboxTopBottom(std::string_view video_size, std::string_view size_fragment);
std::string LetterboxLeftRight(std::string_view video_size, std::string_view size_fragment);

}  // namespace vidloom
