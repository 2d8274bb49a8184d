// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The command line's words and codes shared by its commands: exit codes of failures, the one form
// of its messages, the hints it adds where it has an option for the next step, and the options of
// a run as its arguments give them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "album/album_failure.h"
#include "album/album_outcome.h"
#include "cli/command_line.h"
#include "cli/options.h"
#include "platform/stop_request.h"
#include "run/generate.h"

namespace quillmere {

// The program's name, which starts each of its messages.
inline constexpr const char* kProgram = "quillmere-cli";

// The exit code of a run that failed with `failure`: 128 + the signal that stopped it, else 1.
int ExitCodeOf(const RunFailure& failure);

// The exit code of album work that failed with `failure`: 128 + the signal that stopped it, or
// the run's stop, else 1.
int ExitCodeOf(const AlbumFailure& failure);

// The command line's words for changes and next steps: its commands and options as they are typed
// ("quillmere-cli --abandon-change INDEX", "--max-pixels").
const CommandWords& CommandLineWords();

// Writes `message` on standard error in the one form of the program's messages: its name first.
void Tell(std::ostream& err, const std::string& message);

// Tells of wrong usage, `problem`, with the usage lines; the exit code for it.
int UsageError(std::ostream& err, const std::string& problem);

// The line --verbose prints after the pages of the index file at `indexPath` were written.
void PrintSummary(std::ostream& out, const RunOutcome& outcome, const std::string& indexPath);

// Tells on a terminal that the run waits for another; scripts wait without a word.
class WaitingMessage final : public LockWaiting {
 public:
  WaitingMessage(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  void WaitingFor(const std::string& folder) override;

 private:
  std::ostream& err_;
  bool terminal_;
};

// The options of a run that changes a site, as the command line gives them.
RunOptions RunOptionsFrom(const ParsedOptions& options, const StopRequest& stop,
                          PageProgress* progress, LockWaiting* waiting);

// What the command line adds to a failed run, where the next step is known.
void PrintHint(const RunFailure& failure, const std::string& indexPath, std::ostream& err);

// What the command line adds to what the album's work says, where it has an option for it.
void PrintHints(const AlbumOutcome& outcome, std::ostream& err);

}  // namespace quillmere
