// One generation run: from the chosen index file to the written site.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/site_writer.h"

namespace quillmere {

// What a run did.
struct RunOutcome {
  enum class Status {
    kDone,
    kNotFound,
    kIndexUnreadable,
    kBadPicsPerRow,
    kPageNotWritten,
    kOutOfMemory
  };
  Status status = Status::kDone;
  // The folder of the chosen file, ending with "/": the site folder.
  std::string siteFolder;
  // The pages written or found already up to date, also when the run stopped early.
  PageTally pages;
  // The number of pictures read.
  std::int64_t pictureCount = 0;
  // For a failure, the one line to show the user.
  std::string message;

  bool ok() const { return status == Status::kDone; }
};

// Why a chosen index file could not be read, in the run's words.
struct ChosenFileFailure {
  RunOutcome::Status status = RunOutcome::Status::kNotFound;
  std::string message;
};

// Checks that the index file at `chosenPath` exists and reads it, exactly as a run does.
std::variant<IndexFile, ChosenFileFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs,
                                                               IndexReport* report = nullptr);

// Generates the site for the index file at `chosenPath` into that file's folder.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs);

}  // namespace quillmere
