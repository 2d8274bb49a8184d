// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/run_failure.h"

#include "paths/paths.h"
#include "platform/signals.h"

namespace quillmere {
namespace {

using Failure = RunFailure;

// A folder given as no path at all is the one the program runs in.
std::string FolderText(const std::string& folder) {
  return folder.empty() ? "the current folder" : folder;
}

// The line for each kind of failure, naming changes and next steps in the front end's words.
struct FailureText {
  const CommandWords& words;

  std::string operator()(const Failure::NotFound& f) const {
    return "File " + f.path + " was not found!";
  }
  std::string operator()(const Failure::IndexUnreadable& f) const {
    return "Could not read index file " + f.path + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::BadPicsPerRow& f) const {
    return "Thumbnails per row " + QuotedExcerpt(f.number) + " in " + f.path +
           " is out of range: it must be from 1 to " + std::to_string(kMaxPicsPerRow) + ".";
  }
  std::string operator()(const Failure::NotText& f) const {
    return f.path +
           " holds NUL bytes, as pictures and programs do, so it cannot be an index file; "
           "nothing was written.";
  }
  std::string operator()(const Failure::IndexIsAPage& f) const {
    return "Index file " + f.path + " is the page " + f.page +
           " that the run would write over; nothing was written.";
  }
  std::string operator()(const Failure::FolderNotOpened& f) const {
    return "Could not open the folder " + FolderText(f.folder) + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::PageNotWritten& f) const {
    return "Could not write page " + f.page + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::ForeignPage& f) const {
    return "Page " + f.page +
           " does not look like a page that Quillmere writes, so it was left as it is and the "
           "run stopped.";
  }
  std::string operator()(const Failure::Stopped& f) const {
    const std::string by = f.reason > 0 ? " by " + SignalName(f.reason) : std::string();
    return "The run was stopped" + by + ": page " + f.page +
           " and those after it were left as they were.";
  }
  std::string operator()(const Failure::OutOfMemory& f) const {
    return "Not enough memory to generate the site of " + f.path + ".";
  }
  std::string operator()(const Failure::Busy& f) const {
    return "Another run of Quillmere is changing " + FolderText(f.folder) +
           "; nothing was written.";
  }
  std::string operator()(const Failure::NotLocked& f) const {
    return "Could not lock " + FolderText(f.folder) + " for the run: " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::JournalUnreadable& f) const {
    return "The folder " + FolderText(f.folder) + " holds " + std::string(kJournalName) +
           ", which is not the journal of an interrupted run of Quillmere that can be read" +
           (f.error ? " (" + ErrorText(f.error) + ")" : std::string()) +
           "; nothing was written. Look at it, then remove it.";
  }
  std::string operator()(const Failure::JournalIndexChanged& f) const {
    return "Index file " + f.indexPath + " was edited after a run of " + words.Change(f.change) +
           " was interrupted, so that run can be neither finished nor undone; nothing was "
           "written. Check the files it lists in " +
           std::string(kJournalName) + ", then remove that journal with " +
           words.Step(NextStep::kAbandonChange, f.indexPath) + ".";
  }
  std::string operator()(const Failure::JournalStepFailed& f) const {
    return "An interrupted run of " + words.Change(f.change) +
           " could not be finished or undone at " + f.path + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::JournalNeedsTrash& f) const {
    return "An interrupted run of " + words.Change(f.change) + " changed " + f.indexPath +
           " but left pictures to be moved to the desktop's trash, which only the album's "
           "commands do; nothing was written. " +
           words.Step(NextStep::kFinishChange, f.indexPath) + " finishes that run.";
  }
  std::string operator()(const Failure::JournalFileChanged& f) const {
    return "An interrupted run of " + words.Change(f.change) +
           " can be neither finished nor undone, so nothing was written: " +
           UnsettledChangeText(f, words) + ".";
  }
  std::string operator()(const Failure::JournalNotRemoved& f) const {
    return "Could not remove the journal " + f.journal + ": " + ErrorText(f.error) + ".";
  }
};

// The system's reason a kind carries, where it carries one.
struct ErrorOf {
  template <class Kind>
  std::error_code operator()(const Kind& kind) const {
    if constexpr (requires { kind.error; }) {
      return kind.error;
    } else {
      return {};
    }
  }
};

}  // namespace

std::error_code RunFailure::error() const {
  return std::visit(ErrorOf{}, why);
}

int RunFailure::stopReason() const {
  const auto* stopped = As<Stopped>();
  return stopped != nullptr ? stopped->reason : 0;
}

std::string Describe(const RunFailure& failure, const CommandWords& words) {
  return std::visit(FailureText{words}, failure.why);
}

std::string UnsettledChangeText(const RunFailure::JournalFileChanged& failure,
                                const CommandWords& words) {
  const std::string journal = FolderAsGiven(failure.indexPath) + std::string(kJournalName);
  const std::string what = failure.missing
                               ? "the file it moved from " + failure.path + " is gone"
                               : failure.path + " is not the file it moved there, as its journal " +
                                     journal + " records it";
  return what + "; put that file back as it was and run again, or keep the album as it now " +
         "stands with " + words.Step(NextStep::kAbandonChange, failure.indexPath) +
         ", which removes the journal";
}

RunFailure JournalFailure(const JournalProblem& problem, const std::string& path) {
  const ChangeKind change = problem.change.value_or(ChangeKind::kNewAlbum);
  switch (problem.kind) {
    case JournalProblem::Kind::kUnreadable:
      return Failure::JournalUnreadable{path, problem.error};
    case JournalProblem::Kind::kIndexChanged:
      return Failure::JournalIndexChanged{path + problem.path, change};
    case JournalProblem::Kind::kNeedsTrash:
      return Failure::JournalNeedsTrash{path + problem.path, change};
    case JournalProblem::Kind::kFileChanged:
    case JournalProblem::Kind::kFileMissing:
      return Failure::JournalFileChanged{path + problem.path, path + problem.indexName, change,
                                         problem.kind == JournalProblem::Kind::kFileMissing};
    case JournalProblem::Kind::kStep:
      break;
  }
  return Failure::JournalStepFailed{path + problem.path, change, problem.error};
}

RunFailure IndexFailure(const std::string& chosenPath, const IndexError& error) {
  switch (error.kind) {
    case IndexError::Kind::kPicsPerRowOutOfRange:
      return Failure::BadPicsPerRow{chosenPath, error.numberText};
    case IndexError::Kind::kNotText:
      return Failure::NotText{chosenPath};
    case IndexError::Kind::kUnreadable:
      break;
  }
  return Failure::IndexUnreadable{chosenPath, error.systemError};
}

}  // namespace quillmere
