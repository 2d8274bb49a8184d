// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/change/album_change.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

#include "album/album_files.h"

namespace quillmere {
namespace {

// The errors of the change itself.
class ChangeErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillmere album change"; }
  std::string message(int /*value*/) const override {
    return "the step is not in the change's plan";
  }
};

}  // namespace

std::error_code NotPlanned() {
  static const ChangeErrorCategory category;
  return {1, category};
}

AlbumChange::AlbumChange(Folder& album, std::string albumPath, ChangeKind change,
                         std::string indexName, IndexState before, Trash* trash)
    : album_(album), albumPath_(std::move(albumPath)), trash_(trash) {
  journal_.change = change;
  journal_.indexName = std::move(indexName);
  journal_.before = before;
}

AlbumChange::~AlbumChange() {
  if (begun_ && !committed_) Undo();
}

void AlbumChange::PlanFolder(const std::string& path) {
  if (!plannedFolders_.insert(path).second) return;
  journal_.steps.push_back({JournalStep::Kind::kMakeFolder, path, {}});
}

void AlbumChange::PlanFile(std::string path) {
  plannedFiles_.insert(path);
  journal_.steps.push_back({JournalStep::Kind::kMakeFile, std::move(path), {}});
}

void AlbumChange::PlanRename(JournalStep step) {
  plannedRenames_.emplace(step.path, step.to);
  journal_.steps.push_back(std::move(step));
}

void AlbumChange::PlanAfterIndex(JournalStep step) {
  afterIndex_.push_back(std::move(step));
}

std::optional<AlbumFailure> AlbumChange::Begin() {
  journal_.steps.insert(journal_.steps.end(), std::make_move_iterator(afterIndex_.begin()),
                        std::make_move_iterator(afterIndex_.end()));
  afterIndex_.clear();
  begun_ = true;
  // A change that only replaces the index file needs no journal: the file is replaced in one step,
  // so a crash leaves it as it was or as the change made it.
  if (journal_.steps.empty()) return std::nullopt;
  if (std::error_code error = WriteJournal(album_, journal_)) {
    begun_ = false;
    return AlbumFailed(AlbumFailure::Kind::kNotWritten, albumPath_ + std::string(kJournalName),
                       error);
  }
  journaled_ = true;
  return std::nullopt;
}

Result<std::unique_ptr<Folder>> AlbumChange::MakeFolder(Folder& parent, std::string_view parentPath,
                                                        std::string_view name) {
  std::string path = std::string(parentPath) + std::string(name);
  if (!begun_ || !plannedFolders_.contains(path)) return NotPlanned();
  Result<std::unique_ptr<Folder>> made = parent.MakeFolder(name);
  if (made) madeFolders_.push_back(std::move(path));
  return made;
}

std::error_code AlbumChange::AddFile(std::unique_ptr<NewFile> file, Folder& folder,
                                     std::string_view folderPath, std::string name) {
  std::string path = std::string(folderPath) + name;
  if (!begun_ || !plannedFiles_.contains(path)) return NotPlanned();
  files_.push_back(std::move(path));
  Placement placement;
  placement.replace = false;
  placement.durable = true;
  return batch_.Add(std::move(file), folder, std::move(name), placement);
}

std::error_code AlbumChange::FinishFiles() {
  return batch_.Finish();
}

std::error_code AlbumChange::Rename(Folder& folder, std::string_view folderPath,
                                    const std::string& from, const std::string& to) {
  if (!begun_ ||
      !plannedRenames_.contains({std::string(folderPath) + from, std::string(folderPath) + to})) {
    return NotPlanned();
  }
  if (std::error_code error = folder.Rename(from, to, /*replace=*/false)) return error;
  renamed_.push_back({std::string(folderPath), from, to});
  return {};
}

std::error_code AlbumChange::SyncRenamedFolders() {
  std::set<std::string> synced;
  for (const Renamed& renamed : renamed_) {
    if (!synced.insert(renamed.folder).second) continue;
    std::string leaf;
    Result<std::unique_ptr<Folder>> folder =
        OpenFolderOf(album_, renamed.folder + renamed.to, leaf);
    if (!folder) return folder.error();
    if (std::error_code error = folder.value()->Sync()) return error;
  }
  return {};
}

std::error_code AlbumChange::Commit(std::string_view text, Placement placement) {
  // The files are under their new names for good before the index file names them so.
  if (std::error_code error = SyncRenamedFolders()) return error;
  if (journaled_) {
    journal_.after = StateOf(text);
    // The journal learns what the index file will hold before the file holds it.
    if (std::error_code error = WriteJournal(album_, journal_, /*replace=*/true)) return error;
  }
  Result<std::unique_ptr<NewFile>> file = album_.CreateFile();
  if (!file) return file.error();
  if (std::error_code error = file.value()->Write(text.data(), text.size())) return error;
  placement.durable = true;
  if (std::error_code error = file.value()->PutInPlace(journal_.indexName, placement)) {
    return error;
  }
  committed_ = true;
  if (std::error_code error = album_.Sync()) return error;
  if (!journaled_) return {};
  Result<void, JournalProblem> done = DoStepsAfterIndex(album_, journal_, trash_);
  if (const JournalProblem* problem = done.failure()) {
    failedStep_ = problem->path;
    return problem->error;
  }
  return RemoveJournal(album_);
}

bool AlbumChange::RemoveMade(std::string_view path, bool isFolder) {
  std::string leaf;
  Result<std::unique_ptr<Folder>> folder = OpenFolderOf(album_, path, leaf);
  if (!folder) return false;
  const std::error_code error =
      isFolder ? folder.value()->RemoveFolder(leaf) : folder.value()->Remove(leaf);
  // A folder that holds something of someone else's stays, as a gone entry is gone.
  const bool gone = !error || error == std::errc::no_such_file_or_directory ||
                    (isFolder && error == std::errc::directory_not_empty);
  return !folder.value()->Sync() && gone;
}

bool AlbumChange::UndoRenames() {
  bool whole = true;
  for (std::size_t i = renamed_.size(); i-- > 0;) {
    const Renamed& renamed = renamed_[i];
    std::string leaf;
    Result<std::unique_ptr<Folder>> folder =
        OpenFolderOf(album_, renamed.folder + renamed.to, leaf);
    whole = folder && !folder.value()->Rename(renamed.to, renamed.from, /*replace=*/false) && whole;
  }
  whole = !SyncRenamedFolders() && whole;
  renamed_.clear();
  return whole;
}

void AlbumChange::Undo() {
  batch_.Drop();
  bool whole = UndoRenames();
  // The files taken after the last one put in place never took a name.
  files_.resize(std::min(files_.size(), batch_.placed()));
  std::for_each(files_.rbegin(), files_.rend(), [&](const std::string& file) {
    whole = RemoveMade(file, /*isFolder=*/false) && whole;
  });
  std::for_each(madeFolders_.rbegin(), madeFolders_.rend(), [&](const std::string& folder) {
    whole = RemoveMade(folder, /*isFolder=*/true) && whole;
  });
  files_.clear();
  madeFolders_.clear();
  // A change not undone whole keeps its journal, from which the next run settles it.
  if (journaled_ && !committed_ && whole) static_cast<void>(RemoveJournal(album_));
  begun_ = false;
}

}  // namespace quillmere
