// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/album_tree.h"

#include <algorithm>
#include <iterator>

#include "album/commands/album_making.h"
#include "album/steps/album_work.h"
#include "album/steps/numbering.h"
#include "album/steps/picture_work.h"
#include "paths/paths.h"

namespace quillmere {
namespace {

// The place in the tree of `folder`, with an entry for each album below it that it lists and that
// holds a picture to be its cover, from what `summaries` say they hold.
TreePlace PlaceOf(const SourceFolder& folder, const SourceTree& tree,
                  const std::vector<AlbumSummary>& summaries) {
  TreePlace place{DepthOf(folder.relative), {}};
  for (std::size_t k : folder.subAlbums) {
    const SourceFolder& below = tree.folders[k];
    if (!below.listed || summaries[k].pictures == 0) continue;
    place.subAlbums.push_back({below.name, summaries[k]});
  }
  return place;
}

// Tells whether `one`, the outcome of an album below the top, failed only because none of its
// pictures could be made: each is listed already, and the album is left out of its parent, so
// that one folder of bad files does not end the tree.
bool MadeNothingBelowTop(const AlbumOutcome& one, const SourceFolder& folder) {
  return !folder.relative.empty() && one.failure.has_value() &&
         one.failure->Is<AlbumFailure::NoPictures>();
}

// Makes the album of every folder of `tree` at its place below `albumPath`, in the tree's order,
// into `outcome`, stopping at the first that fails.
void MakeAlbumsOf(const SourceTree& tree, const std::string& albumPath, FileSystem& fs,
                  const AlbumOptions& options, AlbumOutcome& outcome) {
  // What each album holds, the albums it lists included, for the album above it.
  std::vector<AlbumSummary> summaries(tree.folders.size());
  for (std::size_t i = 0; i < tree.folders.size() && outcome.ok(); ++i) {
    if (StopRequested(options)) {
      outcome.failure = Stopped(options, "the albums not made yet were left unmade.");
      break;
    }
    const SourceFolder& folder = tree.folders[i];
    const TreePlace place = PlaceOf(folder, tree, summaries);
    AlbumSummary& summary = summaries[i];
    AlbumOutcome one = MakeAlbumOf(folder.path, AlbumPathOf(albumPath, folder.relative), &place, fs,
                                   options, summary);
    if (MadeNothingBelowTop(one, folder)) one.failure.reset();
    AddOutcome(std::move(one), outcome);
    for (const SubAlbumEntry& entry : place.subAlbums) summary.Add(entry.summary);
  }
}

}  // namespace

std::size_t DepthOf(const std::string& relative) {
  if (relative.empty()) return 0;
  return static_cast<std::size_t>(std::count(relative.begin(), relative.end(), '/')) + 1;
}

std::string AlbumPathOf(const std::string& albumPath, const std::string& relative) {
  if (relative.empty()) return albumPath;
  return (albumPath == "/" ? albumPath : albumPath + "/") + relative;
}

void AddOutcome(AlbumOutcome&& one, AlbumOutcome& outcome) {
  std::move(one.problems.begin(), one.problems.end(), std::back_inserter(outcome.problems));
  outcome.picturesAdded += one.picturesAdded;
  outcome.videosAdded += one.videosAdded;
  outcome.thumbnailsWritten += one.thumbnailsWritten;
  outcome.albumsMade += one.albumsMade;
  outcome.site = std::move(one.site);
  outcome.failure = std::move(one.failure);
}

AlbumOutcome MakeAlbumTree(const SourceTree& tree, const std::string& albumFolder, FileSystem& fs,
                           const AlbumOptions& options) {
  AlbumOutcome outcome;
  const std::string albumPath = TidyFolderPath(albumFolder);
  const std::string siteFolder = albumPath == "/" ? albumPath : albumPath + kSeparator;
  outcome.indexPath = siteFolder + std::string(kAlbumIndexName);
  // The cache of pictures made before is read once for the whole tree, and written once.
  WithSharedMadePictures(options, fs, outcome, [&](const AlbumOptions& sharing) {
    MakeAlbumsOf(tree, albumPath, fs, sharing, outcome);
  });
  return outcome;
}

}  // namespace quillmere
