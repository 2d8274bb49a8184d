// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/site_folder.h"

#include <string_view>
#include <utility>

#include "paths/paths.h"

namespace quillmere {
Result<IndexText, RunFailure> ReadHeldIndexFile(const std::string& indexPath, Folder& folder,
                                                FileSystem& fs, IndexLink link) {
  // A path that ends with "/" names the folder itself, which is no index file.
  std::string_view name = std::string_view(indexPath).substr(indexPath.rfind(kSeparator) + 1);
  if (name.empty()) name = ".";
  Result<std::unique_ptr<ReadableFile>> file = link == IndexLink::kFollow
                                                   ? folder.OpenThroughLinkForReading(name)
                                                   : folder.OpenForReading(name);
  if (!file) {
    if (!Exist(indexPath, fs)) {
      return RunFailure::NotFound{indexPath};
    }
    return IndexFailure(indexPath, IndexError{IndexError::Kind::kUnreadable, file.error(), {}});
  }
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (auto* error = text.failure()) return IndexFailure(indexPath, *error);
  return std::move(text.value());
}

Result<HeldSite, RunFailure> HoldSiteFolder(const std::string& indexPath, FileSystem& fs,
                                            const RunOptions& options, const SiteHolding& holding) {
  HeldSite held;
  held.path = FolderAsGiven(indexPath);
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(held.path);
  if (!folder) return RunFailure::FolderNotOpened{held.path, folder.error()};
  held.folder = std::move(folder.value());
  auto lock = LockSiteFolder(*held.folder, held.path, options);
  if (auto* failure = lock.failure()) return std::move(*failure);
  held.lock = std::move(lock.value());
  Trash* trash = holding.trash ? holding.trash(*held.folder) : nullptr;
  auto settled = SettleInterruptedChange(*held.folder, held.path, fs, options, trash);
  if (auto* failure = settled.failure()) return std::move(*failure);
  held.settled = settled.value();
  if (holding.link == IndexLink::kNotRead) return held;
  Result<IndexText, RunFailure> text = ReadHeldIndexFile(indexPath, *held.folder, fs, holding.link);
  if (auto* failure = text.failure()) return std::move(*failure);
  held.index = std::move(text.value());
  return held;
}

}  // namespace quillmere
