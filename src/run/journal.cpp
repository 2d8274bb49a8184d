// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "run/fnv_hash.h"
#include "run/record_words.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

// The journal's first line, which names its format; a journal of the first format, which knows
// a moved file by its numbers alone, is still read.
constexpr std::string_view kFirstLine = "quillmere journal 4";
// The first line of version 3, which hashed the index file's states a byte at a time.
constexpr std::string_view kFirstLineOfVersion3 = "quillmere journal 3";
// The first lines of the versions before, which also named the change by the command line that
// made it ("command quillmere-cli --add-pictures") instead of "change add-pictures".
constexpr std::string_view kFirstLineOfVersion2 = "quillmere journal 2";
constexpr std::string_view kFirstLineOfVersion1 = "quillmere journal 1";

// Every change kind with its word in the journal.
constexpr std::array<std::pair<ChangeKind, std::string_view>, 6> kChangeWords = {{
    {ChangeKind::kNewAlbum, "new-album"},
    {ChangeKind::kAddPictures, "add-pictures"},
    {ChangeKind::kRemovePictures, "remove-pictures"},
    {ChangeKind::kMovePicture, "move-picture"},
    {ChangeKind::kMakeThumbnails, "make-thumbnails"},
    {ChangeKind::kEdit, "edit"},
}};

// The change named `word` in the journal; the earlier versions wrote the command line's
// "quillmere-cli --" before it.
std::optional<ChangeKind> ChangeNamed(std::string_view word, bool earlierVersion) {
  constexpr std::string_view kEarlierPrefix = "quillmere-cli --";
  if (earlierVersion) {
    if (!word.starts_with(kEarlierPrefix)) return std::nullopt;
    word.remove_prefix(kEarlierPrefix.size());
  }
  for (const auto& [kind, name] : kChangeWords) {
    if (name == word) return kind;
  }
  return std::nullopt;
}

// How far apart two times of a file's last change may be and still be the same time: file systems
// keep them to different precision (FAT to two seconds), and a copy keeps what its disk can.
constexpr std::int64_t kSameTime = std::int64_t{2'000'000'000};

// The most bytes a journal is read of; one lists a few lines per picture of a change.
constexpr std::uint64_t kLargestJournal = std::uint64_t{256} << 20;

// `path` with "%", spaces and control bytes written as %XX, so that it is one word of a line.
std::string Escaped(std::string_view path) {
  std::string escaped;
  for (unsigned char c : path) {
    if (c <= ' ' || c == '%' || c == 0x7f) {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      escaped += code;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescaped(std::string_view word) {
  std::string path;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '%') {
      path += word[i];
      continue;
    }
    if (i + 2 >= word.size()) return std::nullopt;
    const int high = HexDigit(word[i + 1]), low = HexDigit(word[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path;
}

// Tells whether `path` names something inside the folder: relative, without "." or ".." parts,
// empty parts or NUL bytes.
bool StaysInFolder(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.back() == '/') return false;
  if (path.find('\0') != std::string_view::npos) return false;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return false;
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
  }
  return true;
}

// The part of `path` up to its last "/", which renames keep.
std::string_view FolderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string StateText(const IndexState& state) {
  if (!state.present) return "none";
  return std::to_string(state.size) + " " + Hex16(state.hash);
}

std::optional<IndexState> ParseState(const std::vector<std::string_view>& words) {
  if (words.size() == 2 && words[1] == "none") return IndexState{};
  if (words.size() != 3 || words[2].size() != 16) return std::nullopt;
  IndexState state;
  state.present = true;
  const char* end = words[1].data() + words[1].size();
  if (std::from_chars(words[1].data(), end, state.size).ptr != end) return std::nullopt;
  end = words[2].data() + words[2].size();
  if (std::from_chars(words[2].data(), end, state.hash, 16).ptr != end) return std::nullopt;
  return state;
}

// Reads "DEVICE:INODE", in decimal, as the file a rename moves.
bool ParseFileId(std::string_view word, JournalStep& step) {
  const std::size_t colon = word.find(':');
  if (colon == std::string_view::npos) return false;
  const char* end = word.data() + colon;
  if (std::from_chars(word.data(), end, step.device).ptr != end) return false;
  end = word.data() + word.size();
  return std::from_chars(word.data() + colon + 1, end, step.inode).ptr == end && step.inode != 0;
}

// Reads a whole number of type T that is all of `word`.
template <class T>
bool ParseNumber(std::string_view word, T& number, int base = 10) {
  const char* end = word.data() + word.size();
  return !word.empty() && std::from_chars(word.data(), end, number, base).ptr == end;
}

// Reads "SIZE MODIFIED HASH" as the mark of the file a rename moves.
bool ParseMark(const std::vector<std::string_view>& words, JournalStep& step) {
  FileMark mark;
  if (words[2].size() != 16 || !ParseNumber(words[0], mark.size) ||
      !ParseNumber(words[1], mark.modified) || !ParseNumber(words[2], mark.headHash, 16)) {
    return false;
  }
  step.mark = mark;
  return true;
}

// Reads what follows a rename's two paths: nothing, the file's numbers, or its numbers and mark.
bool ParseMovedFile(const std::vector<std::string_view>& words, JournalStep& step) {
  if (words.empty()) return true;
  if (!ParseFileId(words[0], step)) return false;
  if (words.size() == 1) return true;
  return words.size() == 4 && ParseMark({words.begin() + 1, words.end()}, step);
}

std::optional<JournalStep> ParseStep(const std::vector<std::string_view>& words) {
  static constexpr std::pair<std::string_view, JournalStep::Kind> kKinds[] = {
      {"folder", JournalStep::Kind::kMakeFolder}, {"file", JournalStep::Kind::kMakeFile},
      {"rename", JournalStep::Kind::kRename},     {"discard", JournalStep::Kind::kDiscard},
      {"trash", JournalStep::Kind::kTrash},       {"page", JournalStep::Kind::kDiscardPage},
  };
  for (const auto& [word, kind] : kKinds) {
    if (words.front() != word) continue;
    const bool isRename = kind == JournalStep::Kind::kRename;
    const std::size_t paths = isRename ? 2 : 1;
    if (words.size() < paths + 1 || (!isRename && words.size() != paths + 1)) return std::nullopt;
    JournalStep step;
    step.kind = kind;
    std::optional<std::string> path = Unescaped(words[1]);
    if (!path || !StaysInFolder(*path)) return std::nullopt;
    step.path = std::move(*path);
    if (paths == 2) {
      std::optional<std::string> to = Unescaped(words[2]);
      if (!to || !StaysInFolder(*to) || FolderPart(*to) != FolderPart(step.path)) {
        return std::nullopt;
      }
      step.to = std::move(*to);
    }
    if (isRename && !ParseMovedFile({words.begin() + 3, words.end()}, step)) return std::nullopt;
    return step;
  }
  return std::nullopt;
}

std::string StepLine(const JournalStep& step) {
  static constexpr std::pair<JournalStep::Kind, std::string_view> kWords[] = {
      {JournalStep::Kind::kMakeFolder, "folder"}, {JournalStep::Kind::kMakeFile, "file"},
      {JournalStep::Kind::kRename, "rename"},     {JournalStep::Kind::kDiscard, "discard"},
      {JournalStep::Kind::kTrash, "trash"},       {JournalStep::Kind::kDiscardPage, "page"},
  };
  std::string line;
  for (const auto& [kind, word] : kWords) {
    if (kind == step.kind) line = word;
  }
  line += ' ';
  line += Escaped(step.path);
  if (step.kind == JournalStep::Kind::kRename) {
    line += ' ';
    line += Escaped(step.to);
    if (step.inode != 0) {
      line += ' ';
      line += std::to_string(step.device);
      line += ':';
      line += std::to_string(step.inode);
      if (step.mark) {
        line += ' ' + std::to_string(step.mark->size) + ' ' + std::to_string(step.mark->modified) +
                ' ' + Hex16(step.mark->headHash);
      }
    }
  }
  return line;
}

// What the index file of `journal` in `folder` holds now, hashed as the journal hashed it.
Result<IndexState> CurrentState(Folder& folder, const Journal& journal) {
  Result<WholeFile> file = ReadWholeFile(folder, journal.indexName);
  if (!file) {
    if (file.error() == std::errc::no_such_file_or_directory) return IndexState{};
    return file.error();
  }
  const std::string_view bytes = file.value().bytes;
  if (journal.byteWiseStates) return IndexState{true, bytes.size(), FnvHash(bytes)};
  return StateOf(bytes);
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

bool IsMissing(const Located& located) {
  return located.entry.kind == EntryInfo::Kind::kMissing;
}

// Tells whether a step of `kind` comes once the index file is new, rather than before it.
bool IsAfterIndex(JournalStep::Kind kind) {
  using Kind = JournalStep::Kind;
  return kind == Kind::kDiscard || kind == Kind::kTrash || kind == Kind::kDiscardPage;
}

JournalProblem Problem(JournalProblem::Kind kind, const Journal* journal, std::string path = {},
                       std::error_code error = {}) {
  JournalProblem problem;
  problem.kind = kind;
  if (journal != nullptr) {
    problem.change = journal->change;
    problem.indexName = journal->indexName;
  }
  problem.path = std::move(path);
  problem.error = error;
  return problem;
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
    if (!to) return Problem(JournalProblem::Kind::kStep, &journal_, step.to, to.error());
    Result<Name> from = At(step.path);
    if (!from) return Problem(JournalProblem::Kind::kStep, &journal_, step.path, from.error());
    const bool fromTaken = from.value().entry.kind != EntryInfo::Kind::kMissing;
    const bool toTaken = to.value().entry.kind != EntryInfo::Kind::kMissing;
    if (step.inode == 0 && !step.mark) {
      // A rename that names no file: done when its name went, since renames never replace.
      return Done(step, toTaken && !fromTaken);
    }
    Result<bool> atTo = Holds(to.value(), step);
    if (!atTo) return Problem(JournalProblem::Kind::kStep, &journal_, step.to, atTo.error());
    if (atTo.value()) {
      // Something took the name that the file is to have back.
      if (fromTaken) {
        return Problem(JournalProblem::Kind::kFileChanged, &journal_, from.value().onDisk);
      }
      return Done(step, true);
    }
    if (!firstOfItsFile) return false;
    Result<bool> atFrom = Holds(from.value(), step);
    if (!atFrom) return Problem(JournalProblem::Kind::kStep, &journal_, step.path, atFrom.error());
    if (atFrom.value()) return false;
    if (fromTaken) {
      return Problem(JournalProblem::Kind::kFileChanged, &journal_, from.value().onDisk);
    }
    // The name a file is first moved to is one that no other file had.
    if (toTaken) return Problem(JournalProblem::Kind::kFileChanged, &journal_, to.value().onDisk);
    return Problem(JournalProblem::Kind::kFileMissing, &journal_, step.path);
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
    if (IsAfterIndex(step.kind)) continue;
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
std::error_code Undo(Folder& top, const JournalStep& step) {
  using Kind = JournalStep::Kind;
  const std::string_view named = step.kind == Kind::kRename ? step.to : step.path;
  Result<Located> at = Locate(top, named);
  if (!at) return at.error();
  Located& located = at.value();
  if (IsMissing(located)) return {};
  switch (step.kind) {
    case Kind::kMakeFolder: {
      std::error_code error = located.folder->RemoveFolder(located.leaf);
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

// Does one step after the index file's change that may or may not have been done: a file that
// is gone, or is no longer a regular file, is left as it is.
std::error_code DoAfter(Folder& top, const JournalStep& step, Trash* trash) {
  using Kind = JournalStep::Kind;
  if (!IsAfterIndex(step.kind)) return {};
  Result<Located> at = Locate(top, step.path);
  if (!at) return at.error();
  Located& located = at.value();
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
    if (step.kind != JournalStep::Kind::kTrash) continue;
    Result<Located> at = Locate(top, step.path);
    if (!at) return at.error();
    if (at.value().entry.kind == EntryInfo::Kind::kRegular) return step.path;
  }
  return std::string();
}

// Flushes each folder that holds one of `steps`' paths once, so that what settling did lasts.
std::error_code SyncFoldersOf(Folder& top, const std::vector<JournalStep>& steps) {
  std::set<std::string_view> folders;
  for (const JournalStep& step : steps) {
    for (std::string_view path : {std::string_view(step.path), std::string_view(step.to)}) {
      if (path.empty() || !folders.insert(FolderPart(path)).second) continue;
      std::string leaf;
      Result<std::unique_ptr<Folder>> folder = OpenFolderOf(top, path, leaf);
      if (!folder) continue;
      if (std::error_code error = folder.value()->Sync()) return error;
    }
  }
  return top.Sync();
}

// The journal of `folder`; none when it has none.
Result<std::optional<Journal>, JournalProblem> ReadJournal(Folder& folder) {
  Result<WholeFile> text = ReadWholeFile(folder, kJournalName, kLargestJournal);
  if (!text) {
    if (text.error() == std::errc::no_such_file_or_directory) return std::optional<Journal>();
    return Problem(JournalProblem::Kind::kUnreadable, nullptr, {}, text.error());
  }
  // A journal takes its name only once it is whole, so one that is no journal was not written
  // by this program, or was damaged since.
  std::optional<Journal> journal = ParseJournal(text.value().bytes);
  if (!journal) return Problem(JournalProblem::Kind::kUnreadable, nullptr);
  return journal;
}

// Undoes the steps of `journal` that come before its index file, once it is known that each can
// be; with `act` false, only finds out whether they can.
std::optional<JournalProblem> UndoChange(Folder& folder, const Journal& journal, bool act) {
  auto undo = DecideUndo(folder, journal);
  if (auto* problem = undo.failure()) return std::move(*problem);
  if (!act) return std::nullopt;
  for (std::size_t i = journal.steps.size(); i-- > 0;) {
    if (!undo.value()[i]) continue;
    if (std::error_code error = Undo(folder, journal.steps[i])) {
      return Problem(JournalProblem::Kind::kStep, &journal, journal.steps[i].path, error);
    }
  }
  return std::nullopt;
}

// Finishes the steps of `journal` that come after its index file, which holds the change.
std::optional<JournalProblem> FinishChange(Folder& folder, const Journal& journal, Trash* trash) {
  if (trash == nullptr) {
    Result<std::string> waiting = FirstForTheTrash(folder, journal);
    if (!waiting) return Problem(JournalProblem::Kind::kStep, &journal, {}, waiting.error());
    if (!waiting.value().empty()) {
      return Problem(JournalProblem::Kind::kNeedsTrash, &journal, journal.indexName);
    }
  }
  return DoStepsAfterIndex(folder, journal, trash);
}

// Finishes or undoes the change of the journal of `folder`, or with `act` false only finds out
// whether it could.
std::optional<JournalProblem> Settle(Folder& folder, Trash* trash, bool act) {
  auto read = ReadJournal(folder);
  if (auto* problem = read.failure()) return std::move(*problem);
  if (!read.value()) return std::nullopt;
  const Journal& journal = *read.value();
  Result<IndexState> now = CurrentState(folder, journal);
  if (!now) return Problem(JournalProblem::Kind::kStep, &journal, journal.indexName, now.error());
  std::optional<JournalProblem> problem;
  if (journal.after && now.value() == *journal.after) {
    if (!act) return std::nullopt;
    problem = FinishChange(folder, journal, trash);
  } else if (now.value() == journal.before) {
    problem = UndoChange(folder, journal, act);
  } else {
    return Problem(JournalProblem::Kind::kIndexChanged, &journal, journal.indexName);
  }
  if (problem || !act) return problem;
  if (std::error_code error = SyncFoldersOf(folder, journal.steps)) {
    return Problem(JournalProblem::Kind::kStep, &journal, ".", error);
  }
  if (std::error_code error = RemoveJournal(folder)) {
    return Problem(JournalProblem::Kind::kStep, &journal, std::string(kJournalName), error);
  }
  return std::nullopt;
}

}  // namespace

std::string_view ChangeWord(ChangeKind kind) {
  for (const auto& [known, name] : kChangeWords) {
    if (known == kind) return name;
  }
  return "";
}

IndexState StateOf(std::string_view bytes) {
  return {true, bytes.size(), WordWiseFnvHash(bytes)};
}

std::string JournalText(const Journal& journal) {
  std::string text;
  auto line = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += value;
    text += '\n';
  };
  line(kFirstLine, "");
  line("change ", std::string(ChangeWord(journal.change)));
  line("index ", Escaped(journal.indexName));
  line("before ", StateText(journal.before));
  line("after ", journal.after ? StateText(*journal.after) : std::string("unknown"));
  for (const JournalStep& step : journal.steps) line(StepLine(step), "");
  line("end", "");
  return text;
}

std::optional<Journal> ParseJournal(std::string_view text) {
  std::vector<std::vector<std::string_view>> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // cut short
    lines.push_back(SplitWords(text.substr(0, end)));
    text.remove_prefix(end + 1);
  }
  const bool earlierVersion =
      !lines.empty() && (lines.front() == SplitWords(kFirstLineOfVersion2) ||
                         lines.front() == SplitWords(kFirstLineOfVersion1));
  const bool version3 = !lines.empty() && lines.front() == SplitWords(kFirstLineOfVersion3);
  const bool knownFormat =
      !lines.empty() && (lines.front() == SplitWords(kFirstLine) || version3 || earlierVersion);
  if (lines.size() < 6 || !knownFormat || lines.back().size() != 1 || lines.back()[0] != "end") {
    return std::nullopt;
  }
  Journal journal;
  journal.byteWiseStates = version3 || earlierVersion;
  auto value = [&](std::size_t i, std::string_view key) -> std::optional<std::string> {
    if (lines[i].size() != 2 || lines[i][0] != key) return std::nullopt;
    return Unescaped(lines[i][1]);
  };
  std::optional<std::string> word = value(1, earlierVersion ? "command" : "change");
  std::optional<ChangeKind> change = word ? ChangeNamed(*word, earlierVersion) : std::nullopt;
  std::optional<std::string> index = value(2, "index");
  if (!change || !index || !StaysInFolder(*index) || index->find('/') != std::string::npos) {
    return std::nullopt;
  }
  journal.change = *change;
  journal.indexName = std::move(*index);
  if (lines[3].empty() || lines[3][0] != "before" || lines[4].empty() || lines[4][0] != "after") {
    return std::nullopt;
  }
  std::optional<IndexState> before = ParseState(lines[3]);
  if (!before) return std::nullopt;
  journal.before = *before;
  if (lines[4].size() != 2 || lines[4][1] != "unknown") {
    std::optional<IndexState> after = ParseState(lines[4]);
    if (!after) return std::nullopt;
    journal.after = *after;
  }
  for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
    if (lines[i].empty()) return std::nullopt;
    std::optional<JournalStep> step = ParseStep(lines[i]);
    if (!step) return std::nullopt;
    journal.steps.push_back(std::move(*step));
  }
  return journal;
}

std::error_code WriteJournal(Folder& folder, const Journal& journal, bool replace) {
  Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
  if (!file) return file.error();
  const std::string text = JournalText(journal);
  if (std::error_code error = file.value()->Write(text.data(), text.size())) return error;
  Placement placement;
  placement.mode = 0600;
  placement.replace = replace;
  placement.durable = true;
  if (std::error_code error = file.value()->PutInPlace(kJournalName, placement)) return error;
  return folder.Sync();
}

std::error_code RemoveJournal(Folder& folder) {
  if (std::error_code error = folder.Remove(kJournalName)) return error;
  return folder.Sync();
}

Result<bool> AbandonJournal(Folder& folder) {
  std::error_code error = RemoveJournal(folder);
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

std::optional<JournalProblem> DoStepsAfterIndex(Folder& folder, const Journal& journal,
                                                Trash* trash) {
  std::vector<JournalStep> done;
  for (const JournalStep& step : journal.steps) {
    if (!IsAfterIndex(step.kind)) continue;
    if (std::error_code error = DoAfter(folder, step, trash)) {
      return Problem(JournalProblem::Kind::kStep, &journal, step.path, error);
    }
    done.push_back(step);
  }
  if (std::error_code error = SyncFoldersOf(folder, done)) {
    return Problem(JournalProblem::Kind::kStep, &journal, ".", error);
  }
  return std::nullopt;
}

std::optional<JournalProblem> SettleJournal(Folder& folder, Trash* trash) {
  return Settle(folder, trash, /*act=*/true);
}

std::optional<JournalProblem> ExamineJournal(Folder& folder) {
  return Settle(folder, nullptr, /*act=*/false);
}

}  // namespace quillmere
