// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/add_tree.h"

#include <memory>
#include <utility>

#include "album/commands/add_pictures.h"
#include "album/commands/album_making.h"
#include "album/commands/album_tree.h"
#include "album/commands/parent_entry.h"
#include "album/steps/album_work.h"
#include "album/steps/edit_change.h"
#include "album/steps/held_album.h"
#include "album/steps/image_folders.h"
#include "album/steps/numbering.h"
#include "album/steps/picture_work.h"
#include "album/steps/source_tree.h"
#include "album/steps/sub_album_entries.h"
#include "album/text/album_text.h"
#include "paths/paths.h"
#include "site/album_entries.h"

namespace quillmere {
namespace {

// Adds entries for the albums `entries`, just made in folders of the album `held` whose lock is
// held, after its last entry, as one change; its head says it is an album of a tree if it did
// not.
Result<void, AlbumFailure> AppendEntries(HeldAlbum& held, const std::vector<SubAlbumEntry>& entries,
                                         AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  AlbumFolder& album = held.album;
  const ChosenIndex& index = held.index;
  const IndexHead& head = index.head;
  if (head.fifthValueLine == 0) return AlbumFailure::HeadIncomplete{indexPath};
  const PictureLineNumbers numbers = PictureLinesOf(index);
  const auto first = static_cast<std::int64_t>(numbers.lines.size()) + 1;
  const std::int64_t last = first + static_cast<std::int64_t>(entries.size()) - 1;
  auto found = FindImageFolders(album, head.ImagePrefix, head.ThumbPrefix, indexPath);
  if (auto* failure = found.failure()) return std::move(*failure);
  ImageFolders& folders = found.value();
  folders.albums = true;
  Result<std::vector<std::string>> taken = TakenImageNames(folders, first, last);
  if (!taken) return AlbumFailure::NotWritten{folders.pictures.path, taken.error()};
  if (!taken.value().empty()) return AlbumFailure::NamesTaken{indexPath, taken.value(), 0, 0};
  AlbumChange change(*album.folder, album.path, ChangeKind::kAddPictures, index.name,
                     StateOf(index.text.bytes()));
  PlanImages(folders, first, last, change);
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  auto pairs = MakeSubAlbumEntries(entries, first, *album.folder, folders, change, work);
  if (auto* failure = pairs.failure()) return std::move(*failure);
  const std::string_view old = index.text.bytes();
  std::string text(old);
  text += PairsToAppend(old, numbers.lastPairOpen, pairs.value());
  if (!head.albums) text = WithHeadLine(text, head.fifthValueLine, kAlbumsLine);
  if (std::error_code error = change.Commit(text, KeepingModeAndOwner(index.text.source)).error()) {
    return AlbumFailure::NotWritten{indexPath, error};
  }
  work.outcome.thumbnailsWritten = pairs.value().size();
  return FinishSite(album, work);
}

// Lists the albums `entries` in the album of `indexPath` as AppendEntries does, under its lock,
// and brings its own entry above up to date.
AlbumOutcome AddAlbumEntries(const std::string& indexPath,
                             const std::vector<SubAlbumEntry>& entries, FileSystem& fs,
                             const AlbumOptions& options) {
  AlbumOutcome outcome = WorkOnHeldAlbum(
      indexPath, fs, options,
      [&](HeldAlbum& held, AlbumWork& work) { return AppendEntries(held, entries, work); });
  if (outcome.ok()) UpdateParentEntries(indexPath, fs, options, outcome);
  return outcome;
}

// How many folders below the top of its tree the album of `indexPath` stands, as its support
// folder says (SupportFolderAt); none for a support folder that the albums of a tree below it
// could not share, or a head that cannot be read.
std::optional<std::size_t> DepthOfAlbum(const std::string& indexPath, FileSystem& fs) {
  Result<IndexFile, IndexError> index = ReadIndexFile(indexPath, fs);
  if (!index) return std::nullopt;
  for (std::size_t depth = 0; depth < static_cast<std::size_t>(kMostTreeDepth); ++depth) {
    if (SupportFolderAt(depth) == index.value().head.SupportFolder) return depth;
  }
  return std::nullopt;
}

// Tells whether the folder `path` holds the index file of an album.
bool HoldsAlbum(const std::string& path, FileSystem& fs) {
  Result<EntryInfo> index = fs.Inspect(path + "/" + std::string(kAlbumIndexName), false);
  return index && index.value().kind == EntryInfo::Kind::kRegular;
}

// Tells whether `one` failed only because its folder had no pictures of its own, which a folder
// of a tree may lack.
bool HadNoPictures(const AlbumOutcome& one) {
  return one.failure.has_value() && one.failure->Is<AlbumFailure::NoPictures>();
}

// The tree's walk: the albums' folder, where the album stands in its tree, and what each folder's
// album holds and whether this run made it.
struct TreeAdding {
  const SourceTree& tree;
  std::string albumPath;
  std::size_t depth = 0;
  std::vector<AlbumSummary> summaries;
  std::vector<bool> made;

  // The entries for the albums below the folder `i` that this run made and that it lists.
  std::vector<SubAlbumEntry> NewEntriesOf(std::size_t i) const {
    std::vector<SubAlbumEntry> entries;
    for (std::size_t k : tree.folders[i].subAlbums) {
      const SourceFolder& below = tree.folders[k];
      if (made[k] && below.listed && summaries[k].pictures > 0) {
        entries.push_back({below.name, summaries[k]});
      }
    }
    return entries;
  }
};

// Adds the folder `i` of the tree to the album at its place, which holds `indexPath`: the new
// albums below it listed, then its own pictures. The top's site is written and told of even when
// its folder has no pictures of its own.
AlbumOutcome AddToAlbum(TreeAdding& adding, std::size_t i, const std::string& indexPath,
                        FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome;
  const std::vector<SubAlbumEntry> entries = adding.NewEntriesOf(i);
  if (!entries.empty()) {
    AddOutcome(AddAlbumEntries(indexPath, entries, fs, options), outcome);
    if (!outcome.ok()) return outcome;
  }
  AlbumOutcome own =
      AddOwnPictures(indexPath, {adding.tree.folders[i].path}, fs, options, SubFolders::kLeave);
  if (HadNoPictures(own)) {
    own.failure.reset();
    if (adding.tree.folders[i].relative.empty()) {
      AlbumOutcome site = ChangeAlbum(indexPath, fs, options, [](OpenAlbum&, AlbumWork&) {
        return Result<void, AlbumFailure>();
      });
      own.failure = std::move(site.failure);
      own.site = std::move(site.site);
    }
  }
  AddOutcome(std::move(own), outcome);
  return outcome;
}

// Makes the album of the folder `i` of the tree at `albumPath`, where there was none.
AlbumOutcome MakeNewAlbum(TreeAdding& adding, std::size_t i, const std::string& albumPath,
                          FileSystem& fs, const AlbumOptions& options) {
  const SourceFolder& folder = adding.tree.folders[i];
  const TreePlace place{adding.depth + DepthOf(folder.relative), adding.NewEntriesOf(i)};
  AlbumSummary& summary = adding.summaries[i];
  AlbumOutcome one = MakeAlbumOf(folder.path, albumPath, &place, fs, options, summary);
  if (HadNoPictures(one) && place.subAlbums.empty()) {
    // A folder of bad files gets no album: each is listed, and its parent goes on.
    one.failure.reset();
    return one;
  }
  for (const SubAlbumEntry& entry : place.subAlbums) summary.Add(entry.summary);
  adding.made[i] = one.ok();
  return one;
}

// Adds every folder of the tree that `adding` walks to the album at its place, or makes one
// there, in the tree's order, into `outcome`; the top's album holds `indexPath`.
void AddEveryFolder(TreeAdding& adding, const std::string& indexPath, FileSystem& fs,
                    const AlbumOptions& options, AlbumOutcome& outcome) {
  const std::vector<SourceFolder>& folders = adding.tree.folders;
  for (std::size_t i = 0; i < folders.size() && outcome.ok(); ++i) {
    if (StopRequested(options)) {
      outcome.failure = Stopped(options, "the folders not added yet were left as they were.");
      break;
    }
    const std::string path = AlbumPathOf(adding.albumPath, folders[i].relative);
    const bool top = folders[i].relative.empty();
    AlbumOutcome one =
        top || HoldsAlbum(path, fs)
            ? AddToAlbum(adding, i, top ? indexPath : path + "/" + std::string(kAlbumIndexName), fs,
                         options)
            : MakeNewAlbum(adding, i, path, fs, options);
    AddOutcome(std::move(one), outcome);
  }
}

}  // namespace

std::optional<AlbumOutcome> AddPictureTree(const std::string& indexPath,
                                           const std::vector<std::string>& sources, FileSystem& fs,
                                           const AlbumOptions& options) {
  if (sources.size() != 1) return std::nullopt;
  Result<EntryInfo> source = fs.Inspect(sources.front(), /*follow=*/true);
  if (!source || source.value().kind != EntryInfo::Kind::kFolder) return std::nullopt;
  const std::string albumPath = TidyFolderPath(FolderName(indexPath));
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  std::vector<PictureProblem> passedOver;
  Result<SourceTree, AlbumFailure> tree = SourceTree();
  WithinMemory(outcome, [&] { tree = ReadSourceTree(sources.front(), albumPath, fs, passedOver); });
  if (tree && tree.value().folders.size() <= 1) return std::nullopt;
  outcome.problems = std::move(passedOver);
  if (auto* failure = tree.failure()) {
    outcome.failure = std::move(*failure);
    return outcome;
  }
  const std::optional<std::size_t> depth = DepthOfAlbum(indexPath, fs);
  if (!depth) {
    outcome.failure = AlbumFailure::SupportNotShared{indexPath};
    return outcome;
  }
  const std::vector<SourceFolder>& folders = tree.value().folders;
  TreeAdding adding{tree.value(), albumPath, *depth, std::vector<AlbumSummary>(folders.size()),
                    std::vector<bool>(folders.size(), false)};
  // The cache of pictures made before is read once for the whole tree, and written once.
  WithSharedMadePictures(options, fs, outcome, [&](const AlbumOptions& sharing) {
    AddEveryFolder(adding, indexPath, fs, sharing, outcome);
  });
  outcome.indexPath = indexPath;
  return outcome;
}

}  // namespace quillmere
