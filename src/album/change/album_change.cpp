// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/change/album_change.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

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
  plannedRenames_.emplace(std::pair(step.path, step.to), step);
  journal_.steps.push_back(std::move(step));
}

void AlbumChange::PlanAfterIndex(JournalStep step) {
  afterIndex_.push_back(std::move(step));
}

Result<void, AlbumFailure> AlbumChange::Begin() {
  journal_.steps.insert(journal_.steps.end(), std::make_move_iterator(afterIndex_.begin()),
                        std::make_move_iterator(afterIndex_.end()));
  afterIndex_.clear();
  begun_ = true;
  // Even a change that only replaces the index file has a journal: its pages follow the file, and
  // a crash before they are written leaves the journal from which the next run writes them.
  if (std::error_code error = WriteJournal(album_, journal_).error()) {
    begun_ = false;
    return AlbumFailure::NotWritten{albumPath_ + std::string(kJournalName), error};
  }
  journaled_ = true;
  return {};
}

Result<std::unique_ptr<Folder>> AlbumChange::MakeFolder(Folder& parent, std::string_view parentPath,
                                                        std::string_view name) {
  std::string path = std::string(parentPath) + std::string(name);
  if (!begun_ || !plannedFolders_.contains(path)) return NotPlanned();
  Result<std::unique_ptr<Folder>> made = parent.MakeFolder(name);
  if (made) madeFolders_.push_back(std::move(path));
  return made;
}

Result<void> AlbumChange::AddFile(std::unique_ptr<NewFile> file, Folder& folder,
                                  std::string_view folderPath, std::string name) {
  std::string path = std::string(folderPath) + name;
  if (!begun_ || !plannedFiles_.contains(path)) return NotPlanned();
  files_.push_back(std::move(path));
  Placement placement;
  placement.replace = false;
  placement.durable = true;
  return batch_.Add(std::move(file), folder, std::move(name), placement);
}

Result<void> AlbumChange::FinishFiles() {
  return batch_.Finish();
}

Result<void> AlbumChange::Rename(Folder& folder, std::string_view folderPath,
                                 const std::string& from, const std::string& to) {
  const auto planned =
      plannedRenames_.find({std::string(folderPath) + from, std::string(folderPath) + to});
  if (!begun_ || planned == plannedRenames_.end()) return NotPlanned();
  if (std::error_code error = folder.Rename(from, to, /*replace=*/false).error()) return error;
  renamed_.push_back(planned->second);
  return {};
}

Result<void> AlbumChange::SyncRenamedFolders() {
  std::set<std::string> synced;
  for (const JournalStep& renamed : renamed_) {
    // Renames stay in their folder, the part of their paths up to the last "/".
    if (!synced.insert(renamed.to.substr(0, renamed.to.rfind('/') + 1)).second) continue;
    std::string leaf;
    Result<std::unique_ptr<Folder>> folder = OpenFolderOf(album_, renamed.to, leaf);
    if (!folder) return folder.error();
    if (std::error_code error = folder.value()->Sync().error()) return error;
  }
  return {};
}

Result<void> AlbumChange::Commit(std::string_view text, Placement placement) {
  // The files are under their new names for good before the index file names them so.
  if (std::error_code error = SyncRenamedFolders().error()) return error;
  if (journaled_) {
    journal_.after = StateOf(text);
    // The journal learns what the index file will hold before the file holds it.
    if (std::error_code error = WriteJournal(album_, journal_, /*replace=*/true).error())
      return error;
  }
  Result<std::unique_ptr<NewFile>> file = album_.CreateFile();
  if (!file) return file.error();
  if (std::error_code error = file.value()->Write(text.data(), text.size()).error()) return error;
  placement.durable = true;
  if (std::error_code error = file.value()->PutInPlace(journal_.indexName, placement).error()) {
    return error;
  }
  committed_ = true;
  if (std::error_code error = album_.Sync().error()) return error;
  if (!journaled_) return {};
  Result<void, JournalProblem> done = DoStepsAfterIndex(album_, journal_, trash_);
  if (const JournalProblem* problem = done.failure()) {
    failedStep_ = problem->path;
    return problem->error;
  }
  // The journal stays until the pages show the change (RemoveJournalOfWrittenChange).
  return {};
}

Journal AlbumChange::DoneSoFar() const {
  Journal done;
  done.change = journal_.change;
  done.indexName = journal_.indexName;
  done.before = journal_.before;
  for (const std::string& folder : madeFolders_) {
    done.steps.push_back({JournalStep::Kind::kMakeFolder, folder, {}});
  }
  // The files taken after the last one put in place never took a name.
  const std::size_t made = std::min(files_.size(), batch_.placed());
  for (std::size_t i = 0; i < made; ++i) {
    done.steps.push_back({JournalStep::Kind::kMakeFile, files_[i], {}});
  }
  done.steps.insert(done.steps.end(), renamed_.begin(), renamed_.end());
  return done;
}

void AlbumChange::Undo() {
  batch_.Drop();
  const Result<void, JournalProblem> undone = UndoJournal(album_, DoneSoFar());
  files_.clear();
  madeFolders_.clear();
  renamed_.clear();
  // A change not undone whole keeps its journal, from which the next run settles it.
  if (journaled_ && !committed_ && undone) static_cast<void>(RemoveJournal(album_));
  begun_ = false;
}

}  // namespace quillmere
