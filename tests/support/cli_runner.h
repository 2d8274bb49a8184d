// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// quillmere-cli's front end run in the test's own process, as a user runs the program.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "platform/file_system.h"

namespace quillmere::testing {

// What a run of the command line gave: its exit code and what it printed.
struct CliResult {
  int code = 0;
  std::string out;
  std::string err;
};

// Runs quillmere-cli with `args` (without the program name) on `fs`.
inline CliResult RunCli(const std::vector<std::string>& args, FileSystem& fs) {
  std::ostringstream out, err;
  const int code = RunCommandLine(args, out, err, fs);
  return {code, out.str(), err.str()};
}

}  // namespace quillmere::testing
