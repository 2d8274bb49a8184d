// One generation run: from the chosen index file to the written site.
#pragma once

#include <cstdint>
#include <string>

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

// The one line a run shows when the index file at `path` cannot be used.
std::string DescribeIndexError(const std::string& path, const IndexError& error);

// Generates the site for the index file at `chosenPath` into that file's folder.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs);

}  // namespace quillmere
