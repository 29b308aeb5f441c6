// Figures for the encoder runner, with the scripted fake encoder on the real clock:
//   1. throughput: 50 MB of progress records through RunEncoder against the same fake read from a
//      plain pipe and discarded (the goal), and against the fake writing to /dev/null;
//   2. the end: how long RunEncoder takes after the encoder exits;
//   3. Stop: how soon a running encoder is gone;
//   4. the window's update cadence while records stream in.
// Usage: bench_runner [repetitions]
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "model/headless_ui_thread.h"
#include "pipeline/encoder_runner.h"
#include "pipeline/output_parser.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "window_logic/batch_presenter.h"

extern char** environ;

namespace {

using namespace vidloom;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

class Bench {
 public:
  Bench() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vidloom-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    dir_ = pattern;
    FileEntry entry;
    entry.input_path = "/videos/in.mov";
    entry.state = RowState::kConverting;
    form_.FileList.AddRow(entry);
    run_.row = form_.FileList.row(0).id;
    run_.output_path = dir_ + "/out.mp4";
  }
  ~Bench() { std::filesystem::remove_all(dir_); }

  void Script(const std::string& text) { std::ofstream(dir_ + "/fake_script.txt") << text; }

  std::string Command() const {
    return platform::QuoteArgument(FAKE_ENCODER_PATH) + " -@ -y -i \"/videos/in.mov\" " +
           platform::QuoteArgument(run_.output_path);
  }

  // The fake alone, its output thrown away: start to exit, in ms.
  double Baseline() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    std::string program = FAKE_ENCODER_PATH;
    std::string out = run_.output_path;
    std::vector<char*> argv = {program.data(), out.data(), nullptr};
    const auto start = Clock::now();
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      std::abort();
    }
    int status;
    waitpid(pid, &status, 0);
    const double ms = Ms(Clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    return ms;
  }

  // The fake read through the pipe and thrown away: what the pipe alone costs.
  double Drain() {
    const auto start = Clock::now();
    auto child = platform::ChildProcess::Start(Command(), dir_);
    if (!child) std::abort();
    std::vector<char> buffer(64 * 1024);
    while (child->Read(buffer.data(), buffer.size(), 50) != 0) {
    }
    child->Wait();
    return Ms(Clock::now() - start);
  }

  // One run through RunEncoder on a worker; this thread is the UI thread. `during` runs on the
  // UI thread between tasks until the run ends. Returns start to return, in ms.
  double Run(const std::function<void()>& during = {}) {
    RunnerEnv env{
        .sink = presenter_, .clock = ui_.clock(), .requests = requests_, .working_directory = dir_};
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    std::thread worker([&] {
      const double cpu_start = ThreadCpuMs();
      RunEncoder(env, Command(), run_);
      last_worker_cpu_ms_ = ThreadCpuMs() - cpu_start;
      done = true;
      ui_.Wake();
    });
    ui_.RunUntil([&] {
      if (during) during();
      return done.load();
    });
    worker.join();
    return Ms(Clock::now() - start);
  }

  // What Stop does: the request, and the runs' own encoders asked to end through their handles.
  void PressStop() {
    requests_.StopRequested = true;
    watchdog_.AskEncodersToEnd();
    ui_.clock().WakeAll();
  }

  std::string dir_;
  double last_worker_cpu_ms_ = 0;  // CPU time of the last run's worker thread
  HeadlessUiThread ui_;
  MainForm form_;
  BatchRequests requests_;
  WindowWatchdog watchdog_{ui_, form_};
  RunPresenter presenter_{ui_, form_, watchdog_};
  RunSpec run_;
};

const char* kHeader =
    "print Input #0, mov, from '/videos/in.mov':\n"
    "print   Duration: 00:10:00.00, start: 0.000000, bitrate: 900 kb/s\n"
    "print Output #0, psp, to '/out/in.mp4':\n";

void Throughput(Bench& bench, int repetitions) {
  constexpr long long kBytes = 50LL * 1024 * 1024;
  bench.Script(std::string(kHeader) + "flood " + std::to_string(kBytes) + "\noutput 1000\n");
  std::vector<double> alone, drained, through, cpu;
  for (int i = 0; i < repetitions; ++i) {
    alone.push_back(bench.Baseline());
    drained.push_back(bench.Drain());
    through.push_back(bench.Run());
    cpu.push_back(bench.last_worker_cpu_ms_);
  }
  const double a = Median(alone), d = Median(drained), t = Median(through);
  std::printf("1. throughput, 50 MiB of progress records (median of %d)\n", repetitions);
  std::printf("   fake encoder to /dev/null     %8.1f ms\n", a);
  std::printf("   read from the pipe, discarded %8.1f ms   = %.3fx of /dev/null\n", d, d / a);
  std::printf(
      "   through RunEncoder (no pause) %8.1f ms   = %.3fx of the plain pipe (%.3fx of /dev/null,"
      " %.0f MB/s)   goal <= 1.10x of the plain pipe\n",
      t, t / d, t / a, kBytes / 1e6 / (t / 1000));
  std::printf("   runner thread CPU time        %8.1f ms   (%.1f%% of the fake alone)\n",
              Median(cpu), 100 * Median(cpu) / a);
  // The parser alone, on the same records in memory, fed in reads of 64 KiB.
  std::string records;
  for (long long frame = 1; static_cast<long long>(records.size()) < kBytes; ++frame) {
    records += "frame=" + std::to_string(frame) + " q=2.0 size=" + std::to_string(frame * 3) +
               "kB time=" + std::to_string(frame / 25) + ".00 bitrate=512.0kbits/s\r";
  }
  OutputParser parser;
  parser.Feed("Input #0, mov, from 'in.mov':\n  Duration: 00:10:00.00, start: 0\n");
  const auto start = Clock::now();
  for (std::size_t at = 0; at < records.size(); at += 64 * 1024) {
    parser.Feed(std::string_view(records).substr(at, 64 * 1024));
  }
  const double parse_ms = Ms(Clock::now() - start);
  std::printf("   parser alone, in memory       %8.1f ms   (%.2f GB/s)\n", parse_ms,
              records.size() / 1e6 / parse_ms);
  std::printf("   window shows frames %s, %s\n", bench.form_.FileList.cell(0, kCellFrames).c_str(),
              bench.form_.FileList.cell(0, kCellProgress).c_str());
}

void EndOfRun(Bench& bench, int repetitions) {
  bench.Script(std::string(kHeader) + "output 1000\nexit 0\n");
  std::vector<double> alone, through;
  for (int i = 0; i < repetitions; ++i) {
    alone.push_back(bench.Baseline());
    through.push_back(bench.Run());
  }
  const double a = Median(alone), t = Median(through);
  std::printf("2. end of a run (median of %d)\n", repetitions);
  std::printf("   fake encoder alone, start to exit   %7.1f ms\n", a);
  std::printf("   RunEncoder, start to return         %7.1f ms\n", t);
  std::printf(
      "   after the exit                      %7.1f ms   goal <= 20 ms (the batch then keeps"
      " the full bar 260 ms)\n",
      t - a);
}

void StopLatency(Bench& bench, int repetitions) {
  std::printf("3. Stop while the encoder runs (median / worst of %d)\n", repetitions);
  for (const bool ask_encoders : {true, false}) {
    bench.Script(std::string(kHeader) +
                 "output 1000\nwrite frame=1 size=1kB time=1.0 b=1\\r\nhang\n");
    std::vector<double> latencies;
    for (int i = 0; i < repetitions; ++i) {
      bench.form_.FileList.Update(bench.run_.row, [](FileEntry& entry) { entry.frames.reset(); });
      bench.requests_.StopRequested = false;
      Clock::time_point pressed{};
      bench.Run([&] {
        if (pressed != Clock::time_point{}) return;
        if (bench.form_.FileList.cell(0, kCellFrames) != "1") return;
        pressed = Clock::now();
        if (ask_encoders) {
          bench.PressStop();
        } else {
          // Only the request: the runner's own poll must see it.
          bench.requests_.StopRequested = true;
        }
      });
      latencies.push_back(Ms(Clock::now() - pressed));
    }
    std::printf("   %-34s %6.1f / %6.1f ms   goal <= 100 ms\n",
                ask_encoders ? "Stop (request + encoders asked)" : "Stop request alone (poll)",
                Median(latencies), *std::max_element(latencies.begin(), latencies.end()));
  }
  bench.requests_.StopRequested = false;
}

void Cadence(Bench& bench) {
  // A record every 10 ms for 4 s; the window's frame cell is watched on the UI thread.
  std::string script = kHeader;
  script += "output 1000\n";
  for (int frame = 1; frame <= 400; ++frame) {
    script += "write frame=" + std::to_string(frame) + " q=2.0 size=" + std::to_string(frame) +
              "kB time=" + std::to_string(frame / 25.0) + " bitrate=1\\r\nsleep 10\n";
  }
  bench.Script(script);
  std::vector<Clock::time_point> updates;
  std::string last;
  bench.form_.FileList.SubscribeRows([&](ListView::Change, int) {
    const std::string& frames = bench.form_.FileList.cell(0, kCellFrames);
    if (frames != last) updates.push_back(Clock::now());
    last = frames;
  });
  bench.Run();
  std::vector<double> intervals;
  for (std::size_t i = 1; i < updates.size(); ++i)
    intervals.push_back(Ms(updates[i] - updates[i - 1]));
  std::printf("4. window updates while records stream in (one every ~10 ms for ~4 s)\n");
  std::printf("   %zu updates; intervals (ms):", updates.size());
  for (double d : intervals) std::printf(" %.0f", d);
  if (!intervals.empty()) {
    std::printf("\n   median %.0f ms, min %.0f ms, max %.0f ms   goal ~360 ms\n", Median(intervals),
                *std::min_element(intervals.begin(), intervals.end()),
                *std::max_element(intervals.begin(), intervals.end()));
  } else {
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Bench bench;
  Throughput(bench, repetitions);
  EndOfRun(bench, repetitions);
  StopLatency(bench, repetitions);
  Cadence(bench);
  return 0;
}
