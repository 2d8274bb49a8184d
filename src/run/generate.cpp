// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/generate.h"

#include <chrono>
#include <new>
#include <thread>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "run/journal_settle.h"
#include "run/message_text.h"
#include "run/site_folder.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Status = RunFailure::Status;

RunFailure Failure(Status status, std::string subject, std::error_code error = {},
                   std::string detail = {}) {
  RunFailure failure;
  failure.status = status;
  failure.subject = std::move(subject);
  failure.error = error;
  failure.detail = std::move(detail);
  return failure;
}

// The run's failure for each kind of page failure, the page named in the site folder
// `siteFolder`, stopped by `stopReason` where it was stopped.
struct PageFailed {
  const std::string& siteFolder;
  int stopReason;

  RunFailure operator()(const PageFailure::NotWritten& f) const {
    return Failure(Status::kPageNotWritten, siteFolder + f.page, f.error);
  }
  RunFailure operator()(const PageFailure::ForeignPage& f) const {
    return Failure(Status::kForeignPage, siteFolder + f.page);
  }
  RunFailure operator()(const PageFailure::Stopped& f) const {
    RunFailure stopped = Failure(Status::kStopped, siteFolder + f.page);
    stopped.stopReason = stopReason;
    return stopped;
  }
};

// How long a run waits before it looks again whether another has let go of its folder.
constexpr std::chrono::milliseconds kLockPoll{100};

// How many pages wait for one flush of their data, with sync.
constexpr std::size_t kPagesPerFlush = 128;

RunFailure Stopped(const std::string& page, const RunOptions& options) {
  RunFailure stopped = Failure(Status::kStopped, page);
  stopped.stopReason = options.stop != nullptr ? options.stop->reason() : 0;
  return stopped;
}

// Writes the pages of `index` into the site folder, unless the index file is one of them.
std::optional<RunFailure> WritePages(const std::string& chosenPath, const IndexFile& index,
                                     Folder& folder, FileSystem& fs, const RunOptions& options,
                                     RunOutcome& outcome) {
  const std::string same =
      PageThatIsTheIndexFile(chosenPath, index.source, index.PictureCount(), folder, fs);
  if (!same.empty()) {
    return Failure(Status::kIndexIsAPage, chosenPath, {}, FolderAsGiven(chosenPath) + same);
  }
  folder.RemoveLeftovers();
  // With sync, the pages wait in groups for one flush of their data before they take their
  // names; the first that cannot take its name is the run's failure.
  std::optional<PageFailure> unplaced;
  FileBatch batch(kPagesPerFlush, [&](const std::string& name, std::error_code error) {
    if (!unplaced) unplaced = PageFailure::NotWritten{name, error};
  });
  const PageRules rules{options.replaceForeignPages, options.stop, options.progress,
                        options.sync ? &batch : nullptr};
  SiteWriter writer(folder, rules);
  std::optional<PageFailure> failure = FailureOf(writer.WriteIndexPage(index));
  if (!failure) {
    const VideoEntries videos = FindVideoEntries(index.head, index.PictureCount(), folder);
    failure = FailureOf(writer.WritePicturePages(index, videos));
  }
  outcome.pages = writer.tally();
  // The pages whole before a failure or a stop take their names too.
  if (std::error_code error = options.sync ? batch.Finish() : std::error_code();
      error && !unplaced) {
    unplaced = PageFailure::NotWritten{std::string(kIndexPageName), error};
  }
  if (!failure) failure = unplaced;
  if (!failure) return std::nullopt;
  return std::visit(
      PageFailed{FolderAsGiven(chosenPath), options.stop != nullptr ? options.stop->reason() : 0},
      failure->why);
}

// Writes the site of the index file at `chosenPath`, as `read` read it, into its folder `folder`.
RunOutcome WriteSite(const std::string& chosenPath, Folder& folder, FileSystem& fs,
                     const RunOptions& options, Result<IndexFile, IndexError> read) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  try {
    if (const auto* error = read.failure()) {
      outcome.failure = IndexFailure(chosenPath, *error);
    } else if (options.stop != nullptr && options.stop->requested()) {
      outcome.failure = Stopped(FolderAsGiven(chosenPath) + std::string(kIndexPageName), options);
    } else {
      const IndexFile& index = read.value();
      outcome.pictureCount = index.PictureCount();
      outcome.title = std::string(index.head.SiteTitle);
      outcome.failure = WritePages(chosenPath, index, folder, fs, options, outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome.failure = Failure(Status::kOutOfMemory, chosenPath);
  }
  return outcome;
}

}  // namespace

std::string Describe(const RunFailure& failure, const CommandWords& words) {
  const std::string& subject = failure.subject;
  // A folder given as no path at all is the one the program runs in.
  const std::string folder = subject.empty() ? "the current folder" : subject;
  const std::string change = words.Change(failure.change);
  switch (failure.status) {
    case Status::kNotFound:
      return "File " + subject + " was not found!";
    case Status::kIndexUnreadable:
      return "Could not read index file " + subject + ": " + ErrorText(failure.error) + ".";
    case Status::kBadPicsPerRow:
      return "Thumbnails per row " + QuotedExcerpt(failure.detail) + " in " + subject +
             " is out of range: it must be from 1 to " + std::to_string(kMaxPicsPerRow) + ".";
    case Status::kNotText:
      return subject +
             " holds NUL bytes, as pictures and programs do, so it cannot be an index file; "
             "nothing was written.";
    case Status::kIndexIsAPage:
      return "Index file " + subject + " is the page " + failure.detail +
             " that the run would write over; nothing was written.";
    case Status::kPageNotWritten:
      return "Could not write page " + subject + ": " + ErrorText(failure.error) + ".";
    case Status::kForeignPage:
      return "Page " + subject +
             " does not look like a page that Quillmere writes, so it was left as it is and the "
             "run stopped.";
    case Status::kStopped: {
      const std::string by =
          failure.stopReason > 0 ? " by " + SignalName(failure.stopReason) : std::string();
      return "The run was stopped" + by + ": page " + subject +
             " and those after it were left as they were.";
    }
    case Status::kOutOfMemory:
      return "Not enough memory to generate the site of " + subject + ".";
    case Status::kBusy:
      return "Another run of Quillmere is changing " + folder + "; nothing was written.";
    case Status::kNotLocked:
      return "Could not lock " + folder + " for the run: " + ErrorText(failure.error) + ".";
    case Status::kJournalUnreadable:
      return "The folder " + folder + " holds " + std::string(kJournalName) +
             ", which is not the journal of an interrupted run of Quillmere that can be read" +
             (failure.error ? " (" + ErrorText(failure.error) + ")" : std::string()) +
             "; nothing was written. Look at it, then remove it.";
    case Status::kJournalIndexChanged:
      return "Index file " + subject + " was edited after a run of " + change +
             " was interrupted, so that run can be neither finished nor undone; nothing was "
             "written. Check the files it lists in " +
             std::string(kJournalName) + ", then remove that journal with " +
             words.Step(NextStep::kAbandonChange, subject) + ".";
    case Status::kJournalStep:
      return "An interrupted run of " + change + " could not be finished or undone at " + subject +
             ": " + ErrorText(failure.error) + ".";
    case Status::kJournalNeedsTrash:
      return "An interrupted run of " + change + " changed " + subject +
             " but left pictures to be moved to the desktop's trash, which only the album's "
             "commands do; nothing was written. " +
             words.Step(NextStep::kFinishChange, subject) + " finishes that run.";
    case Status::kJournalNotRemoved:
      return "Could not remove the journal " + subject + ": " + ErrorText(failure.error) + ".";
    case Status::kJournalFileChanged:
    case Status::kJournalFileMissing: {
      std::string text = UnsettledChangeText(failure, words);
      return "An interrupted run of " + change +
             " can be neither finished nor undone, so nothing was written: " + text + ".";
    }
  }
  return "";
}

std::string UnsettledChangeText(const RunFailure& failure, const CommandWords& words) {
  const std::string journal = FolderAsGiven(failure.indexPath) + std::string(kJournalName);
  const std::string what = failure.status == RunFailure::Status::kJournalFileMissing
                               ? "the file it moved from " + failure.subject + " is gone"
                               : failure.subject +
                                     " is not the file it moved there, as its journal " + journal +
                                     " records it";
  return what + "; put that file back as it was and run again, or keep the album as it now " +
         "stands with " + words.Step(NextStep::kAbandonChange, failure.indexPath) +
         ", which removes the journal";
}

std::string Describe(const RunOutcome& outcome, const CommandWords& words) {
  return outcome.failure ? Describe(*outcome.failure, words) : std::string();
}

RunFailure IndexFailure(const std::string& chosenPath, const IndexError& error) {
  switch (error.kind) {
    case IndexError::Kind::kPicsPerRowOutOfRange:
      return Failure(Status::kBadPicsPerRow, chosenPath, {}, error.numberText);
    case IndexError::Kind::kNotText:
      return Failure(Status::kNotText, chosenPath);
    case IndexError::Kind::kUnreadable:
      break;
  }
  return Failure(Status::kIndexUnreadable, chosenPath, error.systemError);
}

Result<IndexText, RunFailure> LoadChosenIndexFile(const std::string& chosenPath, FileSystem& fs) {
  if (!Exist(chosenPath, fs)) return Failure(Status::kNotFound, chosenPath);
  Result<IndexText, IndexError> loaded = LoadIndexText(chosenPath, fs);
  if (const auto* error = loaded.failure()) {
    return IndexFailure(chosenPath, *error);
  }
  return std::move(loaded).value();
}

std::string PageThatIsTheIndexFile(const std::string& chosenPath, const EntryInfo& source,
                                   std::int64_t pictureCount, Folder& folder, FileSystem& fs) {
  const std::string ownName = chosenPath.substr(chosenPath.rfind(kSeparator) + 1);
  Result<EntryInfo> chosen = fs.Inspect(chosenPath, /*follow=*/false);
  const bool reachedByLink = !chosen || chosen.value().kind == EntryInfo::Kind::kSymlink;
  if (!reachedByLink && source.links <= 1) {
    // The file has one name, the chosen one, in the site folder.
    return IsPageOfRun(ownName, pictureCount) ? ownName : "";
  }
  auto isTheIndexFile = [&](const std::string& page) {
    Result<EntryInfo> entry = folder.Inspect(page);
    return entry && entry.value().kind == EntryInfo::Kind::kRegular &&
           entry.value().device == source.device && entry.value().inode == source.inode;
  };
  if (isTheIndexFile(std::string(kIndexPageName))) return std::string(kIndexPageName);
  for (std::int64_t n = 1; n <= pictureCount; ++n) {
    std::string page = PicturePageName(n);
    if (isTheIndexFile(page)) return page;
  }
  return "";
}

Result<std::unique_ptr<FolderLock>, RunFailure> LockSiteFolder(Folder& folder,
                                                               const std::string& path,
                                                               const RunOptions& options) {
  bool told = false;
  for (;;) {
    Result<std::unique_ptr<FolderLock>> lock = folder.TryLock();
    if (lock) return std::move(lock.value());
    if (!IsLockBusy(lock.error())) return Failure(Status::kNotLocked, path, lock.error());
    if (!options.wait) return Failure(Status::kBusy, path);
    if (options.stop != nullptr && options.stop->requested()) {
      return Stopped(path + std::string(kIndexPageName), options);
    }
    if (!told && options.waiting != nullptr) options.waiting->WaitingFor(path);
    told = true;
    std::this_thread::sleep_for(kLockPoll);
  }
}

namespace {

// The run's failure of the journal's change for `problem`: `status`, about `subject`, for `error`.
RunFailure ChangeFailure(Status status, const JournalProblem& problem, std::string subject,
                         std::error_code error = {}) {
  RunFailure failure = Failure(status, std::move(subject), error);
  failure.change = problem.change.value_or(ChangeKind::kNewAlbum);
  return failure;
}

}  // namespace

RunFailure JournalFailure(const JournalProblem& problem, const std::string& path) {
  RunFailure failure;
  switch (problem.kind) {
    case JournalProblem::Kind::kUnreadable:
      return Failure(Status::kJournalUnreadable, path, problem.error);
    case JournalProblem::Kind::kIndexChanged:
      return ChangeFailure(Status::kJournalIndexChanged, problem, path + problem.path);
    case JournalProblem::Kind::kNeedsTrash:
      return ChangeFailure(Status::kJournalNeedsTrash, problem, path + problem.path);
    case JournalProblem::Kind::kFileChanged:
    case JournalProblem::Kind::kFileMissing:
      failure = ChangeFailure(problem.kind == JournalProblem::Kind::kFileChanged
                                  ? Status::kJournalFileChanged
                                  : Status::kJournalFileMissing,
                              problem, path + problem.path);
      failure.indexPath = path + problem.indexName;
      return failure;
    case JournalProblem::Kind::kStep:
      break;
  }
  return ChangeFailure(Status::kJournalStep, problem, path + problem.path, problem.error);
}

std::optional<RunFailure> SettleInterruptedChange(Folder& folder, const std::string& path,
                                                  Trash* trash) {
  Result<void, JournalProblem> settled = SettleJournal(folder, trash);
  if (settled) return std::nullopt;
  return JournalFailure(*settled.failure(), path);
}

RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs, const RunOptions& options) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  try {
    if (!Exist(chosenPath, fs)) {
      outcome.failure = Failure(Status::kNotFound, chosenPath);
      return outcome;
    }
    auto held = HoldSiteFolder(chosenPath, fs, options, {IndexLink::kFollow, {}});
    if (auto* failure = held.failure()) {
      if (failure->step == HoldFailure::Step::kOpenFolder) {
        outcome.failure =
            Failure(Status::kPageNotWritten, failure->failure.subject + std::string(kIndexPageName),
                    failure->failure.error);
      } else {
        outcome.failure = std::move(failure->failure);
      }
      return outcome;
    }
    HeldSite& site = held.value();
    return WriteSite(chosenPath, *site.folder, fs, options, ParseIndexFile(std::move(*site.index)));
  } catch (const std::bad_alloc&) {
    outcome.failure = Failure(Status::kOutOfMemory, chosenPath);
  }
  return outcome;
}

RunOutcome GenerateSiteInLockedFolder(const std::string& chosenPath, Folder& folder, FileSystem& fs,
                                      const RunOptions& options) {
  Result<IndexText, RunFailure> text =
      Exist(chosenPath, fs) ? ReadHeldIndexFile(chosenPath, folder, fs, IndexLink::kFollow)
                            : Result<IndexText, RunFailure>(Failure(Status::kNotFound, chosenPath));
  if (auto* failure = text.failure()) {
    RunOutcome outcome;
    outcome.siteFolder = FolderName(chosenPath);
    outcome.failure = std::move(*failure);
    return outcome;
  }
  return WriteSite(chosenPath, folder, fs, options, ParseIndexFile(std::move(text.value())));
}

}  // namespace quillmere
