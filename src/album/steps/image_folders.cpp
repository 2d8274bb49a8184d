// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/image_folders.h"

#include "site/album_entries.h"
#include "site/video_entries.h"

namespace quillmere {

Result<ImageFolders, AlbumFailure> FindImageFolders(AlbumFolder& album,
                                                    std::string_view picturePrefix,
                                                    std::string_view thumbPrefix,
                                                    const std::string& indexPath) {
  auto pictures = FindImageFolder(album, picturePrefix, indexPath);
  if (auto* failure = pictures.failure()) return std::move(*failure);
  auto thumbnails = FindImageFolder(album, thumbPrefix, indexPath);
  if (auto* failure = thumbnails.failure()) return std::move(*failure);
  return ImageFolders{std::move(pictures.value()), std::move(thumbnails.value())};
}

void PlanImages(const ImageFolders& folders, std::int64_t first, std::int64_t last,
                AlbumChange& change) {
  PlanFolders(folders.pictures, change);
  PlanFolders(folders.thumbnails, change);
  for (std::int64_t n = first; n <= last; ++n) {
    change.PlanFile(folders.pictures.RelativeName(n));
    change.PlanFile(folders.thumbnails.RelativeName(n));
    if (folders.albums) {
      change.PlanFile(folders.pictures.relative +
                      folders.pictures.FileName(n, kAlbumEntryExtension));
    }
    if (!folders.videos) continue;
    for (std::string_view extension : kVideoFileExtensions) {
      change.PlanFile(folders.pictures.relative + folders.pictures.FileName(n, extension));
    }
  }
}

Result<std::vector<std::string>> TakenImageNames(ImageFolders& folders, std::int64_t first,
                                                 std::int64_t last) {
  Result<std::vector<std::string>> taken = TakenNames(folders.pictures, first, last);
  if (!taken) return taken;
  Result<std::vector<std::string>> thumbnails = TakenNames(folders.thumbnails, first, last);
  if (!thumbnails) return thumbnails;
  for (std::string& name : thumbnails.value()) taken.value().push_back(std::move(name));
  std::vector<std::string_view> besides;
  if (folders.albums) besides.push_back(kAlbumEntryExtension);
  if (folders.videos) {
    besides.insert(besides.end(), kVideoFileExtensions.begin(), kVideoFileExtensions.end());
  }
  for (std::string_view extension : besides) {
    Result<std::vector<std::string>> beside = TakenNames(folders.pictures, first, last, extension);
    if (!beside) return beside;
    for (std::string& name : beside.value()) taken.value().push_back(std::move(name));
  }
  return taken;
}

}  // namespace quillmere
