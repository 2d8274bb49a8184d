// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The journal of a change to an album: what a command is about to make, rename and discard,
// written down and flushed before its first step and removed once the pages show the change, so
// that a change cut short by a kill or a power cut is finished (pages included) or undone by the
// next run. This is its file in
// the index file's folder; its text is run/journal_format.h, and finishing or undoing its change
// is run/journal_settle.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_system.h"
#include "run/journal_format.h"

namespace quillmere {

// The journal's name in the folder of the index file whose album it changes.
inline constexpr std::string_view kJournalName = ".quillmere-journal";

// How many of a file's first bytes its mark hashes, so that marking a large file reads little.
inline constexpr std::size_t kMarkedBytes = std::size_t{64} * 1024;

// The numbers of the just opened `file`, as its opening found them, and its mark, read through
// the descriptor that opened it.
struct MarkedFile {
  EntryInfo entry;
  FileMark mark;
};
Result<MarkedFile> MarkFile(ReadableFile& file);

// Why a journal left by a change cut short could not be read or settled.
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

// The journal of `folder`, read whole (up to the most a journal may be) through the folder's
// descriptor; none when it has none.
Result<std::optional<Journal>, JournalProblem> ReadJournal(Folder& folder);

// Writes `journal` into `folder` as its journal file, its data and its name flushed. Unless
// `replace`, it fails with EEXIST when the folder already has one.
Result<void> WriteJournal(Folder& folder, const Journal& journal, bool replace = false);

// Removes the journal file of `folder`, and flushes the folder.
Result<void> RemoveJournal(Folder& folder);

// Removes the journal of `folder`, leaving the album as it stands; tells whether there was one.
// The caller holds the folder's lock.
Result<bool> AbandonJournal(Folder& folder);

// Opens the folder that holds `path` (relative to `top`, inside it), one folder at a time and
// never through a symbolic link; `leaf` gets the last part of `path`.
Result<std::unique_ptr<Folder>> OpenFolderOf(Folder& top, std::string_view path, std::string& leaf);

}  // namespace quillmere
