// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/page_entries.h"

#include <optional>

#include "site/picture_folder.h"

namespace quillmere {

PageEntries FindPageEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site) {
  PageEntries entries;
  if (!(head.videos || head.albums) || pictureCount == 0) return entries;
  std::optional<PictureFolder> pictures = ListPictureFolder(head, site);
  if (!pictures) return entries;
  if (head.videos) entries.videos = FindVideoEntries(*pictures, pictureCount);
  if (head.albums) entries.albums = FindAlbumEntries(*pictures, pictureCount);
  return entries;
}

}  // namespace quillmere
