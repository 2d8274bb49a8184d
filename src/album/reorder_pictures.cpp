// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --remove-pictures and --move-picture: pictures left out of an album or moved in it, their pairs
// of lines and their files renumbered together in one change of the journal.
#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <set>

#include "album/album.h"
#include "album/album_index.h"
#include "album/album_steps.h"
#include "album/picture_order.h"
#include "site/page_output.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// One rename of the plan, in the folder of `image`.
struct PlannedRename {
  ImageFolder* image;
  std::string from;
  std::string to;
};

// What a change of the pictures' order found out before it changes anything: the renames in
// their order, and the journal's steps.
struct OrderPlan {
  std::vector<PlannedRename> renames;
  std::vector<JournalStep> steps;
  std::vector<JournalStep> stepsAfterIndex;
};

// The album as a change of its order needs it: its folder, index file, pictures' lines and the
// folders of its images.
struct OpenAlbum {
  AlbumFolder album;
  ChosenIndex index;
  PictureLineNumbers numbers;
  ImageFolders folders;

  std::int64_t count() const { return static_cast<std::int64_t>(numbers.lines.size()); }
};

// Opens, locks and reads the album of `indexPath`, and finds the folders of its images.
Result<OpenAlbum, AlbumFailure> Open(const std::string& indexPath, FileSystem& fs,
                                     const AlbumOptions& options) {
  auto held = HoldAlbum(indexPath, fs, options);
  if (auto* failure = held.failure()) return std::move(*failure);
  AlbumFolder& album = held.value().album;
  ChosenIndex& index = held.value().index;
  auto folders = FindImageFolders(album, index.head.ImagePrefix, index.head.ThumbPrefix, indexPath);
  if (auto* failure = folders.failure()) return std::move(*failure);
  PictureLineNumbers numbers = PictureLinesOf(index);
  return OpenAlbum{std::move(album), std::move(index), std::move(numbers),
                   std::move(folders.value())};
}

// Refuses a number that names no picture of the album.
std::optional<AlbumFailure> CheckNumber(const OpenAlbum& open, std::int64_t number,
                                        const std::string& indexPath) {
  if (number >= 1 && number <= open.count()) return std::nullopt;
  AlbumFailure failure = AlbumFailed(Kind::kNoSuchPicture, indexPath, std::to_string(number));
  failure.line = static_cast<std::uint64_t>(open.count());
  return failure;
}

// The images whose files the change renumbers: the thumbnails only where they are other files
// than the pictures.
std::vector<ImageFolder*> ImagesOf(ImageFolders& folders) {
  if (folders.thumbnails.relative + folders.thumbnails.namePrefix ==
      folders.pictures.relative + folders.pictures.namePrefix) {
    return {&folders.pictures};
  }
  return {&folders.pictures, &folders.thumbnails};
}

// What `image`'s files of pictures 1 to `newNumbers.size()` are, among those the change renames
// (the others are left as missing); refuses one that is there but is not a regular file.
Result<std::vector<EntryInfo>, AlbumFailure> FilesToRename(
    ImageFolder& image, const std::vector<std::int64_t>& newNumbers) {
  std::vector<EntryInfo> files(newNumbers.size());
  // A folder not made yet holds no file.
  if (!image.folder) return files;
  for (std::size_t i = 0; i < newNumbers.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i + 1);
    if (newNumbers[i] == n) continue;
    const std::string name = image.FileName(n);
    Result<EntryInfo> entry = image.folder->Inspect(name);
    if (!entry) return AlbumFailed(Kind::kNotWritten, image.path + name, {}, entry.error());
    const EntryInfo::Kind kind = entry.value().kind;
    if (kind != EntryInfo::Kind::kRegular && kind != EntryInfo::Kind::kMissing) {
      return AlbumFailed(Kind::kNotAFile, image.path + name);
    }
    files[i] = entry.value();
  }
  return files;
}

// A free name in `image`'s folder that holds the file of picture `n` aside while the files are
// renumbered: "p3 (removed).jpg" for a removed picture, "p3 (moving).jpg" for one on its way.
Result<std::string> HoldingName(ImageFolder& image, std::int64_t n, bool removed) {
  const std::string base = image.namePrefix + std::string(PageNumber(n).text()) + " (" +
                           (removed ? "removed" : "moving");
  for (int count = 1;; ++count) {
    std::string name = base;
    if (count > 1) name.append(" ").append(std::to_string(count));
    name.append(")").append(kPictureFileExtension);
    Result<EntryInfo> entry = image.folder->Inspect(name);
    if (!entry) return entry.error();
    if (entry.value().kind == EntryInfo::Kind::kMissing) return name;
  }
}

// Adds to `plan` the renames that give `image`'s files the numbers `newNumbers` says, with the
// files of removed pictures held aside until the index file is new and then sent to the trash
// (or deleted), which `trash` must take.
std::optional<AlbumFailure> PlanRenames(ImageFolder& image,
                                        const std::vector<std::int64_t>& newNumbers, Trash* trash,
                                        const AlbumOptions& options, OrderPlan& plan) {
  auto found = FilesToRename(image, newNumbers);
  if (auto* failure = found.failure()) return std::move(*failure);
  const std::vector<EntryInfo>& files = found.value();
  std::vector<bool> present(files.size());
  std::transform(files.begin(), files.end(), present.begin(),
                 [](const EntryInfo& file) { return file.kind == EntryInfo::Kind::kRegular; });
  std::map<std::int64_t, std::string> held;
  auto nameOf = [&](const ImageSlot& slot) -> Result<std::string> {
    if (!slot.heldAside) return image.FileName(slot.number);
    if (auto it = held.find(slot.number); it != held.end()) return it->second;
    const bool removed = newNumbers[static_cast<std::size_t>(slot.number - 1)] == 0;
    Result<std::string> name = HoldingName(image, slot.number, removed);
    if (name) held.emplace(slot.number, name.value());
    return name;
  };
  for (const SlotRename& rename : RenameOrder(newNumbers, present)) {
    Result<std::string> from = nameOf(rename.from);
    Result<std::string> to = nameOf(rename.to);
    if (!from || !to) {
      return AlbumFailed(Kind::kNotWritten, image.path, {}, from ? to.error() : from.error());
    }
    if (rename.to.heldAside && newNumbers[static_cast<std::size_t>(rename.to.number - 1)] == 0) {
      const std::string original = image.relative + from.value();
      if (std::error_code error = trash->CheckTakes(original)) {
        return AlbumFailed(Kind::kNoTrash, image.path + from.value(), {}, error);
      }
      const auto kind =
          options.deleteRemoved ? JournalStep::Kind::kDiscard : JournalStep::Kind::kTrash;
      plan.stepsAfterIndex.push_back({kind, image.relative + to.value(), {}});
    }
    const EntryInfo& file = files[static_cast<std::size_t>(rename.from.number - 1)];
    plan.steps.push_back({JournalStep::Kind::kRename, image.relative + from.value(),
                          image.relative + to.value(), file.device, file.inode});
    plan.renames.push_back({&image, std::move(from.value()), std::move(to.value())});
  }
  return std::nullopt;
}

// Adds to `plan` the removal of the picture pages numbered after `count` that this program wrote.
std::optional<AlbumFailure> PlanOldPages(OpenAlbum& open, std::int64_t count, FileSystem& fs,
                                         OrderPlan& plan) {
  Result<std::vector<std::string>> names = fs.ListFolder(open.album.path);
  if (!names) return AlbumFailed(Kind::kNotWritten, open.album.path, {}, names.error());
  std::sort(names.value().begin(), names.value().end());
  for (const std::string& name : names.value()) {
    if (PicturePageNumber(name) <= count || name == open.index.name) continue;
    Result<EntryInfo> entry = open.album.folder->Inspect(name);
    if (!entry || entry.value().kind != EntryInfo::Kind::kRegular) continue;
    Result<std::unique_ptr<ReadableFile>> page = open.album.folder->OpenForReading(name);
    if (!page) continue;
    Result<bool> written = LooksLikeWrittenPage(*page.value(), entry.value().size);
    if (written && written.value()) {
      plan.stepsAfterIndex.push_back({JournalStep::Kind::kDiscardPage, name, {}});
    }
  }
  return std::nullopt;
}

// Refuses `text` unless its pictures' lines are `expected`: a CR alone that would meet an LF when
// pairs are put side by side joins two lines.
std::optional<AlbumFailure> CheckLines(
    std::string_view text, const IndexHead& head,
    const std::vector<std::pair<std::string_view, std::string_view>>& expected,
    const std::string& indexPath) {
  if (PictureLinePairs(text, head) == expected) return std::nullopt;
  return AlbumFailed(Kind::kLinesWouldJoin, indexPath);
}

// Renames the files as `plan` says and writes `text` as the index file, as one change by
// `command`; the failure when it could not.
std::optional<AlbumFailure> Change(OpenAlbum& open, OrderPlan& plan, const std::string& text,
                                   const std::string& command, const std::string& indexPath) {
  AlbumChange change(*open.album.folder, command, open.index.name, StateOf(open.index.text.bytes()),
                     open.album.trash);
  std::vector<JournalStep> steps = std::move(plan.steps);
  steps.insert(steps.end(), plan.stepsAfterIndex.begin(), plan.stepsAfterIndex.end());
  if (std::error_code error = change.Begin(std::move(steps))) {
    return AlbumFailed(Kind::kNotWritten, open.album.path + std::string(kJournalName), {}, error);
  }
  for (const PlannedRename& rename : plan.renames) {
    if (std::error_code error =
            change.Rename(*rename.image->folder, rename.image->relative, rename.from, rename.to)) {
      change.Undo();
      return AlbumFailed(Kind::kNotRenamed, rename.image->path + rename.from, rename.to, error);
    }
  }
  if (std::error_code error = change.Commit(text, IndexPlacement(open.index))) {
    if (!change.committed()) {
      change.Undo();
      return AlbumFailed(Kind::kNotWritten, indexPath, {}, error);
    }
    return AlbumFailed(Kind::kNotFinished, open.album.path + change.failedStep(), indexPath, error);
  }
  return std::nullopt;
}

// Plans the renames of every image of `open` to the numbers `newNumbers` says.
std::optional<AlbumFailure> PlanImages(OpenAlbum& open, const std::vector<std::int64_t>& newNumbers,
                                       const AlbumOptions& options, OrderPlan& plan) {
  for (ImageFolder* image : ImagesOf(open.folders)) {
    if (auto failure = PlanRenames(*image, newNumbers, open.album.trash, options, plan)) {
      return failure;
    }
  }
  return std::nullopt;
}

// Removes the pictures `numbers` (ascending, none twice) from the album `open`.
std::optional<AlbumFailure> RemoveFrom(OpenAlbum& open, const std::vector<std::int64_t>& numbers,
                                       FileSystem& fs, const AlbumOptions& options,
                                       const std::string& indexPath) {
  for (std::int64_t n : numbers) {
    if (auto failure = CheckNumber(open, n, indexPath)) return failure;
  }
  OrderPlan plan;
  if (auto failure = PlanImages(open, NumbersWithout(open.count(), numbers), options, plan)) {
    return failure;
  }
  const auto left = open.count() - static_cast<std::int64_t>(numbers.size());
  if (auto failure = PlanOldPages(open, left, fs, plan)) return failure;
  const std::string_view old = open.index.text.bytes();
  const std::string text = TextWithout(old, PicturePairBytes(old, open.index.head), numbers);
  auto lines = PictureLinePairs(old, open.index.head);
  for (std::size_t i = numbers.size(); i-- > 0;) lines.erase(lines.begin() + (numbers[i] - 1));
  if (auto failure = CheckLines(text, open.index.head, lines, indexPath)) return failure;
  return Change(open, plan, text, "quillmere-cli --remove-pictures", indexPath);
}

// Moves picture `from` of the album `open` to the place `to`.
std::optional<AlbumFailure> MoveIn(OpenAlbum& open, std::int64_t from, std::int64_t to,
                                   const AlbumOptions& options, const std::string& indexPath) {
  for (std::int64_t n : {from, to}) {
    if (auto failure = CheckNumber(open, n, indexPath)) return failure;
  }
  if (from == to) return std::nullopt;
  OrderPlan plan;
  if (auto failure = PlanImages(open, NumbersWithMoved(open.count(), from, to), options, plan)) {
    return failure;
  }
  const std::string_view old = open.index.text.bytes();
  const std::string text = TextWithMoved(old, PicturePairBytes(old, open.index.head), from, to);
  auto lines = PictureLinePairs(old, open.index.head);
  const auto moved = lines[static_cast<std::size_t>(from - 1)];
  lines.erase(lines.begin() + (from - 1));
  lines.insert(lines.begin() + (to - 1), moved);
  if (auto failure = CheckLines(text, open.index.head, lines, indexPath)) return failure;
  return Change(open, plan, text, "quillmere-cli --move-picture", indexPath);
}

// Runs `work` on the album of `indexPath` and then writes the site; the outcome fails with what
// either says.
AlbumOutcome Reorder(const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
                     const std::function<std::optional<AlbumFailure>(OpenAlbum&)>& work) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  WithinMemory(outcome, [&] {
    auto opened = Open(indexPath, fs, options);
    if (auto* failure = opened.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    OpenAlbum& open = opened.value();
    if (std::optional<AlbumFailure> failure = work(open)) {
      outcome.failure = std::move(*failure);
      return;
    }
    outcome.failure = FinishSite(indexPath, open.album, fs, options, outcome);
  });
  return outcome;
}

}  // namespace

AlbumOutcome RemovePictures(const std::string& indexPath, std::vector<std::int64_t> numbers,
                            FileSystem& fs, const AlbumOptions& options) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  AlbumOutcome outcome = Reorder(indexPath, fs, options, [&](OpenAlbum& open) {
    return numbers.empty() ? std::nullopt : RemoveFrom(open, numbers, fs, options, indexPath);
  });
  if (outcome.ok()) outcome.picturesRemoved = numbers.size();
  return outcome;
}

AlbumOutcome MovePicture(const std::string& indexPath, std::int64_t from, std::int64_t to,
                         FileSystem& fs, const AlbumOptions& options) {
  return Reorder(indexPath, fs, options,
                 [&](OpenAlbum& open) { return MoveIn(open, from, to, options, indexPath); });
}

}  // namespace quillmere
