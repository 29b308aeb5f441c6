// The file list kept on disk (an SQLite file written with every commit synced): what one row
// change costs the window (goal: a few milliseconds, only at state changes), what a progress
// reading costs (no write: goal under 5 us), adding 1,000 rows, and the file's size for 1,000
// rows. The temporary folder is on the machine's temporary file system: give TMPDIR a disk
// folder to measure that disk.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "kept_list/list_database.h"
#include "model/headless_ui_thread.h"
#include "window_logic/list_keeper.h"

namespace vidloom {
namespace {

std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vidloom-bench-XXXXXX").string();
  return mkdtemp(pattern.data());
}

FileEntry Row(int n) {
  FileEntry entry;
  entry.checked = true;
  entry.input_path = "/home/user/Videos/holiday " + std::to_string(n) + ".avi";
  entry.media = MediaFacts::Of("640 x 480", "29.97", "00:01:30");
  entry.output_extension = "MP4";
  return entry;
}

// A window's list of `rows` rows, kept in a fresh file.
struct KeptWindow {
  explicit KeptWindow(int rows) : dir(MakeTempDir()), keeper(ui, form, dialogs) {
    keeper.Start(dir + "/" + kept_list::kListFileName);
    for (int n = 0; n < rows; ++n) form.FileList.AddRow(Row(n));
  }
  ~KeptWindow() {
    keeper.Forget();
    std::filesystem::remove_all(dir);
  }
  std::string dir;
  HeadlessUiThread ui;
  MainForm form;
  struct : Dialogs {
    void ShowMessage(const Form&, const std::string&, const std::string&) override {}
    bool ConfirmOkCancel(const Form&, const std::string&) override { return false; }
    bool ConfirmYesNo(const Form&, const std::string&) override { return false; }
  } dialogs;
  ListKeeper keeper;
};

// A row's state changes (waiting -> converting -> done, and back): one transaction each.
void BM_RowStateChange(benchmark::State& state) {
  KeptWindow window(1000);
  const RowId id = window.form.FileList.row(500).id;
  bool done = false;
  for (auto _ : state) {
    done = !done;
    window.form.FileList.Update(
        id, [done](FileEntry& row) { row.state = done ? RowState::kDone : RowState::kConverting; });
  }
  state.counters["file_bytes_1000_rows"] =
      static_cast<double>(std::filesystem::file_size(window.dir + "/" + kept_list::kListFileName));
}
BENCHMARK(BM_RowStateChange)->Unit(benchmark::kMillisecond);

// A progress reading of a converting row: compared, not written.
void BM_ProgressReading(benchmark::State& state) {
  KeptWindow window(1000);
  const RowId id = window.form.FileList.row(500).id;
  window.form.FileList.Update(id, [](FileEntry& row) { row.state = RowState::kConverting; });
  std::int64_t percent = 0;
  for (auto _ : state) {
    percent = (percent + 1) % 100;
    window.form.FileList.Update(id, [percent](FileEntry& row) { row.percent = percent; });
  }
}
BENCHMARK(BM_ProgressReading)->Unit(benchmark::kMicrosecond);

// 1,000 rows added one by one, as adding files does: one transaction per row.
void BM_Add1000Rows(benchmark::State& state) {
  for (auto _ : state) {
    KeptWindow window(1000);
  }
}
BENCHMARK(BM_Add1000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace vidloom
