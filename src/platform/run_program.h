// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Another program run in the foreground and waited for, as a text editor is.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/stop_request.h"

namespace quillmere {

// Runs the program `arguments[0]` (looked up in PATH) with `arguments` on this process's terminal
// and waits for it to end; its exit status, or 128 + the number of the signal that ended it.
// While it runs, this process ignores the keyboard's interrupt and quit, which are the program's
// to answer.
Result<int> RunInForeground(const std::vector<std::string>& arguments);

// Tells whether `program` can be run: a path to an executable file, or a name that PATH leads to
// one.
bool CanRun(const std::string& program);

// Receives the lines another program writes, one at a time, without their ends ("\n" or "\r").
using OutputLineSink = std::function<void(std::string_view line)>;

// How a program run in the background is watched.
struct BackgroundRun {
  // Where the lines of its standard output and of its standard error go.
  OutputLineSink output;
  OutputLineSink errors;
  // A stop asked for here ends the program (SIGTERM); none when only signals end it.
  const StopRequest* stop = nullptr;
};

// Runs the program `arguments[0]` (looked up in PATH) with `arguments`, its standard input
// reading nothing and its output handed to `run` line by line, and waits for it to end; its exit
// status, or 128 + the number of the signal that ended it. ENOENT when there is no such program.
Result<int> RunInBackground(const std::vector<std::string>& arguments, const BackgroundRun& run);

}  // namespace quillmere
