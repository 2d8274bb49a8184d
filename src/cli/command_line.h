// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The command-line front end: arguments in, a run, messages and an exit code out.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "platform/file_system.h"

namespace quillmere {

// Exit codes of quillmere-cli.
enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Where quillmere-cli prints: standard output and error, whether the latter is a terminal
// (which then shows the progress of long work), whether the former is one (where lists are
// aligned for reading rather than split by tabs for scripts), and whether standard input is one
// (a person who can mend an edit file that does not parse).
struct Console {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
  bool outIsTerminal = false;
  bool inIsTerminal = false;
};

// Runs quillmere-cli with `args` (without the program name); returns the exit code. A write to
// the console that failed makes it a failure.
int RunCommandLine(std::span<const std::string> args, const Console& console, FileSystem& fs);

// The same, on streams that are no terminal.
int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   FileSystem& fs);

// Runs quillmere-cli as the program: standard output and error, this machine's file system.
int RunProgram(int argc, char** argv);

}  // namespace quillmere
