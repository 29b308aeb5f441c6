#include "window_logic/add_files.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/processors.h"
#include "profiles/format_selectors.h"
#include "texts/language.h"
#include "window_logic/work_controls.h"

namespace vidloom {
namespace {

using analysis::AddFileRow;
using analysis::AnalyseFile;

constexpr const char* kSkippedText = N_("Skipped (%s): %s");

// What every message of skipped paths starts with, in the language in use.
std::string SkippedPrefix() {
  const std::string text = texts::Tr(kSkippedText);
  return text.substr(0, text.find('%'));
}

// "Skipped (no such file): a.avi, b.mp3" for the status bar; at most three names.
std::string SkippedMessage(const char* why, const std::vector<std::string>& paths) {
  std::string names;
  for (std::size_t i = 0; i < paths.size() && i < 3; ++i) {
    if (i > 0) names += ", ";
    names += platform::FileNamePart(paths[i]);
  }
  if (paths.size() > 3) {
    names = texts::Fill(texts::Tr("%s and %s more"), {names, std::to_string(paths.size() - 3)});
  }
  return texts::Fill(texts::Tr(kSkippedText), {texts::Tr(why), names});
}

// The pause between the visible steps of the adding: the window handles its messages meanwhile.
void Pause(UiThread& ui, std::int64_t ms) {
  if (ms > 0) {
    PumpWait(ui, ms);
  } else {
    ui.Pump();
  }
}

// The end of the adding (the analysing window closed, the buttons back), however the loop over
// the files ends.
class AnalysisEnd {
 public:
  explicit AnalysisEnd(AddFilesContext& context) : context_(context) {}
  ~AnalysisEnd() {
    AddingState& state = context_.state;
    state.AnalysisActive = false;
    context_.splash.visible = false;
    context_.splash.Changed();
    context_.main_form.ConvertNowButton.SetEnabled(true);
    context_.main_form.AddFileButton.SetEnabled(true);
    context_.main_form.FileList.popup_enabled = true;
    state.AddingFiles = false;
    // The list's controls come back with the last row, whatever way the adding ended.
    EnableWorkControls(context_.main_form, context_.options_form);
  }
  AnalysisEnd(const AnalysisEnd&) = delete;
  AnalysisEnd& operator=(const AnalysisEnd&) = delete;

 private:
  AddFilesContext& context_;
};

// Analyses the chosen files ahead of the loop that adds their rows: worker threads take the
// files in order, at most `window` files beyond the last one taken, so that a "Cancel" wastes
// little work. Take() hands the results out in order. Destroying it cancels what is still
// running (each probe ends its own encoder) and joins the workers.
class LookAhead {
 public:
  LookAhead(const std::vector<std::string>& files, AnalyseOptions options, int workers)
      : files_(files), options_(std::move(options)), results_(files.size()) {
    options_.pump = nullptr;  // workers never touch the UI thread
    options_.cancel = &cancel_;
    window_ = static_cast<std::size_t>(workers) * 2;
    const std::size_t count = std::min(static_cast<std::size_t>(workers), files.size());
    threads_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~LookAhead() {
    {
      std::lock_guard lock(mutex_);
      cancel_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  LookAhead(const LookAhead&) = delete;
  LookAhead& operator=(const LookAhead&) = delete;

  // The analysis of file `index` (taken in order), waiting for it while `pump` keeps the UI
  // thread responsive. Once `abandon` is set, every analysis still running is ended (it gives
  // no row). Rethrows what the analysis threw.
  std::optional<RowTexts> Take(std::size_t index, const std::function<void()>& pump,
                               const std::atomic<bool>& abandon) {
    std::unique_lock lock(mutex_);
    taken_ = index;  // the files before it are done with: the workers may run further ahead
    changed_.notify_all();
    while (!results_[index].done) {
      changed_.wait_for(lock, std::chrono::milliseconds(5));
      if (results_[index].done) break;
      lock.unlock();
      pump();
      if (abandon) cancel_ = true;
      lock.lock();
    }
    Result& result = results_[index];
    if (result.error) std::rethrow_exception(result.error);
    return std::move(result.row);
  }

 private:
  struct Result {
    bool done = false;
    std::optional<RowTexts> row;
    std::exception_ptr error;
  };

  void Work() {
    for (;;) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(
            lock, [this] { return cancel_ || next_ >= files_.size() || next_ < taken_ + window_; });
        if (cancel_ || next_ >= files_.size()) return;
        index = next_++;
      }
      Result result;
      try {
        result.row = AnalyseFile(files_[index], options_);
      } catch (...) {
        result.error = std::current_exception();
      }
      result.done = true;
      {
        std::lock_guard lock(mutex_);
        results_[index] = std::move(result);
      }
      changed_.notify_all();
    }
  }

  const std::vector<std::string>& files_;
  AnalyseOptions options_;
  std::size_t window_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Result> results_;
  std::size_t next_ = 0;   // the next file a worker starts
  std::size_t taken_ = 0;  // the file the adding loop waits for
  std::atomic<bool> cancel_{false};
  std::vector<std::thread> threads_;
};

class InProgress {
 public:
  explicit InProgress(bool& flag) : flag_(flag) { flag_ = true; }
  ~InProgress() { flag_ = false; }
  InProgress(const InProgress&) = delete;
  InProgress& operator=(const InProgress&) = delete;

 private:
  bool& flag_;
};

}  // namespace

int DefaultParallelAnalyses() {
  return std::max(2, platform::ProcessorCount());
}

void CancelAddingClick(AddFilesContext& context) {
  // The controls are enabled when the file in hand has its row (within kCancelGraceMs), so
  // that no row arrives after the list was changed.
  context.state.AddingFiles = false;
}

bool MayCloseAnalyzingWindow(const AddFilesContext& context) {
  return !context.state.AnalysisActive;
}

void ConnectAddFilesHandlers(AddFilesContext& context) {
  context.splash.CancelButton.on_click = [&context] { CancelAddingClick(context); };
}

namespace {

using ChooseFiles = std::function<std::optional<std::vector<std::string>>(AddFilesContext&)>;

// The chosen paths where something exists; the others go to `missing` (they get no row, and the
// user is told which were skipped).
// `roots` (when given) holds each chosen path's folder and becomes the kept files' folders.
std::vector<std::string> ExistingFiles(const std::vector<std::string>& chosen,
                                       std::vector<std::string>& missing,
                                       std::vector<std::string>& roots) {
  std::vector<std::string> files;
  std::vector<std::string> kept_roots;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    // The one place a given path is resolved: the row keeps the file it names.
    const std::string path = platform::ResolveGivenPath(chosen[i]);
    if (platform::PathExists(path)) {
      files.push_back(path);
      kept_roots.push_back(i < roots.size() ? roots[i] : std::string());
    } else {
      missing.push_back(chosen[i]);
    }
  }
  roots = std::move(kept_roots);
  return files;
}

// Analyses the files in order (ahead on workers when allowed) and adds a row for each, until
// all are added or "Cancel" ends the loop.
void AddAnalysedRows(AddFilesContext& context, const std::vector<std::string>& files,
                     const std::vector<std::string>& roots, const AnalyseOptions& analyse,
                     const std::atomic<bool>& abandon, AddFilesResult& result) {
  AddingState& state = context.state;
  MainForm& form = context.main_form;
  UiThread& ui = context.ui;
  std::optional<LookAhead> ahead;
  if (context.parallel_analyses > 1 && files.size() > 1) {
    ahead.emplace(files, analyse, context.parallel_analyses);
  }
  result.end = AddFilesResult::End::kAllFiles;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& path = files[i];
    context.splash.FileBeingAnalysed.SetCaption(std::string(platform::FileNamePart(path)));
    context.splash.Count.SetCaption(
        texts::Fill(texts::Tr("%s of %s"), {std::to_string(i + 1), std::to_string(files.size())}));
    if (!state.AddingFiles) {
      // "Cancel": the probe of the previous file has ended its encoder already; probes
      // started ahead end their own encoders when the look-ahead goes (nobody else's).
      result.end = AddFilesResult::End::kCancelled;
      result.not_analysed.assign(files.begin() + static_cast<std::ptrdiff_t>(i), files.end());
      break;
    }
    state.NewRowIndex = form.FileList.count();
    Pause(ui, context.pause_ms);

    const std::optional<RowTexts> row =
        ahead ? ahead->Take(i, analyse.pump, abandon) : AnalyseFile(path, analyse);
    if (!row && abandon) {
      // "Cancel" came and the file in hand took too long: it gets no row either.
      result.end = AddFilesResult::End::kCancelled;
      result.not_analysed.assign(files.begin() + static_cast<std::ptrdiff_t>(i), files.end());
      break;
    }
    if (row) {
      std::string extension;
      FormatExtension(form, extension);
      AddFileRow(form, path, row->size, row->frame_rate, row->duration, extension,
                 row->display_size, roots[i]);
      form.FileList.ScrollIntoView(state.NewRowIndex);
      ++result.rows_added;
    } else {
      result.not_started.push_back(path);
    }
    Pause(ui, context.pause_ms);
  }
}

}  // namespace

void ShowSkipped(MainForm& form, const AddFilesResult& result) {
  std::string skipped;
  if (!result.missing.empty()) {
    skipped = SkippedMessage(N_("no such file"), result.missing);
  } else if (!result.empty_folders.empty()) {
    skipped = SkippedMessage(N_("no media files"), result.empty_folders);
  } else if (!result.skipped_output_folder.empty()) {
    skipped = SkippedMessage(N_("the output folder"), {result.skipped_output_folder});
  }
  if (!skipped.empty() || form.Status.message().rfind(SkippedPrefix(), 0) == 0) {
    form.Status.SetMessage(skipped);
  }
}

namespace {

AddFilesResult AddFilesChosenBy(AddFilesContext& context, const ChooseFiles& choose,
                                std::vector<std::string> roots = {}) {
  AddFilesResult result;
  AddingState& state = context.state;
  // The window's pump runs handlers while files are analysed, and File > "Add Files" stays
  // enabled: a second adding inside the first one would tangle both.
  if (state.InProgress) return result;
  InProgress in_progress(state.InProgress);
  MainForm& form = context.main_form;

  DisableWorkControls(form, context.options_form);
  if (CheckRequiredFiles(form, context.options_form, context.dialogs, context.program_directory,
                         context.required_files)) {
    result.end = AddFilesResult::End::kRequiredFileMissing;
    return result;
  }

  const auto chosen = choose(context);
  if (!chosen) {
    EnableWorkControls(form, context.options_form);
    result.end = AddFilesResult::End::kDialogCancelled;
    return result;
  }
  const std::vector<std::string> files = ExistingFiles(*chosen, result.missing, roots);

  AnalyseOptions analyse;
  analyse.encoder_path = context.encoder_path.empty()
                             ? context.program_directory + platform::kEncoderFileName
                             : context.encoder_path;
  analyse.read_video_info = context.read_video_info;
  UiThread& ui = context.ui;
  // After "Cancel" the file in hand gets kCancelGraceMs to finish, then it is abandoned.
  std::atomic<bool> abandon{false};
  std::optional<std::int64_t> cancelled_at;
  analyse.cancel = &abandon;
  analyse.pump = [&] {
    ui.Pump();
    if (state.AddingFiles || abandon) return;
    const std::int64_t now = ui.clock().NowMs();
    if (!cancelled_at) cancelled_at = now;
    if (now - *cancelled_at >= kCancelGraceMs) abandon = true;
  };

  {
    AnalysisEnd end(context);
    // While files are added, the list and the choices its rows take stay as they are: no row
    // is removed under the adding, and no "Clear All" comes before the rows that follow.
    DisableWorkControls(form, context.options_form);
    form.FileList.popup_enabled = false;
    state.AnalysisActive = true;
    context.splash.visible = true;
    context.splash.on_top = true;
    context.splash.Changed();
    form.ConvertNowButton.SetEnabled(false);
    form.AddFileButton.SetEnabled(false);
    state.AddingFiles = true;
    AddAnalysedRows(context, files, roots, analyse, abandon, result);
  }
  ShowSkipped(form, result);
  return result;
}

}  // namespace

AddFilesResult AddFiles(AddFilesContext& context) {
  return AddFilesChosenBy(
      context, [](AddFilesContext& c) { return c.file_dialog.ChooseFiles(SupportedFilesFilter); });
}

AddFilesResult AddGivenFiles(AddFilesContext& context, const std::vector<std::string>& files,
                             const std::vector<std::string>& roots) {
  return AddFilesChosenBy(
      context,
      [&files](AddFilesContext&) { return std::optional<std::vector<std::string>>(files); }, roots);
}

}  // namespace vidloom
