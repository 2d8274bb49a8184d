#include "run/generate.h"

#include <new>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"

namespace quillmere {
namespace {

std::string DescribeIndexError(const std::string& path, const IndexError& error) {
  if (error.kind == IndexError::Kind::kPicsPerRowOutOfRange) {
    return "Thumbnails per row \"" + error.numberText + "\" in " + path +
           " is out of range: it must be at most " + std::to_string(kMaxPicsPerRow) + ".";
  }
  return "Could not read index file " + path + ": " + ErrorText(error.systemError) + ".";
}

std::string DescribePageError(const PageError& error) {
  return "Could not write page " + error.page + ": " + ErrorText(error.error) + ".";
}

void WritePages(const IndexFile& index, FileSystem& fs, RunOutcome& outcome) {
  outcome.pictureCount = index.PictureCount();
  SiteWriter writer(fs, outcome.siteFolder);
  std::optional<PageError> failure = writer.WriteIndexPage(index);
  if (!failure) failure = writer.WritePicturePages(index);
  outcome.pages = writer.tally();
  if (failure) {
    outcome.status = RunOutcome::Status::kPageNotWritten;
    outcome.message = DescribePageError(*failure);
  }
}

}  // namespace

std::variant<IndexFile, ChosenFileFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs,
                                                               IndexReport* report) {
  if (!Exist(chosenPath, fs)) {
    return ChosenFileFailure{RunOutcome::Status::kNotFound,
                             "File " + chosenPath + " was not found!"};
  }
  std::variant<IndexFile, IndexError> read = ReadIndexFile(chosenPath, fs, report);
  if (const auto* error = std::get_if<IndexError>(&read)) {
    return ChosenFileFailure{error->kind == IndexError::Kind::kPicsPerRowOutOfRange
                                 ? RunOutcome::Status::kBadPicsPerRow
                                 : RunOutcome::Status::kIndexUnreadable,
                             DescribeIndexError(chosenPath, *error)};
  }
  return std::get<IndexFile>(std::move(read));
}

RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  try {
    std::variant<IndexFile, ChosenFileFailure> read = ReadChosenIndexFile(chosenPath, fs);
    if (auto* failure = std::get_if<ChosenFileFailure>(&read)) {
      outcome.status = failure->status;
      outcome.message = std::move(failure->message);
    } else {
      WritePages(std::get<IndexFile>(read), fs, outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome.status = RunOutcome::Status::kOutOfMemory;
    outcome.message = "Not enough memory to generate the site of " + chosenPath + ".";
  }
  return outcome;
}

}  // namespace quillmere
