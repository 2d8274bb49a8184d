// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The journal of a change to an album: what a command is about to make, rename and discard,
// written down and flushed before its first step and removed after its last, so that a change
// cut short by a kill or a power cut is finished or undone by the next run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// The journal's name in the folder of the index file whose album it changes.
inline constexpr std::string_view kJournalName = ".quillmere-journal";

// What a change to an album does; the journal names the change by it, and each front end words
// it as its own.
enum class ChangeKind {
  kNewAlbum,
  kAddPictures,
  kRemovePictures,
  kMovePicture,
  kMakeThumbnails,
  kEdit,
};

// The word that names `kind` in the journal file: "add-pictures".
std::string_view ChangeWord(ChangeKind kind);

// What the index file holds, told by its size and a hash of its bytes; `present` is false for
// an index file that does not exist.
struct IndexState {
  bool present = false;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;

  bool operator==(const IndexState&) const = default;
};

// The state of an index file that holds `bytes`.
IndexState StateOf(std::string_view bytes);

// What a file was when a change planned to move it, told by what stays the same when its disk
// comes back as another device or its folder is copied: its size, when its content last changed
// (in nanoseconds since 1970) and a hash of its first kMarkedBytes.
struct FileMark {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::uint64_t headHash = 0;

  bool operator==(const FileMark&) const = default;
};

// How many of a file's first bytes its mark hashes, so that marking a large file reads little.
inline constexpr std::size_t kMarkedBytes = std::size_t{64} * 1024;

// The numbers of the just opened `file`, as its opening found them, and its mark, read through
// the descriptor that opened it.
struct MarkedFile {
  EntryInfo entry;
  FileMark mark;
};
Result<MarkedFile> MarkFile(ReadableFile& file);

// One step of a change. Paths are relative to the index file's folder and stay inside it.
struct JournalStep {
  enum class Kind {
    // The folder `path` was made: undone by removing it when it is empty.
    kMakeFolder,
    // The file `path` was made where nothing was: undone by removing it.
    kMakeFile,
    // The entry `path` took the name `to`: undone by giving it its name back.
    kRename,
    // The file `path` goes once the index file is new: done by removing it.
    kDiscard,
    // The file `path` goes to the desktop's trash once the index file is new: done by a Trash.
    kTrash,
    // The page `path` goes once the index file is new, if it is one that this program wrote.
    kDiscardPage,
  };
  Kind kind = Kind::kMakeFile;
  std::string path;
  std::string to;
  // For a rename, the file it moves (its device and inode), so that it is given its name back
  // only where it took `to`; 0 for a rename that names no file, undone by the names alone.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // For a rename, the file it moves as a copy of it is known; none in the journals of earlier
  // versions, which know a file by its numbers alone.
  std::optional<FileMark> mark = std::nullopt;

  bool operator==(const JournalStep&) const = default;
};

// A change to an album. The index file's change is the moment the change takes effect: before
// it, the steps that make and rename are undone; after it, the discards, the files for the trash
// and the pages are done, in their order.
struct Journal {
  // What the change does.
  ChangeKind change = ChangeKind::kNewAlbum;
  // The index file's name in its folder, and what it holds before and after the change; until
  // the change knows what it will write there, it can only be undone.
  std::string indexName;
  IndexState before;
  std::optional<IndexState> after;
  std::vector<JournalStep> steps;
  // Whether its states hash the index file a byte at a time, as journals before version 4 did.
  bool byteWiseStates = false;

  bool operator==(const Journal&) const = default;
};

// The journal as the text of its file.
std::string JournalText(const Journal& journal);

// The journal that `text` holds; none when it is no journal or names a path outside the folder.
std::optional<Journal> ParseJournal(std::string_view text);

// Writes `journal` into `folder` as its journal file, its data and its name flushed. Unless
// `replace`, it fails with EEXIST when the folder already has one.
std::error_code WriteJournal(Folder& folder, const Journal& journal, bool replace = false);

// Removes the journal file of `folder`, and flushes the folder.
std::error_code RemoveJournal(Folder& folder);

// Where the files go that a change moves to the desktop's trash: the album's commands have one;
// a generation has none, so that it never needs the desktop's libraries.
class Trash {
 public:
  virtual ~Trash() = default;
  // Tells why the file `path`, relative to the album's folder, could not go to the trash; an
  // empty code when it could.
  [[nodiscard]] virtual std::error_code CheckTakes(std::string_view path) = 0;
  // Moves the file `path`, relative to the album's folder, to the trash.
  [[nodiscard]] virtual std::error_code MoveToTrash(std::string_view path) = 0;
};

// Why a journal left by a change cut short could not be settled.
struct JournalProblem {
  enum class Kind {
    // The journal file cannot be read, or is no journal.
    kUnreadable,
    // The index file holds neither what it held before the change nor what it holds after it:
    // it was edited since.
    kIndexChanged,
    // A step could not be done or undone, for `error`; `path` names it.
    kStep,
    // The change took effect, and files wait to go to the desktop's trash, which settling without
    // a Trash cannot do; nothing was done, and `path` names the index file.
    kNeedsTrash,
    // The file at `path` is not the one the change moved there: it was changed or replaced
    // since, so nothing was done.
    kFileChanged,
    // The file that the change moved from `path` is neither there nor where it went: it was
    // removed since, so nothing was done.
    kFileMissing,
  };
  Kind kind = Kind::kUnreadable;
  // What the journal's change does, when it could be read.
  std::optional<ChangeKind> change;
  std::string path;
  std::error_code error;
  // The index file's name in its folder, when the journal could be read.
  std::string indexName;
};

// Finishes or undoes the change recorded by the journal of `folder`, if it has one, and then
// removes the journal; the caller holds the folder's lock. Files for the trash go to `trash`.
// Nothing is done when the disk does not hold what the journal expects: the journal stays.
std::optional<JournalProblem> SettleJournal(Folder& folder, Trash* trash = nullptr);

// Tells, changing nothing, why the journal of `folder` could not be settled; none when there is
// no journal or it could be (leaving aside whether a trash would be needed).
std::optional<JournalProblem> ExamineJournal(Folder& folder);

// Does the steps of `journal` that come once its index file is new, each one that is not done yet
// (files for the trash go to `trash`), and flushes the folders they changed.
std::optional<JournalProblem> DoStepsAfterIndex(Folder& folder, const Journal& journal,
                                                Trash* trash);

// Removes the journal of `folder`, leaving the album as it stands; tells whether there was one.
// The caller holds the folder's lock.
Result<bool> AbandonJournal(Folder& folder);

// Opens the folder that holds `path` (relative to `top`, inside it), one folder at a time and
// never through a symbolic link; `leaf` gets the last part of `path`.
Result<std::unique_ptr<Folder>> OpenFolderOf(Folder& top, std::string_view path, std::string& leaf);

}  // namespace quillmere
