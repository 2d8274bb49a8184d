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
#include "site/page_entries.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The run's failure for each kind of page failure, the page named in the site folder
// `siteFolder`, stopped by `stopReason` where it was stopped.
struct PageFailed {
  const std::string& siteFolder;
  int stopReason;

  RunFailure operator()(const PageFailure::NotWritten& f) const {
    return RunFailure::PageNotWritten{siteFolder + f.page, f.error};
  }
  RunFailure operator()(const PageFailure::ForeignPage& f) const {
    return RunFailure::ForeignPage{siteFolder + f.page};
  }
  RunFailure operator()(const PageFailure::Stopped& f) const {
    return RunFailure::Stopped{siteFolder + f.page, stopReason};
  }
};

// How long a run waits before it looks again whether another has let go of its folder.
constexpr std::chrono::milliseconds kLockPoll{100};

// How many pages wait for one flush of their data, with sync.
constexpr std::size_t kPagesPerFlush = 128;

RunFailure Stopped(std::string page, const RunOptions& options) {
  return RunFailure::Stopped{std::move(page), options.stop != nullptr ? options.stop->reason() : 0};
}

// Writes the pages of `index` into the site folder, unless the index file is one of them.
Result<void, RunFailure> WritePages(const std::string& chosenPath, const IndexFile& index,
                                    Folder& folder, FileSystem& fs, const RunOptions& options,
                                    RunOutcome& outcome) {
  const std::string same =
      PageThatIsTheIndexFile(chosenPath, index.source, index.PictureCount(), folder, fs);
  if (!same.empty()) {
    return RunFailure::IndexIsAPage{chosenPath, FolderAsGiven(chosenPath) + same};
  }
  folder.RemoveLeftovers();
  // With sync, the pages wait in groups for one flush of their data before they take their
  // names; the first that cannot take its name is the run's failure.
  std::optional<PageFailure> unplaced;
  FileBatch batch(kPagesPerFlush, [&](const std::string& name, std::error_code error) {
    if (!unplaced) unplaced = PageFailure::NotWritten{name, error};
  });
  const PageRules rules{options.replaceForeignPages, options.stop, options.progress,
                        options.sync ? &batch : nullptr, nullptr};
  SiteWriter writer(folder, rules);
  const PageEntries entries = FindPageEntries(index.head, index.PictureCount(), folder);
  std::optional<PageFailure> failure = FailureOf(writer.WriteIndexPage(index, entries));
  if (!failure) failure = FailureOf(writer.WritePicturePages(index, entries));
  outcome.pages = writer.tally();
  // The pages whole before a failure or a stop take their names too.
  if (std::error_code error = options.sync ? batch.Finish().error() : std::error_code();
      error && !unplaced) {
    unplaced = PageFailure::NotWritten{std::string(kIndexPageName), error};
  }
  if (!failure) failure = unplaced;
  if (!failure) return {};
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
      outcome.failure = FailureOf(WritePages(chosenPath, index, folder, fs, options, outcome));
    }
  } catch (const std::bad_alloc&) {
    outcome.failure = RunFailure::OutOfMemory{chosenPath};
  }
  return outcome;
}

}  // namespace

std::string Describe(const RunOutcome& outcome, const CommandWords& words) {
  return outcome.failure ? Describe(*outcome.failure, words) : std::string();
}

Result<IndexText, RunFailure> LoadChosenIndexFile(const std::string& chosenPath, FileSystem& fs) {
  if (!Exist(chosenPath, fs)) return RunFailure::NotFound{chosenPath};
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
    if (!IsLockBusy(lock.error())) return RunFailure::NotLocked{path, lock.error()};
    if (!options.wait) return RunFailure::Busy{path};
    if (options.stop != nullptr && options.stop->requested()) {
      return Stopped(path + std::string(kIndexPageName), options);
    }
    if (!told && options.waiting != nullptr) options.waiting->WaitingFor(path);
    told = true;
    std::this_thread::sleep_for(kLockPoll);
  }
}

Result<SettledJournal, RunFailure> SettleInterruptedChange(Folder& folder, const std::string& path,
                                                           FileSystem& fs,
                                                           const RunOptions& options,
                                                           Trash* trash) {
  Result<SettledJournal, JournalProblem> settled = SettleJournal(folder, trash);
  if (const JournalProblem* problem = settled.failure()) return JournalFailure(*problem, path);
  if (settled.value().outcome != SettledJournal::Outcome::kFinished) return settled.value();
  // The index file holds the change, and the pages follow it before the journal goes.
  const RunOutcome pages =
      GenerateSiteInLockedFolder(path + settled.value().indexName, folder, fs, options);
  if (pages.failure) return *pages.failure;
  if (std::error_code error = RemoveJournalOfWrittenChange(folder).error()) {
    return RunFailure::JournalNotRemoved{path + std::string(kJournalName), error};
  }
  return settled.value();
}

Result<void> RemoveJournalOfWrittenChange(Folder& folder) {
  return AbandonJournal(folder).error();
}

RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs, const RunOptions& options) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  try {
    if (!Exist(chosenPath, fs)) {
      outcome.failure = RunFailure::NotFound{chosenPath};
      return outcome;
    }
    auto held = HoldSiteFolder(chosenPath, fs, options, {IndexLink::kFollow, {}});
    if (auto* failure = held.failure()) {
      // A folder that cannot be opened is told as its first page not written.
      if (const auto* closed = failure->As<RunFailure::FolderNotOpened>()) {
        outcome.failure =
            RunFailure::PageNotWritten{closed->folder + std::string(kIndexPageName), closed->error};
      } else {
        outcome.failure = std::move(*failure);
      }
      return outcome;
    }
    HeldSite& site = held.value();
    return WriteSite(chosenPath, *site.folder, fs, options, ParseIndexFile(std::move(*site.index)));
  } catch (const std::bad_alloc&) {
    outcome.failure = RunFailure::OutOfMemory{chosenPath};
  }
  return outcome;
}

RunOutcome GenerateSiteInLockedFolder(const std::string& chosenPath, Folder& folder, FileSystem& fs,
                                      const RunOptions& options) {
  Result<IndexText, RunFailure> text =
      Exist(chosenPath, fs) ? ReadHeldIndexFile(chosenPath, folder, fs, IndexLink::kFollow)
                            : Result<IndexText, RunFailure>(RunFailure::NotFound{chosenPath});
  if (auto* failure = text.failure()) {
    RunOutcome outcome;
    outcome.siteFolder = FolderName(chosenPath);
    outcome.failure = std::move(*failure);
    return outcome;
  }
  return WriteSite(chosenPath, folder, fs, options, ParseIndexFile(std::move(text.value())));
}

}  // namespace quillmere
