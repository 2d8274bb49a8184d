// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/console_words.h"

#include "cli/shell_word.h"
#include "platform/signals.h"
#include "run/message_text.h"
#include "run/progress_text.h"

namespace quillmere {

using Id = OptionId;

// The exit code of a run that failed with `failure`: 128 + the signal that stopped it, else 1.
int ExitCodeOf(const RunFailure& failure) {
  return failure.stopReason() > 0 ? ExitStatusForSignal(failure.stopReason()) : kExitFailure;
}

// The exit code of album work that failed with `failure`: 128 + the signal that stopped it, or the
// run's stop, else 1.
int ExitCodeOf(const AlbumFailure& failure) {
  if (failure.stopReason() > 0) {
    return ExitStatusForSignal(failure.stopReason());
  }
  return failure.run() != nullptr ? ExitCodeOf(*failure.run()) : kExitFailure;
}

namespace {

// The command `command` of the program for the album of `indexPath` (none when "").
std::string Command(OptionId command, const std::string& indexPath) {
  return std::string(kProgram) + " " + std::string(OptionName(command)) +
         (indexPath.empty() ? std::string() : " " + indexPath);
}

// The command line's words, which quillmere-cli prints.
class CommandLine final : public CommandWords {
 public:
  std::string Change(ChangeKind kind) const override {
    return std::string(kProgram) + " --" + std::string(ChangeWord(kind));
  }
  std::string Step(NextStep step, const std::string& indexPath) const override {
    switch (step) {
      case NextStep::kFinishChange:
      case NextStep::kRemovePicture:
        return Command(Id::kRemovePictures, indexPath);
      case NextStep::kAbandonChange:
        return Command(Id::kAbandonChange, indexPath);
      case NextStep::kAddSupportImages:
        return Command(Id::kAddSupportImages, indexPath);
      case NextStep::kMakeThumbnails:
        return Command(Id::kMakeThumbnails, indexPath);
      case NextStep::kDeleteRemoved:
        return std::string(OptionName(Id::kRemovePictures)) + " " +
               std::string(OptionName(Id::kDelete));
      case NextStep::kPixelLimit:
        return std::string(OptionName(Id::kMaxPixels));
      case NextStep::kMemoryBudget:
        return std::string(OptionName(Id::kMaxMemory));
      case NextStep::kVideoLength:
        return std::string(OptionName(Id::kMaxVideoSeconds));
    }
    return "";
  }
};

}  // namespace

const CommandWords& CommandLineWords() {
  static const CommandLine words;
  return words;
}

// Writes `message` on standard error in the one form of the program's messages: its name first.
void Tell(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\n";
}

int UsageError(std::ostream& err, const std::string& problem) {
  Tell(err, Visible(problem));
  err << UsageText() << "\n";
  return kExitUsage;
}

// The line --verbose prints after the pages of the index file at `indexPath` were written.
void PrintSummary(std::ostream& out, const RunOutcome& outcome, const std::string& indexPath) {
  const std::uint64_t pages = outcome.pages.written + outcome.pages.unchanged;
  out << pages << (pages == 1 ? " page" : " pages") << " for " << Visible(indexPath) << " ("
      << outcome.pages.written << " written, " << outcome.pages.unchanged
      << " already up to date)\n";
}

void WaitingMessage::WaitingFor(const std::string& folder) {
  if (!terminal_) return;
  Tell(err_, WaitingText(Visible(folder)));
  err_.flush();
}

// The options of a run that changes a site, as the command line gives them.
RunOptions RunOptionsFrom(const ParsedOptions& options, const StopRequest& stop,
                          PageProgress* progress, LockWaiting* waiting) {
  RunOptions run;
  run.replaceForeignPages = options.Has(Id::kForce);
  run.stop = &stop;
  run.progress = progress;
  run.wait = !options.Has(Id::kNoWait);
  run.waiting = waiting;
  run.sync = options.Has(Id::kSync);
  return run;
}

// What the command line adds to a failed run, where the next step is known.
void PrintHint(const RunFailure& failure, const std::string& indexPath, std::ostream& err) {
  if (failure.Is<RunFailure::ForeignPage>()) {
    Tell(err,
         "--force replaces it all the same, with every index.html and ImageN.html of the "
         "folder, without looking at them");
  }
  if (failure.Is<RunFailure::IndexUnreadable>() && failure.error() == std::errc::is_a_directory) {
    Tell(err, "to make an album of the pictures in " + Visible(indexPath) +
                  ": quillmere-cli --new-album " + Visible(ShellWord(indexPath)) + " ALBUM_FOLDER");
  }
}

// What the command line adds to what the album's work says, where it has an option for it.
void PrintHints(const AlbumOutcome& outcome, std::ostream& err) {
  if (outcome.failure && outcome.failure->run() != nullptr) {
    PrintHint(*outcome.failure->run(), outcome.indexPath, err);
  }
  if (outcome.failure && outcome.failure->Is<AlbumFailure::NoTrash>()) {
    Tell(err, "--delete deletes the removed pictures instead");
  }
  if (outcome.ok() && std::any_of(outcome.problems.begin(), outcome.problems.end(),
                                  [](const PictureProblem& problem) {
                                    return problem.kind == PictureProblem::Kind::kDuplicate ||
                                           problem.kind == PictureProblem::Kind::kInAlbum;
                                  })) {
    Tell(err, "--allow-duplicates adds such pictures anyway");
  }
}

}  // namespace quillmere
