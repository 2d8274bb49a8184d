// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "support/temp_folder.h"

namespace quillmere::testing {
namespace {

std::string ScratchFile(const char* what) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string("quillmere-") + what + "-XXXXXX"))
          .string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  ::close(fd);
  return pattern;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::function<void()>& inChild)
    : outPath_(ScratchFile("out")), errPath_(ScratchFile("err")) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int out = ::open(outPath_.c_str(), O_WRONLY | O_TRUNC);
    int err = ::open(errPath_.c_str(), O_WRONLY | O_TRUNC);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    // The test's own handling of signals is no part of the program's start.
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGPIPE}) ::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (inChild) inChild();
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (!waited_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  ::unlink(outPath_.c_str());
  ::unlink(errPath_.c_str());
}

void ChildProcess::Signal(int signal) const {
  ::kill(pid_, signal);
}

ProcessResult ChildProcess::Wait() {
  ProcessResult result;
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid_, &status, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  }
  result.peakKilobytes = usage.ru_maxrss;
  waited_ = true;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = ReadFile(outPath_);
  result.err = ReadFile(errPath_);
  return result;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void()>& inChild) {
  ChildProcess child(program, args, inChild);
  return child.Wait();
}

void WithoutLeakChecks() {
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string options = std::string(asan != nullptr ? asan : "") + ":detect_leaks=0";
  ::setenv("ASAN_OPTIONS", options.c_str(), 1);
}

}  // namespace quillmere::testing
