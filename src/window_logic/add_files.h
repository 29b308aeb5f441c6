// Adding files to the list: the file dialog, the "Analyzing Video Files" window and the analysis
// of every chosen file (the media-information reader first, the encoder's probe when the reader
// finds no frame size). Runs on the UI thread and keeps the window responsive while it works.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analyse_file.h"
#include "analysis/file_list.h"
#include "model/dialogs.h"
#include "model/forms.h"
#include "model/ui_thread.h"
#include "window_logic/ports.h"

namespace vidloom {

using analysis::AnalyseOptions;
using analysis::RowTexts;
using analysis::VideoInfoReader;

// The file dialog's filter: description and pattern pairs, each part followed by "|". The first
// pair is selected when the dialog opens. Blanks inside the pattern lists belong to them. The 24
// pairs of the program's first versions come first, as they were; the containers the encoder
// reads well besides those follow: their patterns end the first pair's list and they have
// pairs of their own at the end (kMoreFilePatterns, kMoreFileEntries). The desktop entry
// (data/vidloom.desktop) announces the same set as MIME types.
#define VIDLOOM_MORE_FILE_PATTERNS                                                          \
  ";*.mkv;*.mka;*.webm;*.flv;*.f4v;*.m4v;*.ts;*.mts;*.m2ts;*.ogv;*.oga;*.opus;*.flac;*.wv;" \
  "*.amr;*.mxf"
inline constexpr const char* kMoreFilePatterns = VIDLOOM_MORE_FILE_PATTERNS;
#define VIDLOOM_MORE_FILE_ENTRIES                                      \
  "Matroska and WebM Files (*.mkv, *.mka, *.webm)|*.mkv;*.mka;*.webm|" \
  "Flash Video Files (*.flv, *.f4v)|*.flv;*.f4v|"                      \
  "MPEG-4 Video Files (*.m4v)|*.m4v|"                                  \
  "MPEG Transport Streams (*.ts, *.mts, *.m2ts)|*.ts;*.mts;*.m2ts|"    \
  "Ogg Media Files (*.ogv, *.oga, *.opus)|*.ogv;*.oga;*.opus|"         \
  "Lossless Audio Files (*.flac, *.wv)|*.flac;*.wv|"                   \
  "AMR Audio Files (*.amr)|*.amr|"                                     \
  "MXF Files (*.mxf)|*.mxf|"
inline constexpr const char* kMoreFileEntries = VIDLOOM_MORE_FILE_ENTRIES;
inline constexpr const char* SupportedFilesFilter =
    "All Supported Files|"
    "*.avi;*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2;*.wma;*.wmv;*.asf;*.asx;*.mov; *.qt;*.3gp;*.3g2;*.mp3;"
    "*.mp2;*.ogg;*.aac;*.mp4;*.m4a;*.rm;*.rmvb;*.ram;*.ra;*.vob; *.dat;*.cda;*.dv; *.dif;*.wav; "
    "*.au; *.aiff;*.mjpg; *.mjpeg;*.ac3; *.gif; *.swf" VIDLOOM_MORE_FILE_PATTERNS
    "|"
    "3GPP Files (*.3gp)|*.3gp|"
    "3GPP2 Files (*.3g2)|*.3g2|"
    "AAC Files (*.aac)|*.aac|"
    "AC3 Files (*.ac3)|*.ac3|"
    "Audio CD Files (*.cda)|*.cda|"
    "AVI Files (*.avi)|*.avi|"
    "DV Video Files (*.dv, *.dif)|*.dv;*.dif|"
    "DVD VOB Files (*.vob)|*.vob|"
    "GIF Animated Files (*.gif)|*.gif|"
    "Macromedia Flash Files (*.swf)|*.swf|"
    "Monkey Audio Files (*.ape, *.cue)|*.ape;*.cue|"
    "MJpeg Video Files (*.mjpg, *.mjpeg)|*.mjpg; *.mjpeg|"
    "MP2 Files (*.mp2)|*.mp2|"
    "MP3 Files (*.mp3)|*.mp3|"
    "MPEG Files (*.mpeg, *.mpg, *.mpa, *.m1v, *.mv2)|*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2|"
    "MPEG-4 Files (*.mp4)|*.mp4|"
    "MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|"
    "Ogg Vorbis Files (*.ogg)|*.ogg|"
    "RealMedia Files (*.rm, *.rmvb, *.ram, *.ra)|*.rm; *.rmvb; *.ram; *.ra|"
    "QuickTime Files (*.mov, *.qt)|*.mov; *.qt|"
    "VCD DAT Files (*.dat)|*.dat|"
    "WAV Files (*.wav, *.au, *.aiff)|*.wav; *.au; *.aiff|"
    "Windows Media Files(*.wma, *.wmv, *.asf, "
    "*.asx)|*.wma;*.wmv;*.asf;*.asx|" VIDLOOM_MORE_FILE_ENTRIES;

// Process-wide state of the adding; UI thread only.
struct AddingState {
  bool AnalysisActive = false;  // the analysing window is up; it refuses to close meanwhile
  bool AddingFiles = false;     // set for the loop over the chosen files; "Cancel" clears it
  int NewRowIndex = 0;          // the row index the file being analysed will get
  bool InProgress = false;      // an AddFiles call is running (a second one does nothing)
};

// The pause of a window before and after each file: enough for the window to show the file's
// name and the new row.
inline constexpr std::int64_t kWindowPauseMs = 2;

// After "Cancel" the file in hand may take this long to finish; then its analysis is ended too
// and it gets no row, so that the adding always ends within a second of the click.
inline constexpr std::int64_t kCancelGraceMs = 500;

// One analysis per processor, and at least two: a probe spends most of its time starting the
// encoder, which a second processor (or the reader of the next file) can overlap.
int DefaultParallelAnalyses();

// Everything AddFiles works on. The referenced objects must outlive the context, and the
// context must outlive the handlers that ConnectAddFilesHandlers installs.
struct AddFilesContext {
  MainForm& main_form;
  AnalyzingForm& splash;
  OptionsForm& options_form;
  UiThread& ui;
  Dialogs& dialogs;
  FileDialog& file_dialog;
  std::string program_directory = {};  // with its trailing separator
  std::vector<std::string> required_files = {};
  std::string encoder_path = {};  // empty: program_directory + the encoder's file name
  // Empty: VideoInfo (libavformat).
  VideoInfoReader read_video_info = {};
  // The pauses before and after each file, in which the window handles its messages (a window
  // needs only a few milliseconds to show the file's name; 0 without a window).
  std::int64_t pause_ms = kWindowPauseMs;
  AddingState state = {};
  // How many files are analysed at once. Above 1, the files after the one in hand are analysed
  // ahead on worker threads (the reader then runs on those threads) while rows are still added
  // one by one in the chosen order; 1 analyses each file on the UI thread when its turn comes.
  int parallel_analyses = DefaultParallelAnalyses();
};

struct AddFilesResult {
  enum class End {
    kRequiredFileMissing,  // the required-files message was shown; nothing added
    kDialogCancelled,      // nothing added
    kAllFiles,             // the loop went through every chosen file
    kCancelled,            // "Cancel" stopped the loop before a file
    kBusy,                 // another AddFiles was running; nothing done
  };
  End end = End::kBusy;
  int rows_added = 0;
  // Files that got no row because the encoder could not be started to probe them.
  std::vector<std::string> not_started;
  // Chosen files that were not analysed because of "Cancel".
  std::vector<std::string> not_analysed;
  // Chosen files that do not exist: they get no row (the status bar names them).
  std::vector<std::string> missing;
  // Folders given (dropped, on the command line) that hold no supported file.
  std::vector<std::string> empty_folders;
  // The output folder, when it lay inside a folder given and was passed over.
  std::string skipped_output_folder = {};
};

// The status bar's message after an adding: the paths that got no row ("Skipped (no such
// file): a.avi", else "Skipped (no media files): Music"); an adding without such paths takes
// back the news of the last one. Told once the rows stand, so that nothing the adding does
// hides it.
void ShowSkipped(MainForm& form, const AddFilesResult& result);

// Adds files to main_form.FileList: disables the work controls and runs the required-files check
// (which enables them again); shows the file dialog; then, with the analysing window shown and
// "Convert Now !" and "Add Files" disabled, analyses every chosen file in order and appends its
// checked row, scrolling to it. A chosen path where nothing exists gets no row; the status bar's
// message names such files. "Cancel" takes effect before the next file; the file in hand is
// finished first (for at most kCancelGraceMs, then it is ended too and gets no row), and
// analyses already started ahead of it are ended (their probes' own encoders only) and give no
// rows. The analysing window is closed and the two buttons enabled again
// whatever way the loop ends (also when it throws); the work controls are enabled after a complete
// loop. A call while another one runs (re-entered from the window's pump) does nothing.
AddFilesResult AddFiles(AddFilesContext& context);

// AddFiles for files chosen elsewhere (dropped on the list, given on the command line): every
// step of AddFiles with `files` in place of the dialog's answer. An empty list adds nothing.
// `roots` (when given) holds for each file the folder it was found in: its rows keep it, that
// their outputs can keep their place below it.
AddFilesResult AddGivenFiles(AddFilesContext& context, const std::vector<std::string>& files,
                             const std::vector<std::string>& roots = {});

// "Cancel" on the analysing window: clears AddingFiles and enables the work controls.
void CancelAddingClick(AddFilesContext& context);

// The analysing window's close query: closing is allowed only while no analysis is active.
bool MayCloseAnalyzingWindow(const AddFilesContext& context);

// Installs the analysing window's handlers (CancelButton.on_click).
void ConnectAddFilesHandlers(AddFilesContext& context);

}  // namespace vidloom
