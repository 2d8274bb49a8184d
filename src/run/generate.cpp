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

std::string DescribeIndexError(const std::string& path, const IndexError& error) {
  switch (error.kind) {
    case IndexError::Kind::kPicsPerRowOutOfRange:
      return "Thumbnails per row " + QuotedExcerpt(error.numberText) + " in " + path +
             " is out of range: it must be from 1 to " + std::to_string(kMaxPicsPerRow) + ".";
    case IndexError::Kind::kNotText:
      return "File " + path +
             " is not a text file (it holds NUL bytes), so it is no index file; nothing was "
             "written.";
    case IndexError::Kind::kUnreadable:
      break;
  }
  return "Could not read index file " + path + ": " + ErrorText(error.systemError) + ".";
}

RunOutcome::Status StatusOf(const IndexError& error) {
  switch (error.kind) {
    case IndexError::Kind::kPicsPerRowOutOfRange:
      return RunOutcome::Status::kBadPicsPerRow;
    case IndexError::Kind::kNotText:
      return RunOutcome::Status::kNotText;
    case IndexError::Kind::kUnreadable:
      break;
  }
  return RunOutcome::Status::kIndexUnreadable;
}

void Stopped(RunOutcome& outcome, int reason, const std::string& page) {
  outcome.status = RunOutcome::Status::kStopped;
  outcome.stopReason = reason;
  std::string by = reason == StopRequest::kByUser ? "" : " by " + SignalName(reason);
  outcome.message = "The run was stopped" + by + ": page " + outcome.siteFolder + page +
                    " and those after it were left as they were.";
}

void PageFailed(RunOutcome& outcome, const PageError& error) {
  const std::string page = outcome.siteFolder + error.page;
  switch (error.failure.kind) {
    case PageFailure::Kind::kStopped:
      Stopped(outcome, outcome.stopReason, error.page);
      return;
    case PageFailure::Kind::kForeignPage:
      outcome.status = RunOutcome::Status::kForeignPage;
      outcome.message = "Page " + page +
                        " does not look like a page that Quillmere writes, so it was left as it "
                        "is and the run stopped.";
      return;
    case PageFailure::Kind::kSystem:
      break;
  }
  outcome.status = RunOutcome::Status::kPageNotWritten;
  outcome.message = "Could not write page " + page + ": " + ErrorText(error.failure.error) + ".";
}

void WritePages(const std::string& chosenPath, const IndexFile& index, FileSystem& fs,
                const RunOptions& options, RunOutcome& outcome) {
  outcome.pictureCount = index.PictureCount();
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(outcome.siteFolder);
  if (!folder) {
    PageFailed(outcome, {std::string(kIndexPageName), {PageFailure::Kind::kSystem, folder.error}});
    return;
  }
  const std::string same =
      PageThatIsTheIndexFile(chosenPath, index.source, index.PictureCount(), *folder.value, fs);
  if (!same.empty()) {
    outcome.status = RunOutcome::Status::kIndexIsAPage;
    outcome.message = "Index file " + chosenPath + " is the page " + outcome.siteFolder + same +
                      " that the run would write over; nothing was written.";
    return;
  }
  folder.value->RemoveLeftovers();
  const PageRules rules{options.replaceForeignPages, options.stop};
  SiteWriter writer(*folder.value, rules);
  std::optional<PageError> failure = writer.WriteIndexPage(index);
  if (!failure) failure = writer.WritePicturePages(index);
  outcome.pages = writer.tally();
  if (failure) {
    if (options.stop != nullptr) outcome.stopReason = options.stop->reason();
    PageFailed(outcome, *failure);
  }
}

}  // namespace

ChosenFileFailure IndexFailure(const std::string& chosenPath, const IndexError& error) {
  return ChosenFileFailure{StatusOf(error), DescribeIndexError(chosenPath, error)};
}

std::variant<IndexText, ChosenFileFailure> LoadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs) {
  if (!Exist(chosenPath, fs)) {
    return ChosenFileFailure{RunOutcome::Status::kNotFound,
                             "File " + chosenPath + " was not found!"};
  }
  std::variant<IndexText, IndexError> loaded = LoadIndexText(chosenPath, fs);
  if (const auto* error = std::get_if<IndexError>(&loaded)) {
    return IndexFailure(chosenPath, *error);
  }
  return std::get<IndexText>(std::move(loaded));
}

std::variant<IndexFile, ChosenFileFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs) {
  if (!Exist(chosenPath, fs)) {
    return ChosenFileFailure{RunOutcome::Status::kNotFound,
                             "File " + chosenPath + " was not found!"};
  }
  std::variant<IndexFile, IndexError> read = ReadIndexFile(chosenPath, fs);
  if (const auto* error = std::get_if<IndexError>(&read)) {
    return IndexFailure(chosenPath, *error);
  }
  return std::get<IndexFile>(std::move(read));
}

std::string PageThatIsTheIndexFile(const std::string& chosenPath, const EntryInfo& source,
                                   std::int64_t pictureCount, Folder& folder, FileSystem& fs) {
  const std::string ownName = chosenPath.substr(chosenPath.rfind(kSeparator) + 1);
  Result<EntryInfo> chosen = fs.Inspect(chosenPath, /*follow=*/false);
  const bool reachedByLink = !chosen || chosen.value.kind == EntryInfo::Kind::kSymlink;
  if (!reachedByLink && source.links <= 1) {
    // The file has one name, the chosen one, in the site folder.
    return IsPageOfRun(ownName, pictureCount) ? ownName : "";
  }
  auto isTheIndexFile = [&](const std::string& page) {
    Result<EntryInfo> entry = folder.Inspect(page);
    return entry && entry.value.kind == EntryInfo::Kind::kRegular &&
           entry.value.device == source.device && entry.value.inode == source.inode;
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
    std::variant<IndexFile, ChosenFileFailure> read = ReadChosenIndexFile(chosenPath, fs);
    if (auto* failure = std::get_if<ChosenFileFailure>(&read)) {
      outcome.status = failure->status;
      outcome.message = std::move(failure->message);
    } else if (options.stop != nullptr && options.stop->requested()) {
      Stopped(outcome, options.stop->reason(), std::string(kIndexPageName));
    } else {
      WritePages(chosenPath, std::get<IndexFile>(read), fs, options, outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome.status = RunOutcome::Status::kOutOfMemory;
    outcome.message = "Not enough memory to generate the site of " + chosenPath + ".";
  }
  return outcome;
}

}  // namespace quillmere
