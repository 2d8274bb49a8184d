// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Why a run, or the holding of a site folder, stopped before its end: each kind with what it is
// about, and the line that tells a person.
#pragma once

#include <string>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

#include "index/index_file.h"
#include "run/journal.h"
#include "run/message_text.h"

namespace quillmere {

// Why a run stopped before its end: one of its kinds, each with what it is about.
struct RunFailure {
  // The chosen index file `path` does not exist.
  struct NotFound {
    std::string path;
  };
  // The index file `path` could not be read, for `error`.
  struct IndexUnreadable {
    std::string path;
    std::error_code error;
  };
  // The thumbnails-per-row number of the index file `path`, `number` as written, is out of range.
  struct BadPicsPerRow {
    std::string path;
    std::string number;
  };
  // The index file `path` is no text file.
  struct NotText {
    std::string path;
  };
  // The index file `path` is itself the page `page` that the run would write.
  struct IndexIsAPage {
    std::string path;
    std::string page;
  };
  // The folder `folder` of the site could not be opened, for `error`.
  struct FolderNotOpened {
    std::string folder;
    std::error_code error;
  };
  // The page `page` could not be written, for `error`.
  struct PageNotWritten {
    std::string page;
    std::error_code error;
  };
  // The page `page` is not a page this program writes, and was left alone.
  struct ForeignPage {
    std::string page;
  };
  // The run was asked to stop, by `reason` (a signal number or StopRequest::kByUser), before the
  // page `page`.
  struct Stopped {
    std::string page;
    int reason = 0;
  };
  // There was not memory enough for the index file `path`.
  struct OutOfMemory {
    std::string path;
  };
  // Another run is changing the folder `folder`, and this one was not to wait.
  struct Busy {
    std::string folder;
  };
  // The folder `folder` could not be locked for the run, for `error`.
  struct NotLocked {
    std::string folder;
    std::error_code error;
  };
  // The folder `folder` holds the journal of an interrupted change that cannot be read (`error`
  // where the system gave a reason).
  struct JournalUnreadable {
    std::string folder;
    std::error_code error;
  };
  // The index file `indexPath` was edited after the change `change` was interrupted.
  struct JournalIndexChanged {
    std::string indexPath;
    ChangeKind change = ChangeKind::kNewAlbum;
  };
  // The interrupted change `change` could not be finished or undone at `path`, for `error`.
  struct JournalStepFailed {
    std::string path;
    ChangeKind change = ChangeKind::kNewAlbum;
    std::error_code error;
  };
  // The interrupted change `change` to the album of the index file `indexPath` took effect, and
  // files wait to go to the desktop's trash, which only the album's commands move them to.
  struct JournalNeedsTrash {
    std::string indexPath;
    ChangeKind change = ChangeKind::kNewAlbum;
  };
  // The interrupted change `change` to the album of `indexPath` can be neither finished nor
  // undone, since the file `path` is not the one it moved there (`missing` false), or the file it
  // moved from `path` is gone (`missing` true).
  struct JournalFileChanged {
    std::string path;
    std::string indexPath;
    ChangeKind change = ChangeKind::kNewAlbum;
    bool missing = false;
  };
  // The journal `journal` of an interrupted change could not be removed, for `error`.
  struct JournalNotRemoved {
    std::string journal;
    std::error_code error;
  };

  using Why = std::variant<NotFound, IndexUnreadable, BadPicsPerRow, NotText, IndexIsAPage,
                           FolderNotOpened, PageNotWritten, ForeignPage, Stopped, OutOfMemory, Busy,
                           NotLocked, JournalUnreadable, JournalIndexChanged, JournalStepFailed,
                           JournalNeedsTrash, JournalFileChanged, JournalNotRemoved>;

  // A failure of the kind `kind`, with what it is about.
  template <class K, std::enable_if_t<std::is_constructible_v<Why, K&&>, int> = 0>
  RunFailure(K&& kind) : why(std::forward<K>(kind)) {}

  // Which kind it is, and what it is about.
  Why why;

  // Whether it is of the kind `Kind`.
  template <class Kind>
  bool Is() const {
    return std::holds_alternative<Kind>(why);
  }
  // What it is about, where it is of the kind `Kind`; null otherwise.
  template <class Kind>
  const Kind* As() const {
    return std::get_if<Kind>(&why);
  }
  // The system's reason, where the kind has one; an empty code otherwise.
  std::error_code error() const;
  // For Stopped, what stopped the run: a signal number or StopRequest::kByUser; 0 otherwise.
  int stopReason() const;
};

// The one line that tells the user of a failure, naming changes and next steps in the front end's
// `words`; the window and the command line both show it.
std::string Describe(const RunFailure& failure, const CommandWords& words);

// Why the interrupted change of `failure` cannot be settled, and what the person can do about it
// in `words`, as a clause: "…; put that file back…".
std::string UnsettledChangeText(const RunFailure::JournalFileChanged& failure,
                                const CommandWords& words);

// The run's failure for the journal of the folder at `path` (ending with "/") that cannot be
// settled for `problem`.
RunFailure JournalFailure(const JournalProblem& problem, const std::string& path);

// The run's failure for the index file at `chosenPath` that could not be used for `error`.
RunFailure IndexFailure(const std::string& chosenPath, const IndexError& error);

}  // namespace quillmere
