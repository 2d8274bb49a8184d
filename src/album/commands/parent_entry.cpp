// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/parent_entry.h"

#include <memory>
#include <optional>
#include <utility>

#include "album/steps/edit_change.h"
#include "album/steps/sub_album_entries.h"
#include "album/text/edited_text.h"
#include "album/text/pair_bytes.h"
#include "index/index_file.h"
#include "paths/paths.h"
#include "site/album_entries.h"
#include "site/albums_below.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

using FolderId = std::pair<dev_t, ino_t>;

// Which folder `folder` is; none when it cannot be told.
std::optional<FolderId> IdOf(Folder& folder) {
  Result<EntryInfo> itself = folder.Inspect(".");
  if (!itself) return std::nullopt;
  return FolderId{itself.value().device, itself.value().inode};
}

// What the album in `folder`, `depth` folders below the one changed, holds with the albums it
// lists, counted from their index files: its entries that are no albums, and the dates their
// descriptions give as the program writes them. `seen` holds the folders counted, each once.
std::optional<AlbumSummary> SummaryOfAlbum(Folder& folder, int depth, FoldersSeen& seen) {
  if (!seen.FirstVisit(folder)) return std::nullopt;
  Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(kAlbumIndexName);
  if (!file) return std::nullopt;
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (!text) return std::nullopt;
  const std::string_view bytes = text.value().bytes();
  Result<IndexHead, IndexError> head = ParseIndexHead(bytes);
  if (!head) return std::nullopt;
  const auto pairs = PictureLinePairs(bytes, head.value());
  const auto count = static_cast<std::int64_t>(pairs.size());
  const AlbumEntries albums = FindAlbumEntries(head.value(), count, folder);
  const VideoEntries videos = FindVideoEntries(head.value(), count, folder);
  AlbumSummary summary;
  for (std::int64_t n = 1; n <= count; ++n) {
    if (const AlbumEntry* album = albums.Of(n)) {
      if (depth >= kMostTreeDepth) continue;
      Result<std::unique_ptr<Folder>> below = OpenEntryFolder(folder, album->folder);
      if (!below) continue;
      if (auto held = SummaryOfAlbum(*below.value(), depth + 1, seen)) summary.Add(*held);
      continue;
    }
    ++summary.pictures;
    if (videos.Of(n) != nullptr) ++summary.videos;
    summary.AddWrittenDate(pairs[static_cast<std::size_t>(n - 1)].second);
  }
  return summary;
}

// The index file of the parent of the album of `indexPath`, whose head names its parent's page
// `parent`: only a parent in the folder just above, as the program makes trees.
std::optional<std::string> ParentIndexPath(const std::string& indexPath, std::string_view parent) {
  if (parent != "../" + std::string(kIndexPageName)) return std::nullopt;
  std::string folder = FolderAsGiven(indexPath);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  const std::string_view last =
      std::string_view(folder).substr(slash == std::string::npos ? 0 : slash + 1);
  if (folder == "/") return std::nullopt;
  if (last.empty() || last == "." || last == "..") {
    return (folder.empty() ? "" : folder + "/") + "../" + std::string(kAlbumIndexName);
  }
  return folder.substr(0, slash == std::string::npos ? 0 : slash + 1) +
         std::string(kAlbumIndexName);
}

// The album of an index file as its parent knows it: which folder it is, and where the parent's
// index file is.
struct ChildAlbum {
  FolderId id;
  std::string parentIndex;
};

// The album of `indexPath` and its parent's index file; none when its head names no parent the
// program made, or it cannot be read.
std::optional<ChildAlbum> ChildOf(const std::string& indexPath, FileSystem& fs) {
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(FolderName(indexPath));
  if (!folder) return std::nullopt;
  const std::optional<FolderId> id = IdOf(*folder.value());
  Result<std::unique_ptr<ReadableFile>> file =
      folder.value()->OpenForReading(SplitAtFolder(indexPath).name);
  if (!id || !file) return std::nullopt;
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (!text) return std::nullopt;
  Result<IndexHead, IndexError> head = ParseIndexHead(text.value().bytes());
  if (!head || !head.value().albums) return std::nullopt;
  std::optional<std::string> parent = ParentIndexPath(indexPath, head.value().parent);
  if (!parent) return std::nullopt;
  return ChildAlbum{*id, std::move(*parent)};
}

// The bytes of the file `path` (a path inside `folder`, as a head's prefix names it), read
// through `folder` without following a symbolic link; none when it cannot be read whole.
std::optional<std::string> BytesOf(Folder& folder, const std::string& path) {
  // A cover is a picture the program made, far smaller than this.
  constexpr std::uint64_t kMostCoverBytes = std::uint64_t{256} << 20;
  const SplitPath split = SplitAtFolder(path);
  std::unique_ptr<Folder> inner;
  if (!split.folder.empty()) {
    std::string_view inside = split.folder;
    inside.remove_suffix(1);
    Result<std::unique_ptr<Folder>> opened = OpenEntryFolder(folder, inside);
    if (!opened) return std::nullopt;
    inner = std::move(opened).value();
  }
  Result<std::unique_ptr<ReadableFile>> file = (inner ? *inner : folder).OpenForReading(split.name);
  if (!file) return std::nullopt;
  Result<WholeFile> bytes = ReadWhole(*file.value(), kMostCoverBytes);
  if (!bytes) return std::nullopt;
  return std::move(bytes.value().bytes);
}

// What the parent album has to change for the album below it: the descriptions of its entries,
// and the entries whose cover is no longer the album's first picture.
struct ParentChange {
  TextEdit edit;
  std::vector<CoverToReplace> covers;

  bool empty() const { return edit.pairs.empty() && covers.empty(); }
};

// What the parent album in `folder`, whose index file holds `text` with the head `head`, has to
// change so that its entries of the album `child` say what it holds now and show its first
// picture. A description the person wrote is left alone.
ParentChange ParentChangeOf(Folder& folder, std::string_view text, const IndexHead& head,
                            const FolderId& child) {
  ParentChange change;
  if (!head.albums) return change;
  const auto pairs = PictureLinePairs(text, head);
  const auto count = static_cast<std::int64_t>(pairs.size());
  const AlbumEntries entries = FindAlbumEntries(head, count, folder);
  for (const AlbumEntry& entry : entries.all()) {
    Result<std::unique_ptr<Folder>> below = OpenEntryFolder(folder, entry.folder);
    if (!below || IdOf(*below.value()) != child) continue;
    const std::optional<std::string> cover =
        BytesOf(*below.value(), PictureFileName(kAlbumPicturePrefix, 1));
    if (cover && cover != BytesOf(folder, PictureFileName(head.ImagePrefix, entry.number))) {
      change.covers.push_back({entry.number, entry.folder});
    }
    const auto& [caption, description] = pairs[static_cast<std::size_t>(entry.number - 1)];
    if (!SummaryOfText(description)) continue;
    FoldersSeen seen;
    const std::optional<AlbumSummary> now = SummaryOfAlbum(*below.value(), 0, seen);
    if (!now || SummaryText(*now) == description) continue;
    change.edit.pairs[entry.number] = {std::string(caption), SummaryText(*now)};
  }
  for (std::int64_t n = 1; n <= count; ++n) change.edit.order.push_back(n);
  return change;
}

// Makes `change` to the parent album `open`: its new covers and descriptions as one change, or
// its descriptions alone as an edit.
Result<void, AlbumFailure> MakeParentChange(OpenAlbum& open, const ParentChange& change,
                                            AlbumWork& work) {
  if (change.covers.empty()) {
    AlbumEdit edit;
    edit.text = change.edit;
    return MakeEdit(open, edit, work);
  }
  const std::string text = EditedText(open.index.text.bytes(), open.index.head, change.edit);
  return ReplaceCovers(open, change.covers, text, work);
}

// Tells whether the parent's index file `parentIndex` has an entry of the album `child` to bring
// up to date, as it reads without its lock, so that a parent with nothing to change is not waited
// for. One that cannot be read is looked at under its lock, which says why.
bool ParentNeedsChange(const std::string& parentIndex, const FolderId& child, FileSystem& fs) {
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(FolderName(parentIndex));
  if (!folder) return true;
  Result<std::unique_ptr<ReadableFile>> file =
      folder.value()->OpenForReading(SplitAtFolder(parentIndex).name);
  if (!file) return true;
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (!text) return true;
  Result<IndexHead, IndexError> head = ParseIndexHead(text.value().bytes());
  if (!head) return true;
  return !ParentChangeOf(*folder.value(), text.value().bytes(), head.value(), child).empty();
}

// Tells in `outcome` that the parent's index file `parentIndex` was left behind the album of
// `indexPath`, for `failure`.
void TellNotUpdated(const std::string& parentIndex, const std::string& indexPath,
                    const AlbumFailure& failure, AlbumOutcome& outcome) {
  const RunFailure* run = failure.run();
  PictureProblem problem;
  problem.kind = PictureProblem::Kind::kParentNotUpdated;
  problem.file = parentIndex;
  problem.error = run != nullptr ? run->error() : std::error_code();
  problem.same = indexPath;
  outcome.problems.push_back(std::move(problem));
}

}  // namespace

void UpdateParentEntries(const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
                         AlbumOutcome& outcome) {
  std::string at = indexPath;
  for (int depth = 0; depth < kMostTreeDepth; ++depth) {
    const std::optional<ChildAlbum> child = ChildOf(at, fs);
    if (!child || !ParentNeedsChange(child->parentIndex, child->id, fs)) return;
    bool changed = false;
    AlbumOutcome parent =
        ChangeAlbum(child->parentIndex, fs, options,
                    [&](OpenAlbum& open, AlbumWork& work) -> Result<void, AlbumFailure> {
                      const ParentChange change = ParentChangeOf(
                          *open.album.folder, open.index.text.bytes(), open.index.head, child->id);
                      if (change.empty()) return {};
                      changed = true;
                      return MakeParentChange(open, change, work);
                    });
    if (parent.failure) {
      TellNotUpdated(child->parentIndex, indexPath, *parent.failure, outcome);
      return;
    }
    if (!changed) return;
    at = child->parentIndex;
  }
}

}  // namespace quillmere
