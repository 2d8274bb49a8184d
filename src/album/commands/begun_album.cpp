// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/begun_album.h"

#include <algorithm>
#include <string_view>

#include "album/commands/new_album.h"
#include "album/steps/held_album.h"
#include "album/steps/probe_pictures.h"
#include "run/site_folder.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

// Tells whether `album` lacks a page of the album `index`: its index page or a picture page.
Result<bool> LacksAPage(AlbumFolder& album, const ChosenIndex& index) {
  const auto count = static_cast<std::int64_t>(PictureLinesOf(index).lines.size());
  for (std::int64_t n = 0; n <= count; ++n) {
    Result<EntryInfo> entry =
        album.folder->Inspect(n == 0 ? std::string(kIndexPageName) : PicturePageName(n));
    if (!entry) return entry.error();
    if (entry.value().kind == EntryInfo::Kind::kMissing) return true;
  }
  return false;
}

// How far an album that this command began in a folder came.
enum class Begun {
  // It began none there.
  kNone,
  // Its index file is there without all of its pages.
  kUnfinished,
  // Its index file and all of its pages are there.
  kComplete,
};

// Tells whether `text` starts with the head this command writes for `picturesFolder` standing in
// a tree as `place` says, with or without videos.
bool StartsWithTreeHead(std::string_view text, const std::string& picturesFolder,
                        const TreePlace& place) {
  for (const bool videos : {false, true}) {
    if (text.starts_with(NewIndexText(NewAlbumHead(picturesFolder, &place, videos), {})))
      return true;
  }
  return false;
}

// Tells how far the index file of `album` is one that this command began for `picturesFolder`
// standing in a tree as `place` says (none for an album of its own): the head it writes, the
// title it gives those pictures, and whether a page is missing.
Result<Begun, AlbumFailure> BegunHere(AlbumFolder& album, const std::string& picturesFolder,
                                      const TreePlace* place, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  Result<EntryInfo> entry = album.folder->Inspect(kAlbumIndexName);
  if (!entry) return AlbumFailure::FolderNotMade{album.path, entry.error()};
  if (entry.value().kind != EntryInfo::Kind::kRegular) return Begun::kNone;
  auto text = ReadHeldIndexFile(indexPath, *album.folder, work.fs, IndexLink::kRefuse);
  if (text.failure() != nullptr) return Begun::kNone;
  if (place != nullptr && !StartsWithTreeHead(text.value().bytes(), picturesFolder, *place)) {
    return Begun::kNone;
  }
  auto index = ReadAlbumIndex(indexPath, std::move(text.value()));
  if (index.failure() != nullptr) return Begun::kNone;
  const IndexHead& head = index.value().head;
  const std::size_t depth = place != nullptr ? place->depth : 0;
  if (head.SiteTitle != NewAlbumTitle(picturesFolder) || head.ThumbPrefix != kAlbumThumbPrefix ||
      head.ImagePrefix != kAlbumPicturePrefix || head.SupportFolder != SupportFolderAt(depth)) {
    return Begun::kNone;
  }
  Result<bool> lacks = LacksAPage(album, index.value());
  if (!lacks) return AlbumFailure::FolderNotMade{album.path, lacks.error()};
  return lacks.value() ? Begun::kUnfinished : Begun::kComplete;
}

// What the album in `album`, made before from `picturesFolder` as one of a tree as `place` says,
// holds itself: how many pictures and videos from its index file (its entries after those of the
// albums it lists), the dates they span from the pictures' folder probed again.
Result<AlbumSummary, AlbumFailure> SummaryOfMade(AlbumFolder& album,
                                                 const std::string& picturesFolder,
                                                 const TreePlace& place, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  auto text = ReadHeldIndexFile(indexPath, *album.folder, work.fs, IndexLink::kRefuse);
  if (auto* failure = text.failure()) return AlbumFailure::IndexUnusable{std::move(*failure)};
  auto index = ReadAlbumIndex(indexPath, std::move(text.value()));
  if (auto* failure = index.failure()) return std::move(*failure);
  const auto count = static_cast<std::int64_t>(PictureLinesOf(index.value()).lines.size());
  const auto listed = static_cast<std::int64_t>(place.subAlbums.size());
  const VideoEntries videos = FindVideoEntries(index.value().head, count, *album.folder);
  AlbumSummary own;
  own.pictures = static_cast<std::uint64_t>(std::max<std::int64_t>(count - listed, 0));
  for (std::int64_t n = listed + 1; n <= count; ++n) {
    if (videos.Of(n) != nullptr) ++own.videos;
  }
  // What probing finds again was told when the album was made.
  AlbumOutcome probing;
  AlbumWork again{work.fs, work.options, probing, nullptr};
  auto probed = ProbeOwnFiles(picturesFolder, &place, again);
  if (auto* failure = probed.failure()) return std::move(*failure);
  for (const FoundPicture& picture : probed.value()) {
    own.AddDate(picture.facts.dateTaken, picture.facts.zoneTaken);
  }
  return own;
}

}  // namespace

// Finishes the album in `album` that an interrupted --new-album of `picturesFolder` began: the
// change its journal held was finished when the folder was taken, or its index file is there
// without all of its pages. Only pages are written, and none in place of a file that is no page
// of this program. An album below the top of a tree that stands complete is taken as made. Tells
// whether there was such an album; what it holds itself goes to `own` where it stands in a tree.
Result<bool, AlbumFailure> FinishBegunAlbum(AlbumFolder& album, const std::string& picturesFolder,
                                            const TreePlace* place, AlbumWork& work,
                                            AlbumSummary& own) {
  const bool settledHere = album.settled.outcome == SettledJournal::Outcome::kFinished &&
                           album.settled.change == ChangeKind::kNewAlbum;
  Begun begun = Begun::kUnfinished;
  if (!settledHere) {
    auto found = BegunHere(album, picturesFolder, place, work);
    if (auto* failure = found.failure()) return std::move(*failure);
    begun = found.value();
  }
  const bool takenAsMade = begun == Begun::kComplete && place != nullptr && place->depth > 0;
  if (begun == Begun::kNone || (begun == Begun::kComplete && !takenAsMade)) return false;
  if (!takenAsMade) {
    AlbumOptions options = work.options;
    options.run.replaceForeignPages = false;
    AlbumWork finishing{work.fs, options, work.outcome, nullptr};
    if (auto done = FinishSite(album, finishing); !done) return std::move(*done.failure());
    work.outcome.picturesAdded = static_cast<std::uint64_t>(work.outcome.site.pictureCount);
    work.outcome.albumsMade = 1;
  }
  if (place == nullptr) return true;
  auto summary = SummaryOfMade(album, picturesFolder, *place, work);
  if (auto* failure = summary.failure()) return std::move(*failure);
  own = summary.value();
  if (!takenAsMade) work.outcome.picturesAdded = own.pictures;
  return true;
}

}  // namespace quillmere
