#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/filesystem.h"
#include "window_logic/headless_desktop.h"

extern char** environ;

namespace vidloom {

bool StartDetachedScript(const std::string& script_path, const std::string& working_directory) {
  if (!platform::FileExists(script_path)) return false;

  // A short-lived shell puts the script in the background and ends at once, so the script is
  // adopted by init instead of waiting to be reaped by this program.
  const char* background = "/bin/sh \"$0\" </dev/null >/dev/null 2>&1 &";
  char* const argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"),
                        const_cast<char*>(background), const_cast<char*>(script_path.c_str()),
                        nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  if (!working_directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  }
  // The program may block or ignore signals (the command-line front-end blocks SIGINT for its
  // watcher thread); the script starts with the defaults.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

  pid_t pid = -1;
  const int error = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return false;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

void HeadlessDesktop::RunStartupScript(const std::string& script_path) {
  const auto slash = script_path.rfind(platform::kPathSeparator);
  StartDetachedScript(
      script_path, slash == std::string::npos ? std::string() : script_path.substr(0, slash + 1));
}

}  // namespace vidloom
