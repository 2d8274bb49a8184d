// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A change to an album in the making: its plan written to the journal before the first step,
// what it made and renamed so far, the index file written last and the steps that come after it,
// so that a failure undoes exactly what was done and a crash leaves what the next run finishes or
// undoes.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "album/album_failure.h"
#include "platform/file_batch.h"
#include "platform/file_system.h"
#include "run/journal_settle.h"

namespace quillmere {

// The error of a step that the change's plan does not hold, which is refused.
std::error_code NotPlanned();

class AlbumChange {
 public:
  // A change of the kind `change` to the album of the index file `indexName` in `album`, the
  // folder at `albumPath` (ending with "/"), which holds `before` now; the caller holds the
  // folder's lock. Files the plan sends to the trash go to `trash`.
  AlbumChange(Folder& album, std::string albumPath, ChangeKind change, std::string indexName,
              IndexState before, Trash* trash = nullptr);
  AlbumChange(const AlbumChange&) = delete;
  AlbumChange& operator=(const AlbumChange&) = delete;
  // Undoes what was made, unless the change was committed.
  ~AlbumChange();

  // Plans making the folder at `path` in the album, once however often it is planned.
  void PlanFolder(const std::string& path);

  // Plans making the file at `path` in the album.
  void PlanFile(std::string path);

  // Plans the rename `step` (a JournalStep::Kind::kRename), in the order the renames are taken.
  void PlanRename(JournalStep step);

  // Plans `step` for after the index file holds the change: a discard, a file for the trash, a
  // page.
  void PlanAfterIndex(JournalStep step);

  // Writes what was planned to the journal; nothing is made before, and nothing unplanned after.
  // The failure names the journal.
  [[nodiscard]] Result<void, AlbumFailure> Begin();

  // Makes the folder `name` in `parent`, which is at `parentPath` in the album ("" or ending
  // with "/"), as the plan said.
  Result<std::unique_ptr<Folder>> MakeFolder(Folder& parent, std::string_view parentPath,
                                             std::string_view name);

  // Takes the file `file`, written whole, to be put in place as `name` of `folder` (at
  // `folderPath` in the album, "" or ending with "/"; it must outlive FinishFiles) where the name
  // is free, its data flushed first; in groups, so that one flush holds many files. A file the
  // plan does not hold is refused.
  [[nodiscard]] Result<void> AddFile(std::unique_ptr<NewFile> file, Folder& folder,
                                     std::string_view folderPath, std::string name);

  // Puts every file taken in place and flushes the folders they are in.
  [[nodiscard]] Result<void> FinishFiles();

  // Gives the entry `from` of `folder` (at `folderPath` in the album, "" or ending with "/") the
  // name `to`, which must be free, as the plan said; a rename the plan does not hold is refused.
  [[nodiscard]] Result<void> Rename(Folder& folder, std::string_view folderPath,
                                    const std::string& from, const std::string& to);

  // Flushes the folders that renames changed so far, so that their new names last.
  [[nodiscard]] Result<void> SyncRenames() { return SyncRenamedFolders(); }

  // Flushes the folders that renames changed, writes `text` as the index file, replacing it whole
  // with `placement` (its data flushed), once the journal knows what it will hold; then flushes the
  // album folder and does the plan's steps that come after the index file. The journal stays for
  // the pages, whose writer removes it (RemoveJournalOfWrittenChange). From the index file on the
  // change stands, even when a later step fails.
  [[nodiscard]] Result<void> Commit(std::string_view text, Placement placement);

  // Whether the index file holds the change.
  bool committed() const { return committed_; }

  // The path of the step after the index file that failed, when Commit failed there.
  const std::string& failedStep() const { return failedStep_; }

  // Undoes what was done so far as the journal undoes a change, newest first: removes what was
  // made and gives back the names that renames took, each rename only where its file is found.
  // Once all of it is undone the journal is removed; otherwise, and when a file is not the one the
  // change moved (nothing is undone then), the journal stays for the next run to settle.
  void Undo();

 private:
  // The journal of the steps done so far, in the order of their kinds: folders made, files made,
  // renames.
  Journal DoneSoFar() const;

  // Flushes each folder that a rename changed.
  Result<void> SyncRenamedFolders();

  Folder& album_;
  std::string albumPath_;
  Trash* trash_;
  Journal journal_;
  // What was planned: the steps before the index file in their order, those after it, and the
  // paths of folders and files and the renames (by their paths) that the steps may take.
  std::vector<JournalStep> afterIndex_;
  std::set<std::string> plannedFolders_;
  std::set<std::string> plannedFiles_;
  std::map<std::pair<std::string, std::string>, JournalStep> plannedRenames_;
  bool begun_ = false;
  // Whether Begin wrote the journal, which a change without steps does without.
  bool journaled_ = false;
  bool committed_ = false;
  FileBatch batch_;
  // The folders made, and the files taken (of which the batch's first placed() are made), as
  // paths in the album, and the renames done.
  std::vector<std::string> madeFolders_;
  std::vector<std::string> files_;
  std::vector<JournalStep> renamed_;
  std::string failedStep_;
};

}  // namespace quillmere
