// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The journal of a change to an album as a text: what the change is, the index file before and
// after it, and its steps, one line each. Every version of the format is read; the current one is
// written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// The version of the format that journals are written in. Versions 1 and 2 named the change by the
// command line that made it; versions up to 3 hashed the index file a byte at a time.
inline constexpr int kJournalVersion = 4;

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

// The state of an index file that holds `bytes`, hashed as a journal of `version` hashes it.
IndexState StateOf(std::string_view bytes, int version = kJournalVersion);

// What a file was when a change planned to move it, told by what stays the same when its disk
// comes back as another device or its folder is copied: its size, when its content last changed
// (in nanoseconds since 1970) and a hash of its first bytes.
struct FileMark {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::uint64_t headHash = 0;

  bool operator==(const FileMark&) const = default;
};

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
    // The folder `path`, an album of a tree below the index file's, goes to the desktop's trash
    // once the index file is new, whole: done by a Trash.
    kTrashAlbum,
    // The files the program made in the folder `path`, an album of a tree below the index
    // file's, and in the albums below it go once the index file is new, and then their folders
    // where nothing else is left in them.
    kDiscardAlbum,
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

// Tells whether a step of `kind` comes once the index file is new, rather than before it.
bool ComesAfterIndex(JournalStep::Kind kind);

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
  // The version of the format it was read in, which says how its states hash the index file.
  int version = kJournalVersion;

  bool operator==(const Journal&) const = default;
};

// The journal as the text of its file, in its version's format.
std::string JournalText(const Journal& journal);

// The journal that `text` holds; none when it is no journal of a known version or names a path
// outside the folder.
std::optional<Journal> ParseJournal(std::string_view text);

}  // namespace quillmere
