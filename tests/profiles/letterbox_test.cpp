// Letterbox padding: orientation, even picture sides and bars, and the unreadable cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "profiles/letterbox.h"

namespace vidloom {
namespace {

struct Case {
  const char* source;  // "Video Size" cell
  const char* target;  // size fragment
  int orientation;
  const char* padded;  // the result of the operation the orientation picks; "" for 0
};

const Case kCases[] = {
    // Source wider than the target: bars above and below.
    {"640 x 352", " -s 368x208", 1, " -s 368x204 -padtop 2 -padbottom 2"},
    {"640 x 480", " -s 176x144", 1, " -s 176x132 -padtop 6 -padbottom 6"},
    {"1920 x 1080", " -s 720x480", 1, " -s 720x404 -padtop 38 -padbottom 38"},
    // Picture heights 181, 183, 187, 191 (truncated from x.5) made even.
    {"3680 x 1815", " -s 368x208", 1, " -s 368x184 -padtop 12 -padbottom 12"},  // 181 -> 182
    {"3680 x 1835", " -s 368x208", 1, " -s 368x184 -padtop 12 -padbottom 12"},  // 183 -> 182
    {"3680 x 1875", " -s 368x208", 1, " -s 368x188 -padtop 10 -padbottom 10"},  // 187 -> 186
    {"3680 x 1915", " -s 368x208", 1, " -s 368x192 -padtop 8 -padbottom 8"},    // 191 -> 192
    // A bar of 1 rounds down to 0: the picture fills the frame, no padding options.
    {"300 x 168", " -s 368x208", 1, " -s 368x208"},
    // Source taller than the target: bars left and right.
    {"720 x 480", " -s 368x208", 2, " -s 312x208 -padleft 28 -padright 28"},
    {"640 x 480", " -s 368x208", 2, " -s 276x208 -padleft 46 -padright 46"},
    {"366 x 208", " -s 368x208", 2, " -s 368x208"},
    {"720 X 576", " -S 1280X720", 2, " -s 900x720 -padleft 190 -padright 190"},
    // Equal ratios, zero or unreadable sizes: no padding.
    {"320 x 240", " -s 320x240", 0, ""},
    {"640 x 480", " -s 320x240", 0, ""},
    {"0 x 0", " -s 368x208", 0, ""},
    {"640 x 0", " -s 368x208", 0, ""},
    {"Unknown", " -s 176x144", 0, ""},
    {"640x480", " -s 368x208", 0, ""},
    {"", " -s 368x208", 0, ""},
    {"640 x 480", "", 0, ""},
    {"640 x 480", " -s 368x0", 0, ""},
};

TEST(Letterbox, OrientationAndPadding) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.source) + " into" + c.target);
    EXPECT_EQ(LetterboxOrientation(c.source, c.target), c.orientation);
    if (c.orientation == 1) {
      EXPECT_EQ(LetterboxTopBottom(c.source, c.target), c.padded);
    } else if (c.orientation == 2) {
      EXPECT_EQ(LetterboxLeftRight(c.source, c.target), c.padded);
    }
  }
}

TEST(Letterbox, UnusableSizesGiveTheErrorMarker) {
  const std::pair<const char*, const char*> cases[] = {
      {"0 x 0", " -s 368x208"},     {"640 x 0", " -s 368x208"}, {"Unknown", " -s 368x208"},
      {"abc x 480", " -s 368x208"}, {"640 x 480", ""},          {"640 x 480", " -s axb"},
  };
  for (const auto& [source, target] : cases) {
    SCOPED_TRACE(std::string(source) + " into" + target);
    EXPECT_EQ(LetterboxTopBottom(source, target), kLetterboxError);
    EXPECT_EQ(LetterboxLeftRight(source, target), kLetterboxError);
  }
}

TEST(Letterbox, AnOddTargetSideGivesAnUnevenBarAndTheErrorMarker) {
  // 368 x 207: picture height 202, (207 - 202) / 2 is not whole.
  EXPECT_EQ(LetterboxOrientation("640 x 352", " -s 368x207"), 1);
  EXPECT_EQ(LetterboxTopBottom("640 x 352", " -s 368x207"), kLetterboxError);
  // 369 x 208: picture width 312, (369 - 312) / 2 is not whole.
  EXPECT_EQ(LetterboxOrientation("720 x 480", " -s 369x208"), 2);
  EXPECT_EQ(LetterboxLeftRight("720 x 480", " -s 369x208"), kLetterboxError);
}

TEST(Letterbox, PictureAndBarsFillTheTargetExactly) {
  for (int width = 160; width <= 1920; width += 37) {
    for (int height = 90; height <= 1080; height += 41) {
      const std::string source = std::to_string(width) + " x " + std::to_string(height);
      const int orientation = LetterboxOrientation(source, " -s 368x208");
      if (orientation == 0) continue;
      const std::string padded = orientation == 1 ? LetterboxTopBottom(source, " -s 368x208")
                                                  : LetterboxLeftRight(source, " -s 368x208");
      int w = 0, h = 0, bar_a = 0, bar_b = 0;
      char side_a[16] = {}, side_b[16] = {};
      const int read = std::sscanf(padded.c_str(), " -s %dx%d -%15s %d -%15s %d", &w, &h, side_a,
                                   &bar_a, side_b, &bar_b);
      SCOPED_TRACE(source + " -> " + padded);
      ASSERT_TRUE(read == 2 || read == 6);
      EXPECT_EQ(bar_a, bar_b);
      EXPECT_EQ(bar_a % 2, 0);
      if (orientation == 1) {
        EXPECT_EQ(w, 368);
        EXPECT_EQ(h + 2 * bar_a, 208);
      } else {
        EXPECT_EQ(h, 208);
        EXPECT_EQ(w + 2 * bar_a, 368);
      }
    }
  }
}

}  // namespace
}  // namespace vidloom
