// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/run_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace quillmere {
namespace {

// Ignores the keyboard's interrupt and quit for as long as it lives.
class KeyboardSignalsIgnored {
 public:
  KeyboardSignalsIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &interrupt_);
    sigaction(SIGQUIT, &ignore, &quit_);
  }
  KeyboardSignalsIgnored(const KeyboardSignalsIgnored&) = delete;
  KeyboardSignalsIgnored& operator=(const KeyboardSignalsIgnored&) = delete;
  ~KeyboardSignalsIgnored() {
    sigaction(SIGINT, &interrupt_, nullptr);
    sigaction(SIGQUIT, &quit_, nullptr);
  }

 private:
  struct sigaction interrupt_ {};
  struct sigaction quit_ {};
};

// Tells whether the file at `path` is one this process may execute.
bool IsExecutable(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool CanRun(const std::string& program) {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos) return IsExecutable(program);
  const char* variable = std::getenv("PATH");
  std::string_view path = variable != nullptr ? variable : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    const std::size_t colon = path.find(':');
    const std::string_view folder = path.substr(0, colon);
    // An empty entry is the working folder.
    if (IsExecutable((folder.empty() ? std::string(".") : std::string(folder)) + "/" + program)) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    path.remove_prefix(colon + 1);
  }
}

Result<int> RunInForeground(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The program answers the keyboard's signals as it always would.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  const KeyboardSignalsIgnored ignored;
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return SystemError(spawned);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return SystemError(errno);
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace quillmere
