// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

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

// The arguments of `arguments` as posix_spawn takes them.
std::vector<char*> ArgumentVector(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Spawn attributes that give the program the default answer to the signals this process may
// catch or ignore, and no blocked signals.
class DefaultSignals {
 public:
  DefaultSignals() {
    posix_spawnattr_init(&attributes_);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
      sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  DefaultSignals(const DefaultSignals&) = delete;
  DefaultSignals& operator=(const DefaultSignals&) = delete;
  ~DefaultSignals() { posix_spawnattr_destroy(&attributes_); }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
};

// The read end of a pipe from a program, cut into lines for its sink.
class LinePipe {
 public:
  LinePipe(int descriptor, OutputLineSink sink) : descriptor_(descriptor), sink_(std::move(sink)) {}
  LinePipe(const LinePipe&) = delete;
  LinePipe& operator=(const LinePipe&) = delete;
  ~LinePipe() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  int descriptor() const { return descriptor_; }

  // Reads what is there; false once the program has closed its end.
  bool ReadSome() {
    std::array<char, 4096> buffer{};
    const ssize_t got = read(descriptor_, buffer.data(), buffer.size());
    if (got < 0) return errno == EINTR || errno == EAGAIN;
    if (got == 0) {
      Flush();
      close(descriptor_);
      descriptor_ = -1;
      return false;
    }
    for (char c : std::string_view(buffer.data(), static_cast<std::size_t>(got))) {
      if (c == '\n' || c == '\r') {
        Flush();
      } else {
        line_ += c;
      }
    }
    return true;
  }

 private:
  void Flush() {
    if (!line_.empty() && sink_) sink_(line_);
    line_.clear();
  }
  int descriptor_;
  OutputLineSink sink_;
  std::string line_;
};

// Waits for the program `child` to end: its exit status, or 128 + its signal.
Result<int> WaitForEnd(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return SystemError(errno);
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

// Hands what the pipes bring to their sinks until both are closed, ending `child` once `stop`
// is asked for.
void DrainPipes(LinePipe& output, LinePipe& errors, pid_t child, const StopRequest* stop) {
  bool stopSent = false;
  while (output.descriptor() >= 0 || errors.descriptor() >= 0) {
    std::array<pollfd, 2> watched = {pollfd{output.descriptor(), POLLIN, 0},
                                     pollfd{errors.descriptor(), POLLIN, 0}};
    const int ready = poll(watched.data(), watched.size(), 100);
    if (stop != nullptr && stop->requested() && !stopSent) {
      kill(child, SIGTERM);
      stopSent = true;
    }
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    if (watched[0].revents != 0) output.ReadSome();
    if (watched[1].revents != 0) errors.ReadSome();
  }
}

}  // namespace

Result<int> RunInBackground(const std::vector<std::string>& arguments, const BackgroundRun& run) {
  std::array<int, 2> output{-1, -1};
  std::array<int, 2> errors{-1, -1};
  if (pipe2(output.data(), O_CLOEXEC) != 0) return SystemError(errno);
  if (pipe2(errors.data(), O_CLOEXEC) != 0) {
    const int error = errno;
    close(output[0]);
    close(output[1]);
    return SystemError(error);
  }
  LinePipe outputLines(output[0], run.output);
  LinePipe errorLines(errors[0], run.errors);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
  std::vector<char*> argv = ArgumentVector(arguments);
  const DefaultSignals signals;
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, signals.get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  close(errors[1]);
  if (spawned != 0) return SystemError(spawned);
  DrainPipes(outputLines, errorLines, child, run.stop);
  return WaitForEnd(child);
}

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
  std::vector<char*> argv = ArgumentVector(arguments);
  // The program answers the keyboard's signals as it always would.
  const DefaultSignals signals;
  const KeyboardSignalsIgnored ignored;
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], nullptr, signals.get(), argv.data(), environ);
  if (spawned != 0) return SystemError(spawned);
  return WaitForEnd(child);
}

}  // namespace quillmere
