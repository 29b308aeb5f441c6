// Speed of one encoder command build (goal: under 20 us) and of the format refresh over a file
// list of 10,000 rows (goal: under 20 ms).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "pipeline/command_builder.h"
#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "profiles/volume.h"
#include "window_logic/batch_presenter.h"

namespace vidloom {
namespace {

struct Window {
  Window() {
    form.ComboLetterBox.SetItems({"None", "LetterBox"});
    form.ComboLetterBox.Select(1);
    FillFormatList(form);
    RefreshFormatOptions(form, state);
  }
  MainForm form;
  WindowState state;
};

std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vidloom-bench-XXXXXX").string();
  return mkdtemp(pattern.data());
}

// One build per iteration, for the format at catalogue position state.range(0); the output
// directory exists and holds no output yet, so the name check touches the file system as in a
// real batch.
void BM_BuildEncoderCommand(benchmark::State& state) {
  Window window;
  const OutputFormat& format = FormatCatalogue[static_cast<std::size_t>(state.range(0))];
  window.form.ComboOutputFormat.SelectText(std::string(format.DisplayName));
  RefreshFormatOptions(window.form, window.state);
  const std::string dir = MakeTempDir();
  window.form.OutputFolder.SetText(dir);
  FileEntry entry;
  entry.input_path = "/media/videos/holiday.clip.avi";
  entry.media = MediaFacts::Of("640 x 480", "25", "00:01:00");
  FormatExtension(window.form, entry.output_extension);
  const int row = window.form.FileList.AddRow(entry);

  // The row and the window's choices as a batch takes them once per row, then the build.
  OptionsForm options;
  const RowSnapshot snapshot =
      *TakeRow(window.form, options, window.state, window.form.FileList.row(row).id);
  const CommandContext context{.program_directory = "/opt/vidloom/"};
  std::size_t length = 0;
  for (auto _ : state) {
    RowCommand command = BuildFirstCommand(context, snapshot);
    length = command.command.size();
    benchmark::DoNotOptimize(command);
  }
  state.SetLabel(std::string(format.DisplayName.substr(0, 24)) + ", " + std::to_string(length) +
                 " chars");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_BuildEncoderCommand)->DenseRange(0, 11)->Unit(benchmark::kMicrosecond);

// Reference: the cost of one file-system query here (a build makes two, three for PSP formats:
// the output directory, the output name, and the thumbnail's identity check).
void BM_FileQuery(benchmark::State& state) {
  const std::string missing = "/tmp/vidloom-bench-missing/holiday.mp4";
  for (auto _ : state) benchmark::DoNotOptimize(platform::FileExists(missing));
}
BENCHMARK(BM_FileQuery)->Unit(benchmark::kMicrosecond);

void BM_BuildThumbnailCommand(benchmark::State& state) {
  RowCommand run;
  run.output_path = "/home/user/Converted Video/holiday.mp4";
  run.slots.CommandHead = R"("/opt/vidloom/raziz2u" -@ -y  -i ")";
  run.slots.InputPart = R"(/media/videos/holiday.avi")";
  run.slots.SizeOption = " -s 276x208 -padleft 46 -padright 46";
  for (auto _ : state) benchmark::DoNotOptimize(BuildThumbnailCommand(run));
}
BENCHMARK(BM_BuildThumbnailCommand)->Unit(benchmark::kMicrosecond);

// Alternates between two formats so that every refresh rewrites all "Output" cells.
void BM_RefreshFormatOptions(benchmark::State& state) {
  Window window;
  const int rows = static_cast<int>(state.range(0));
  for (int i = 0; i < rows; ++i) {
    FileEntry entry;
    entry.input_path = "/media/videos/file" + std::to_string(i) + ".avi";
    entry.media = MediaFacts::Of("640 x 480", "25", "00:01:00");
    window.form.FileList.AddRow(std::move(entry));
  }
  // A view listening to the list, as the window's view does.
  long notifications = 0;
  window.form.FileList.SubscribeRows([&](ListView::Change, int) { ++notifications; });
  bool audio = false;
  for (auto _ : state) {
    window.form.ComboOutputFormat.Select(audio ? 12 : 14);
    RefreshFormatOptions(window.form, window.state);
    audio = !audio;
  }
  state.counters["rows"] = rows;
  benchmark::DoNotOptimize(notifications);
}
BENCHMARK(BM_RefreshFormatOptions)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vidloom
