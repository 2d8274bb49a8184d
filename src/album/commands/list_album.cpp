// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/list_album.h"

#include <memory>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "album/change/album_folder.h"
#include "album/steps/found_pictures.h"
#include "album/steps/held_album.h"
#include "album/text/album_text.h"
#include "album/text/pair_bytes.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "site/album_entries.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The files of one prefix's folder, listed once; none when they cannot be known here.
struct PrefixFiles {
  // The part of the prefix after its folder, which starts each file's name.
  std::string namePrefix;
  std::optional<std::unordered_set<std::string>> names;

  // Whether the image numbered `n` is there; none when that cannot be known.
  std::optional<bool> Has(std::int64_t n) const {
    if (!names) return std::nullopt;
    return names->count(PictureFileName(namePrefix, n)) != 0;
  }
};

// The files of the folder that `prefix` of the index file at `indexPath` names: a folder that does
// not exist holds none, and a prefix that leads elsewhere or a folder that cannot be listed leaves
// them unknown.
PrefixFiles FilesOf(std::string_view prefix, const std::string& indexPath, FileSystem& fs) {
  const SplitPath split = SplitAtFolder(prefix);
  PrefixFiles files{std::string(split.name), std::nullopt};
  if (!StaysInside(prefix)) return files;
  Result<std::vector<std::string>> listed =
      fs.ListFolder(PathOnDisk(FolderName(indexPath), split.folder));
  if (listed) {
    files.names.emplace(listed.value().begin(), listed.value().end());
  } else if (listed.error() == std::errc::no_such_file_or_directory ||
             listed.error() == std::errc::not_a_directory) {
    files.names.emplace();
  }
  return files;
}

// The entries of the album with `head` at `indexPath` that are albums of their own: none unless
// its head says it is an album of a tree and its folder can be opened.
AlbumEntries AlbumEntriesOf(const IndexHead& head, std::int64_t count, const std::string& indexPath,
                            FileSystem& fs) {
  if (!head.albums) return {};
  Result<std::unique_ptr<Folder>> site = fs.OpenFolder(FolderName(indexPath));
  if (!site) return {};
  return FindAlbumEntries(head, count, *site.value());
}

}  // namespace

Result<std::vector<ListedPicture>, AlbumFailure> ListAlbum(const std::string& indexPath,
                                                           FileSystem& fs) {
  Result<IndexText, RunFailure> text = LoadChosenIndexFile(indexPath, fs);
  if (auto* failure = text.failure()) {
    return AlbumFailure::IndexUnusable{std::move(*failure)};
  }
  Result<ChosenIndex, AlbumFailure> index = ReadAlbumIndex(indexPath, std::move(text).value());
  if (auto* failure = index.failure()) return std::move(*failure);
  const IndexHead& head = index.value().head;
  const PrefixFiles pictures = FilesOf(head.ImagePrefix, indexPath, fs);
  const PrefixFiles thumbnails = FilesOf(head.ThumbPrefix, indexPath, fs);
  std::vector<ListedPicture> listed;
  std::int64_t n = 0;
  for (const auto& lines : PictureLinePairs(index.value().text.bytes(), head)) {
    ++n;
    listed.push_back({n, PictureFileName(pictures.namePrefix, n), pictures.Has(n),
                      thumbnails.Has(n), LineAsUtf8(lines.first, head.utf8)});
  }
  const AlbumEntries albums = AlbumEntriesOf(head, n, indexPath, fs);
  for (ListedPicture& picture : listed) {
    if (const AlbumEntry* album = albums.Of(picture.number)) picture.album = album->folder;
  }
  return listed;
}

}  // namespace quillmere
