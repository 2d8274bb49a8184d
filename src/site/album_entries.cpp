// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/album_entries.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The page that a sub-album's folder is linked to.
constexpr std::string_view kSubAlbumPage = "/index.html";

// Tells whether `c` is a control character, which no folder a page links to has in its name.
bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The folder named by the album file `name` of `folder`, read as a regular file without following
// a link or waiting on a pipe; empty when it names none.
std::string ReadAlbumFolder(Folder& folder, const std::string& name) {
  Result<WholeFile> file = ReadWholeFile(folder, name, kMaxAlbumEntryFile);
  return file ? AlbumEntryFolder(file.value().bytes) : std::string();
}

}  // namespace

const AlbumEntry* AlbumEntries::Of(std::int64_t n) const {
  return EntryNumbered(entries_, n);
}

std::string AlbumEntryText(std::string_view folder) {
  return std::string(folder) + "\n";
}

std::string AlbumEntryFolder(std::string_view text) {
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (text.starts_with(kSeparator) || std::ranges::any_of(text, IsControl)) return {};
  while (text.ends_with(kSeparator)) text.remove_suffix(1);
  return std::string(text);
}

std::string AlbumEntryLink(std::string_view folder) {
  return PercentEncoded(folder) + std::string(kSubAlbumPage);
}

AlbumEntries FindAlbumEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site) {
  if (!head.albums || pictureCount == 0) return {};
  std::optional<PictureFolder> pictures = ListPictureFolder(head, site);
  return pictures ? FindAlbumEntries(*pictures, pictureCount) : AlbumEntries();
}

AlbumEntries FindAlbumEntries(PictureFolder& pictures, std::int64_t pictureCount) {
  // Which entries have an album file, and which have their picture (the album's cover).
  std::unordered_set<std::int64_t> albumFiles;
  std::vector<std::int64_t> covers;
  for (const std::string& name : pictures.names) {
    if (const std::int64_t n =
            EntryNumber(name, pictures.namePrefix, kPictureFileExtension, pictureCount)) {
      covers.push_back(n);
    } else if (const std::int64_t m =
                   EntryNumber(name, pictures.namePrefix, kAlbumEntryExtension, pictureCount)) {
      albumFiles.insert(m);
    }
  }
  AlbumEntries albums;
  if (albumFiles.empty()) return albums;
  std::sort(covers.begin(), covers.end());
  for (const std::int64_t n : covers) {
    if (!albumFiles.contains(n)) continue;
    std::string folder = ReadAlbumFolder(
        *pictures.folder, NumberedFileName(pictures.namePrefix, n, kAlbumEntryExtension));
    if (!folder.empty()) albums.Add(AlbumEntry{n, std::move(folder)});
  }
  return albums;
}

}  // namespace quillmere
