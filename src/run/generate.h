// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// One generation run: from the chosen index file to the written site.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <variant>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "platform/stop_request.h"
#include "run/journal.h"
#include "run/message_text.h"
#include "site/site_writer.h"

namespace quillmere {

// Hears that a run waits for another run of the program to let go of a folder.
class LockWaiting {
 public:
  virtual ~LockWaiting() = default;
  // The run waits for the folder `folder` (ending with "/"), which another run is changing.
  virtual void WaitingFor(const std::string& folder) = 0;
};

// What a run may do beyond the usual.
struct RunOptions {
  // Replace pages in the site folder that do not look like pages this program writes.
  bool replaceForeignPages = false;
  // A request to stop, looked at between pages and between buffers, and while waiting.
  const StopRequest* stop = nullptr;
  // Told after each page how many of the site's pages are done.
  PageProgress* progress = nullptr;
  // Whether to wait for another run that is changing the same folder, or to fail at once.
  bool wait = true;
  // Told once when the run has to wait for another; none costs nothing.
  LockWaiting* waiting = nullptr;
  // Whether the pages' data reaches the disk before they take their names, so that a power cut
  // leaves each page old or whole new (flushed in groups); otherwise a later run heals what a
  // crash left.
  bool sync = false;
};

// How a run ended, and for a failure what it is about and why: data until it is shown.
struct RunFailure {
  enum class Status {
    // The chosen index file, `subject`, does not exist.
    kNotFound,
    // It could not be read, for `error`.
    kIndexUnreadable,
    // Its thumbnails-per-row number, `detail`, is out of range.
    kBadPicsPerRow,
    // It is no text file.
    kNotText,
    // It is itself the page `detail` that the run would write.
    kIndexIsAPage,
    // The page `subject` could not be written, for `error`.
    kPageNotWritten,
    // The page `subject` is not a page this program writes, and was left alone.
    kForeignPage,
    // The run was asked to stop (`stopReason`) before the page `subject`.
    kStopped,
    // There was not memory enough for the index file `subject`.
    kOutOfMemory,
    // Another run is changing the folder `subject`, and this one was not to wait.
    kBusy,
    // The folder `subject` could not be locked for the run, for `error`.
    kNotLocked,
    // The folder `subject` holds the journal of an interrupted change that cannot be read.
    kJournalUnreadable,
    // The index file `subject` was edited after the change `change` was interrupted.
    kJournalIndexChanged,
    // The interrupted change `change` could not be finished or undone at `subject`, for `error`.
    kJournalStep,
    // The interrupted change `change` to the album of the index file `subject` took effect, and
    // files wait to go to the desktop's trash, which only the album's commands move them to.
    kJournalNeedsTrash,
    // The interrupted change `change` to the album of `indexPath` can be neither finished nor
    // undone, since the file `subject` is not the one it moved there.
    kJournalFileChanged,
    // The interrupted change `change` to the album of `indexPath` can be neither finished nor
    // undone, since the file it moved from `subject` is gone.
    kJournalFileMissing,
    // The journal `subject` of an interrupted change could not be removed, for `error`.
    kJournalNotRemoved,
  };
  Status status = Status::kNotFound;
  // The file or page the failure is about, as a path.
  std::string subject;
  // What more the words for the failure need: a number's text, or a page's path.
  std::string detail;
  // The system's reason, where there is one.
  std::error_code error;
  // For kStopped, what stopped it: a signal number or StopRequest::kByUser.
  int stopReason = 0;
  // For the failures of a journal that does not fit the disk, the index file of its album.
  std::string indexPath = {};
  // For the failures of a journal, what its change does.
  ChangeKind change = ChangeKind::kNewAlbum;
};

// What a run did.
struct RunOutcome {
  // Why it stopped before its end; none when the site was written.
  std::optional<RunFailure> failure;
  // The folder of the chosen file, ending with "/": the site folder.
  std::string siteFolder;
  // The pages written or found already up to date, also when the run stopped early.
  PageTally pages;
  // The number of pictures read.
  std::int64_t pictureCount = 0;
  // The site's title as the index file gives it; empty until the file was read.
  std::string title;

  bool ok() const { return !failure.has_value(); }
  // Whether the run failed for `status`.
  bool FailedWith(RunFailure::Status status) const { return failure && failure->status == status; }
};

// The one line that tells the user of a failure, naming changes and next steps in the front end's
// `words`; the window and the command line both show it.
std::string Describe(const RunFailure& failure, const CommandWords& words);

// The line that tells the user of the run's failure in `words`; "" when it wrote the site.
std::string Describe(const RunOutcome& outcome, const CommandWords& words);

// Why the interrupted change of `failure` (kJournalFileChanged or kJournalFileMissing) cannot be
// settled, and what the person can do about it in `words`, as a clause: "…; put that file back…".
std::string UnsettledChangeText(const RunFailure& failure, const CommandWords& words);

// The run's failure for the journal of the folder at `path` (ending with "/") that cannot be
// settled for `problem`.
RunFailure JournalFailure(const JournalProblem& problem, const std::string& path);

// The run's failure for the index file at `chosenPath` that could not be used for `error`.
RunFailure IndexFailure(const std::string& chosenPath, const IndexError& error);

// Checks that the index file at `chosenPath` exists and reads its text, exactly as a run does.
Result<IndexText, RunFailure> LoadChosenIndexFile(const std::string& chosenPath, FileSystem& fs);

// The name of the page of the run that is the index file itself (through a link or another
// name, too), or "" when none is; `source` is the index file as it was read.
std::string PageThatIsTheIndexFile(const std::string& chosenPath, const EntryInfo& source,
                                   std::int64_t pictureCount, Folder& folder, FileSystem& fs);

// Takes the lock of the site folder `folder`, whose path is `path`, for a run that changes it:
// at once, or once the run of the program that holds it has ended, or not at all when the
// options say not to wait or ask the run to stop meanwhile.
Result<std::unique_ptr<FolderLock>, RunFailure> LockSiteFolder(Folder& folder,
                                                               const std::string& path,
                                                               const RunOptions& options);

class Trash;

// Finishes or undoes the change to the album of `folder` (at `path`) that an interrupted run
// left in its journal, if there is one; the caller holds the folder's lock. Files that the change
// moves to the desktop's trash go to `trash`; without one, such a change is refused.
std::optional<RunFailure> SettleInterruptedChange(Folder& folder, const std::string& path,
                                                  Trash* trash = nullptr);

// Generates the site for the index file at `chosenPath` into that file's folder, holding the
// folder's lock meanwhile.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs,
                        const RunOptions& options = {});

// Generates the site for the index file at `chosenPath` into `folder`, its folder, whose lock
// the caller holds and whose journal it has settled.
RunOutcome GenerateSiteInLockedFolder(const std::string& chosenPath, Folder& folder, FileSystem& fs,
                                      const RunOptions& options = {});

}  // namespace quillmere
