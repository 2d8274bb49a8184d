// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/generate.h"

#include <new>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "run/message_text.h"
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

RunFailure PageFailed(const std::string& siteFolder, const PageError& error, int stopReason) {
  const std::string page = siteFolder + error.page;
  switch (error.failure.kind) {
    case PageFailure::Kind::kStopped: {
      RunFailure stopped = Failure(Status::kStopped, page);
      stopped.stopReason = stopReason;
      return stopped;
    }
    case PageFailure::Kind::kForeignPage:
      return Failure(Status::kForeignPage, page);
    case PageFailure::Kind::kSystem:
      break;
  }
  return Failure(Status::kPageNotWritten, page, error.failure.error);
}

// Writes the pages of `index` into the site folder, unless the index file is one of them.
RunFailure WritePages(const std::string& chosenPath, const IndexFile& index, FileSystem& fs,
                      const RunOptions& options, RunOutcome& outcome) {
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(outcome.siteFolder);
  if (!folder) {
    return Failure(Status::kPageNotWritten, outcome.siteFolder + std::string(kIndexPageName),
                   folder.error());
  }
  const std::string same =
      PageThatIsTheIndexFile(chosenPath, index.source, index.PictureCount(), *folder.value(), fs);
  if (!same.empty()) {
    return Failure(Status::kIndexIsAPage, chosenPath, {}, outcome.siteFolder + same);
  }
  folder.value()->RemoveLeftovers();
  const PageRules rules{options.replaceForeignPages, options.stop, options.progress};
  SiteWriter writer(*folder.value(), rules);
  std::optional<PageError> failure = writer.WriteIndexPage(index);
  if (!failure) failure = writer.WritePicturePages(index);
  outcome.pages = writer.tally();
  if (!failure) return {};
  return PageFailed(outcome.siteFolder, *failure,
                    options.stop != nullptr ? options.stop->reason() : 0);
}

}  // namespace

std::string Describe(const RunFailure& failure) {
  const std::string& subject = failure.subject;
  switch (failure.status) {
    case Status::kDone:
      return "";
    case Status::kNotFound:
      return "File " + subject + " was not found!";
    case Status::kIndexUnreadable:
      return "Could not read index file " + subject + ": " + ErrorText(failure.error) + ".";
    case Status::kBadPicsPerRow:
      return "Thumbnails per row " + QuotedExcerpt(failure.detail) + " in " + subject +
             " is out of range: it must be from 1 to " + std::to_string(kMaxPicsPerRow) + ".";
    case Status::kNotText:
      return "File " + subject +
             " is not a text file (it holds NUL bytes), so it is no index file; nothing was "
             "written.";
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
  }
  return "";
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

std::variant<IndexText, RunFailure> LoadChosenIndexFile(const std::string& chosenPath,
                                                        FileSystem& fs) {
  if (!Exist(chosenPath, fs)) return Failure(Status::kNotFound, chosenPath);
  std::variant<IndexText, IndexError> loaded = LoadIndexText(chosenPath, fs);
  if (const auto* error = std::get_if<IndexError>(&loaded)) {
    return IndexFailure(chosenPath, *error);
  }
  return std::get<IndexText>(std::move(loaded));
}

std::variant<IndexFile, RunFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                        FileSystem& fs) {
  if (!Exist(chosenPath, fs)) return Failure(Status::kNotFound, chosenPath);
  std::variant<IndexFile, IndexError> read = ReadIndexFile(chosenPath, fs);
  if (const auto* error = std::get_if<IndexError>(&read)) return IndexFailure(chosenPath, *error);
  return std::get<IndexFile>(std::move(read));
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

RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs, const RunOptions& options) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  try {
    std::variant<IndexFile, RunFailure> read = ReadChosenIndexFile(chosenPath, fs);
    if (auto* failure = std::get_if<RunFailure>(&read)) {
      static_cast<RunFailure&>(outcome) = std::move(*failure);
    } else if (options.stop != nullptr && options.stop->requested()) {
      static_cast<RunFailure&>(outcome) =
          Failure(Status::kStopped, outcome.siteFolder + std::string(kIndexPageName));
      outcome.stopReason = options.stop->reason();
    } else {
      const IndexFile& index = std::get<IndexFile>(read);
      outcome.pictureCount = index.PictureCount();
      static_cast<RunFailure&>(outcome) = WritePages(chosenPath, index, fs, options, outcome);
    }
  } catch (const std::bad_alloc&) {
    static_cast<RunFailure&>(outcome) = Failure(Status::kOutOfMemory, chosenPath);
  }
  return outcome;
}

}  // namespace quillmere
