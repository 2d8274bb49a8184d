// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album_files.h"

#include <algorithm>
#include <filesystem>

#include "album/album_text.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {

AlbumFailure AlbumFailed(AlbumFailure::Kind kind, std::string path, std::error_code error) {
  return AlbumFailedFor(kind, AlbumFailure::AboutFile{std::move(path), error});
}

Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver) {
  using PKind = PictureProblem::Kind;
  Result<std::vector<std::string>> names = fs.ListFolder(folder);
  if (!names) return names.error();
  // Listed in the order people count, so that what was passed over reads in order.
  std::sort(names.value().begin(), names.value().end(), NameOrderLess);
  const std::string prefix = folder.ends_with(kSeparator) ? folder : folder + kSeparator;
  std::vector<FoundPicture> found;
  for (std::string& name : names.value()) {
    if (name.starts_with('.')) continue;
    std::string path = prefix + name;
    Result<EntryInfo> entry = fs.Inspect(path, /*follow=*/true);
    const EntryInfo::Kind kind = entry ? entry.value().kind : EntryInfo::Kind::kMissing;
    if (kind == EntryInfo::Kind::kRegular) {
      found.push_back(FoundPicture{std::move(path), std::move(name), {}});
    } else if (kind == EntryInfo::Kind::kFolder) {
      passedOver.push_back({.kind = PKind::kFolderSkipped, .file = std::move(path)});
    } else if (kind == EntryInfo::Kind::kMissing) {
      // Listed a moment ago, it is a link to nothing (or to itself), or it has just gone.
      Result<EntryInfo> link = fs.Inspect(path, /*follow=*/false);
      if (link && link.value().kind == EntryInfo::Kind::kSymlink) {
        passedOver.push_back(
            {.kind = PKind::kDanglingLink, .file = std::move(path), .error = entry.error()});
      }
    } else {
      passedOver.push_back({.kind = PKind::kNotAFile, .file = std::move(path)});
    }
  }
  return found;
}

std::vector<FoundPicture> GivenPictures(const std::vector<std::string>& sources, FileSystem& fs,
                                        std::vector<PictureProblem>& problems) {
  std::vector<FoundPicture> found;
  for (const std::string& source : sources) {
    Result<EntryInfo> entry = fs.Inspect(source, /*follow=*/true);
    if (entry && entry.value().kind == EntryInfo::Kind::kFolder) {
      Result<std::vector<FoundPicture>> inFolder = FilesIn(source, fs, problems);
      if (!inFolder) {
        problems.push_back({.kind = PictureProblem::Kind::kNotAPicture,
                            .file = source,
                            .picture = Unreadable(inFolder.error())});
        continue;
      }
      for (FoundPicture& picture : inFolder.value()) found.push_back(std::move(picture));
    } else if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
      found.push_back({source, std::filesystem::path(source).filename().string(), {}});
    } else {
      problems.push_back(
          {.kind = PictureProblem::Kind::kMissing, .file = source, .error = entry.error()});
    }
  }
  return found;
}

void OrderPictures(std::vector<FoundPicture>& pictures) {
  std::stable_sort(pictures.begin(), pictures.end(),
                   [](const FoundPicture& a, const FoundPicture& b) {
                     const std::string& x = a.facts.dateTaken;
                     const std::string& y = b.facts.dateTaken;
                     if (x.empty() != y.empty()) return y.empty();
                     if (x != y) return x < y;
                     return NameOrderLess(a.name, b.name);
                   });
}

}  // namespace quillmere
