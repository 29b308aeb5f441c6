// Figures for the desktop program `vidloom`:
//   startup  the real program started as a process (temp HOME, a private program directory with
//            the encoder beside it) until its main window is first exposed, which the program
//            reports under VIDLOOM_BENCH_SHOWN (goal: at most 300 ms)
//   idle     the real program shown and left alone: processor time and wakeups (goal: near zero)
//   memory   the real program given a folder of 1,000 files on its command line, once its
//            adding has settled; and in process, the program's windows over the offscreen
//            platform before and after 1,000 rows are added (goal: under 80 MB)
//   batch    in process: the UI thread's lateness (a 10 ms timer) while a real batch converts a
//            generated clip with the encoder of the build (goal: every tick within 50 ms)
//   adding   the same while 100 generated files (half video, half audio, all read in process)
//            go through AddGivenFiles (goal: p99 at most 16 ms, none over 50 ms)
// A tick's lateness is its distance from the previous tick less the 10 ms interval; an event can
// have waited up to lateness + 10 ms for the UI thread.
// startup and idle run on the offscreen platform and, when xvfb-run is installed, again under
// it on xcb; the in-process parts run offscreen.
// Usage: bench_gui [--starts N] [--idle-seconds S] [--runs N] [--no-xvfb] [part...]
//   parts: startup idle memory batch adding (default: all); N starts (default 10) after one
//   uncounted first start; idle S seconds (default 5) three times; batch and adding N runs
//   (default 3). `--platform xcb` is what the run under xvfb-run is given.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/file_list.h"
#include "gui/icons.h"
#include "gui/main_window_view.h"
#include "gui/program_windows.h"
#include "gui/qt_ui_thread.h"
#include "platform/encoder_files.h"
#include "profiles/format_selectors.h"
#include "window_logic/add_files.h"
#include "window_logic/main_window.h"

extern char** environ;

namespace {

using namespace vidloom;
using Steady = std::chrono::steady_clock;

constexpr const char* kShownTag = "vidloom-shown ";
constexpr const char* kBatchFormat = "PSP Video (Good Quality) (*.mp4)";
constexpr int kTickMs = 10;
constexpr int kRows = 1000;

double Ms(Steady::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The smallest value that `fraction` of the values do not exceed.
double Percentile(std::vector<double> v, double fraction) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(v.size())));
  return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

double Min(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
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
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

bool Run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// A "Name:   value kB" line of a /proc status file, in kB (-1 when absent).
long StatusKb(const std::string& path, const std::string& name) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name + ":", 0) == 0) return std::atol(line.c_str() + name.size() + 1);
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// The real program as a process.

// What the processes' own CPU accounting says at one moment, summed over the threads.
struct ProcSample {
  long ticks = 0;        // utime + stime of /proc/<pid>/stat, in clock ticks
  double run_ms = 0;     // the threads' time on a processor (schedstat), in ms
  long voluntary = 0;    // voluntary context switches: one per sleep that was woken
  long involuntary = 0;  // preemptions
  int threads = 0;
  long rss_kb = 0;
};

ProcSample Sample(pid_t pid) {
  ProcSample s;
  const std::string base = "/proc/" + std::to_string(pid);
  {
    std::ifstream in(base + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command's closing parenthesis start with field 3 (state); utime and
    // stime are fields 14 and 15.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14 || i == 15) s.ticks += std::atol(field.c_str());
    }
  }
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(base + "/task", error)) {
    ++s.threads;
    std::ifstream sched(task.path() / "schedstat");
    unsigned long long run_ns = 0;
    if (sched >> run_ns) s.run_ms += static_cast<double>(run_ns) / 1e6;
    s.voluntary += StatusKb(task.path() / "status", "voluntary_ctxt_switches");
    s.involuntary += StatusKb(task.path() / "status", "nonvoluntary_ctxt_switches");
  }
  s.rss_kb = StatusKb(base + "/status", "VmRSS");
  return s;
}

// A copy of the program in a private program directory (so no settings file can land beside
// the build's program), with the encoder linked beside it, and a private HOME.
class ProgramSandbox {
 public:
  ProgramSandbox() {
    program_ = dir_.path() + "/bin/vidloom";
    std::filesystem::create_directories(dir_.path() + "/bin");
    std::filesystem::copy_file(BENCH_VIDLOOM_PATH, program_);
    std::filesystem::create_symlink(BENCH_ENCODER_PATH,
                                    dir_.path() + "/bin/" + platform::kEncoderFileName);
    for (const char* sub : {"/home/.config", "/home/.cache", "/home/.local/share", "/run"}) {
      std::filesystem::create_directories(dir_.path() + sub);
    }
    chmod((dir_.path() + "/run").c_str(), 0700);
  }
  const std::string& program() const { return program_; }

  // The environment: ours with a private HOME and XDG directories, the platform, and the
  // switch that makes the program report its first exposure.
  std::vector<std::string> Environment(const std::string& platform) const {
    const std::map<std::string, std::string> set = {
        {"HOME", dir_.path() + "/home"},
        {"XDG_CONFIG_HOME", dir_.path() + "/home/.config"},
        {"XDG_CACHE_HOME", dir_.path() + "/home/.cache"},
        {"XDG_DATA_HOME", dir_.path() + "/home/.local/share"},
        {"XDG_RUNTIME_DIR", dir_.path() + "/run"},
        {"QT_QPA_PLATFORM", platform},
        {"VIDLOOM_BENCH_SHOWN", "1"},
    };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (!set.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
    }
    for (const auto& [name, value] : set) env.push_back(name + "=" + value);
    return env;
  }

 private:
  TempDir dir_;
  std::string program_;
};

// One start of the program, which stays running until Stop().
class StartedProgram {
 public:
  // Starts `program` with `args` and waits up to `timeout_ms` for its "shown" line. shown_ms()
  // is nullopt when it did not come.
  StartedProgram(const std::string& program, const std::vector<std::string>& env, int timeout_ms,
                 std::vector<std::string> args = {}) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto start = Steady::now();
    const int error =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    fd_ = fds[0];
    if (error != 0) {
      pid_ = -1;
      return;
    }
    const auto deadline = start + std::chrono::milliseconds(timeout_ms);
    std::string pending;
    while (!shown_ms_) {
      const double left = Ms(deadline - Steady::now());
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;  // the program ended before its window was shown
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line.rfind(kShownTag, 0) == 0) {
          const std::chrono::nanoseconds shown(std::atoll(line.c_str() + std::strlen(kShownTag)));
          shown_ms_ = Ms(Steady::time_point(shown) - start);
        } else {
          other_lines_.push_back(line);
        }
      }
    }
  }
  ~StartedProgram() { Stop(); }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  pid_t pid() const { return pid_; }
  std::optional<double> shown_ms() const { return shown_ms_; }
  // What else the program wrote to stderr before its window was shown.
  const std::vector<std::string>& other_lines() const { return other_lines_; }

  // Ends the program (SIGTERM: no close query, no settings written) and reaps it.
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (fd_ >= 0) {
      close(fd_);
      fd_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::optional<double> shown_ms_;
  std::vector<std::string> other_lines_;
};

void PrintOtherLines(const std::set<std::string>& lines) {
  for (const auto& line : lines) std::printf("    program said: %s\n", line.c_str());
}

bool StartupPart(const ProgramSandbox& sandbox, const std::string& platform, int starts) {
  const auto env = sandbox.Environment(platform);
  std::set<std::string> said;
  std::optional<double> first;
  {
    StartedProgram p(sandbox.program(), env, 10000);
    first = p.shown_ms();
    said.insert(p.other_lines().begin(), p.other_lines().end());
  }
  std::vector<double> times;
  for (int i = 0; i < starts; ++i) {
    StartedProgram p(sandbox.program(), env, 10000);
    if (p.shown_ms()) times.push_back(*p.shown_ms());
    said.insert(p.other_lines().begin(), p.other_lines().end());
  }
  std::printf("start to window shown, %s (first start %.0f ms, not counted; load %s)\n",
              platform.c_str(), first.value_or(-1), LoadAverage().c_str());
  std::printf("  %d starts: median %.0f ms, min %.0f ms, max %.0f ms  (goal <= 300 ms)%s\n",
              static_cast<int>(times.size()), Median(times), Min(times), Max(times),
              static_cast<int>(times.size()) == starts ? "" : "  SOME STARTS NEVER SHOWED");
  PrintOtherLines(said);
  std::fflush(stdout);
  return static_cast<int>(times.size()) == starts;
}

bool IdlePart(const ProgramSandbox& sandbox, const std::string& platform, int seconds) {
  const auto env = sandbox.Environment(platform);
  constexpr int kIdleRuns = 3;
  const double tick_ms = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::vector<double> tick_cpu, run_cpu, wakeups, switches, rss, startup_cpu;
  int threads = 0;
  bool ok = true;
  for (int r = 0; r < kIdleRuns; ++r) {
    StartedProgram p(sandbox.program(), env, 10000);
    if (!p.shown_ms()) {
      ok = false;
      continue;
    }
    // Let the start-up's own work (deferred paints, font caches) end first.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const ProcSample before = Sample(p.pid());
    startup_cpu.push_back(before.run_ms);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const ProcSample after = Sample(p.pid());
    tick_cpu.push_back(static_cast<double>(after.ticks - before.ticks) * tick_ms);
    run_cpu.push_back(after.run_ms - before.run_ms);
    wakeups.push_back(static_cast<double>(after.voluntary - before.voluntary) / seconds);
    switches.push_back(static_cast<double>(after.voluntary + after.involuntary - before.voluntary -
                                           before.involuntary) /
                       seconds);
    rss.push_back(static_cast<double>(after.rss_kb) / 1024);
    threads = after.threads;
  }
  std::printf("idle for %d s after the window is shown, %s (%d runs, medians; load %s)\n", seconds,
              platform.c_str(), static_cast<int>(run_cpu.size()), LoadAverage().c_str());
  std::printf(
      "  cpu %.1f ms by utime+stime (max %.1f), %.2f ms on a processor by schedstat "
      "(max %.2f), = %.3f%% of one core\n"
      "  wakeups %.1f/s (max %.1f; all context switches %.1f/s), %d threads, "
      "resident %.1f MB with no rows  (goal: near zero)\n"
      "  (the start-up itself, to 1 s after the window was shown: %.0f ms on a processor)\n",
      Median(tick_cpu), Max(tick_cpu), Median(run_cpu), Max(run_cpu),
      Median(run_cpu) / (seconds * 10.0), Median(wakeups), Max(wakeups), Median(switches), threads,
      Median(rss), Median(startup_cpu));
  std::fflush(stdout);
  return ok;
}

// The real program given a folder of kRows files on its command line (all described by the
// reader: hard links to one generated clip): its resident memory once the adding has settled,
// i.e. the program used no processor time for a second.
bool ProgramMemoryPart(const ProgramSandbox& sandbox, const std::string& media) {
  const std::string clip = media + "/small.avi";
  const std::string folder = media + "/rows";
  if (!Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -t 2 "
           "-c:v mpeg4 " +
           clip)) {
    std::printf("ffmpeg could not generate the clip\n");
    return false;
  }
  std::filesystem::create_directories(folder);
  for (int i = 0; i < kRows; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/clip-%04d.avi", i);
    std::filesystem::create_hard_link(clip, folder + name);
  }
  StartedProgram p(sandbox.program(), sandbox.Environment("offscreen"), 10000, {folder});
  if (!p.shown_ms()) return false;
  const auto start = Steady::now();
  const auto deadline = start + std::chrono::minutes(3);
  ProcSample last = Sample(p.pid());
  auto still_since = Steady::now();
  while (Steady::now() < deadline && Steady::now() - still_since < std::chrono::seconds(1)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const ProcSample now = Sample(p.pid());
    if (now.run_ms != last.run_ms) still_since = Steady::now();
    last = now;
  }
  const bool settled = Steady::now() < deadline;
  const double busy_s = Ms(still_since - start) / 1000;
  const std::string status = "/proc/" + std::to_string(p.pid()) + "/status";
  std::printf(
      "resident memory of the real program, offscreen, given a folder of %d files (load %s)\n",
      kRows, LoadAverage().c_str());
  std::printf(
      "  adding busy for %.1f s after the window showed; then VmRSS %.1f MB, VmHWM %.1f MB  "
      "(goal < 80 MB)%s\n",
      busy_s, StatusKb(status, "VmRSS") / 1024.0, StatusKb(status, "VmHWM") / 1024.0,
      settled ? "" : "  STILL BUSY AFTER 3 MINUTES");
  std::fflush(stdout);
  return settled;
}

// Runs this benchmark again under xvfb-run for the process parts on xcb.
bool RunUnderXvfb(const std::vector<std::string>& parts, int starts, int idle_seconds) {
  std::vector<std::string> args = {"xvfb-run",
                                   "-a",
                                   "-s",
                                   "-screen 0 1280x1024x24 -nolisten tcp",
                                   std::filesystem::read_symlink("/proc/self/exe").string(),
                                   "--platform",
                                   "xcb",
                                   "--starts",
                                   std::to_string(starts),
                                   "--idle-seconds",
                                   std::to_string(idle_seconds)};
  args.insert(args.end(), parts.begin(), parts.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  pid_t pid;
  if (posix_spawnp(&pid, "xvfb-run", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---------------------------------------------------------------------------------------------
// The program's windows in this process, on the offscreen platform.

class QuietDialogs : public Dialogs {
 public:
  void ShowMessage(const Form&, const std::string&, const std::string& text) override {
    messages.push_back(text);
  }
  bool ConfirmOkCancel(const Form&, const std::string&) override { return false; }
  bool ConfirmYesNo(const Form&, const std::string&) override { return false; }
  std::vector<std::string> messages;
};

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The program's MainWindow and windows as RunDesktop builds them, with the encoder of the build,
// a private settings file and silent message boxes; shown and exposed.
class InProcessWindow {
 public:
  InProcessWindow()
      : window_(ui_, dialogs_, Options(settings_dir_.path())), windows_(window_, nullptr) {
    window_.Startup();
    windows_.main().show();
    const auto deadline = Steady::now() + std::chrono::seconds(5);
    while (!(windows_.main().windowHandle() && windows_.main().windowHandle()->isExposed()) &&
           Steady::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    RunEventsFor(200);
  }

  MainWindow& window() { return window_; }
  QuietDialogs& dialogs() { return dialogs_; }

 private:
  static MainWindowOptions Options(const std::string& settings_dir) {
    MainWindowOptions options;
    options.program_directory =
        std::filesystem::path(BENCH_ENCODER_PATH).parent_path().string() + "/";
    options.required_files = platform::kRequiredFiles;
    options.settings_path = settings_dir + "/vazadi.ini";
    return options;
  }

  TempDir settings_dir_;
  gui::QtUiThread ui_;
  QuietDialogs dialogs_;
  MainWindow window_;
  gui::ProgramWindows windows_;  // after window_: the views go first
};

bool MemoryPart() {
  const long start_rss = StatusKb("/proc/self/status", "VmRSS");
  InProcessWindow w;
  const long before_rss = StatusKb("/proc/self/status", "VmRSS");
  const long before_hwm = StatusKb("/proc/self/status", "VmHWM");
  MainForm& form = w.window().main_form;
  std::string extension;
  FormatExtension(form, extension);
  const auto start = Steady::now();
  for (int i = 0; i < kRows; ++i) {
    char name[96];
    std::snprintf(name, sizeof name, "/home/someone/Videos/Holiday 2024/clip-%04d.avi", i);
    const int row = analysis::AddFileRow(form, name, "640 x 480", "25", "00:01:30", extension);
    form.FileList.ScrollIntoView(row);
  }
  const double add_ms = Ms(Steady::now() - start);
  RunEventsFor(500);
  const long after_rss = StatusKb("/proc/self/status", "VmRSS");
  const long after_hwm = StatusKb("/proc/self/status", "VmHWM");
  std::printf("resident memory in process, offscreen (load %s)\n", LoadAverage().c_str());
  std::printf(
      "  QApplication alone %.1f MB; windows shown, no rows: VmRSS %.1f MB "
      "(VmHWM %.1f)\n"
      "  %d rows added in %.0f ms: VmRSS %.1f MB (VmHWM %.1f), +%.1f MB  (goal < 80 MB)%s\n",
      start_rss / 1024.0, before_rss / 1024.0, before_hwm / 1024.0, form.FileList.count(), add_ms,
      after_rss / 1024.0, after_hwm / 1024.0, (after_rss - before_rss) / 1024.0,
      form.FileList.count() == kRows ? "" : "  ROWS MISSING");
  std::fflush(stdout);
  return form.FileList.count() == kRows;
}

// Records how late each tick of a kTickMs timer comes on the UI thread, until stopped.
class TickProbe {
 public:
  TickProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const auto now = Steady::now();
      lateness_ms_.push_back(std::max(0.0, Ms(now - last_) - kTickMs));
      last_ = now;
      if (on_tick) on_tick();
    });
  }
  void Start() {
    last_ = Steady::now();
    timer_.start();
  }
  void Stop() { timer_.stop(); }
  std::function<void()> on_tick;
  const std::vector<double>& lateness_ms() const { return lateness_ms_; }

 private:
  QTimer timer_;
  Steady::time_point last_;
  std::vector<double> lateness_ms_;
};

struct LatencyRun {
  double total_ms = 0;
  std::vector<double> lateness_ms;
  bool ok = false;
  std::string note;
};

void PrintLatency(const char* what, const std::vector<LatencyRun>& runs, const char* goal) {
  std::vector<double> p99s, maxes;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const auto& l = runs[i].lateness_ms;
    const auto over = std::count_if(l.begin(), l.end(), [](double v) { return v > 50; });
    std::printf(
        "  run %zu: %6.0f ms, %4zu ticks, lateness p50 %5.1f  p99 %5.1f  max %5.1f ms, "
        "%ld over 50 ms  %s\n",
        i + 1, runs[i].total_ms, l.size(), Percentile(l, 0.5), Percentile(l, 0.99), Max(l),
        static_cast<long>(over), runs[i].note.c_str());
    p99s.push_back(Percentile(l, 0.99));
    maxes.push_back(Max(l));
  }
  std::printf(
      "  %s: median of the runs' p99 %.1f ms, of their max %.1f ms; longest gap between ticks "
      "%.1f ms  (goal: %s)\n",
      what, Median(p99s), Median(maxes), Max(maxes) + kTickMs, goal);
  std::fflush(stdout);
}

// One batch over a generated clip, with the UI thread's lateness measured throughout.
LatencyRun BatchRun(const std::string& clip) {
  InProcessWindow w;
  MainWindow& window = w.window();
  MainForm& form = window.main_form;
  TempDir out;
  const auto& formats = form.ComboOutputFormat.items();
  const auto format = std::find(formats.begin(), formats.end(), kBatchFormat);
  if (format == formats.end()) return {0, {}, false, "format missing"};
  form.ComboOutputFormat.UserSelect(static_cast<int>(format - formats.begin()));
  form.OutputFolder.SetText(out.path());
  analysis::AnalyseOptions analyse;
  analyse.encoder_path = BENCH_ENCODER_PATH;
  const auto texts = analysis::AnalyseFile(clip, analyse);
  if (!texts) return {0, {}, false, "clip not analysed"};
  std::string extension;
  FormatExtension(form, extension);
  analysis::AddFileRow(form, clip, texts->size, texts->frame_rate, texts->duration, extension);

  TickProbe probe;
  QEventLoop loop;
  probe.on_tick = [&] {
    if (!window.BatchRunning()) loop.quit();
  };
  const auto start = Steady::now();
  probe.Start();
  window.ConvertNowButtonClick();
  loop.exec();
  probe.Stop();
  window.WaitForBatch();
  LatencyRun run;
  run.total_ms = Ms(Steady::now() - start);
  run.lateness_ms = probe.lateness_ms();
  const std::string progress = form.FileList.rows().at(0).cells[kCellProgress];
  std::size_t outputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
    outputs += entry.is_regular_file() ? 1 : 0;
  }
  run.ok = progress == "Done" && outputs == 2;
  run.note = "row \"" + progress + "\", " + std::to_string(outputs) + " outputs";
  return run;
}

// AddGivenFiles over `files`, with the UI thread's lateness measured throughout.
LatencyRun AddingRun(const std::vector<std::string>& files) {
  InProcessWindow w;
  MainWindow& window = w.window();
  TickProbe probe;
  QEventLoop loop;
  bool done = false;
  probe.on_tick = [&] {
    if (done) loop.quit();
  };
  AddFilesResult result;
  Steady::time_point start, end;
  QTimer::singleShot(0, [&] {
    start = Steady::now();
    probe.Start();
    result = AddGivenFiles(window.adding(), files);
    end = Steady::now();
    done = true;  // the next tick, still measured, ends the loop
  });
  loop.exec();
  probe.Stop();
  LatencyRun run;
  run.total_ms = Ms(end - start);
  run.lateness_ms = probe.lateness_ms();
  run.ok = result.rows_added == static_cast<int>(files.size());
  run.note = std::to_string(result.rows_added) + " rows";
  return run;
}

bool BatchPart(const std::string& media, int runs) {
  const std::string clip = media + "/clip.avi";
  if (!std::filesystem::exists(clip) &&
      !Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i "
           "sine=frequency=440:sample_rate=44100 -t 20 -c:v mpeg4 -q:v 4 -c:a libmp3lame " +
           clip)) {
    std::printf("ffmpeg could not generate the clip\n");
    return false;
  }
  std::vector<LatencyRun> results;
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    results.push_back(BatchRun(clip));
    ok = ok && results.back().ok;
  }
  std::printf(
      "UI thread while a batch converts a 20 s 640x480 clip to \"%s\" with raziz2u "
      "(%d ms timer; load %s)\n",
      kBatchFormat, kTickMs, LoadAverage().c_str());
  PrintLatency("batch", results, "every tick within 50 ms");
  return ok;
}

bool AddingPart(const std::string& media, int runs) {
  const std::string lavfi = "ffmpeg -nostdin -v error -y -f lavfi -i ";
  if (!Run(lavfi + "testsrc=size=320x240:rate=25 -t 2 -c:v mpeg4 " + media + "/video.avi") ||
      !Run(lavfi + "sine=duration=2 -c:a libmp3lame " + media + "/audio.mp3")) {
    std::printf("ffmpeg could not generate the media\n");
    return false;
  }
  std::vector<std::string> files;
  for (int i = 0; i < 100; ++i) {
    const bool audio = i % 2 == 1;
    const std::string name =
        media + (audio ? "/audio-" : "/video-") + std::to_string(i) + (audio ? ".mp3" : ".avi");
    std::filesystem::copy_file(media + (audio ? "/audio.mp3" : "/video.avi"), name,
                               std::filesystem::copy_options::overwrite_existing);
    files.push_back(name);
  }
  std::vector<LatencyRun> results;
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    results.push_back(AddingRun(files));
    ok = ok && results.back().ok;
  }
  std::printf(
      "UI thread while AddGivenFiles adds 100 files, 50 video and 50 audio (%d ms timer; load "
      "%s)\n",
      kTickMs, LoadAverage().c_str());
  PrintLatency("adding", results, "p99 at most 16 ms, none over 50 ms");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int starts = 10;
  int idle_seconds = 5;
  int runs = 3;
  bool xvfb = true;
  std::string platform = "offscreen";
  std::vector<std::string> parts;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--starts" && has_value) {
      starts = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--idle-seconds" && has_value) {
      idle_seconds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--runs" && has_value) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--platform" && has_value) {
      platform = argv[++i];
      xvfb = false;
    } else if (arg == "--no-xvfb") {
      xvfb = false;
    } else if (arg == "startup" || arg == "idle" || arg == "memory" || arg == "batch" ||
               arg == "adding") {
      parts.push_back(arg);
    } else {
      std::fprintf(stderr,
                   "usage: bench_gui [--starts N] [--idle-seconds S] [--runs N] [--no-xvfb] "
                   "[startup|idle|memory|batch|adding]...\n");
      return 2;
    }
  }
  if (parts.empty()) parts = {"startup", "idle", "memory", "batch", "adding"};
  auto wants = [&](const char* part) {
    return std::find(parts.begin(), parts.end(), part) != parts.end();
  };

  bool ok = true;
  std::vector<std::string> process_parts;
  if (wants("startup")) process_parts.push_back("startup");
  if (wants("idle")) process_parts.push_back("idle");
  TempDir media;
  if (!process_parts.empty() || (wants("memory") && platform == "offscreen")) {
    ProgramSandbox sandbox;
    if (wants("startup")) ok = StartupPart(sandbox, platform, starts) && ok;
    if (wants("idle")) ok = IdlePart(sandbox, platform, idle_seconds) && ok;
    if (wants("memory") && platform == "offscreen") {
      ok = ProgramMemoryPart(sandbox, media.path()) && ok;
    }
    if (xvfb && !process_parts.empty()) {
      if (access("/usr/bin/xvfb-run", X_OK) == 0) {
        ok = RunUnderXvfb(process_parts, starts, idle_seconds) && ok;
      } else {
        std::printf("(xvfb-run not installed: no figures on xcb)\n");
      }
    }
  }
  if (platform != "offscreen" || !(wants("memory") || wants("batch") || wants("adding"))) {
    return ok ? 0 : 1;
  }

  qputenv("QT_QPA_PLATFORM", "offscreen");
  TempDir runtime;  // Qt wants a private runtime directory
  if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
    chmod(runtime.path().c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime.path().c_str());
  }
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setWindowIcon(gui::MakeIcon(Picture::kApp));
  if (wants("memory")) ok = MemoryPart() && ok;
  if (wants("batch")) ok = BatchPart(media.path(), runs) && ok;
  if (wants("adding")) ok = AddingPart(media.path(), runs) && ok;
  return ok ? 0 : 1;
}
