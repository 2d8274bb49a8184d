// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Running a program of the build as a separate process, as a user or a script would.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace quillmere::testing {

// How a finished process ended and what it printed.
struct ProcessResult {
  // The exit status, or -1 when a signal ended the process.
  int exitCode = -1;
  // The signal that ended the process, or 0.
  int signal = 0;
  std::string out;
  std::string err;
  // The most memory the process held at once (its peak resident set), in KiB.
  long peakKilobytes = 0;
};

// A program started with arguments; its standard output and error go to files until it ends.
class ChildProcess {
 public:
  // Starts `program` with `args`; `inChild` runs in the new process just before the program.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::function<void()>& inChild = {});
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  pid_t pid() const { return pid_; }
  // Sends `signal` to the process.
  void Signal(int signal) const;
  // Waits for the process to end.
  ProcessResult Wait();

 private:
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
  bool waited_ = false;
};

// Runs `program` with `args` to its end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::function<void()>& inChild = {});

// Turns LeakSanitizer off in the calling process and what it starts, for a process about to run
// under ptrace (strace), where a build with it cannot check for leaks; an `inChild` step.
void WithoutLeakChecks();

}  // namespace quillmere::testing
