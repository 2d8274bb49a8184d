// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-pictures: pictures added to an album after its last one.
#include "album/commands/add_pictures.h"

#include <algorithm>
#include <new>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/add_tree.h"
#include "album/commands/parent_entry.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"
#include "album/steps/held_album.h"
#include "album/steps/image_folders.h"
#include "album/steps/numbering.h"
#include "album/steps/probe_pictures.h"

namespace quillmere {
namespace {

// What AddPictures has found out before it writes anything.
struct AddPlan {
  std::vector<FoundPicture> pictures;
  ImageFolders folders;
  std::int64_t first = 0;

  std::int64_t last() const { return first + static_cast<std::int64_t>(pictures.size()) - 1; }
};

// Refuses names in the way of the pictures to add, naming them and what explains them.
Result<void, AlbumFailure> CheckNamesFree(const std::string& indexPath, AddPlan& plan,
                                          const PictureLineNumbers& numbers) {
  Result<std::vector<std::string>> taken = TakenImageNames(plan.folders, plan.first, plan.last());
  if (!taken) return AlbumFailure::NotWritten{plan.folders.pictures.path, taken.error()};
  if (taken.value().empty()) return {};
  const std::uint64_t dropped = numbers.firstDroppedLine;
  // The number the dropped pair's picture gets once its caption is back.
  const auto before = std::count_if(numbers.lines.begin(), numbers.lines.end(),
                                    [&](std::uint64_t line) { return line < dropped; });
  return AlbumFailure::NamesTaken{indexPath, std::move(taken.value()), dropped,
                                  static_cast<std::int64_t>(before + 1)};
}

// Finds out everything that can be known before the first write: the pictures, where they go,
// and that no file is in their way.
Result<AddPlan, AlbumFailure> PlanAdding(const std::vector<std::string>& sources,
                                         SubFolders subFolders, HeldAlbum& held,
                                         const PictureLineNumbers& numbers, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const IndexHead& head = held.index.head;
  auto probed = ProbePictures(GivenPictures(sources, work.fs, work.problems(), subFolders),
                              "the files given", work);
  if (auto* failure = probed.failure()) return std::move(*failure);
  auto folders = FindImageFolders(held.album, head.ImagePrefix, head.ThumbPrefix, indexPath);
  if (auto* failure = folders.failure()) return std::move(*failure);
  AddPlan plan{std::move(probed.value()), std::move(folders.value()),
               static_cast<std::int64_t>(numbers.lines.size()) + 1};
  plan.folders.videos =
      std::any_of(plan.pictures.begin(), plan.pictures.end(),
                  [](const FoundPicture& picture) { return picture.video.has_value(); });
  if (auto done = CheckNamesFree(indexPath, plan, numbers); !done)
    return std::move(*done.failure());
  return plan;
}

// Adds the pictures `sources` to the album `held`, whose lock is held, and writes its site.
Result<void, AlbumFailure> AddTo(HeldAlbum& held, const std::vector<std::string>& sources,
                                 SubFolders subFolders, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  AlbumFolder& album = held.album;
  const ChosenIndex& index = held.index;
  if (index.head.fifthValueLine == 0) return AlbumFailure::HeadIncomplete{indexPath};
  const PictureLineNumbers numbers = PictureLinesOf(index);
  auto planned = PlanAdding(sources, subFolders, held, numbers, work);
  if (auto* failure = planned.failure()) return std::move(*failure);
  AddPlan& plan = planned.value();

  AlbumChange change(*album.folder, album.path, ChangeKind::kAddPictures, index.name,
                     StateOf(index.text.bytes()));
  PlanImages(plan.folders, plan.first, plan.last(), change);
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  // The album's own files are left out even where duplicates are allowed.
  KnownPictures known(plan.folders.pictures, numbers.lines);
  std::optional<MadePicturesCache> remembered;
  UseMadePictures(work, remembered);
  auto made = MakeAndNumber({plan.pictures, plan.first, "the files given",
                             work.options.allowDuplicates ? nullptr : &known, &known},
                            plan.folders, change, work);
  if (auto* failure = made.failure()) return std::move(*failure);
  const std::vector<PicturePair>& pairs = made.value().pairs;
  if (pairs.empty()) {
    // Only pictures the album holds already leave it as it was, and its site is written.
    change.Undo();
    SaveMadePictures(remembered, work.fs);
    return FinishSite(album, work);
  }
  std::string text(index.text.bytes());
  text += PairsToAppend(index.text.bytes(), numbers.lastPairOpen, pairs);
  // An album's first video makes its head say that it has videos.
  if (made.value().videos > 0 && !index.head.videos) {
    text = WithHeadLine(text, index.head.fifthValueLine, kVideosLine);
  }
  if (std::error_code error = change.Commit(text, KeepingModeAndOwner(index.text.source)).error()) {
    return AlbumFailure::NotWritten{indexPath, error};
  }
  work.outcome.picturesAdded = pairs.size();
  work.outcome.videosAdded = made.value().videos;
  work.outcome.thumbnailsWritten = pairs.size();
  SaveMadePictures(remembered, work.fs);
  return FinishSite(album, work);
}

}  // namespace

AlbumOutcome AddOwnPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                            FileSystem& fs, const AlbumOptions& options, SubFolders subFolders) {
  AlbumOutcome outcome = WorkOnHeldAlbum(
      indexPath, fs, options,
      [&](HeldAlbum& held, AlbumWork& work) { return AddTo(held, sources, subFolders, work); });
  // The album's lock is let go before its parent's is taken.
  if (outcome.ok()) UpdateParentEntries(indexPath, fs, options, outcome);
  return outcome;
}

AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options) {
  if (std::optional<AlbumOutcome> tree = AddPictureTree(indexPath, sources, fs, options)) {
    return std::move(*tree);
  }
  return AddOwnPictures(indexPath, sources, fs, options, SubFolders::kReport);
}

}  // namespace quillmere
