// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/add_support_images.h"

#include <memory>
#include <utility>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
SupportRun AddSupportImages(const std::string& indexPath, FileSystem& fs,
                            const RunOptions& options) {
  SupportRun run;
  SupportCopy& copy = run.copy;
  // The folder is held from reading the index file to the last image; a missing index file is
  // told by the reading.
  std::unique_ptr<Folder> folder;
  std::unique_ptr<FolderLock> lock;
  if (const std::string siteFolder = FolderAsGiven(indexPath); Exist(indexPath, fs)) {
    Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(siteFolder);
    if (!opened) {
      run.refused = RunFailure{RunFailure::Status::kNotLocked, siteFolder, {}, opened.error(), 0};
      return run;
    }
    folder = std::move(opened.value());
    Result<std::unique_ptr<FolderLock>, RunFailure> locked =
        LockSiteFolder(*folder, siteFolder, options);
    std::optional<RunFailure> failure;
    if (auto* refused = locked.failure()) failure = std::move(*refused);
    if (locked) lock = std::move(locked.value());
    if (!failure) failure = SettleInterruptedChange(*folder, siteFolder);
    if (failure) {
      run.refused = std::move(failure);
      return run;
    }
  }
  Result<IndexFile, RunFailure> read = ReadChosenIndexFile(indexPath, fs);
  if (auto* failure = read.failure()) {
    run.refused = std::move(*failure);
    return run;
  }
  const IndexFile& index = read.value();
  std::string folderName(index.head.SupportFolder);
  if (folderName.empty()) {
    copy.failure = SupportFailure{SupportFailure::Kind::kNoSupportFolder, indexPath, {}, {}};
    return run;
  }
  if (NamesAnotherPlace(folderName + std::string(SupportImages[0]))) {
    copy.failure =
        SupportFailure{SupportFailure::Kind::kNotOnThisMachine, folderName, indexPath, {}};
    return run;
  }
  copy = CopySupportImages(FolderAsGiven(indexPath), folderName, fs);
  return run;
}

}  // namespace quillmere
