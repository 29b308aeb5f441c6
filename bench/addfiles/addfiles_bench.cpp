// Figures for adding files: 100 files generated with ffmpeg, half video (the reader describes
// them) and half audio (the encoder probes them), added through AddFiles on a headless UI thread
// on the real clock, as a window (its short pauses) and as vidloom-cli (no pauses) would.
// Prints the total and the time per file of each kind. Goal: the 100 files in under 3 s.
// Usage: bench_addfiles [files (even, default 100)] [repetitions (default 3)] [encoder]
// A given encoder may be the scripted fake encoder of the tests (its probe script is set up
// here), to tell the adding's own cost from the encoder's start-up.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/headless_ui_thread.h"
#include "platform/encoder_files.h"
#include "profiles/window_state.h"
#include "window_logic/add_files.h"
#include "window_logic/main_window_setup.h"

namespace {

using namespace vidloom;
using Clock = std::chrono::steady_clock;

#ifdef BENCH_FAKE_ENCODER
std::string encoder_path = FAKE_ENCODER_PATH;
#else
std::string encoder_path = BENCH_ENCODER_PATH;
#endif

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

class ListedFiles : public FileDialog {
 public:
  explicit ListedFiles(const std::vector<std::string>& files) : files_(files) {}
  std::optional<std::vector<std::string>> ChooseFiles(const std::string&) override {
    return files_;
  }

 private:
  std::vector<std::string> files_;
};

class NoDialogs : public Dialogs {
 public:
  void ShowMessage(const Form&, const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  }
  bool ConfirmOkCancel(const Form&, const std::string&) override { return false; }
  bool ConfirmYesNo(const Form&, const std::string&) override { return false; }
};

struct Figures {
  double total_ms = 0;
  std::vector<double> video_ms;   // per file described by the reader
  std::vector<double> probed_ms;  // per file probed by the encoder
  int rows = 0;
};

Figures AddAll(const std::vector<std::string>& files, std::int64_t pause_ms, int parallel) {
  HeadlessUiThread ui;
  MainForm form;
  OptionsForm options_form;
  AnalyzingForm splash;
  WindowState window;
  SetUpSelectors(form, window);
  ConnectSelectorHandlers(form, window);
  NoDialogs dialogs;
  ListedFiles dialog(files);
  const std::string directory = std::filesystem::path(encoder_path).parent_path().string() + "/";
  AddFilesContext context{.main_form = form,
                          .splash = splash,
                          .options_form = options_form,
                          .ui = ui,
                          .dialogs = dialogs,
                          .file_dialog = dialog,
                          .program_directory = directory,
                          .required_files = {platform::kEncoderFileName},
                          .encoder_path = encoder_path,
                          .pause_ms = pause_ms,
                          .parallel_analyses = parallel};
  ConnectAddFilesHandlers(context);

  Figures figures;
  // A file's time runs from its name on the analysing window to the next name (or the end).
  Clock::time_point file_start;
  std::string current;
  auto finish_file = [&](Clock::time_point now) {
    if (current.empty()) return;
    const bool probed = current.find("audio") != std::string::npos;
    (probed ? figures.probed_ms : figures.video_ms).push_back(Ms(now - file_start));
  };
  splash.FileBeingAnalysed.Subscribe([&] {
    const auto now = Clock::now();
    finish_file(now);
    current = splash.FileBeingAnalysed.caption();
    file_start = now;
  });
  const auto start = Clock::now();
  const auto result = AddFiles(context);
  const auto end = Clock::now();
  finish_file(end);
  figures.total_ms = Ms(end - start);
  figures.rows = result.rows_added;
  return figures;
}

bool Run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
  const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

  std::string pattern = (std::filesystem::temp_directory_path() / "vidloom-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;
  if (argc > 3) encoder_path = argv[3];
  // The fake encoder's answer; the real encoder ignores the variable.
  std::ofstream(dir + "/probe.txt") << "print Input #0, mp3, from 'in':\n"
                                       "print   Duration: 00:00:02.00, start: 0.0\n"
                                       "print     Stream #0.0: Audio: mp3, 44100 Hz, mono\n";
  setenv("FAKE_ENCODER_SCRIPT", (dir + "/probe.txt").c_str(), 1);
  const std::string lavfi = "ffmpeg -nostdin -v error -y -f lavfi -i ";
  if (!Run(lavfi + "testsrc=size=320x240:rate=25 -t 2 -c:v mpeg4 " + dir + "/video.avi") ||
      !Run(lavfi + "sine=duration=2 -c:a libmp3lame " + dir + "/audio.mp3")) {
    std::fprintf(stderr, "ffmpeg could not generate the media\n");
    std::filesystem::remove_all(dir);
    return 1;
  }
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    const bool audio = i % 2 == 1;
    const std::string name =
        dir + (audio ? "/audio-" : "/video-") + std::to_string(i) + (audio ? ".mp3" : ".avi");
    std::filesystem::copy_file(dir + (audio ? "/audio.mp3" : "/video.avi"), name);
    files.push_back(name);
  }

  std::printf(
      "Adding %d files (%d videos described by the reader, %d songs given the probe's row: in\n"
      "process where the reader describes them, by %s where it cannot)\n",
      count, count - count / 2, count / 2, encoder_path.c_str());
  struct Setting {
    const char* name;
    std::int64_t pause_ms;
    int parallel;
  };
  const int parallel = DefaultParallelAnalyses();
  std::printf("Files analysed at once: %d (one per processor, at least 2)\n", parallel);
  for (const Setting& setting :
       {Setting{"window", kWindowPauseMs, parallel}, Setting{"cli (no pauses)", 0, parallel},
        Setting{"one at a time", kWindowPauseMs, 1}}) {
    std::vector<double> totals;
    Figures last;
    for (int r = 0; r < repetitions; ++r) {
      last = AddAll(files, setting.pause_ms, setting.parallel);
      totals.push_back(last.total_ms);
      if (last.rows != count) std::printf("  warning: %d rows of %d\n", last.rows, count);
    }
    std::printf(
        "%-16s (pause %2lld ms, %d at once): total median %7.0f ms, best %7.0f ms (goal <= 1000 "
        "ms)\n"
        "%-16s                             per file: reader median %5.1f ms (max %5.1f), "
        "song median %5.1f ms (max %5.1f)\n",
        setting.name, static_cast<long long>(setting.pause_ms), setting.parallel, Median(totals),
        *std::min_element(totals.begin(), totals.end()), "", Median(last.video_ms),
        Max(last.video_ms), Median(last.probed_ms), Max(last.probed_ms));
  }
  std::filesystem::remove_all(dir);
  return 0;
}
