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
#include "run/run_failure.h"
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
  // Whether the run failed with a failure of the kind `Kind`.
  template <class Kind>
  bool FailedWith() const {
    return failure && failure->Is<Kind>();
  }
};

// The line that tells the user of the run's failure in `words`; "" when it wrote the site.
std::string Describe(const RunOutcome& outcome, const CommandWords& words);

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
struct SettledJournal;

// Finishes or undoes the change to the album of `folder` (at `path`) that an interrupted run
// left in its journal, if there is one; the caller holds the folder's lock. A change finished has
// its pages written as `options` say before its journal goes, since a change is done only when
// its pages show it. Files that the change moves to the desktop's trash go to `trash`; without
// one, such a change is refused. Tells what settling did.
Result<SettledJournal, RunFailure> SettleInterruptedChange(Folder& folder, const std::string& path,
                                                           FileSystem& fs,
                                                           const RunOptions& options,
                                                           Trash* trash = nullptr);

// Removes the journal of `folder`, once the pages of its change are written; nothing when it has
// none. The caller holds the folder's lock.
Result<void> RemoveJournalOfWrittenChange(Folder& folder);

// Generates the site for the index file at `chosenPath` into that file's folder, holding the
// folder's lock meanwhile.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs,
                        const RunOptions& options = {});

// Generates the site for the index file at `chosenPath` into `folder`, its folder, whose lock
// the caller holds and whose journal it has settled.
RunOutcome GenerateSiteInLockedFolder(const std::string& chosenPath, Folder& folder, FileSystem& fs,
                                      const RunOptions& options = {});

}  // namespace quillmere
