#include "desktop/private_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace vidloom::testing {
namespace {

constexpr int kStartTimeoutMs = 10'000;

std::string Config(const std::string& socket_dir) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <listen>unix:dir=" +
         socket_dir +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

PrivateBus::PrivateBus() {
  const std::string config = dir_ / "bus.conf";
  WriteTextFile(config, Config(dir_.path()));

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // Its notices (it cannot raise its descriptor limit without privileges, ...) go to a log that
  // error() shows when the start fails.
  const std::string log = dir_ / "daemon.log";
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string config_arg = "--config-file=" + config;
  std::vector<char*> argv{const_cast<char*>("dbus-daemon"), const_cast<char*>("--nofork"),
                          config_arg.data(), const_cast<char*>("--print-address"), nullptr};
  const int spawned = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    pid_ = -1;
    close(out[0]);
    error_ = "dbus-daemon could not be started (is the dbus-daemon package installed?)";
    return;
  }

  // The daemon prints its address and a line feed once it listens.
  std::string line;
  pollfd ready{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&ready, 1, kStartTimeoutMs) > 0) {
    char buffer[256];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  const auto end = line.find('\n');
  if (end == std::string::npos || end == 0) {
    error_ = "dbus-daemon printed no address: " + line + ReadTextFile(log);
    return;
  }
  address_ = line.substr(0, end);
}

PrivateBus::~PrivateBus() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

}  // namespace vidloom::testing
