// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/journal_format.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <utility>

#include "run/fnv_hash.h"
#include "run/record_words.h"

namespace quillmere {
namespace {

// The words of the journal's first line before its version: "quillmere journal 4".
constexpr std::string_view kFirstWords[] = {"quillmere", "journal"};

// Tells whether journals of `version` named the change by the command line that made it
// ("command quillmere-cli --add-pictures") rather than by its word ("change add-pictures").
bool NamesChangeByCommand(int version) {
  return version <= 2;
}

// Tells whether journals of `version` hashed the index file a byte at a time.
bool HashesByteWise(int version) {
  return version <= 3;
}

// What the command line put before the change's word in versions that named it so.
constexpr std::string_view kCommandPrefix = "quillmere-cli --";

// Every change kind with its word in the journal.
constexpr std::array<std::pair<ChangeKind, std::string_view>, 6> kChangeWords = {{
    {ChangeKind::kNewAlbum, "new-album"},
    {ChangeKind::kAddPictures, "add-pictures"},
    {ChangeKind::kRemovePictures, "remove-pictures"},
    {ChangeKind::kMovePicture, "move-picture"},
    {ChangeKind::kMakeThumbnails, "make-thumbnails"},
    {ChangeKind::kEdit, "edit"},
}};

// A kind of step as the journal writes and reads it: the word that starts its line, whether it
// comes once the index file is new, and how many paths follow the word (two for a step that moves
// its first path to its second, after which the file it moves is named).
struct StepRow {
  std::string_view word;
  JournalStep::Kind kind;
  bool afterIndex;
  std::size_t paths;
};

// One row for each kind of step, in the order of JournalStep::Kind.
constexpr StepRow kStepRows[] = {
    {"folder", JournalStep::Kind::kMakeFolder, false, 1},
    {"file", JournalStep::Kind::kMakeFile, false, 1},
    {"rename", JournalStep::Kind::kRename, false, 2},
    {"discard", JournalStep::Kind::kDiscard, true, 1},
    {"trash", JournalStep::Kind::kTrash, true, 1},
    {"page", JournalStep::Kind::kDiscardPage, true, 1},
    {"trash-album", JournalStep::Kind::kTrashAlbum, true, 1},
    {"discard-album", JournalStep::Kind::kDiscardAlbum, true, 1},
};

// Tells whether each row of kStepRows stands at its kind's place.
constexpr bool RowsInKindOrder() {
  for (std::size_t i = 0; i < std::size(kStepRows); ++i) {
    if (static_cast<std::size_t>(kStepRows[i].kind) != i) return false;
  }
  return true;
}
static_assert(RowsInKindOrder(), "kStepRows holds one row per kind, in the kinds' order");

// The row of the steps of `kind`.
const StepRow& RowOf(JournalStep::Kind kind) {
  return kStepRows[static_cast<std::size_t>(kind)];
}

// The row whose line starts with `word`, or none.
const StepRow* RowNamed(std::string_view word) {
  for (const StepRow& row : kStepRows) {
    if (row.word == word) return &row;
  }
  return nullptr;
}

// The change named `word` in a journal of `version`.
std::optional<ChangeKind> ChangeNamed(std::string_view word, int version) {
  if (NamesChangeByCommand(version)) {
    if (!word.starts_with(kCommandPrefix)) return std::nullopt;
    word.remove_prefix(kCommandPrefix.size());
  }
  for (const auto& [kind, name] : kChangeWords) {
    if (name == word) return kind;
  }
  return std::nullopt;
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

// The words of one line.
using Words = std::vector<std::string_view>;

// The first line of a journal of `version`.
std::string FirstLine(int version) {
  return std::string(kFirstWords[0]) + ' ' + std::string(kFirstWords[1]) + ' ' +
         std::to_string(version);
}

// The version that the first line `words` names, or none when it names no known one.
std::optional<int> VersionNamed(const Words& words) {
  if (words.size() != 3 || words[0] != kFirstWords[0] || words[1] != kFirstWords[1]) {
    return std::nullopt;
  }
  for (int version = 1; version <= kJournalVersion; ++version) {
    if (words[2] == std::to_string(version)) return version;
  }
  return std::nullopt;
}

// The line that names the change of `journal`, in its version's way.
std::string ChangeLine(const Journal& journal) {
  const std::string word(ChangeWord(journal.change));
  if (NamesChangeByCommand(journal.version)) {
    return "command " + EscapedWord(std::string(kCommandPrefix) + word);
  }
  return "change " + word;
}

// The words that tell `state`: "none", or its size and hash.
std::string StateText(const IndexState& state) {
  if (!state.present) return "none";
  return std::to_string(state.size) + " " + Hex16(state.hash);
}

// Reads "none" or "SIZE HASH", the words after the line's first, as an index file's state.
std::optional<IndexState> ParseState(const Words& words) {
  if (words.size() == 2 && words[1] == "none") return IndexState{};
  if (words.size() != 3) return std::nullopt;
  const std::optional<std::uint64_t> size = ParseDecimal<std::uint64_t>(words[1]);
  const std::optional<std::uint64_t> hash = ParseHex16(words[2]);
  if (!size || !hash) return std::nullopt;
  return IndexState{true, *size, *hash};
}

// The file a rename moves, as its line names it after its two paths.
struct MovedFile {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::optional<FileMark> mark;
};

// Reads "DEVICE:INODE", in decimal, as the numbers of the file a rename moves.
std::optional<MovedFile> ParseFileId(std::string_view word) {
  const std::size_t colon = word.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto device = ParseDecimal<std::uint64_t>(word.substr(0, colon));
  const auto inode = ParseDecimal<std::uint64_t>(word.substr(colon + 1));
  if (!device || !inode || *inode == 0) return std::nullopt;
  return MovedFile{*device, *inode, std::nullopt};
}

// Reads "SIZE MODIFIED HASH" as the mark of the file a rename moves.
std::optional<FileMark> ParseMark(const Words& words) {
  if (words.size() != 3) return std::nullopt;
  const auto size = ParseDecimal<std::uint64_t>(words[0]);
  const auto modified = ParseDecimal<std::int64_t>(words[1]);
  const std::optional<std::uint64_t> hash = ParseHex16(words[2]);
  if (!size || !modified || !hash) return std::nullopt;
  return FileMark{*size, *modified, *hash};
}

// Reads what follows a rename's two paths: nothing, the file's numbers, or its numbers and mark.
std::optional<MovedFile> ParseMovedFile(const Words& words) {
  if (words.empty()) return MovedFile{};
  std::optional<MovedFile> moved = ParseFileId(words[0]);
  if (!moved || words.size() == 1) return moved;
  std::optional<FileMark> mark = ParseMark({words.begin() + 1, words.end()});
  if (!mark) return std::nullopt;
  moved->mark = mark;
  return moved;
}

// The step that the line `words` holds, or none.
std::optional<JournalStep> ParseStep(const Words& words) {
  const StepRow* row = words.empty() ? nullptr : RowNamed(words.front());
  if (row == nullptr) return std::nullopt;
  const bool moves = row->paths == 2;
  if (words.size() < row->paths + 1 || (!moves && words.size() != row->paths + 1)) {
    return std::nullopt;
  }
  JournalStep step;
  step.kind = row->kind;
  std::optional<std::string> path = UnescapedWord(words[1]);
  if (!path || !StaysInFolder(*path)) return std::nullopt;
  step.path = std::move(*path);
  if (!moves) return step;
  std::optional<std::string> to = UnescapedWord(words[2]);
  if (!to || !StaysInFolder(*to) || FolderPart(*to) != FolderPart(step.path)) return std::nullopt;
  step.to = std::move(*to);
  std::optional<MovedFile> moved = ParseMovedFile({words.begin() + 3, words.end()});
  if (!moved) return std::nullopt;
  step.device = moved->device;
  step.inode = moved->inode;
  step.mark = moved->mark;
  return step;
}

// The line of `step`: its kind's word, its paths and, for a rename, the file it moves.
std::string StepLine(const JournalStep& step) {
  const StepRow& row = RowOf(step.kind);
  std::string line(row.word);
  line += ' ';
  line += EscapedWord(step.path);
  if (row.paths != 2) return line;
  line += ' ';
  line += EscapedWord(step.to);
  if (step.inode == 0) return line;
  line += ' ' + std::to_string(step.device) + ':' + std::to_string(step.inode);
  if (step.mark) {
    line += ' ' + std::to_string(step.mark->size) + ' ' + std::to_string(step.mark->modified) +
            ' ' + Hex16(step.mark->headHash);
  }
  return line;
}

// The lines of `text`, each as its words; none when the text does not end with a whole line.
std::optional<std::vector<Words>> LinesOf(std::string_view text) {
  std::vector<Words> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    lines.push_back(SplitWords(text.substr(0, end)));
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::string_view ChangeWord(ChangeKind kind) {
  for (const auto& [known, name] : kChangeWords) {
    if (known == kind) return name;
  }
  return "";
}

IndexState StateOf(std::string_view bytes, int version) {
  return {true, bytes.size(), HashesByteWise(version) ? FnvHash(bytes) : WordWiseFnvHash(bytes)};
}

bool ComesAfterIndex(JournalStep::Kind kind) {
  return RowOf(kind).afterIndex;
}

std::string JournalText(const Journal& journal) {
  std::string text;
  auto line = [&text](const std::string& words) {
    text += words;
    text += '\n';
  };
  line(FirstLine(journal.version));
  line(ChangeLine(journal));
  line("index " + EscapedWord(journal.indexName));
  line("before " + StateText(journal.before));
  line("after " + (journal.after ? StateText(*journal.after) : std::string("unknown")));
  for (const JournalStep& step : journal.steps) line(StepLine(step));
  line("end");
  return text;
}

std::optional<Journal> ParseJournal(std::string_view text) {
  const std::optional<std::vector<Words>> read = LinesOf(text);
  if (!read || read->size() < 6) return std::nullopt;
  const std::vector<Words>& lines = *read;
  const std::optional<int> version = VersionNamed(lines.front());
  if (!version || lines.back() != Words{"end"}) return std::nullopt;
  Journal journal;
  journal.version = *version;
  auto value = [&](std::size_t i, std::string_view key) -> std::optional<std::string> {
    if (lines[i].size() != 2 || lines[i][0] != key) return std::nullopt;
    return UnescapedWord(lines[i][1]);
  };
  std::optional<std::string> word = value(1, NamesChangeByCommand(*version) ? "command" : "change");
  std::optional<ChangeKind> change = word ? ChangeNamed(*word, *version) : std::nullopt;
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
  if (lines[4] != Words{"after", "unknown"}) {
    std::optional<IndexState> after = ParseState(lines[4]);
    if (!after) return std::nullopt;
    journal.after = *after;
  }
  for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
    std::optional<JournalStep> step = ParseStep(lines[i]);
    if (!step) return std::nullopt;
    journal.steps.push_back(std::move(*step));
  }
  return journal;
}

}  // namespace quillmere
