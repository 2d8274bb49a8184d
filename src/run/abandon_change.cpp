// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/abandon_change.h"

#include "paths/paths.h"
#include "run/journal.h"

namespace quillmere {

Result<bool, RunFailure> AbandonChange(const std::string& indexPath, FileSystem& fs,
                                       const RunOptions& options) {
  const std::string folderPath = FolderAsGiven(indexPath);
  const std::string journal = folderPath + std::string(kJournalName);
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(folderPath);
  if (!folder) return RunFailure::JournalNotRemoved{journal, folder.error()};
  auto lock = LockSiteFolder(*folder.value(), folderPath, options);
  if (auto* refused = lock.failure()) return std::move(*refused);
  Result<bool> removed = AbandonJournal(*folder.value());
  if (!removed) return RunFailure::JournalNotRemoved{journal, removed.error()};
  return removed.value();
}

}  // namespace quillmere
