// Scripts for the fake encoder (tests/support/fake_encoder.cpp) that several test programs share,
// and the batch steps the main window's tests take through them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis/video_info.h"
#include "platform/filesystem.h"
#include "support/temp_dir.h"

namespace vidloom::testing {

inline constexpr const char* kPspGood = "PSP Video (Good Quality) (*.mp4)";
inline constexpr const char* kPs3 = "PS3 Video(480P) (*.mp4)";

// What the media reader says of the tests' scripted inputs: an SD video of 1:40 at 25 fps.
inline analysis::VideoInfoValues SdVideoInfo() {
  analysis::VideoInfoValues values;
  values.width = 640;
  values.height = 480;
  values.frame_rate = 25;
  values.duration = "01:40";
  return values;
}

// A run that converts: header, duration, one progress record, a 2 KiB output.
inline constexpr const char* kGoodRun =
    "print Input #0, avi, from 'in':\n"
    "print   Duration: 00:00:10.00, start: 0.000000, bitrate: 100 kb/s\n"
    "print Output #0, psp, to 'out':\n"
    "write frame=250 q=2.0 size=2kB time=10.00 bitrate=80.0kbits/s\\r\n"
    "output 2048\n"
    "exit 0\n";

// Runs one batch of `window` to its end while this thread serves as `ui`'s UI thread.
template <class Window, class Ui>
void ConvertToTheEnd(Window& window, Ui& ui) {
  window.ConvertNowButtonClick();
  EXPECT_TRUE(ui.RunUntil([&] { return !window.BatchRunning(); }));
  window.WaitForBatch();
}

// Starts a batch whose encoder (the fake, reading its script from `sequence`) hangs, and returns
// once the encoder runs.
template <class Window, class Ui>
void StartHangingBatch(Window& window, Ui& ui, const TempDir& sequence) {
  const std::string started = sequence / "started";
  std::filesystem::remove(started);
  WriteTextFile(sequence / "default.txt",
                "print Input #0, avi, from 'in':\npidfile " + started + "\nhang\n");
  window.ConvertNowButtonClick();
  ASSERT_TRUE(ui.RunUntil([&] { return platform::FileExists(started); }, false));
}

}  // namespace vidloom::testing
