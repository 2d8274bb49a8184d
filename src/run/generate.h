// One generation run: from the chosen index file to the written site.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "platform/stop_request.h"
#include "site/site_writer.h"

namespace quillmere {

// What a run may do beyond the usual.
struct RunOptions {
  // Replace pages in the site folder that do not look like pages this program writes.
  bool replaceForeignPages = false;
  // A request to stop, looked at between pages and between buffers.
  const StopRequest* stop = nullptr;
};

// What a run did.
struct RunOutcome {
  enum class Status {
    kDone,
    kNotFound,
    kIndexUnreadable,
    kBadPicsPerRow,
    kNotText,
    kIndexIsAPage,
    kPageNotWritten,
    kForeignPage,
    kStopped,
    kOutOfMemory
  };
  Status status = Status::kDone;
  // The folder of the chosen file, ending with "/": the site folder.
  std::string siteFolder;
  // The pages written or found already up to date, also when the run stopped early.
  PageTally pages;
  // The number of pictures read.
  std::int64_t pictureCount = 0;
  // For kStopped, what stopped it: a signal number or StopRequest::kByUser.
  int stopReason = 0;
  // For a failure, the one line to show the user.
  std::string message;

  bool ok() const { return status == Status::kDone; }
};

// Why a chosen index file could not be read, in the run's words.
struct ChosenFileFailure {
  RunOutcome::Status status = RunOutcome::Status::kNotFound;
  std::string message;
};

// The run's failure for the index file at `chosenPath` that could not be used for `error`.
ChosenFileFailure IndexFailure(const std::string& chosenPath, const IndexError& error);

// Checks that the index file at `chosenPath` exists and reads its text, exactly as a run does.
std::variant<IndexText, ChosenFileFailure> LoadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs);

// Checks that the index file at `chosenPath` exists and reads it, exactly as a run does.
std::variant<IndexFile, ChosenFileFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                               FileSystem& fs);

// The name of the page of the run that is the index file itself (through a link or another
// name, too), or "" when none is; `source` is the index file as it was read.
std::string PageThatIsTheIndexFile(const std::string& chosenPath, const EntryInfo& source,
                                   std::int64_t pictureCount, Folder& folder, FileSystem& fs);

// Generates the site for the index file at `chosenPath` into that file's folder.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs,
                        const RunOptions& options = {});

}  // namespace quillmere
