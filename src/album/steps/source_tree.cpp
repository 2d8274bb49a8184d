// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/source_tree.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

#include "album/album_options.h"
#include "album/pictures/file_kind.h"
#include "album/text/album_text.h"
#include "index/utf8.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using PKind = PictureProblem::Kind;

// The folders that tools leave in trees of pictures (their thumbnails, trash, snapshots, a file
// system's own), in lower case, as they are matched in any case; hidden ones are skipped as
// hidden already.
constexpr std::array<std::string_view, 11> kToolFolders = {
    "@eadir",   "@__thumb",     "@recycle", "@recently-snapshot",        "#recycle",  "#snapshot",
    "__macosx", "$recycle.bin", "recycler", "system volume information", "lost+found"};

// Tells whether `name` is that of a folder a tool leaves.
bool IsToolFolder(std::string_view name) {
  const std::string lower = LowerCaseName(name);
  return std::find(kToolFolders.begin(), kToolFolders.end(), lower) != kToolFolders.end();
}

// The first code point whose canonical decomposition the table below holds, U+00C0, and how many
// follow it: Latin-1's letters and Latin Extended-A, each an ASCII letter and one combining mark.
constexpr std::uint32_t kFirstDecomposed = 0xC0;
constexpr std::uint32_t kDecomposedCount = 0xC0;
// Each code point's letter ("." where it does not decompose so) ...
constexpr std::string_view kDecomposedLetters =
    "AAAAAA.CEEEEIIII.NOOOOO..UUUUY..aaaaaa.ceeeeiiii.nooooo..uuuuy.y"
    "AaAaAaCcCcCcCcDd..EeEeEeEeEeGgGgGgGgHh..IiIiIiIiI...JjKk.LlLlLl."
    "...NnNnNn...OoOoOo..RrRrRrSsSsSsSsTtTt..UuUuUuUuUuUuWwYyYZzZzZz.";
// ... and its combining mark, as '0' plus the mark's distance from U+0300.
constexpr std::string_view kDecomposedMarks =
    "01238:.W01280128.301238..01281..01238:.W01280128.301238..01281.8"
    "4466XX112277<<<<..446677XX<<226677WW22..334466XX7...22WW.11WW<<."
    "...11WW<<...4466;;..11WW<<1122WW<<WW<<..334466::;;XX222281177<<.";
static_assert(kDecomposedLetters.size() == kDecomposedCount &&
              kDecomposedMarks.size() == kDecomposedCount);

// Appends `code` to `key` decomposed where the table holds it: its letter and its combining mark.
void AppendDecomposed(std::string& key, std::uint32_t code) {
  const std::uint32_t at = code - kFirstDecomposed;
  if (code < kFirstDecomposed || at >= kDecomposedCount || kDecomposedLetters[at] == '.') {
    AppendUtf8(key, code);
    return;
  }
  key += kDecomposedLetters[at];
  AppendUtf8(key, 0x300 + static_cast<std::uint32_t>(kDecomposedMarks[at] - '0'));
}

// What `name` is matched by where a file system ignores case or the form accented letters are
// written in: its accented Latin letters decomposed, then its ASCII letters in lower case.
std::string ClashKey(std::string_view name) {
  std::string key;
  while (!name.empty()) {
    const std::size_t length = std::max<std::size_t>(Utf8SequenceLength(name), 1);
    const std::string_view sequence = name.substr(0, length);
    if (length == 1) {
      key += sequence;
    } else {
      AppendDecomposed(key, Utf8CodePoint(sequence));
    }
    name.remove_prefix(length);
  }
  return LowerCaseName(key);
}

// The first part of the path `prefix` ("pictures" of "pictures/p"), in lower case.
std::string FolderPart(std::string_view prefix) {
  return LowerCaseName(prefix.substr(0, prefix.find(kSeparator)));
}

// Tells whether an album writes a file or folder of the name whose ClashKey is `key`: its index
// file, its pages, its pictures', thumbnails' and support images' folders.
bool IsAlbumOwnName(const std::string& key) {
  static const std::array<std::string, 5> kOwnNames = {
      LowerCaseName(kAlbumIndexName), LowerCaseName(kIndexPageName),
      FolderPart(kAlbumPicturePrefix), FolderPart(kAlbumThumbPrefix),
      FolderPart(kAlbumSupportFolder)};
  if (std::find(kOwnNames.begin(), kOwnNames.end(), key) != kOwnNames.end()) return true;
  return NumberInName(key, LowerCaseName(kPicturePagePrefix), LowerCaseName(kPageExtension)) != 0;
}

// Tells whether the regular file `name` of `folder` is a picture or a video by its first bytes;
// a file that cannot be read is none.
bool IsPictureOrVideo(Folder& folder, const std::string& name, bool throughLink) {
  if (IsSidecarName(name)) return false;
  Result<std::unique_ptr<ReadableFile>> file =
      throughLink ? folder.OpenThroughLinkForReading(name) : folder.OpenForReading(name);
  if (!file) return false;
  std::array<char, kFileKindBytes> head{};
  Result<std::size_t> read = ReadFully(*file.value(), head.data(), head.size());
  return read && KindOfFile({head.data(), read.value()}).kind != FileKind::Kind::kOther;
}

// `name` inside the folder `path`.
std::string Inside(const std::string& path, const std::string& name) {
  return path.empty() || path.ends_with(kSeparator) ? path + name : path + kSeparator + name;
}

// What a folder holds, as far as its tree needs: whether it shows a picture or a video of its
// own, and the names of the folders below it to walk, in the order people count.
struct FolderContents {
  bool shows = false;
  std::vector<std::string> folders;
};

// A device and inode, by which the album folder is known wherever it lies.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
};

// One walk of a tree: what it skips, and the folders it has found so far.
class TreeWalk {
 public:
  TreeWalk(std::optional<FileId> albumFolder, std::vector<PictureProblem>& passedOver)
      : albumFolder_(albumFolder), passedOver_(passedOver) {}

  // Walks `folder`, which is `place` in the tree and `depth` folders below its top, and adds it
  // to the tree after the folders below it where it shows anything or is the top; tells its
  // index in the tree where it was added.
  Result<std::optional<std::size_t>, AlbumFailure> Walk(Folder& folder, SourceFolder place,
                                                        int depth) {
    const bool top = depth == 0;
    Result<FolderContents> contents = ContentsOf(folder, place.path);
    if (!contents && top) return AlbumFailure::PicturesUnreadable{place.path, contents.error()};
    if (!contents) {
      passedOver_.push_back(
          {.kind = PKind::kFolderUnreadable, .file = place.path, .error = contents.error()});
      return kNotAdded;
    }
    for (const std::string& name : contents.value().folders) {
      auto below = WalkBelow(folder, place, name, depth + 1);
      if (auto* failure = below.failure()) return std::move(*failure);
      if (below.value()) place.subAlbums.push_back(*below.value());
    }
    if (!top && !contents.value().shows && place.subAlbums.empty()) return kNotAdded;
    if (auto named = CheckSubAlbumNames(place); !named) return std::move(*named.failure());
    tree_.folders.push_back(std::move(place));
    return tree_.folders.size() - 1;
  }

  // The tree found, taken from the walk.
  SourceTree Tree() { return std::move(tree_); }

 private:
  // Walks the folder `name` of `folder`, the folder `parent` of the tree, `depth` folders below
  // its top, where it is no deeper than the walk goes and can be read.
  Result<std::optional<std::size_t>, AlbumFailure> WalkBelow(Folder& folder,
                                                             const SourceFolder& parent,
                                                             const std::string& name, int depth) {
    SourceFolder place{
        Inside(parent.path, name), Inside(parent.relative, name), name, !name.starts_with('_'), {}};
    if (depth > kMostTreeDepth) {
      passedOver_.push_back({.kind = PKind::kTooDeep, .file = std::move(place.path)});
      return kNotAdded;
    }
    Result<std::unique_ptr<Folder>> opened = folder.OpenFolder(name);
    if (!opened) {
      passedOver_.push_back({.kind = PKind::kFolderUnreadable,
                             .file = std::move(place.path),
                             .error = opened.error()});
      return kNotAdded;
    }
    return Walk(*opened.value(), std::move(place), depth);
  }

  // Reads what `folder`, at `path`, holds: its own files only until the first picture or video,
  // its folders but those skipped; the links to folders it holds are passed over.
  Result<FolderContents> ContentsOf(Folder& folder, const std::string& path) {
    Result<std::vector<std::string>> names = folder.List();
    if (!names) return names.error();
    // Listed in the order people count, so that the folders are walked and passed over so.
    std::sort(names.value().begin(), names.value().end(), NameOrderLess);
    FolderContents contents;
    for (std::string& name : names.value()) {
      if (name.starts_with('.')) continue;
      Result<EntryInfo> entry = folder.Inspect(name);
      if (!entry) continue;
      switch (entry.value().kind) {
        case EntryInfo::Kind::kFolder:
          if (IsWalked(name, entry.value())) contents.folders.push_back(std::move(name));
          break;
        case EntryInfo::Kind::kRegular:
          contents.shows = contents.shows || IsPictureOrVideo(folder, name, false);
          break;
        case EntryInfo::Kind::kSymlink:
          LookThroughLink(folder, path, name, contents);
          break;
        case EntryInfo::Kind::kMissing:
        case EntryInfo::Kind::kOther:
          break;
      }
    }
    return contents;
  }

  // Tells whether the folder `name`, `entry`, is walked: not one a tool leaves, nor the album
  // folder itself.
  bool IsWalked(const std::string& name, const EntryInfo& entry) const {
    if (IsToolFolder(name)) return false;
    return !albumFolder_ || entry.device != albumFolder_->device ||
           entry.inode != albumFolder_->inode;
  }

  // Looks at what the symbolic link `name` of `folder`, at `path`, leads to: a picture or a
  // video shows, a folder is passed over.
  void LookThroughLink(Folder& folder, const std::string& path, const std::string& name,
                       FolderContents& contents) {
    Result<std::unique_ptr<ReadableFile>> file = folder.OpenThroughLinkForReading(name);
    if (!file && file.error() == std::errc::is_a_directory) {
      passedOver_.push_back({.kind = PKind::kLinkToFolder, .file = Inside(path, name)});
    } else if (file && !contents.shows) {
      contents.shows = IsPictureOrVideo(folder, name, true);
    }
  }

  // Refuses the sub-albums of `place` whose albums cannot be made beside its album's own files
  // or beside each other.
  Result<void, AlbumFailure> CheckSubAlbumNames(const SourceFolder& place) const {
    std::map<std::string, const SourceFolder*> byKey;
    for (std::size_t index : place.subAlbums) {
      const SourceFolder& sub = tree_.folders[index];
      std::string key = ClashKey(sub.name);
      if (IsAlbumOwnName(key)) return AlbumFailure::FolderNameTaken{sub.path, place.path};
      auto [it, isNew] = byKey.emplace(std::move(key), &sub);
      if (!isNew) return AlbumFailure::FoldersClash{it->second->path, sub.path};
    }
    return {};
  }

  // What Walk tells of a folder it did not add to the tree.
  static constexpr std::optional<std::size_t> kNotAdded{};

  std::optional<FileId> albumFolder_;
  std::vector<PictureProblem>& passedOver_;
  SourceTree tree_;
};

// The device and inode of the folder `albumFolder`; none where it is no folder yet.
std::optional<FileId> AlbumFolderId(const std::string& albumFolder, FileSystem& fs) {
  Result<EntryInfo> entry = fs.Inspect(albumFolder, /*follow=*/true);
  if (!entry || entry.value().kind != EntryInfo::Kind::kFolder) return std::nullopt;
  return FileId{entry.value().device, entry.value().inode};
}

}  // namespace

Result<SourceTree, AlbumFailure> ReadSourceTree(const std::string& top,
                                                const std::string& albumFolder, FileSystem& fs,
                                                std::vector<PictureProblem>& passedOver) {
  Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(top);
  if (!opened) return AlbumFailure::PicturesUnreadable{top, opened.error()};
  TreeWalk walk(AlbumFolderId(albumFolder, fs), passedOver);
  auto walked = walk.Walk(*opened.value(), SourceFolder{top, "", "", true, {}}, 0);
  if (auto* failure = walked.failure()) return std::move(*failure);
  return walk.Tree();
}

}  // namespace quillmere
