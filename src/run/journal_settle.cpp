// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/journal_settle.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "site/album_files.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

// How far apart two times of a file's last change may be and still be the same time: file systems
// keep them to different precision (FAT to two seconds), and a copy keeps what its disk can.
constexpr std::int64_t kSameTime = std::int64_t{2'000'000'000};

// The problem of `kind` with the change of `journal`, about `path`, for `error`.
JournalProblem Problem(JournalProblem::Kind kind, const Journal& journal, std::string path = {},
                       std::error_code error = {}) {
  JournalProblem problem;
  problem.kind = kind;
  problem.change = journal.change;
  problem.indexName = journal.indexName;
  problem.path = std::move(path);
  problem.error = error;
  return problem;
}

// The part of `path` up to its last "/".
std::string_view FolderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// What the index file of `journal` in `folder` holds now, hashed as the journal hashed it.
Result<IndexState> CurrentState(Folder& folder, const Journal& journal) {
  Result<WholeFile> file = ReadWholeFile(folder, journal.indexName);
  if (!file) {
    if (file.error() == std::errc::no_such_file_or_directory) return IndexState{};
    return file.error();
  }
  return StateOf(file.value().bytes, journal.version);
}

// The kind of the entry at `path` under `top`, and its folder opened; a missing folder on the way
// makes the entry missing.
struct Located {
  std::unique_ptr<Folder> folder;
  std::string leaf;
  EntryInfo entry;
};

Result<Located> Locate(Folder& top, std::string_view path) {
  Located located;
  Result<std::unique_ptr<Folder>> folder = OpenFolderOf(top, path, located.leaf);
  if (!folder) {
    if (folder.error() == std::errc::no_such_file_or_directory) return located;
    return folder.error();
  }
  located.folder = std::move(folder.value());
  Result<EntryInfo> entry = located.folder->Inspect(located.leaf);
  if (!entry) return entry.error();
  located.entry = entry.value();
  return located;
}

// Tells whether nothing is at the place `located`.
bool IsMissing(const Located& located) {
  return located.entry.kind == EntryInfo::Kind::kMissing;
}

// Tells whether `entry`, the regular file `leaf` of `folder`, is the file that the rename `step`
// moved: the same numbers, or (after a copy or on another device) the same mark.
Result<bool> IsFileMoved(Folder& folder, const std::string& leaf, const EntryInfo& entry,
                         const JournalStep& step) {
  const bool sameNumbers =
      step.inode != 0 && entry.device == step.device && entry.inode == step.inode;
  if (!step.mark) return sameNumbers;
  const FileMark& mark = *step.mark;
  const std::int64_t apart = entry.modified - mark.modified;
  if (entry.size != mark.size || apart >= kSameTime || apart <= -kSameTime) return false;
  // Numbers are used again once their file is gone, so they count only with the size and time.
  if (sameNumbers) return true;
  Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(leaf);
  if (!file) return file.error();
  Result<MarkedFile> marked = MarkFile(*file.value());
  if (!marked) return marked.error();
  return marked.value().mark == mark;
}

// The renames of a change undone in thought, newest first, so that which were done is known, and
// whether each can be undone, before any is.
class RenamesUndone {
 public:
  RenamesUndone(Folder& top, const Journal& journal) : top_(top), journal_(journal) {}

  // Tells whether `step`, whose later renames are undone in thought, was done and so is to be
  // undone; a problem when the names do not hold what the journal expects. The file a step moved
  // is found by its numbers or its mark: at the step's `to` when it was done, otherwise at its
  // `from`, or, when an earlier step moves the same file (`firstOfItsFile` false), where that one
  // finds it.
  Result<bool, JournalProblem> Decide(const JournalStep& step, bool firstOfItsFile) {
    Result<Name> to = At(step.to);
    if (!to) return Problem(JournalProblem::Kind::kStep, journal_, step.to, to.error());
    Result<Name> from = At(step.path);
    if (!from) return Problem(JournalProblem::Kind::kStep, journal_, step.path, from.error());
    const bool fromTaken = from.value().entry.kind != EntryInfo::Kind::kMissing;
    const bool toTaken = to.value().entry.kind != EntryInfo::Kind::kMissing;
    if (step.inode == 0 && !step.mark) {
      // A rename that names no file: done when its name went, since renames never replace.
      return Done(step, toTaken && !fromTaken);
    }
    Result<bool> atTo = Holds(to.value(), step);
    if (!atTo) return Problem(JournalProblem::Kind::kStep, journal_, step.to, atTo.error());
    if (atTo.value()) {
      // Something took the name that the file is to have back.
      if (fromTaken) {
        return Problem(JournalProblem::Kind::kFileChanged, journal_, from.value().onDisk);
      }
      return Done(step, true);
    }
    if (!firstOfItsFile) return false;
    Result<bool> atFrom = Holds(from.value(), step);
    if (!atFrom) return Problem(JournalProblem::Kind::kStep, journal_, step.path, atFrom.error());
    if (atFrom.value()) return false;
    if (fromTaken) {
      return Problem(JournalProblem::Kind::kFileChanged, journal_, from.value().onDisk);
    }
    // The name a file is first moved to is one that no other file had.
    if (toTaken) return Problem(JournalProblem::Kind::kFileChanged, journal_, to.value().onDisk);
    return Problem(JournalProblem::Kind::kFileMissing, journal_, step.path);
  }

 private:
  // What a name holds once the renames decided so far are undone: the entry, where it is on the
  // disk now, and the folder it was looked at in, from which it is read.
  struct Name {
    EntryInfo entry;
    std::string onDisk;
    std::shared_ptr<Folder> folder;
    std::string leaf;
  };

  // Tells whether `name` holds the file that `step` moved.
  Result<bool> Holds(const Name& name, const JournalStep& step) {
    if (name.entry.kind != EntryInfo::Kind::kRegular || !name.folder) return false;
    return IsFileMoved(*name.folder, name.leaf, name.entry, step);
  }

  // Undoes `step` in thought when it was `done`, and tells whether it was.
  bool Done(const JournalStep& step, bool done) {
    if (done) {
      names_[step.path] = names_[step.to];
      names_[step.to] = Name{};
    }
    return done;
  }

  Result<Name> At(const std::string& path) {
    if (auto known = names_.find(path); known != names_.end()) return known->second;
    Result<Located> at = Locate(top_, path);
    if (!at) return at.error();
    Name name{at.value().entry, path, std::move(at.value().folder), at.value().leaf};
    names_.emplace(path, name);
    return name;
  }

  Folder& top_;
  const Journal& journal_;
  std::map<std::string, Name> names_;
};

// Which steps of `journal` are to be undone, decided before any is: every step that makes, and
// each rename that was done; a problem when the disk does not hold what the journal expects.
Result<std::vector<bool>, JournalProblem> DecideUndo(Folder& top, const Journal& journal) {
  std::vector<bool> undo(journal.steps.size(), false);
  // The files that an earlier step than the one in hand moves, by their numbers.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> firstSteps;
  for (std::size_t i = journal.steps.size(); i-- > 0;) {
    const JournalStep& step = journal.steps[i];
    if (step.kind == JournalStep::Kind::kRename && step.inode != 0) {
      firstSteps[{step.device, step.inode}] = i;
    }
  }
  RenamesUndone renames(top, journal);
  for (std::size_t i = journal.steps.size(); i-- > 0;) {
    const JournalStep& step = journal.steps[i];
    if (ComesAfterIndex(step.kind)) continue;
    if (step.kind != JournalStep::Kind::kRename) {
      undo[i] = true;
      continue;
    }
    const auto first = firstSteps.find({step.device, step.inode});
    auto done = renames.Decide(step, first == firstSteps.end() || first->second == i);
    if (auto* problem = done.failure()) return std::move(*problem);
    undo[i] = done.value();
  }
  return undo;
}

// Undoes one step that makes, which may or may not have been done, or one rename that was done.
Result<void> Undo(Folder& top, const JournalStep& step) {
  using Kind = JournalStep::Kind;
  const std::string_view named = step.kind == Kind::kRename ? step.to : step.path;
  Result<Located> at = Locate(top, named);
  if (!at) return at.error();
  Located& located = at.value();
  if (IsMissing(located)) return {};
  switch (step.kind) {
    case Kind::kMakeFolder: {
      std::error_code error = located.folder->RemoveFolder(located.leaf).error();
      // A folder that holds something of someone else's stays.
      return error == std::errc::directory_not_empty ? std::error_code() : error;
    }
    case Kind::kMakeFile:
      if (located.entry.kind != EntryInfo::Kind::kRegular) return {};
      return located.folder->Remove(located.leaf);
    case Kind::kRename: {
      const std::size_t slash = step.path.rfind('/');
      // Renames stay within one folder.
      return located.folder->Rename(located.leaf, step.path.substr(slash + 1), /*replace=*/false);
    }
    case Kind::kDiscard:
    case Kind::kTrash:
    case Kind::kDiscardPage:
    case Kind::kTrashAlbum:
    case Kind::kDiscardAlbum:
      break;
  }
  return {};
}

// Tells whether the regular file `leaf` of `folder` is a page that this program wrote.
Result<bool> IsWrittenPage(Folder& folder, const std::string& leaf) {
  Result<std::unique_ptr<ReadableFile>> page = folder.OpenForReading(leaf);
  if (!page) return page.error();
  return IsOpenedWrittenPage(*page.value());
}

// Removes the files the program made in the album `leaf` of `parent` and in the albums below it,
// then each of their folders that nothing else is left in; what the person put there stays.
Result<void> DiscardAlbum(Folder& parent, const std::string& leaf) {
  Result<std::unique_ptr<Folder>> album = parent.OpenFolder(leaf);
  if (!album) return album.error();
  const AlbumFiles files = FindAlbumFiles(*album.value());
  for (const std::string& path : files.made) {
    std::string name;
    Result<std::unique_ptr<Folder>> folder = OpenFolderOf(*album.value(), path, name);
    if (!folder) return folder.error();
    std::error_code error = folder.value()->Remove(name).error();
    if (error && error != std::errc::no_such_file_or_directory) return error;
  }
  for (const std::string& path : files.folders) {
    std::string inParent = leaf;
    if (!path.empty()) inParent.append("/").append(path);
    std::string name;
    Result<std::unique_ptr<Folder>> folder = OpenFolderOf(parent, inParent, name);
    if (!folder) return folder.error();
    const std::error_code error = folder.value()->RemoveFolder(name).error();
    if (error && error != std::errc::directory_not_empty &&
        error != std::errc::no_such_file_or_directory) {
      return error;
    }
  }
  return {};
}

// Does one step after the index file's change that may or may not have been done: a file that
// is gone, or is no longer a regular file, is left as it is.
Result<void> DoAfter(Folder& top, const JournalStep& step, Trash* trash) {
  using Kind = JournalStep::Kind;
  if (!ComesAfterIndex(step.kind)) return {};
  Result<Located> at = Locate(top, step.path);
  if (!at) return at.error();
  Located& located = at.value();
  if (step.kind == Kind::kTrashAlbum || step.kind == Kind::kDiscardAlbum) {
    // An album's folder that is gone went already; a link in its place is never followed.
    if (located.entry.kind != EntryInfo::Kind::kFolder) return {};
    if (step.kind == Kind::kDiscardAlbum) return DiscardAlbum(*located.folder, located.leaf);
    return trash != nullptr ? trash->MoveToTrash(step.path) : SystemError(ENOTSUP);
  }
  if (located.entry.kind != EntryInfo::Kind::kRegular) return {};
  if (step.kind == Kind::kTrash) {
    return trash != nullptr ? trash->MoveToTrash(step.path) : SystemError(ENOTSUP);
  }
  if (step.kind == Kind::kDiscardPage) {
    Result<bool> written = IsWrittenPage(*located.folder, located.leaf);
    if (!written) return written.error();
    if (!written.value()) return {};
  }
  return located.folder->Remove(located.leaf);
}

// The first file of `journal` that waits to go to the trash, or "" when none does.
Result<std::string> FirstForTheTrash(Folder& top, const Journal& journal) {
  for (const JournalStep& step : journal.steps) {
    const bool album = step.kind == JournalStep::Kind::kTrashAlbum;
    if (step.kind != JournalStep::Kind::kTrash && !album) continue;
    Result<Located> at = Locate(top, step.path);
    if (!at) return at.error();
    const EntryInfo::Kind waiting = album ? EntryInfo::Kind::kFolder : EntryInfo::Kind::kRegular;
    if (at.value().entry.kind == waiting) return step.path;
  }
  return std::string();
}

// Flushes each folder that holds one of `steps`' paths once, so that what settling did lasts.
Result<void> SyncFoldersOf(Folder& top, const std::vector<JournalStep>& steps) {
  std::set<std::string_view> folders;
  for (const JournalStep& step : steps) {
    for (std::string_view path : {std::string_view(step.path), std::string_view(step.to)}) {
      if (path.empty() || !folders.insert(FolderPart(path)).second) continue;
      std::string leaf;
      Result<std::unique_ptr<Folder>> folder = OpenFolderOf(top, path, leaf);
      if (!folder) continue;
      if (std::error_code error = folder.value()->Sync().error()) return error;
    }
  }
  return top.Sync();
}

// Finishes the steps of `journal` that come after its index file, which holds the change.
Result<void, JournalProblem> FinishChange(Folder& folder, const Journal& journal, Trash* trash) {
  if (trash == nullptr) {
    Result<std::string> waiting = FirstForTheTrash(folder, journal);
    if (!waiting) return Problem(JournalProblem::Kind::kStep, journal, {}, waiting.error());
    if (!waiting.value().empty()) {
      return Problem(JournalProblem::Kind::kNeedsTrash, journal, journal.indexName);
    }
  }
  return DoStepsAfterIndex(folder, journal, trash);
}

// Finishes or undoes the change of `journal`, the journal of `folder`, or with `act` false only
// finds out whether it could; a change undone loses its journal, one finished keeps it.
Result<SettledJournal::Outcome, JournalProblem> Settle(Folder& folder, const Journal& journal,
                                                       Trash* trash, bool act) {
  using Outcome = SettledJournal::Outcome;
  Result<IndexState> now = CurrentState(folder, journal);
  if (!now) return Problem(JournalProblem::Kind::kStep, journal, journal.indexName, now.error());
  if (journal.after && now.value() == *journal.after) {
    if (!act) return Outcome::kFinished;
    if (auto settled = FinishChange(folder, journal, trash); !settled) {
      return std::move(*settled.failure());
    }
    if (std::error_code error = SyncFoldersOf(folder, journal.steps).error()) {
      return Problem(JournalProblem::Kind::kStep, journal, ".", error);
    }
    return Outcome::kFinished;
  }
  if (now.value() != journal.before) {
    return Problem(JournalProblem::Kind::kIndexChanged, journal, journal.indexName);
  }
  if (!act) {
    auto undo = DecideUndo(folder, journal);
    if (auto* problem = undo.failure()) return std::move(*problem);
    return Outcome::kUndone;
  }
  if (auto undone = UndoJournal(folder, journal); !undone) return std::move(*undone.failure());
  if (std::error_code error = RemoveJournal(folder).error()) {
    return Problem(JournalProblem::Kind::kStep, journal, std::string(kJournalName), error);
  }
  return Outcome::kUndone;
}

}  // namespace

Result<void, JournalProblem> UndoJournal(Folder& folder, const Journal& journal) {
  auto undo = DecideUndo(folder, journal);
  if (auto* problem = undo.failure()) return std::move(*problem);
  for (std::size_t i = journal.steps.size(); i-- > 0;) {
    if (!undo.value()[i]) continue;
    if (std::error_code error = Undo(folder, journal.steps[i]).error()) {
      return Problem(JournalProblem::Kind::kStep, journal, journal.steps[i].path, error);
    }
  }
  if (std::error_code error = SyncFoldersOf(folder, journal.steps).error()) {
    return Problem(JournalProblem::Kind::kStep, journal, ".", error);
  }
  return {};
}

Result<void, JournalProblem> DoStepsAfterIndex(Folder& folder, const Journal& journal,
                                               Trash* trash) {
  std::vector<JournalStep> done;
  for (const JournalStep& step : journal.steps) {
    if (!ComesAfterIndex(step.kind)) continue;
    if (std::error_code error = DoAfter(folder, step, trash).error()) {
      return Problem(JournalProblem::Kind::kStep, journal, step.path, error);
    }
    done.push_back(step);
  }
  if (std::error_code error = SyncFoldersOf(folder, done).error()) {
    return Problem(JournalProblem::Kind::kStep, journal, ".", error);
  }
  return {};
}

Result<bool, JournalProblem> WaitsForTheTrash(Folder& folder, const Journal& journal) {
  Result<IndexState> now = CurrentState(folder, journal);
  if (!now) return Problem(JournalProblem::Kind::kStep, journal, journal.indexName, now.error());
  if (!journal.after || now.value() != *journal.after) return false;
  Result<std::string> waiting = FirstForTheTrash(folder, journal);
  if (!waiting) return Problem(JournalProblem::Kind::kStep, journal, {}, waiting.error());
  return !waiting.value().empty();
}

Result<SettledJournal, JournalProblem> SettleJournal(Folder& folder, Trash* trash) {
  auto read = ReadJournal(folder);
  if (auto* problem = read.failure()) return std::move(*problem);
  if (!read.value()) return SettledJournal{};
  const Journal& journal = *read.value();
  auto settled = Settle(folder, journal, trash, /*act=*/true);
  if (auto* problem = settled.failure()) return std::move(*problem);
  return SettledJournal{settled.value(), journal.change, journal.indexName};
}

Result<void, JournalProblem> ExamineJournal(Folder& folder, const Journal& journal) {
  auto examined = Settle(folder, journal, nullptr, /*act=*/false);
  if (auto* problem = examined.failure()) return std::move(*problem);
  return {};
}

}  // namespace quillmere
