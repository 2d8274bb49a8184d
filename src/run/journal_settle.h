// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Settling the change of a journal: finishing it when its index file holds the change, undoing
// it when the index file holds what it held before, and nothing at all when the disk does not
// hold what the journal expects. A change that fails on its way is undone the same way.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_system.h"
#include "run/journal.h"

namespace quillmere {

// Where the files go that a change moves to the desktop's trash: the album's commands have one;
// a generation has none, so that it never needs the desktop's libraries.
class Trash {
 public:
  virtual ~Trash() = default;
  // Tells why the file `path`, relative to the album's folder, could not go to the trash; an
  // empty code when it could.
  [[nodiscard]] virtual Result<void> CheckTakes(std::string_view path) = 0;
  // Moves the file `path`, relative to the album's folder, to the trash.
  [[nodiscard]] virtual Result<void> MoveToTrash(std::string_view path) = 0;
};

// What settling the journal of a folder did.
struct SettledJournal {
  enum class Outcome {
    // The folder had no journal.
    kNone,
    // The change was undone, and its journal removed.
    kUndone,
    // The change stands and its steps are done; its journal stays until its pages are written.
    kFinished,
  };
  Outcome outcome = Outcome::kNone;
  // The change, and the name of its index file, when there was a journal.
  ChangeKind change = ChangeKind::kNewAlbum;
  std::string indexName;
};

// Finishes or undoes the change recorded by the journal of `folder`, if it has one; the caller
// holds the folder's lock. Files for the trash go to `trash`. A change undone loses its journal;
// a change finished keeps it, for the caller to remove once the pages show the change. Nothing is
// done when the disk does not hold what the journal expects: the journal stays.
Result<SettledJournal, JournalProblem> SettleJournal(Folder& folder, Trash* trash = nullptr);

// Tells, changing nothing, why `journal`, the journal of `folder`, could not be settled; done when
// it could be (leaving aside whether a trash would be needed).
Result<void, JournalProblem> ExamineJournal(Folder& folder, const Journal& journal);

// Tells whether the change of `journal`, the journal of `folder`, took effect and files of it
// still wait to go to the desktop's trash, so that only a settling with a Trash finishes it.
Result<bool, JournalProblem> WaitsForTheTrash(Folder& folder, const Journal& journal);

// Does the steps of `journal` that come once its index file is new, each one that is not done yet
// (files for the trash go to `trash`), and flushes the folders they changed.
Result<void, JournalProblem> DoStepsAfterIndex(Folder& folder, const Journal& journal,
                                               Trash* trash);

// Undoes the steps of `journal` that come before its index file, newest first, once it is known
// that each can be: every step that makes, and each rename that was done, found by the file it
// moved; then flushes the folders they changed. Nothing is undone when a file is not what the
// journal expects.
Result<void, JournalProblem> UndoJournal(Folder& folder, const Journal& journal);

}  // namespace quillmere
