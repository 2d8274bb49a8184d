// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entries of a site that are albums of their own: a small file beside the entry's picture
// (its cover) names the sub-album's folder, so that renumbering carries it with the entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/picture_folder.h"

namespace quillmere {

// The extension of the file beside picture n (`pictures/p3.album`) that makes entry n an album.
inline constexpr std::string_view kAlbumEntryExtension = ".album";

// The name of the index file of every album of a tree that the program makes, in its folder.
inline constexpr std::string_view kAlbumIndexName = "index.txt";

// How many folders below its top a tree's walk goes at most: a folder deeper than that is passed
// over, so that a tree of any depth is walked in bounded work.
inline constexpr int kMostTreeDepth = 32;

// The largest album file read; a larger one makes no album entry.
inline constexpr std::size_t kMaxAlbumEntryFile = 4096;

// The sub-album of one entry: its folder, relative to the folder of the index file, as the
// entry's album file names it (one line, without its line end or a trailing "/").
struct AlbumEntry {
  std::int64_t number = 0;
  std::string folder;
};

// The entries of one run that are albums, by number.
class AlbumEntries {
 public:
  // The album of entry `n`, or none when entry `n` is a picture or a video.
  const AlbumEntry* Of(std::int64_t n) const;

  // Records the album of an entry numbered above every entry recorded before it.
  void Add(AlbumEntry entry) { entries_.push_back(std::move(entry)); }

  // Whether no entry is an album.
  bool empty() const { return entries_.empty(); }

  // The albums of the entries, by number.
  const std::vector<AlbumEntry>& all() const { return entries_; }

 private:
  std::vector<AlbumEntry> entries_;
};

// The text of the album file that makes an entry the album in `folder` (relative to the index
// file's folder).
std::string AlbumEntryText(std::string_view folder);

// The folder an album file's text names, without its line end or trailing "/"; empty when the
// text names none a page can link to: more than one line, a NUL, CR or other control character,
// a folder from the top of the file system, or nothing at all.
std::string AlbumEntryFolder(std::string_view text);

// The address of the index page of the sub-album in `folder`, percent-encoded for a link.
std::string AlbumEntryLink(std::string_view folder);

// Finds the entries 1 to `pictureCount` of the index file with `head` that are albums, from one
// listing of the pictures' folder inside `site`: none unless the head says that the site is an
// album of a tree and the picture prefix stays inside the site. An entry is an album when its
// album file is a regular file (never a link, a folder or a pipe) of at most kMaxAlbumEntryFile
// bytes beside its picture and names a folder. A folder that cannot be read has no album entries.
AlbumEntries FindAlbumEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site);

// Finds the entries 1 to `pictureCount` that are albums in `pictures`, the pictures' folder as
// one listing saw it.
AlbumEntries FindAlbumEntries(PictureFolder& pictures, std::int64_t pictureCount);

}  // namespace quillmere
