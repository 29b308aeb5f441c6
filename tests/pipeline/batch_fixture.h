// A batch on the scripted fake encoder and a fake clock: the window model, the conversion state,
// the hooks of the main window, and helpers to add rows, script runs and read what happened.
// Each run of the fake takes its script from run-N.txt (default.txt otherwise) in sequence_.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/batch_driver.h"
#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "support/processes.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_runs.h"
#include "support/temp_dir.h"
#include "support/test_ui_thread.h"
#include "window_logic/batch_presenter.h"
#include "window_logic/main_window_setup.h"
#include "window_logic/work_controls.h"

namespace vidloom::testing {

// A run that opens the input and writes nothing.
inline constexpr const char* kNoOutputRun = "print Input #0, avi, from 'in':\nexit 1\n";
// A run that reports an error marker after opening the input.
inline constexpr const char* kErrorRun =
    "print Input #0, avi, from 'in':\nprint error: the codec cannot be opened\nexit 1\n";

inline std::string ProgramDirectoryOfFake() {
  return std::filesystem::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
}

class BatchTest : public ::testing::Test {
 protected:
  BatchTest()
      : batch_window_{.ui = ui_,
                      .form = form_,
                      .options = options_,
                      .window_state = window_,
                      .dialogs = dialogs_,
                      .state = state_,
                      .watchdog = watchdog_},
        env_{.sink = presenter_,
             .clock = clock_,
             .state = state_,
             .program_directory = ProgramDirectoryOfFake()} {
    SetEnvironment("FAKE_ENCODER_SEQUENCE", sequence_.path());
    WriteTextFile(sequence_ / "default.txt", kGoodRun);
    SetUpSelectors(form_, window_);
    ConnectSelectorHandlers(form_, window_);
    form_.OutputFolder.SetText(media_ / "out");
    batch_window_.hooks.CheckRequiredFiles = [this] {
      return CheckRequiredFiles(form_, options_, dialogs_, env_.program_directory, required_);
    };
    batch_window_.hooks.DisableWorkControls = [this] {
      ++disable_calls_;
      if (on_disable_) on_disable_();
      DisableWorkControls(form_, options_);
    };
    batch_window_.hooks.EnableWorkControls = [this] { EnableWorkControls(form_, options_); };
    batch_window_.hooks.ArmShutdownCountdown = [this] {
      ArmShutdownCountdown(form_, warning_, shutdown_);
    };
    form_.FileList.SubscribeRows([this](ListView::Change change, int row) {
      if (change != ListView::Change::kRowChanged) return;
      auto& history = progress_history_[row];
      const std::string& now = form_.FileList.cell(row, kCellProgress);
      if (history.empty() || history.back() != now) history.push_back(now);
    });
  }
  ~BatchTest() override { UnsetEnvironment("FAKE_ENCODER_SEQUENCE"); }

  // Makes `directory` (with a trailing separator) the program directory: where the encoder is
  // started from and the required files are looked for.
  void UseProgramDirectory(const std::string& directory) { env_.program_directory = directory; }

  void SelectFormat(const std::string& text) {
    const auto& items = form_.ComboOutputFormat.items();
    const auto it = std::find(items.begin(), items.end(), text);
    ASSERT_NE(it, items.end());
    form_.ComboOutputFormat.UserSelect(static_cast<int>(it - items.begin()));
  }

  // Adds a checked row for `name` in the media directory, creating the file when `create`.
  std::string AddRow(const std::string& name, bool create = true) {
    const std::string path = media_ / name;
    if (create) WriteTextFile(path, "media");
    FileEntry entry;
    entry.checked = true;
    entry.input_path = path;
    entry.media = MediaFacts::Of("640 x 480", "", "");
    FormatExtension(form_, entry.output_extension);
    form_.FileList.AddRow(entry);
    return path;
  }

  void Script(int run, const std::string& text) {
    WriteTextFile(sequence_ / ("run-" + std::to_string(run) + ".txt"), text);
  }

  // Runs a batch on a worker thread while this thread serves as the UI thread.
  void Convert(const std::function<void()>& while_running = nullptr) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      RunBatch(env_);
      done = true;
    });
    if (while_running) while_running();
    EXPECT_TRUE(ui_.RunUntil([&] { return done.load(); }));
    worker.join();
  }

  int Runs() const {
    int n = 0;
    while (std::filesystem::exists(sequence_ / ("args-" + std::to_string(n)))) ++n;
    return n;
  }

  // The arguments of run n, joined by blanks.
  std::string Args(int run) const {
    std::string raw = ReadTextFile(sequence_ / ("args-" + std::to_string(run)));
    for (char& c : raw) {
      if (c == '\0') c = ' ';
    }
    return raw;
  }

  const std::string& Progress(int row) const { return form_.FileList.cell(row, kCellProgress); }

  TempDir sequence_;
  TempDir media_;
  platform::FakeClock clock_;
  TestUiThread ui_{clock_};
  MainForm form_;
  OptionsForm options_;
  PowerOffWarningForm warning_;
  WindowState window_;
  ConversionState state_;
  WindowWatchdog watchdog_{ui_, form_};
  ShutdownState shutdown_;
  ScriptedDialogs dialogs_;
  BatchWindow batch_window_;
  BatchPresenter presenter_{batch_window_};
  BatchEnv env_;
  std::vector<std::string> required_{platform::kEncoderFileName};
  int disable_calls_ = 0;
  std::function<void()> on_disable_;
  std::map<int, std::vector<std::string>> progress_history_;
};

}  // namespace vidloom::testing
