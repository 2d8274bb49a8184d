// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/journal.h"

#include <algorithm>

#include "run/fnv_hash.h"

namespace quillmere {
namespace {

// The most bytes a journal is read of; one lists a few lines per picture of a change.
constexpr std::uint64_t kLargestJournal = std::uint64_t{256} << 20;

// The problem of a journal that cannot be read, for `error` (none for one that is no journal).
JournalProblem Unreadable(std::error_code error = {}) {
  JournalProblem problem;
  problem.kind = JournalProblem::Kind::kUnreadable;
  problem.error = error;
  return problem;
}

}  // namespace

Result<std::optional<Journal>, JournalProblem> ReadJournal(Folder& folder) {
  Result<WholeFile> text = ReadWholeFile(folder, kJournalName, kLargestJournal);
  if (!text) {
    if (text.error() == std::errc::no_such_file_or_directory) return std::optional<Journal>();
    return Unreadable(text.error());
  }
  // A journal takes its name only once it is whole, so one that is no journal was not written
  // by this program, or was damaged since.
  std::optional<Journal> journal = ParseJournal(text.value().bytes);
  if (!journal) return Unreadable();
  return journal;
}

Result<void> WriteJournal(Folder& folder, const Journal& journal, bool replace) {
  Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
  if (!file) return file.error();
  const std::string text = JournalText(journal);
  if (std::error_code error = file.value()->Write(text.data(), text.size()).error()) return error;
  Placement placement;
  placement.mode = 0600;
  placement.replace = replace;
  placement.durable = true;
  if (std::error_code error = file.value()->PutInPlace(kJournalName, placement).error())
    return error;
  return folder.Sync();
}

Result<void> RemoveJournal(Folder& folder) {
  if (std::error_code error = folder.Remove(kJournalName).error()) return error;
  return folder.Sync();
}

Result<bool> AbandonJournal(Folder& folder) {
  std::error_code error = RemoveJournal(folder).error();
  if (error == std::errc::no_such_file_or_directory) return false;
  if (error) return error;
  return true;
}

Result<MarkedFile> MarkFile(ReadableFile& file) {
  // The file was just opened: its opening's look at it is the one the mark takes.
  const EntryInfo& entry = file.AsOpened();
  if (entry.kind != EntryInfo::Kind::kRegular) {
    return make_error_code(FileError::kNotRegularFile);
  }
  // The size read through the descriptor says how much to read: one read for most files.
  std::string head(std::min<std::uint64_t>(entry.size, kMarkedBytes), '\0');
  Result<std::size_t> got = ReadFully(file, head.data(), head.size());
  if (!got) return got.error();
  head.resize(got.value());
  MarkedFile marked;
  marked.entry = entry;
  marked.mark = {entry.size, entry.modified, WordWiseFnvHash(head)};
  return marked;
}

Result<std::unique_ptr<Folder>> OpenFolderOf(Folder& top, std::string_view path,
                                             std::string& leaf) {
  Result<std::unique_ptr<Folder>> folder = top.OpenFolder(".");
  while (folder) {
    const std::size_t slash = path.find('/');
    if (slash == std::string_view::npos) {
      leaf = std::string(path);
      return folder;
    }
    folder = folder.value()->OpenFolder(path.substr(0, slash));
    path.remove_prefix(slash + 1);
  }
  return folder;
}

}  // namespace quillmere
