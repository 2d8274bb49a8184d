// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// One generation run: from the chosen index file to the written site.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
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
  // Told after each page how many of the site's pages are done.
  PageProgress* progress = nullptr;
};

// How a run ended, and for a failure what it is about and why: data until it is shown.
struct RunFailure {
  enum class Status {
    kDone,
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
    kOutOfMemory
  };
  Status status = Status::kDone;
  // The file or page the failure is about, as a path.
  std::string subject;
  // What more the words for the failure need: a number's text, or a page's path.
  std::string detail;
  // The system's reason, where there is one.
  std::error_code error;
  // For kStopped, what stopped it: a signal number or StopRequest::kByUser.
  int stopReason = 0;

  bool ok() const { return status == Status::kDone; }
};

// What a run did.
struct RunOutcome : RunFailure {
  // The folder of the chosen file, ending with "/": the site folder.
  std::string siteFolder;
  // The pages written or found already up to date, also when the run stopped early.
  PageTally pages;
  // The number of pictures read.
  std::int64_t pictureCount = 0;
};

// The one line that tells the user of a failure; the window and the command line both show it.
std::string Describe(const RunFailure& failure);

// The run's failure for the index file at `chosenPath` that could not be used for `error`.
RunFailure IndexFailure(const std::string& chosenPath, const IndexError& error);

// Checks that the index file at `chosenPath` exists and reads its text, exactly as a run does.
std::variant<IndexText, RunFailure> LoadChosenIndexFile(const std::string& chosenPath,
                                                        FileSystem& fs);

// Checks that the index file at `chosenPath` exists and reads it, exactly as a run does.
std::variant<IndexFile, RunFailure> ReadChosenIndexFile(const std::string& chosenPath,
                                                        FileSystem& fs);

// The name of the page of the run that is the index file itself (through a link or another
// name, too), or "" when none is; `source` is the index file as it was read.
std::string PageThatIsTheIndexFile(const std::string& chosenPath, const EntryInfo& source,
                                   std::int64_t pictureCount, Folder& folder, FileSystem& fs);

// Generates the site for the index file at `chosenPath` into that file's folder.
RunOutcome GenerateSite(const std::string& chosenPath, FileSystem& fs,
                        const RunOptions& options = {});

}  // namespace quillmere
