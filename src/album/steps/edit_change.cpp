// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/edit_change.h"

#include <algorithm>
#include <new>

#include "album/steps/removed_albums.h"
#include "album/steps/renumber_files.h"
#include "album/text/edited_text.h"
#include "album/text/pair_bytes.h"
#include "site/entry_companions.h"

namespace quillmere {
namespace {

// Adds the files beside the pictures of `open` that go with their entries to the images its
// change renumbers: the videos where the index file says it has videos, and the album files.
Result<void, AlbumFailure> FindCompanions(OpenAlbum& open) {
  const ImageFolder& pictures = open.folders.pictures;
  for (std::string_view extension : kEntryCompanionExtensions) {
    if (IsVideoFileExtension(extension) && !open.index.head.videos) continue;
    ImageFolder companion;
    if (pictures.folder) {
      Result<std::unique_ptr<Folder>> again = pictures.folder->OpenFolder(".");
      if (!again) return AlbumFailure::FolderNotOpened{pictures.path, again.error()};
      companion.folder = std::move(again.value());
    }
    companion.path = pictures.path;
    companion.relative = pictures.relative;
    companion.namePrefix = pictures.namePrefix;
    companion.extension = extension;
    open.companions.push_back(std::move(companion));
  }
  return {};
}

// Finds the folders of the images of `open`; refuses those named by a URL or outside its folder.
Result<void, AlbumFailure> FindFolders(OpenAlbum& open, const std::string& indexPath) {
  const IndexHead& head = open.index.head;
  auto folders = FindImageFolders(open.album, head.ImagePrefix, head.ThumbPrefix, indexPath);
  if (auto* failure = folders.failure()) return std::move(*failure);
  open.folders = std::move(folders.value());
  return FindCompanions(open);
}

// The images whose files the change renumbers: the thumbnails only where they are other files
// than the pictures, and the files beside the pictures that go with their entries.
std::vector<ImageFolder*> ImagesOf(OpenAlbum& open) {
  ImageFolders& folders = open.folders;
  std::vector<ImageFolder*> images = {&folders.pictures};
  if (folders.thumbnails.relative + folders.thumbnails.namePrefix !=
      folders.pictures.relative + folders.pictures.namePrefix) {
    images.push_back(&folders.thumbnails);
  }
  for (ImageFolder& companion : open.companions) images.push_back(&companion);
  return images;
}

// The numbers of the pictures that `numbers` (the new number of each, 0 for one left out) leaves
// out.
std::vector<std::int64_t> RemovedBy(const std::vector<std::int64_t>& numbers) {
  std::vector<std::int64_t> removed;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (numbers[i] == 0) removed.push_back(static_cast<std::int64_t>(i + 1));
  }
  return removed;
}

// Refuses `text` unless its pictures' lines are `expected`: a CR alone that would meet an LF when
// pairs are put side by side joins two lines.
Result<void, AlbumFailure> CheckLines(std::string_view text,
                                      const std::vector<PicturePair>& expected,
                                      const std::string& indexPath) {
  Result<IndexHead, IndexError> head = ParseIndexHead(text);
  const auto lines = head ? PictureLinePairs(text, head.value())
                          : std::vector<std::pair<std::string_view, std::string_view>>();
  const bool same =
      std::equal(lines.begin(), lines.end(), expected.begin(), expected.end(),
                 [](const auto& line, const PicturePair& pair) {
                   return line.first == pair.caption && line.second == pair.description;
                 });
  if (same) return {};
  return AlbumFailure::LinesWouldJoin{indexPath};
}

// Tells whether any of the new lines of `edit` holds a line end.
bool HasLineEnds(const TextEdit& edit) {
  const auto ends = [](std::string_view line) {
    return line.find_first_of("\r\n") != std::string_view::npos;
  };
  if (edit.title && ends(*edit.title)) return true;
  return std::any_of(edit.pairs.begin(), edit.pairs.end(), [&](const auto& entry) {
    return ends(entry.second.caption) || ends(entry.second.description);
  });
}

// Refuses an edit that names a picture the album does not have, or one twice, or would give a
// picture a caption that drops its pair.
Result<void, AlbumFailure> CheckEdit(const OpenAlbum& open, const TextEdit& edit,
                                     const std::string& indexPath) {
  std::vector<bool> named(static_cast<std::size_t>(open.count()), false);
  for (std::int64_t n : edit.order) {
    if (auto done = CheckNumber(open, n, indexPath); !done) return done;
    if (named[static_cast<std::size_t>(n - 1)]) return CheckNumber(open, 0, indexPath);
    named[static_cast<std::size_t>(n - 1)] = true;
  }
  // The title stands for picture 0: one that would be a comment would make the head move up.
  if (edit.title && CaptionDropsPair(*edit.title)) {
    return AlbumFailure::CaptionDropsPair{indexPath, 0};
  }
  for (const auto& [n, pair] : edit.pairs) {
    if (auto done = CheckNumber(open, n, indexPath); !done) return done;
    if (CaptionDropsPair(pair.caption)) {
      return AlbumFailure::CaptionDropsPair{indexPath, n};
    }
  }
  return {};
}

// Runs `change` on `open` and then writes its site; the failure of either.
Result<void, AlbumFailure> ChangeAndFinish(OpenAlbum& open, AlbumWork& work,
                                           const AlbumChangeStep& change) {
  if (auto done = change(open, work); !done) return done;
  return FinishSite(open.album, work);
}

}  // namespace

// Opens, locks and reads the album of `indexPath`.
Result<OpenAlbum, AlbumFailure> OpenForEdit(const std::string& indexPath, FileSystem& fs,
                                            const AlbumOptions& options) {
  auto held = HoldAlbum(indexPath, fs, options);
  if (auto* failure = held.failure()) return std::move(*failure);
  PictureLineNumbers numbers = PictureLinesOf(held.value().index);
  return OpenAlbum{std::move(held.value().album), std::move(held.value().index),
                   std::move(numbers)};
}

// Refuses a number that names no picture of the album.
Result<void, AlbumFailure> CheckNumber(const OpenAlbum& open, std::int64_t number,
                                       const std::string& indexPath) {
  if (number >= 1 && number <= open.count()) return {};
  return AlbumFailure::NoSuchPicture{indexPath, number, static_cast<std::uint64_t>(open.count())};
}

// Makes `edit` to the album `open` as one change.
Result<void, AlbumFailure> MakeEdit(OpenAlbum& open, const AlbumEdit& edit, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const std::string_view old = open.index.text.bytes();
  const IndexState before = StateOf(old);
  if (edit.madeOn && *edit.madeOn != before) {
    return AlbumFailure::IndexChanged{indexPath};
  }
  if (auto done = CheckEdit(open, edit.text, indexPath); !done) return done;
  OrderPlan plan;
  RemovedAlbums removedAlbums;
  const bool reorders = !KeepsOrder(open.count(), edit.text.order);
  if (reorders) {
    if (auto done = FindFolders(open, indexPath); !done) return done;
    const std::vector<std::int64_t> numbers = NumbersInOrder(open.count(), edit.text.order);
    if (auto done = PlanRenumbering(ImagesOf(open), numbers, open.album.trash, work.options, plan);
        !done) {
      return done;
    }
    const auto left = static_cast<std::int64_t>(edit.text.order.size());
    if (left < open.count()) {
      if (auto done = PlanOldPages(open.album, open.index.name, left, plan); !done) return done;
    }
    // The albums of a tree that removed entries open go with them, held until the change ends.
    auto held = HoldRemovedAlbums(open, RemovedBy(numbers), work);
    if (auto* failure = held.failure()) return std::move(*failure);
    removedAlbums = std::move(held.value());
    plan.stepsAfterIndex.insert(plan.stepsAfterIndex.end(), removedAlbums.steps.begin(),
                                removedAlbums.steps.end());
  }
  const std::string text = EditedText(old, open.index.head, edit.text);
  if (text == old) return {};
  // Lines replaced in place by lines without line ends keep every line where it was.
  if (reorders || HasLineEnds(edit.text)) {
    const std::vector<PicturePair> expected = EditedPairs(old, open.index.head, edit.text);
    if (auto done = CheckLines(text, expected, indexPath); !done) return done;
  }
  return ChangeWithRenames(open.album, open.index, plan, text, edit.kind, before, work);
}

// Runs `change` on the album of `indexPath` and then writes the site; the outcome fails with what
// either says.
AlbumOutcome ChangeAlbum(const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
                         const AlbumChangeStep& change) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  AlbumWork work{fs, options, outcome};
  WithinMemory(outcome, [&] {
    auto opened = OpenForEdit(indexPath, fs, options);
    if (auto* failure = opened.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    outcome.failure = FailureOf(ChangeAndFinish(opened.value(), work, change));
  });
  return outcome;
}

}  // namespace quillmere
