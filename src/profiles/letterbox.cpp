#include "profiles/letterbox.h"

#include <cmath>
#include <cstdlib>

#include "profiles/text_rules.h"

namespace vidloom {

using text::FirstChars;
using text::Pos;
using text::ReadDecimal;
using text::Trim;
using text::WholeNumberText;

namespace {

struct Size {
  double width = 0;
  double height = 0;
};

// "640 x 480": the width before the first blank, the height after the blank, "x" and blank.
bool ReadSourceSize(std::string_view cell, Size& size) {
  const std::string lower = text::LowerAscii(cell);
  const std::string_view s = lower;
  const long long p = Pos(s, ' ');
  const std::string_view width = Trim(FirstChars(s, p - 1));
  const std::size_t height_from = static_cast<std::size_t>(p + 2);  // 0-based index of p + 3
  const std::string_view height = height_from < s.size() ? Trim(s.substr(height_from)) : "";
  return ReadDecimal(width, size.width) && ReadDecimal(height, size.height);
}

// " -s 368x208": the text after the first "s" and the blank after it, split at the first "x".
bool ReadTargetSize(std::string_view fragment, Size& size) {
  const std::string lower = text::LowerAscii(fragment);
  std::string_view s = lower;
  const std::size_t from = static_cast<std::size_t>(Pos(s, 's') + 1);  // 0-based index of s + 2
  s = from < s.size() ? s.substr(from) : "";
  const long long q = Pos(s, 'x');
  const std::string_view width = FirstChars(s, q - 1);
  const std::string_view height = s.substr(static_cast<std::size_t>(q));
  return ReadDecimal(width, size.width) && ReadDecimal(height, size.height);
}

// A division that fails (by zero, or to a value that is not finite) ends the computation.
bool Divide(double a, double b, double& out) {
  if (b == 0) return false;
  out = a / b;
  return std::isfinite(out);
}

// Truncated toward zero, then made even: an odd number ending in 1 goes up, any other goes down.
bool EvenPictureSide(double exact, double& side) {
  if (!std::isfinite(exact) || std::fabs(exact) > 1e15) return false;
  const long long whole = static_cast<long long>(std::trunc(exact));
  long long even = whole;
  if (whole % 2 != 0) even += (std::llabs(whole) % 10 == 1) ? 1 : -1;
  side = static_cast<double>(even);
  return true;
}

// The bar on each side between a picture side and the target side, rounded down to even.
bool EvenBar(double target_side, double picture_side, double& bar) {
  const double half = target_side > picture_side ? (target_side - picture_side) / 2
                                                 : (picture_side - target_side) / 2;
  if (half != std::trunc(half)) return false;
  bar = half;
  if (std::fmod(bar, 2) != 0) bar -= 1;
  return true;
}

std::string Padded(double width, double height, std::string_view first, std::string_view second,
                   double bar) {
  std::string out = " -s " + WholeNumberText(width) + "x" + WholeNumberText(height);
  if (bar != 0) {
    const std::string bar_text = WholeNumberText(bar);
    out.append(first).append(bar_text).append(second).append(bar_text);
  }
  return out;
}

// The orientation of `source` in `target` (both readable, the source's sides not zero).
int OrientationOf(const Size& source, const Size& target) {
  double source_ratio = 0;
  double target_ratio = 0;
  if (!Divide(source.width, source.height, source_ratio)) return 0;
  if (!Divide(target.width, target.height, target_ratio)) return 0;
  if (source_ratio > target_ratio) return 1;
  if (source_ratio < target_ratio) return 2;
  return 0;
}

std::string TopBottomOf(const Size& source, const Size& target) {
  double source_ratio = 0;
  double exact_height = 0;
  double height = 0;
  double bar = 0;
  if (!Divide(source.width, source.height, source_ratio) ||
      !Divide(target.width, source_ratio, exact_height) || !EvenPictureSide(exact_height, height) ||
      !EvenBar(target.height, height, bar)) {
    return std::string(kLetterboxError);
  }
  return Padded(target.width, target.height - 2 * bar, " -padtop ", " -padbottom ", bar);
}

std::string LeftRightOf(const Size& source, const Size& target) {
  double source_ratio = 0;
  double width = 0;
  double bar = 0;
  if (!Divide(source.width, source.height, source_ratio) ||
      !EvenPictureSide(source_ratio * target.height, width) || !EvenBar(target.width, width, bar)) {
    return std::string(kLetterboxError);
  }
  return Padded(target.width - 2 * bar, target.height, " -padleft ", " -padright ", bar);
}

}  // namespace

int LetterboxOrientation(std::string_view video_size, std::string_view size_fragment) {
  Size source;
  if (!ReadSourceSize(video_size, source)) return 0;
  if (source.width == 0 || source.height == 0) return 0;
  Size target;
  if (!ReadTargetSize(size_fragment, target)) return 0;
  return OrientationOf(source, target);
}

std::string LetterboxTopBottom(std::string_view video_size, std::string_view size_fragment) {
  Size source;
  Size target;
  if (!ReadSourceSize(video_size, source)) return std::string(kLetterboxError);
  if (source.width == 0 || source.height == 0) return std::string(kLetterboxError);
  if (!ReadTargetSize(size_fragment, target)) return std::string(kLetterboxError);
  return TopBottomOf(source, target);
}

std::string LetterboxLeftRight(std::string_view video_size, std::string_view size_fragment) {
  Size source;
  Size target;
  if (!ReadSourceSize(video_size, source)) return std::string(kLetterboxError);
  if (source.width == 0 || source.height == 0) return std::string(kLetterboxError);
  if (!ReadTargetSize(size_fragment, target)) return std::string(kLetterboxError);
  return LeftRightOf(source, target);
}

std::optional<std::string> LetterboxSizeOption(int source_width, int source_height,
                                               int target_width, int target_height) {
  if (source_width <= 0 || source_height <= 0) return std::nullopt;
  const Size source{static_cast<double>(source_width), static_cast<double>(source_height)};
  const Size target{static_cast<double>(target_width), static_cast<double>(target_height)};
  std::string padded;
  switch (OrientationOf(source, target)) {
    case 1:
      padded = TopBottomOf(source, target);
      break;
    case 2:
      padded = LeftRightOf(source, target);
      break;
    default:
      return std::nullopt;
  }
  if (padded == kLetterboxError) return std::nullopt;
  return padded;
}

}  // namespace vidloom
