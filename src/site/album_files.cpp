// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/album_files.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "index/index_file.h"
#include "paths/paths.h"
#include "site/album_entries.h"
#include "site/albums_below.h"
#include "site/entry_companions.h"
#include "site/page_design.h"
#include "site/page_output.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

// The names a folder of an album holds for it: numbered files of a prefix with the extensions
// that go with them, and names of its own (the support images).
struct MadeNames {
  std::vector<std::pair<std::string, std::vector<std::string_view>>> numbered;
  std::set<std::string, std::less<>> fixed;

  bool Holds(std::string_view name) const {
    if (fixed.contains(name)) return true;
    return std::any_of(numbered.begin(), numbered.end(), [&](const auto& rule) {
      return std::any_of(rule.second.begin(), rule.second.end(), [&](std::string_view extension) {
        return NumberInName(name, rule.first, extension) > 0;
      });
    });
  }
};

// The walk of a tree of albums: the folders it has been in, and what it found.
struct FilesWalk {
  FoldersSeen seen;
  AlbumFiles files;
};

// The index text of the album in `album`; none when it cannot be read.
std::optional<IndexText> IndexTextOf(Folder& album) {
  Result<std::unique_ptr<ReadableFile>> file = album.OpenForReading(kAlbumIndexName);
  if (!file) return std::nullopt;
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (!text) return std::nullopt;
  return std::move(text).value();
}

// The one folder below the album that `prefix` names ("pictures" of "pictures/p"), or "" where it
// names the album's own folder, a deeper one or one outside.
std::string FolderOfPrefix(std::string_view prefix) {
  if (!StaysInside(prefix)) return "";
  std::string_view folder = SplitAtFolder(prefix).folder;
  if (folder.empty()) return "";
  folder.remove_suffix(1);
  return folder.find('/') == std::string_view::npos && folder != "." ? std::string(folder) : "";
}

// What each folder of the album with the head `head` holds for it, by the folder's name ("" for
// the album's own folder).
std::map<std::string, MadeNames> MadeNamesOf(const IndexHead& head) {
  std::map<std::string, MadeNames> names;
  std::vector<std::string_view> pictures = {kPictureFileExtension};
  pictures.insert(pictures.end(), kEntryCompanionExtensions.begin(),
                  kEntryCompanionExtensions.end());
  for (const auto& [prefix, extensions] :
       {std::pair{head.ImagePrefix, pictures},
        std::pair{head.ThumbPrefix, std::vector<std::string_view>{kPictureFileExtension}}}) {
    if (!StaysInside(prefix)) continue;
    names[FolderOfPrefix(prefix)].numbered.emplace_back(SplitAtFolder(prefix).name, extensions);
  }
  const std::string support(head.SupportFolder);
  if (StaysInside(support) && support.find('/') == std::string::npos && !support.empty()) {
    names[support].fixed.insert(kSupportImageNames.begin(), kSupportImageNames.end());
  }
  return names;
}

// Tells whether the file `name` of `folder` is a page this program wrote.
bool IsWrittenPage(Folder& folder, std::string_view name) {
  Result<std::unique_ptr<ReadableFile>> page = folder.OpenForReading(name);
  if (!page) return false;
  Result<bool> written = IsOpenedWrittenPage(*page.value());
  return written && written.value();
}

// Sorts the entries of `folder`, at `path` in the top album, by `made`; the album's own folder
// (`own`) also holds its index file and pages, and leaves out the folders in `walked`.
void SortFolder(Folder& folder, const std::string& path, const MadeNames& made, bool own,
                const std::set<std::string>& walked, FilesWalk& walk) {
  Result<std::vector<std::string>> names = folder.List();
  if (!names) return;
  for (const std::string& name : names.value()) {
    if (own && walked.contains(name)) continue;
    const bool program =
        made.Holds(name) || (own && (name == kAlbumIndexName || IsWrittenPage(folder, name)));
    (program ? walk.files.made : walk.files.own).push_back(path + name);
  }
}

// Sorts the files of the album in `album`, at `path` in the top album ("" or ending with "/"),
// `depth` folders below it, and of the albums below it.
void WalkAlbum(Folder& album, const std::string& path, int depth, FilesWalk& walk) {
  const std::optional<IndexText> text = IndexTextOf(album);
  Result<IndexFile, IndexError> index =
      text ? ParseIndexText(text->bytes()) : Result<IndexFile, IndexError>(IndexError{});
  std::map<std::string, MadeNames> made;
  std::set<std::string> walked;
  if (index) {
    const IndexHead& head = index.value().head;
    made = MadeNamesOf(head);
    const AlbumEntries entries =
        head.albums ? FindAlbumEntries(head, index.value().PictureCount(), album) : AlbumEntries();
    for (const AlbumEntry& entry : entries.all()) {
      if (depth + 1 >= kMostTreeDepth || entry.folder.find('/') != std::string::npos) continue;
      Result<std::unique_ptr<Folder>> below = OpenEntryFolder(album, entry.folder);
      if (!below || !walk.seen.FirstVisit(*below.value())) continue;
      walked.insert(entry.folder);
      WalkAlbum(*below.value(), path + entry.folder + "/", depth + 1, walk);
    }
  }
  for (const auto& [name, names] : made) {
    if (name.empty() || walked.contains(name)) continue;
    Result<std::unique_ptr<Folder>> inner = OpenEntryFolder(album, name);
    if (!inner) continue;
    walked.insert(name);
    SortFolder(*inner.value(), path + name + "/", names, false, {}, walk);
    walk.files.folders.push_back(path + name);
  }
  SortFolder(album, path, made[""], true, walked, walk);
  walk.files.folders.push_back(path.empty() ? path : path.substr(0, path.size() - 1));
}

}  // namespace

AlbumFiles FindAlbumFiles(Folder& album) {
  FilesWalk walk;
  if (walk.seen.FirstVisit(album)) WalkAlbum(album, "", 0, walk);
  return std::move(walk.files);
}

}  // namespace quillmere
