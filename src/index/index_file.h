// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The index file: its format, its reader and the values a run takes from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "index/line_reader.h"
#include "index/picture_table.h"
#include "platform/file_system.h"
#include "platform/large_buffer.h"

namespace quillmere {

// The most thumbnails per row a run accepts; a larger number is taken for a typing error.
inline constexpr std::int32_t kMaxPicsPerRow = 10000;

// The comment line, among the head's values, by which an index file says that its site has
// videos; spaces around and after the ";" do not matter.
inline constexpr std::string_view kVideosLine = "; videos";

// The comment line of the head that says the site is an album of a tree of albums, whose entries
// may be albums; spaces around and after the ";" do not matter.
inline constexpr std::string_view kAlbumsLine = "; albums";

// The word of the head's comment line that gives the address of the parent album's index page
// ("; parent ../index.html"), honoured in a site whose head says kAlbumsLine.
inline constexpr std::string_view kParentWord = "; parent";

// The head of an index file: its five values, and where in the file they stood.
struct IndexHead {
  std::string_view SiteTitle;
  std::string_view ThumbPrefix;
  std::string_view ImagePrefix;
  std::string_view SupportFolder;
  std::int32_t PicsPerRow = 6;

  // The fifth value line: its number (0 when the head ended before it), its trimmed text, the
  // number it reads as, and whether it is a plain whole number and nothing else.
  std::uint64_t fifthValueLine = 0;
  std::string_view fifthValueText;
  std::int64_t fifthValueNumber = 0;
  bool fifthValuePlain = false;

  // True when the whole file is UTF-8 beyond plain ASCII, which the index page then declares.
  bool utf8 = false;

  // True when a comment line of the head says that the site has videos (kVideosLine): only
  // then does a run look for them beside the pictures.
  bool videos = false;

  // True when a comment line of the head says that the site is an album of a tree (kAlbumsLine):
  // only then are its album entries and its parent looked for.
  bool albums = false;

  // The address of the parent album's index page, as its comment line gives it (kParentWord);
  // empty when the head names none.
  std::string_view parent;

  // Where the picture section starts: the lines of the head and its place in the text.
  std::uint64_t headLines = 0;
  std::size_t picturesOffset = 0;
};

// The values of one run: the head of the index file and its pictures.
class IndexFile {
 public:
  IndexFile() = default;
  IndexFile(IndexFile&&) = default;
  IndexFile& operator=(IndexFile&&) = default;
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  // The head values.
  IndexHead head;

  // Picture n is Pictures[n - 1].
  PictureTable Pictures;

  // The number of pictures.
  std::int64_t PictureCount() const { return static_cast<std::int64_t>(Pictures.size()); }

  // The file that was read, as it was when it was read; empty for text read from memory.
  EntryInfo source;

  // Takes ownership of the bytes the values point into.
  void KeepText(LargeBuffer text) { text_ = std::move(text); }

 private:
  LargeBuffer text_;
};

// Why an index file could not be used.
struct IndexError {
  enum class Kind { kUnreadable, kPicsPerRowOutOfRange, kNotText };
  Kind kind = Kind::kUnreadable;
  std::error_code systemError;
  std::string numberText;  // the fifth value line, for kPicsPerRowOutOfRange
};

// An index file's bytes, read whole, and the file as it was when they were read.
struct IndexText {
  LargeBuffer buffer;
  std::size_t size = 0;
  EntryInfo source;

  std::string_view bytes() const { return {buffer.data(), size}; }
};

// The lines of the picture section, for reading them after the head.
inline LineReader PictureLines(std::string_view text, const IndexHead& head) {
  return LineReader(text, head.picturesOffset, head.headLines);
}

// Reads the whole index file at `path` through `fs`, refusing a file that is not text.
Result<IndexText, IndexError> LoadIndexText(const std::string& path, FileSystem& fs);

// Reads the whole of the index file `file`, just opened; a file that grows meanwhile is read on to
// its end.
Result<IndexText, IndexError> LoadIndexText(ReadableFile& file);

// Reads the head of index file text; the result points into `text`.
Result<IndexHead, IndexError> ParseIndexHead(std::string_view text);

// Reads index file text already in memory; the result points into `text`.
Result<IndexFile, IndexError> ParseIndexText(std::string_view text);

// Reads the index file whose text is `text`; the result keeps the text it points into.
Result<IndexFile, IndexError> ParseIndexFile(IndexText text);

// Reads the index file at `path` through `fs`; the result keeps the text it points into.
Result<IndexFile, IndexError> ReadIndexFile(const std::string& path, FileSystem& fs);

}  // namespace quillmere
