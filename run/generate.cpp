#include "run/generate.h"

#include <new>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"

namespace quillmere {

std::string DescribeIndexError(const std::string& path, const IndexError& error) {
  if (error.kind == IndexError::Kind::kPicsPerRowOutOfRange) {
    return "Thumbnails per row \"" + error.numberText + "\" in " + path +
           " is out of range: it must be at most " + std::to_string(kMaxPicsPerRow) + ".";
  }
  return "Could not read index file " + path + ": " + ErrorText(error.systemError) + ".";
}

namespace {

std::string DescribePageError(const PageError& error) {
  return "Could not write page " + error.page + ": " + ErrorText(error.error) + ".";
}

void ReadAndWrite(const std::string& chosenPath, FileSystem& fs, RunOutcome& outcome) {
  std::variant<IndexFile, IndexError> read = ReadIndexFile(chosenPath, fs);
  if (const auto* error = std::get_if<IndexError>(&read)) {
    outcome.status = error->kind == IndexError::Kind::kPicsPerRowOutOfRange
                         ? RunOutcome::Status::kBadPicsPerRow
                         : RunOutcome::Status::kIndexUnreadable;
    outcome.message = DescribeIndexError(chosenPath, *error);
    return;
  }
  const IndexFile& index = std::get<IndexFile>(read);
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

RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs) {
  RunOutcome outcome;
  outcome.siteFolder = FolderName(chosenPath);
  if (!Exist(chosenPath, fs)) {
    outcome.status = RunOutcome::Status::kNotFound;
    outcome.message = "File " + chosenPath + " was not found!";
    return outcome;
  }
  try {
    ReadAndWrite(chosenPath, fs, outcome);
  } catch (const std::bad_alloc&) {
    outcome.status = RunOutcome::Status::kOutOfMemory;
    outcome.message = "Not enough memory to generate the site of " + chosenPath + ".";
  }
  return outcome;
}

}  // namespace quillmere
