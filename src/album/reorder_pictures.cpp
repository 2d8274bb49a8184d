// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album edited as one change of the journal: the lines that change rewritten, pictures left out
// or moved with their files renumbered together; --remove-pictures and --move-picture are edits.
#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <set>

#include "album/album.h"
#include "album/album_edit.h"
#include "album/album_index.h"
#include "album/album_steps.h"
#include "album/change/picture_order.h"
#include "site/page_output.h"
#include "site/page_signature.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// One rename of the plan, in the folder of `image`, and its step in the journal.
struct PlannedRename {
  ImageFolder* image;
  std::string from;
  std::string to;
  JournalStep step;
};

// What a change of the pictures' order found out before it changes anything: the renames that
// hold the files aside under names no file had, those that then give them their new numbers, and
// the journal's steps after the index file. The folders are flushed between the two kinds of
// renames, so that no order in which renames reach the disk can leave a file without a name.
struct OrderPlan {
  std::vector<PlannedRename> aside;
  std::vector<PlannedRename> home;
  std::vector<JournalStep> stepsAfterIndex;
};

// The album as a change of its order needs it: its folder, index file, pictures' lines and the
// folders of its images.
struct OpenAlbum {
  AlbumFolder album;
  ChosenIndex index;
  PictureLineNumbers numbers;
  // Found only for an edit that renumbers files.
  ImageFolders folders{};
  // The pictures' folder once for each kind of video, where the index file says it has videos.
  std::vector<ImageFolder> videos{};

  std::int64_t count() const { return static_cast<std::int64_t>(numbers.lines.size()); }
};

// Opens, locks and reads the album of `indexPath`.
Result<OpenAlbum, AlbumFailure> Open(const std::string& indexPath, FileSystem& fs,
                                     const AlbumOptions& options) {
  auto held = HoldAlbum(indexPath, fs, options);
  if (auto* failure = held.failure()) return std::move(*failure);
  PictureLineNumbers numbers = PictureLinesOf(held.value().index);
  return OpenAlbum{std::move(held.value().album), std::move(held.value().index),
                   std::move(numbers)};
}

// Adds the videos beside the pictures of `open` to the images its change renumbers.
std::optional<AlbumFailure> FindVideos(OpenAlbum& open) {
  const ImageFolder& pictures = open.folders.pictures;
  for (std::string_view extension : kVideoFileExtensions) {
    ImageFolder videos;
    if (pictures.folder) {
      Result<std::unique_ptr<Folder>> again = pictures.folder->OpenFolder(".");
      if (!again) return AlbumFailed(Kind::kFolderNotOpened, pictures.path, again.error());
      videos.folder = std::move(again.value());
    }
    videos.path = pictures.path;
    videos.relative = pictures.relative;
    videos.namePrefix = pictures.namePrefix;
    videos.extension = extension;
    open.videos.push_back(std::move(videos));
  }
  return std::nullopt;
}

// Finds the folders of the images of `open`; refuses those named by a URL or outside its folder.
std::optional<AlbumFailure> FindFolders(OpenAlbum& open, const std::string& indexPath) {
  const IndexHead& head = open.index.head;
  auto folders = FindImageFolders(open.album, head.ImagePrefix, head.ThumbPrefix, indexPath);
  if (auto* failure = folders.failure()) return std::move(*failure);
  open.folders = std::move(folders.value());
  if (head.videos) return FindVideos(open);
  return std::nullopt;
}

// Refuses a number that names no picture of the album.
std::optional<AlbumFailure> CheckNumber(const OpenAlbum& open, std::int64_t number,
                                        const std::string& indexPath) {
  if (number >= 1 && number <= open.count()) return std::nullopt;
  return AlbumFailedFor(
      Kind::kNoSuchPicture,
      AlbumFailure::NoSuchPicture{indexPath, number, static_cast<std::uint64_t>(open.count())});
}

// The images whose files the change renumbers: the thumbnails only where they are other files
// than the pictures, and the videos beside the pictures.
std::vector<ImageFolder*> ImagesOf(OpenAlbum& open) {
  ImageFolders& folders = open.folders;
  std::vector<ImageFolder*> images = {&folders.pictures};
  if (folders.thumbnails.relative + folders.thumbnails.namePrefix !=
      folders.pictures.relative + folders.pictures.namePrefix) {
    images.push_back(&folders.thumbnails);
  }
  for (ImageFolder& videos : open.videos) images.push_back(&videos);
  return images;
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
        return AlbumFailed(Kind::kNotAFile, image.path + name);
      }
      return AlbumFailed(Kind::kNotWritten, image.path + name, error);
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
  std::optional<AlbumFailure> Plan(OrderPlan& plan) {
    auto found = FilesToRename(image_, newNumbers_);
    if (auto* failure = found.failure()) return std::move(*failure);
    files_ = std::move(found.value());
    if (image_.folder) {
      // The names in use, listed once: a name taken after is refused by its rename.
      Result<std::vector<std::string>> names = image_.folder->List();
      if (!names) return AlbumFailed(Kind::kNotWritten, image_.path, names.error());
      taken_.insert(names.value().begin(), names.value().end());
    }
    std::vector<bool> present(files_.size());
    std::transform(files_.begin(), files_.end(), present.begin(), [](const MarkedFile& file) {
      return file.entry.kind == EntryInfo::Kind::kRegular;
    });
    const RenamePhases phases = RenameOrder(newNumbers_, present);
    for (const SlotRename& rename : phases.aside) {
      if (auto failure = PlanRename(rename, plan.aside, plan)) return failure;
    }
    for (const SlotRename& rename : phases.home) {
      if (auto failure = PlanRename(rename, plan.home, plan)) return failure;
    }
    return std::nullopt;
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

  std::optional<AlbumFailure> PlanRename(const SlotRename& rename,
                                         std::vector<PlannedRename>& renames, OrderPlan& plan) {
    std::string from = NameOf(rename.from);
    std::string to = NameOf(rename.to);
    if (rename.to.heldAside && IsRemoved(rename.to.number)) {
      if (std::error_code error = trash_->CheckTakes(image_.relative + from)) {
        return AlbumFailed(Kind::kNoTrash, image_.path + from, error);
      }
      const auto kind =
          options_.deleteRemoved ? JournalStep::Kind::kDiscard : JournalStep::Kind::kTrash;
      plan.stepsAfterIndex.push_back({kind, image_.relative + to, {}});
    }
    const MarkedFile& file = files_[static_cast<std::size_t>(rename.from.number - 1)];
    JournalStep step{JournalStep::Kind::kRename, image_.relative + from, image_.relative + to,
                     file.entry.device,          file.entry.inode,       file.mark};
    renames.push_back({&image_, std::move(from), std::move(to), std::move(step)});
    return std::nullopt;
  }

  ImageFolder& image_;
  const std::vector<std::int64_t>& newNumbers_;
  Trash* trash_;
  const AlbumOptions& options_;
  std::vector<MarkedFile> files_;
  std::map<std::int64_t, std::string> held_;
  std::set<std::string> taken_;
};

// Adds to `plan` the removal of the picture pages numbered after `count` that this program wrote.
std::optional<AlbumFailure> PlanOldPages(OpenAlbum& open, std::int64_t count, OrderPlan& plan) {
  // Listed and read through the held folder, each page opened once.
  Result<std::vector<std::string>> names = open.album.folder->List();
  if (!names) return AlbumFailed(Kind::kNotWritten, open.album.path, names.error());
  std::sort(names.value().begin(), names.value().end());
  for (const std::string& name : names.value()) {
    if (PicturePageNumber(name) <= count || name == open.index.name) continue;
    Result<std::unique_ptr<ReadableFile>> page = open.album.folder->OpenForReading(name);
    if (!page) continue;
    Result<bool> written = IsOpenedWrittenPage(*page.value());
    if (written && written.value()) {
      plan.stepsAfterIndex.push_back({JournalStep::Kind::kDiscardPage, name, {}});
    }
  }
  return std::nullopt;
}

// Refuses `text` unless its pictures' lines are `expected`: a CR alone that would meet an LF when
// pairs are put side by side joins two lines.
std::optional<AlbumFailure> CheckLines(std::string_view text,
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
  if (same) return std::nullopt;
  return AlbumFailed(Kind::kLinesWouldJoin, indexPath);
}

// Renames the files as `plan` says and writes `text` in place of the index file, which holds
// `before`, as one change by `command`; the failure when it could not.
std::optional<AlbumFailure> Change(OpenAlbum& open, OrderPlan& plan, const std::string& text,
                                   ChangeKind command, const IndexState& before,
                                   const std::string& indexPath) {
  AlbumChange change(*open.album.folder, open.album.path, command, open.index.name, before,
                     open.album.trash);
  for (const auto* renames : {&plan.aside, &plan.home}) {
    for (const PlannedRename& rename : *renames) change.PlanRename(rename.step);
  }
  for (const JournalStep& step : plan.stepsAfterIndex) change.PlanAfterIndex(step);
  if (auto failure = change.Begin()) return failure;
  for (const auto* renames : {&plan.aside, &plan.home}) {
    for (const PlannedRename& rename : *renames) {
      if (std::error_code error = change.Rename(*rename.image->folder, rename.image->relative,
                                                rename.from, rename.to)) {
        change.Undo();
        return AlbumFailedFor(
            Kind::kNotRenamed,
            AlbumFailure::NotRenamed{rename.image->path + rename.from, rename.to, error});
      }
    }
    // Every file has its name aside for good before any takes a name another had; Commit
    // flushes the new numbers.
    if (renames != &plan.aside) break;
    if (std::error_code error = change.SyncRenames()) {
      change.Undo();
      return AlbumFailed(Kind::kNotWritten, open.album.path, error);
    }
  }
  if (std::error_code error = change.Commit(text, IndexPlacement(open.index))) {
    if (!change.committed()) {
      change.Undo();
      return AlbumFailed(Kind::kNotWritten, indexPath, error);
    }
    return AlbumFailedFor(
        Kind::kNotFinished,
        AlbumFailure::NotFinished{open.album.path + change.failedStep(), indexPath, error});
  }
  return std::nullopt;
}

// Plans the renames of every image of `open` to the numbers `newNumbers` says.
std::optional<AlbumFailure> PlanImages(OpenAlbum& open, const std::vector<std::int64_t>& newNumbers,
                                       const AlbumOptions& options, OrderPlan& plan) {
  for (ImageFolder* image : ImagesOf(open)) {
    ImagePlanner planner(*image, newNumbers, open.album.trash, options);
    if (auto failure = planner.Plan(plan)) return failure;
  }
  return std::nullopt;
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
std::optional<AlbumFailure> CheckEdit(const OpenAlbum& open, const TextEdit& edit,
                                      const std::string& indexPath) {
  std::vector<bool> named(static_cast<std::size_t>(open.count()), false);
  for (std::int64_t n : edit.order) {
    if (auto failure = CheckNumber(open, n, indexPath)) return failure;
    if (named[static_cast<std::size_t>(n - 1)]) return CheckNumber(open, 0, indexPath);
    named[static_cast<std::size_t>(n - 1)] = true;
  }
  // The title stands for picture 0: one that would be a comment would make the head move up.
  if (edit.title && CaptionDropsPair(*edit.title)) {
    return AlbumFailedFor(Kind::kCaptionDropsPair, AlbumFailure::NoSuchPicture{indexPath, 0, 0});
  }
  for (const auto& [n, pair] : edit.pairs) {
    if (auto failure = CheckNumber(open, n, indexPath)) return failure;
    if (CaptionDropsPair(pair.caption)) {
      return AlbumFailedFor(Kind::kCaptionDropsPair, AlbumFailure::NoSuchPicture{indexPath, n, 0});
    }
  }
  return std::nullopt;
}

// Makes `edit` to the album `open` as one change.
std::optional<AlbumFailure> EditIn(OpenAlbum& open, const AlbumEdit& edit, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const std::string_view old = open.index.text.bytes();
  const IndexState before = StateOf(old);
  if (edit.madeOn && *edit.madeOn != before) {
    return AlbumFailed(Kind::kIndexChanged, indexPath);
  }
  if (auto failure = CheckEdit(open, edit.text, indexPath)) return failure;
  OrderPlan plan;
  const bool reorders = !KeepsOrder(open.count(), edit.text.order);
  if (reorders) {
    if (auto failure = FindFolders(open, indexPath)) return failure;
    const std::vector<std::int64_t> numbers = NumbersInOrder(open.count(), edit.text.order);
    if (auto failure = PlanImages(open, numbers, work.options, plan)) return failure;
    const auto left = static_cast<std::int64_t>(edit.text.order.size());
    if (left < open.count()) {
      if (auto failure = PlanOldPages(open, left, plan)) return failure;
    }
  }
  const std::string text = EditedText(old, open.index.head, edit.text);
  if (text == old) return std::nullopt;
  // Lines replaced in place by lines without line ends keep every line where it was.
  if (reorders || HasLineEnds(edit.text)) {
    const std::vector<PicturePair> expected = EditedPairs(old, open.index.head, edit.text);
    if (auto failure = CheckLines(text, expected, indexPath)) return failure;
  }
  return Change(open, plan, text, edit.kind, before, indexPath);
}

// The edit that keeps every picture of `open` but those of `numbers` in its order.
AlbumEdit RemovalOf(const OpenAlbum& open, const std::vector<std::int64_t>& numbers) {
  AlbumEdit edit;
  edit.kind = ChangeKind::kRemovePictures;
  for (std::int64_t n = 1; n <= open.count(); ++n) {
    if (!std::binary_search(numbers.begin(), numbers.end(), n)) edit.text.order.push_back(n);
  }
  return edit;
}

// The edit that moves picture `from` of `open` to the place `to`.
AlbumEdit MoveOf(const OpenAlbum& open, std::int64_t from, std::int64_t to) {
  AlbumEdit edit;
  edit.kind = ChangeKind::kMovePicture;
  for (std::int64_t n = 1; n <= open.count(); ++n) {
    if (n != from) edit.text.order.push_back(n);
  }
  edit.text.order.insert(edit.text.order.begin() + (to - 1), from);
  return edit;
}

// Removes the pictures `numbers` (ascending, none twice) from the album `open`.
std::optional<AlbumFailure> RemoveFrom(OpenAlbum& open, const std::vector<std::int64_t>& numbers,
                                       AlbumWork& work) {
  for (std::int64_t n : numbers) {
    if (auto failure = CheckNumber(open, n, work.outcome.indexPath)) return failure;
  }
  return EditIn(open, RemovalOf(open, numbers), work);
}

// Moves picture `from` of the album `open` to the place `to`.
std::optional<AlbumFailure> MoveIn(OpenAlbum& open, std::int64_t from, std::int64_t to,
                                   AlbumWork& work) {
  for (std::int64_t n : {from, to}) {
    if (auto failure = CheckNumber(open, n, work.outcome.indexPath)) return failure;
  }
  if (from == to) return std::nullopt;
  return EditIn(open, MoveOf(open, from, to), work);
}

// Runs `change` on `open` and then writes its site; the failure of either.
std::optional<AlbumFailure> ChangeAndFinish(
    OpenAlbum& open, AlbumWork& work,
    const std::function<std::optional<AlbumFailure>(OpenAlbum&, AlbumWork&)>& change) {
  if (auto failure = change(open, work)) return failure;
  return FinishSite(open.album, work);
}

// Runs `change` on the album of `indexPath` and then writes the site; the outcome fails with what
// either says.
AlbumOutcome Reorder(
    const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
    const std::function<std::optional<AlbumFailure>(OpenAlbum&, AlbumWork&)>& change) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  AlbumWork work{fs, options, outcome};
  WithinMemory(outcome, [&] {
    auto opened = Open(indexPath, fs, options);
    if (auto* failure = opened.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    outcome.failure = ChangeAndFinish(opened.value(), work, change);
  });
  return outcome;
}

}  // namespace

AlbumOutcome RemovePictures(const std::string& indexPath, std::vector<std::int64_t> numbers,
                            FileSystem& fs, const AlbumOptions& options) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  AlbumOutcome outcome = Reorder(indexPath, fs, options, [&](OpenAlbum& open, AlbumWork& work) {
    return numbers.empty() ? std::nullopt : RemoveFrom(open, numbers, work);
  });
  if (outcome.ok()) outcome.picturesRemoved = numbers.size();
  return outcome;
}

AlbumOutcome MovePicture(const std::string& indexPath, std::int64_t from, std::int64_t to,
                         FileSystem& fs, const AlbumOptions& options) {
  return Reorder(indexPath, fs, options,
                 [&](OpenAlbum& open, AlbumWork& work) { return MoveIn(open, from, to, work); });
}

AlbumOutcome EditAlbum(const std::string& indexPath, const AlbumEdit& edit, FileSystem& fs,
                       const AlbumOptions& options) {
  AlbumOutcome outcome = Reorder(indexPath, fs, options, [&](OpenAlbum& open, AlbumWork& work) {
    const std::int64_t count = open.count();
    std::optional<AlbumFailure> failure = EditIn(open, edit, work);
    if (!failure)
      work.outcome.picturesRemoved = static_cast<std::uint64_t>(count) - edit.text.order.size();
    return failure;
  });
  return outcome;
}

}  // namespace quillmere
