// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/renumber_files.h"

#include <algorithm>
#include <map>
#include <set>

#include "album/change/album_change.h"
#include "album/change/rename_order.h"
#include "album/steps/picture_work.h"
#include "site/page_output.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

// What a change stopped before its index file was replaced leaves.
constexpr const char* kNothingChanged = "the album was left as it was.";

// Puts the files that `change` renamed back, as a stop asked for; the failure that tells so.
AlbumFailure UndoneOnStop(AlbumChange& change, const AlbumOptions& options) {
  change.Undo();
  return Stopped(options, kNothingChanged);
}

// The numbers and marks of `image`'s files of pictures 1 to `newNumbers.size()`, among those the
// change renames (the others are left as missing); refuses one that is there but is not a regular
// file. Each file is read through the descriptor that opened it.
Result<std::vector<MarkedFile>, AlbumFailure> FilesToRename(
    ImageFolder& image, const std::vector<std::int64_t>& newNumbers) {
  std::vector<MarkedFile> files(newNumbers.size());
  // A folder not made yet holds no file.
  if (!image.folder) return files;
  for (std::size_t i = 0; i < newNumbers.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i + 1);
    if (newNumbers[i] == n) continue;
    const std::string name = image.FileName(n);
    Result<std::unique_ptr<ReadableFile>> file = image.folder->OpenForReading(name);
    Result<MarkedFile> marked = file ? MarkFile(*file.value()) : file.error();
    if (!marked) {
      const std::error_code error = marked.error();
      if (error == std::errc::no_such_file_or_directory) continue;
      if (error == FileError::kNotRegularFile || error == std::errc::is_a_directory ||
          error == std::errc::too_many_symbolic_link_levels) {
        return AlbumFailure::NotAFile{image.path + name};
      }
      return AlbumFailure::NotWritten{image.path + name, error};
    }
    files[i] = marked.value();
  }
  return files;
}

// A name in `image`'s folder, none of `taken`, that holds the file of picture `n` aside while the
// files are renumbered: "p3 (removed).jpg" for a removed picture, "p3 (moving).jpg" for one on
// its way. It joins `taken`.
std::string HoldingName(const ImageFolder& image, std::int64_t n, bool removed,
                        std::set<std::string>& taken) {
  const std::string base = image.namePrefix + std::string(PageNumber(n).text()) + " (" +
                           (removed ? "removed" : "moving");
  for (int count = 1;; ++count) {
    std::string name = base;
    if (count > 1) name.append(" ").append(std::to_string(count));
    name.append(")").append(image.extension);
    if (taken.insert(name).second) return name;
  }
}

// Plans the renames of one image's files: the files of removed pictures held aside until the
// index file is new and then sent to the trash (or deleted), which the trash must take.
class ImagePlanner {
 public:
  ImagePlanner(ImageFolder& image, const std::vector<std::int64_t>& newNumbers, Trash* trash,
               const AlbumOptions& options)
      : image_(image), newNumbers_(newNumbers), trash_(trash), options_(options) {}

  // Adds to `plan` the renames that give the image's files the numbers `newNumbers` says.
  Result<void, AlbumFailure> Plan(OrderPlan& plan) {
    auto found = FilesToRename(image_, newNumbers_);
    if (auto* failure = found.failure()) return std::move(*failure);
    files_ = std::move(found.value());
    if (image_.folder) {
      // The names in use, listed once: a name taken after is refused by its rename.
      Result<std::vector<std::string>> names = image_.folder->List();
      if (!names) return AlbumFailure::NotWritten{image_.path, names.error()};
      taken_.insert(names.value().begin(), names.value().end());
    }
    std::vector<bool> present(files_.size());
    std::transform(files_.begin(), files_.end(), present.begin(), [](const MarkedFile& file) {
      return file.entry.kind == EntryInfo::Kind::kRegular;
    });
    const RenamePhases phases = RenameOrder(newNumbers_, present);
    for (const SlotRename& rename : phases.aside) {
      if (auto done = PlanRename(rename, plan.aside, plan); !done) return done;
    }
    for (const SlotRename& rename : phases.home) {
      if (auto done = PlanRename(rename, plan.home, plan); !done) return done;
    }
    return {};
  }

 private:
  bool IsRemoved(std::int64_t number) const {
    return newNumbers_[static_cast<std::size_t>(number - 1)] == 0;
  }

  // The name of `slot`'s file; a held-aside name is chosen once, free in the folder.
  std::string NameOf(const ImageSlot& slot) {
    if (!slot.heldAside) return image_.FileName(slot.number);
    if (auto it = held_.find(slot.number); it != held_.end()) return it->second;
    std::string name = HoldingName(image_, slot.number, IsRemoved(slot.number), taken_);
    held_.emplace(slot.number, name);
    return name;
  }

  Result<void, AlbumFailure> PlanRename(const SlotRename& rename,
                                        std::vector<PlannedRename>& renames, OrderPlan& plan) {
    std::string from = NameOf(rename.from);
    std::string to = NameOf(rename.to);
    if (rename.to.heldAside && IsRemoved(rename.to.number)) {
      if (std::error_code error = trash_->CheckTakes(image_.relative + from).error()) {
        return AlbumFailure::NoTrash{image_.path + from, error};
      }
      const auto kind =
          options_.deleteRemoved ? JournalStep::Kind::kDiscard : JournalStep::Kind::kTrash;
      plan.stepsAfterIndex.push_back({kind, image_.relative + to, {}});
    }
    const MarkedFile& file = files_[static_cast<std::size_t>(rename.from.number - 1)];
    JournalStep step{JournalStep::Kind::kRename, image_.relative + from, image_.relative + to,
                     file.entry.device,          file.entry.inode,       file.mark};
    renames.push_back({&image_, std::move(from), std::move(to), std::move(step)});
    return {};
  }

  ImageFolder& image_;
  const std::vector<std::int64_t>& newNumbers_;
  Trash* trash_;
  const AlbumOptions& options_;
  std::vector<MarkedFile> files_;
  std::map<std::int64_t, std::string> held_;
  std::set<std::string> taken_;
};

}  // namespace

// Plans the renames of the files of every one of `images` to the numbers `newNumbers` says, the
// files of removed pictures going to `trash` (or deleted, as `options` say).
Result<void, AlbumFailure> PlanRenumbering(const std::vector<ImageFolder*>& images,
                                           const std::vector<std::int64_t>& newNumbers,
                                           Trash* trash, const AlbumOptions& options,
                                           OrderPlan& plan) {
  for (ImageFolder* image : images) {
    ImagePlanner planner(*image, newNumbers, trash, options);
    if (auto done = planner.Plan(plan); !done) return done;
  }
  return {};
}

// Adds to `plan` the removal of the picture pages of `album` numbered after `count` that this
// program wrote; its index file `indexName` is never one of them.
Result<void, AlbumFailure> PlanOldPages(AlbumFolder& album, const std::string& indexName,
                                        std::int64_t count, OrderPlan& plan) {
  // Listed and read through the held folder, each page opened once.
  Result<std::vector<std::string>> names = album.folder->List();
  if (!names) return AlbumFailure::NotWritten{album.path, names.error()};
  std::sort(names.value().begin(), names.value().end());
  for (const std::string& name : names.value()) {
    if (PicturePageNumber(name) <= count || name == indexName) continue;
    Result<std::unique_ptr<ReadableFile>> page = album.folder->OpenForReading(name);
    if (!page) continue;
    Result<bool> written = IsOpenedWrittenPage(*page.value());
    if (written && written.value()) {
      plan.stepsAfterIndex.push_back({JournalStep::Kind::kDiscardPage, name, {}});
    }
  }
  return {};
}

// Renames the files of `album` as `plan` says and writes `text` in place of its index file `index`,
// which holds `before`, as one change by `command`; the failure when it could not.
Result<void, AlbumFailure> ChangeWithRenames(AlbumFolder& album, const ChosenIndex& index,
                                             const OrderPlan& plan, const std::string& text,
                                             ChangeKind command, const IndexState& before,
                                             const AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const AlbumOptions& options = work.options;
  if (StopRequested(options)) return Stopped(options, kNothingChanged);
  AlbumChange change(*album.folder, album.path, command, index.name, before, album.trash);
  for (const auto* renames : {&plan.aside, &plan.home}) {
    for (const PlannedRename& rename : *renames) change.PlanRename(rename.step);
  }
  for (const JournalStep& step : plan.stepsAfterIndex) change.PlanAfterIndex(step);
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  for (const auto* renames : {&plan.aside, &plan.home}) {
    for (const PlannedRename& rename : *renames) {
      if (StopRequested(options)) return UndoneOnStop(change, options);
      if (std::error_code error =
              change.Rename(*rename.image->folder, rename.image->relative, rename.from, rename.to)
                  .error()) {
        change.Undo();
        return AlbumFailure::NotRenamed{rename.image->path + rename.from, rename.to, error};
      }
    }
    // Every file has its name aside for good before any takes a name another had; Commit
    // flushes the new numbers.
    if (renames != &plan.aside) break;
    if (std::error_code error = change.SyncRenames().error()) {
      change.Undo();
      return AlbumFailure::NotWritten{album.path, error};
    }
  }
  if (StopRequested(options)) return UndoneOnStop(change, options);
  if (std::error_code error = change.Commit(text, KeepingModeAndOwner(index.text.source)).error()) {
    if (!change.committed()) {
      change.Undo();
      return AlbumFailure::NotWritten{indexPath, error};
    }
    return AlbumFailure::NotFinished{album.path + change.failedStep(), indexPath, error};
  }
  return {};
}

}  // namespace quillmere
