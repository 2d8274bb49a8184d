// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/removed_albums.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "run/generate.h"
#include "run/journal.h"
#include "site/album_entries.h"
#include "site/album_files.h"
#include "site/albums_below.h"

namespace quillmere {
namespace {

// Takes the lock of the album in `folder` at `path` (ending with "/") into `held`, and refuses
// it when it holds a change that was cut short.
Result<void, AlbumFailure> HoldOne(Folder& folder, const std::string& path, AlbumWork& work,
                                   RemovedAlbums& held) {
  auto lock = LockSiteFolder(folder, path, work.options.run);
  if (auto* failure = lock.failure()) return AlbumFailure::FolderUnavailable{std::move(*failure)};
  held.locks.push_back(std::move(lock.value()));
  auto journal = ReadJournal(folder);
  if (!journal || journal.value().has_value()) {
    return AlbumFailure::AlbumBelowUnfinished{path + std::string(kAlbumIndexName)};
  }
  return {};
}

// Holds the album in `folder` at `path` and every album below it, from the top down.
Result<void, AlbumFailure> HoldTree(Folder& folder, const std::string& path, AlbumWork& work,
                                    RemovedAlbums& held) {
  if (auto done = HoldOne(folder, path, work, held); !done) return done;
  Result<void, AlbumFailure> below;
  WalkAlbumsBelow(folder, kAlbumIndexName, path, [&](Folder& album, const std::string& at) {
    below = HoldOne(album, at, work, held);
    return below.ok();
  });
  return below;
}

// Plans the album in the folder `name` of `open`, at `path`, to go once the index file is new:
// to the trash, or with deleteRemoved, its files the program made, the person's told of.
Result<void, AlbumFailure> PlanGoing(OpenAlbum& open, Folder& folder, const std::string& name,
                                     const std::string& path, AlbumWork& work,
                                     RemovedAlbums& held) {
  if (work.options.deleteRemoved) {
    for (const std::string& own : FindAlbumFiles(folder).own) {
      work.outcome.problems.push_back(
          {.kind = PictureProblem::Kind::kKeptInRemovedAlbum, .file = path + own});
    }
    held.steps.push_back({JournalStep::Kind::kDiscardAlbum, name, {}});
    return {};
  }
  if (std::error_code error = open.album.trash->CheckTakes(name).error()) {
    return AlbumFailure::NoTrash{path, error};
  }
  held.steps.push_back({JournalStep::Kind::kTrashAlbum, name, {}});
  return {};
}

}  // namespace

Result<RemovedAlbums, AlbumFailure> HoldRemovedAlbums(OpenAlbum& open,
                                                      const std::vector<std::int64_t>& removed,
                                                      AlbumWork& work) {
  RemovedAlbums held;
  const AlbumEntries entries = FindAlbumEntries(open.index.head, open.count(), *open.album.folder);
  if (entries.empty()) return held;
  // A folder that an entry which stays opens too stays with it.
  std::set<std::string> kept;
  for (const AlbumEntry& entry : entries.all()) {
    if (!std::binary_search(removed.begin(), removed.end(), entry.number))
      kept.insert(entry.folder);
  }
  for (std::int64_t n : removed) {
    const AlbumEntry* entry = entries.Of(n);
    // Only an album in a folder of its own right inside this one goes with its entry.
    if (entry == nullptr || entry->folder.find('/') != std::string::npos ||
        kept.contains(entry->folder)) {
      continue;
    }
    Result<std::unique_ptr<Folder>> folder = OpenEntryFolder(*open.album.folder, entry->folder);
    if (!folder) continue;
    const std::string path = open.album.path + entry->folder + "/";
    if (auto done = HoldTree(*folder.value(), path, work, held); !done) {
      return std::move(*done.failure());
    }
    if (auto done = PlanGoing(open, *folder.value(), entry->folder, path, work, held); !done) {
      return std::move(*done.failure());
    }
  }
  return held;
}

}  // namespace quillmere
