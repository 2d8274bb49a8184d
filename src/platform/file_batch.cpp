// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/file_batch.h"

#include <algorithm>
#include <utility>

namespace quillmere {

Result<void> FileBatch::Add(std::unique_ptr<NewFile> file, Folder& folder, std::string name,
                            const Placement& placement) {
  Placement placed = placement;
  // The group's one flush does what each file's own would.
  placed.durable = false;
  waiting_.push_back({std::move(file), &folder, std::move(name), placed});
  if (std::find(touched_.begin(), touched_.end(), &folder) == touched_.end()) {
    touched_.push_back(&folder);
  }
  return waiting_.size() >= size_ ? PutInPlace() : std::error_code();
}

Result<void> FileBatch::PutInPlace() {
  if (waiting_.empty()) return {};
  std::vector<Waiting> group = std::move(waiting_);
  waiting_.clear();
  // One flush of a file system holds every file of the group in it; a second through another
  // folder of the same file system finds little left to do.
  std::vector<Folder*> flushed;
  for (const Waiting& file : group) {
    if (std::find(flushed.begin(), flushed.end(), file.folder) != flushed.end()) continue;
    if (std::error_code error = file.folder->SyncFileSystem().error()) return error;
    flushed.push_back(file.folder);
  }
  for (Waiting& file : group) {
    if (std::error_code error = file.file->PutInPlace(file.name, file.placement).error()) {
      if (!fileFailed_) return error;
      fileFailed_(file.name, error);
      continue;
    }
    ++placed_;
  }
  return {};
}

Result<void> FileBatch::Finish() {
  if (std::error_code error = PutInPlace().error()) return error;
  for (Folder* folder : touched_) {
    if (std::error_code error = folder->Sync().error()) return error;
  }
  touched_.clear();
  return {};
}

}  // namespace quillmere
