// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-pictures: pictures added to an album after its last one.
#include <algorithm>
#include <new>

#include "album/album.h"
#include "album/album_index.h"
#include "album/album_steps.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// What AddPictures has found out before it writes anything.
struct AddPlan {
  std::vector<FoundPicture> pictures;
  ImageFolders folders;
  std::int64_t first = 0;
  std::vector<JournalStep> steps;
};

// Refuses names in the way of the pictures to add, naming them and what explains them.
std::optional<AlbumFailure> CheckNamesFree(const std::string& indexPath, AddPlan& plan,
                                           const PictureLineNumbers& numbers) {
  const auto last = plan.first + static_cast<std::int64_t>(plan.pictures.size()) - 1;
  Result<std::vector<std::string>> taken = TakenImageNames(plan.folders, plan.first, last);
  if (!taken) return AlbumFailed(Kind::kNotWritten, plan.folders.pictures.path, {}, taken.error());
  if (taken.value().empty()) return std::nullopt;
  AlbumFailure failure = AlbumFailed(Kind::kNamesTaken, indexPath);
  failure.names = std::move(taken.value());
  failure.line = numbers.firstDroppedLine;
  // The number the dropped pair's picture gets once its caption is back.
  const auto before = std::count_if(numbers.lines.begin(), numbers.lines.end(),
                                    [&](std::uint64_t line) { return line < failure.line; });
  failure.detail = std::to_string(before + 1);
  return failure;
}

// Finds out everything that can be known before the first write: the pictures, where they go,
// and that no file is in their way.
Result<AddPlan, AlbumFailure> PlanAdding(const std::string& indexPath,
                                         const std::vector<std::string>& sources,
                                         AlbumFolder& album, const ChosenIndex& index,
                                         const PictureLineNumbers& numbers, FileSystem& fs,
                                         const AlbumOptions& options, AlbumOutcome& outcome) {
  auto probed = ProbePictures(GivenPictures(sources, fs, outcome.problems), "the files given", fs,
                              options, outcome.problems);
  if (auto* failure = probed.failure()) return std::move(*failure);
  auto folders = FindImageFolders(album, index.head.ImagePrefix, index.head.ThumbPrefix, indexPath);
  if (auto* failure = folders.failure()) return std::move(*failure);
  AddPlan plan{std::move(probed.value()),
               std::move(folders.value()),
               static_cast<std::int64_t>(numbers.lines.size()) + 1,
               {}};
  if (auto failure = CheckNamesFree(indexPath, plan, numbers)) return std::move(*failure);
  PlanImages(plan.folders, plan.first,
             plan.first + static_cast<std::int64_t>(plan.pictures.size()) - 1, plan.steps);
  return plan;
}

}  // namespace

AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  WithinMemory(outcome, [&] {
    auto held = HoldAlbum(indexPath, fs, options);
    if (auto* failure = held.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    AlbumFolder& album = held.value().album;
    const ChosenIndex& index = held.value().index;
    if (index.head.fifthValueLine == 0) {
      outcome.failure = AlbumFailed(Kind::kHeadIncomplete, indexPath);
      return;
    }
    const PictureLineNumbers numbers = PictureLinesOf(index);
    auto planned = PlanAdding(indexPath, sources, album, index, numbers, fs, options, outcome);
    if (auto* failure = planned.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    AddPlan& plan = planned.value();

    AlbumChange change(*album.folder, ChangeKind::kAddPictures, index.name,
                       StateOf(index.text.bytes()));
    if (std::error_code error = change.Begin(std::move(plan.steps))) {
      outcome.failure =
          AlbumFailed(Kind::kNotWritten, album.path + std::string(kJournalName), {}, error);
      return;
    }
    std::optional<KnownPictures> known;
    if (!options.allowDuplicates) known.emplace(plan.folders.pictures, numbers.lines);
    NumberedPictures made =
        MakeAndNumber(plan.pictures, plan.first, plan.folders, change, fs, options,
                      outcome.problems, "the files given", known ? &*known : nullptr);
    if (made.failure || made.pairs.empty()) {
      // Only pictures the album holds already leave it as it was, and its site is written.
      change.Undo();
      outcome.failure = made.failure ? std::move(made.failure)
                                     : FinishSite(indexPath, album, fs, options, outcome);
      return;
    }
    std::string text(index.text.bytes());
    text += PairsToAppend(index.text.bytes(), numbers.lastPairOpen, made.pairs);
    if (std::error_code error = change.Commit(text, IndexPlacement(index))) {
      outcome.failure = AlbumFailed(Kind::kNotWritten, indexPath, {}, error);
      return;
    }
    outcome.picturesAdded = made.pairs.size();
    outcome.thumbnailsWritten = made.pairs.size();
    outcome.failure = FinishSite(indexPath, album, fs, options, outcome);
  });
  return outcome;
}

}  // namespace quillmere
