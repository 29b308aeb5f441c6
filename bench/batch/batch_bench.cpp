// The batch driver's own cost per row, beyond the encoder's time: PSP rows (a main run and a
// thumbnail run each) converted by the whole main window on the real clock, with a fake encoder
// that prints its header, writes a 1000-byte output and exits at once.
//   window:  end pause 260 ms after every run (about 2 x 260 ms per row; goal under 0.6 s)
//   cli:     no end pause (goal under 50 ms per row)
// For each list length the table shows the batch time per row, the encoder's own time per row
// (two bare runs of the fake, measured around it), the difference (the driver's cost), and the
// mean row time over the first and the last tenth of the list, which must stay level.
// Usage: bench_batch [cli rows...] [--window rows...]   (default: 10 200 --window 10 40, which
// runs in under a minute; 1000 rows show the flat row time over a long list)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/headless_ui_thread.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "profiles/format_selectors.h"
#include "window_logic/main_window.h"

namespace {

using namespace vidloom;
using Steady = std::chrono::steady_clock;

constexpr const char* kFormat = "PSP Video (Good Quality) (*.mp4)";
constexpr const char* kScript = "print Input #0, avi, from 'in':\noutput 1000\nexit 0\n";

double Ms(Steady::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vidloom-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class QuietDialogs : public Dialogs {
 public:
  void ShowMessage(const Form&, const std::string&, const std::string& text) override {
    messages.push_back(text);
  }
  bool ConfirmOkCancel(const Form&, const std::string&) override { return false; }
  bool ConfirmYesNo(const Form&, const std::string&) override { return false; }
  std::vector<std::string> messages;
};

std::string FakeDirectory() {
  return std::filesystem::path(FAKE_ENCODER_PATH).parent_path().string() + "/";
}

// One bare run of the fake as the runner starts it, read to its end and reaped: the median of
// `runs` runs, in ms.
double EncoderRunMs(const std::string& work, int runs) {
  const std::string input = work + "/in.avi";
  std::ofstream(input) << "media";
  const std::string command = platform::QuoteArgument(FAKE_ENCODER_PATH) + " -@ -y  -i " +
                              platform::QuoteArgument(input) + " " +
                              platform::QuoteArgument(work + "/bare.mp4");
  char buffer[65536];
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Steady::now();
    auto child = platform::ChildProcess::Start(command, FakeDirectory());
    if (!child) std::abort();
    while (child->Read(buffer, sizeof buffer, -1) > 0) {
    }
    child->Wait();
    times.push_back(Ms(Steady::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct BatchFigures {
  double total_ms = 0;
  std::vector<double> row_ms;  // from one row's start to the next's (the last: to batch end)
  int done_rows = 0;
  int outputs = 0;
  bool all_done_message = false;
};

BatchFigures RunBatchOf(int rows, std::int64_t end_pause_ms) {
  TempDir media;
  const std::string out = media.path() + "/out";
  HeadlessUiThread ui;  // the real clock
  QuietDialogs dialogs;
  MainWindowOptions options;
  options.program_directory = FakeDirectory();
  options.required_files = {"raziz2u"};
  options.end_pause_ms = end_pause_ms;
  MainWindow window(ui, dialogs, options);
  window.PrepareMainWindow();
  window.ShowMainWindow();
  MainForm& form = window.main_form;
  const auto& formats = form.ComboOutputFormat.items();
  form.ComboOutputFormat.UserSelect(
      static_cast<int>(std::find(formats.begin(), formats.end(), kFormat) - formats.begin()));
  form.OutputFolder.SetText(out);

  form.FileList.BeginUpdate();
  for (int i = 0; i < rows; ++i) {
    FileEntry entry;
    entry.checked = true;
    entry.input_path = media.path() + "/clip" + std::to_string(i) + ".avi";
    std::ofstream(entry.input_path) << "media";
    entry.media = MediaFacts::Of("320 x 240", "25", "00:00:10");
    FormatExtension(form, entry.output_extension);
    form.FileList.AddRow(std::move(entry));
  }
  form.FileList.EndUpdate();

  // A row starts when the batch scrolls it into view.
  std::vector<Steady::time_point> starts;
  form.FileList.SubscribeRows([&](ListView::Change change, int) {
    if (change == ListView::Change::kScrolled) starts.push_back(Steady::now());
  });

  const auto start = Steady::now();
  window.ConvertNowButtonClick();
  ui.RunUntil([&] { return !window.BatchRunning(); });
  window.WaitForBatch();
  const auto end = Steady::now();

  BatchFigures figures;
  figures.total_ms = Ms(end - start);
  for (std::size_t i = 0; i < starts.size(); ++i) {
    figures.row_ms.push_back(Ms((i + 1 < starts.size() ? starts[i + 1] : end) - starts[i]));
  }
  for (const auto& row : form.FileList.rows()) {
    if (row.state == RowState::kDone) ++figures.done_rows;
  }
  for (const auto& entry : std::filesystem::directory_iterator(out)) {
    if (entry.is_regular_file()) ++figures.outputs;
  }
  figures.all_done_message =
      dialogs.messages == std::vector<std::string>{"All Conversion Jobs Done!"};
  return figures;
}

double MeanOf(const std::vector<double>& v, std::size_t from, std::size_t to) {
  if (to <= from) return 0;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += v[i];
  return sum / static_cast<double>(to - from);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> cli_rows, window_rows;
  bool window_list = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--window") {
      window_list = true;
    } else {
      (window_list ? window_rows : cli_rows).push_back(std::atoi(arg.c_str()));
    }
  }
  if (cli_rows.empty() && !window_list) cli_rows = {10, 200};
  if (window_rows.empty() && !window_list) window_rows = {10, 40};

  TempDir script_dir;
  const std::string script = script_dir.path() + "/script.txt";
  std::ofstream(script) << kScript;
  setenv("FAKE_ENCODER_SCRIPT", script.c_str(), 1);
  unsetenv("FAKE_ENCODER_SEQUENCE");

  std::printf(
      "encoder ms: two bare runs of the fake (start, read to the end, reap; the lower median of "
      "up to 400 measured before and after the batch)\n\n");
  std::printf("%-7s %6s %10s %11s %12s %13s %12s %12s  %s\n", "config", "rows", "batch s", "ms/row",
              "encoder ms", "driver ms/row", "first 10%", "last 10%", "check");

  struct Case {
    const char* name;
    std::int64_t pause;
    const std::vector<int>& rows;
  };
  bool ok = true;
  for (const Case& c : {Case{"cli", 0, cli_rows}, Case{"window", 260, window_rows}}) {
    for (int rows : c.rows) {
      // The bare runs before and after the batch; the lower median is the one less disturbed by
      // whatever else the machine does.
      const int bare_runs = std::clamp(2 * rows, 100, 400);
      const double before = EncoderRunMs(script_dir.path(), bare_runs);
      const BatchFigures f = RunBatchOf(rows, c.pause);
      const double encoder_per_row =
          2 * std::min(before, EncoderRunMs(script_dir.path(), bare_runs));
      const double per_row = f.total_ms / rows;
      const std::size_t tenth = std::max<std::size_t>(1, f.row_ms.size() / 10);
      const bool checked = f.done_rows == rows && f.outputs == 2 * rows && f.all_done_message &&
                           static_cast<int>(f.row_ms.size()) == rows;
      ok = ok && checked;
      std::printf("%-7s %6d %10.2f %11.2f %12.2f %13.2f %12.2f %12.2f  %s\n", c.name, rows,
                  f.total_ms / 1000, per_row, encoder_per_row, per_row - encoder_per_row,
                  MeanOf(f.row_ms, 0, tenth),
                  MeanOf(f.row_ms, f.row_ms.size() - tenth, f.row_ms.size()),
                  checked ? "all Done, video + THM" : "MISSING ROWS OR OUTPUTS");
      std::fflush(stdout);
    }
  }
  std::printf(
      "\ngoals: window under 600 ms per row (2 x 260 ms of end pause included); cli under "
      "50 ms per row; the last tenth's row time level with the first's\n"
      "(a driver figure below zero means its cost is within the noise of the bare-run "
      "reference)\n");
  return ok ? 0 : 1;
}
