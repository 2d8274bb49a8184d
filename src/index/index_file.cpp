// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/index_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "index/number.h"
#include "index/picture_section.h"
#include "index/text_encoding.h"

namespace quillmere {
namespace {

constexpr std::size_t kReadBlock = 8 << 20;

// The words of the comment line `comment`, trimmed, after its ";", whatever the spaces around
// them.
std::string_view CommentWords(std::string_view comment) {
  return TrimSpaces(comment.substr(1));
}

// Tells whether the comment line `comment`, trimmed, is the comment line `line` whatever the
// spaces around its words.
bool IsCommentLine(std::string_view comment, std::string_view line) {
  return CommentWords(comment) == CommentWords(line);
}

// The address that the comment line `comment`, trimmed, gives the parent album, when it is the
// line of kParentWord: the word, a space, the address; empty otherwise.
std::string_view ParentAddress(std::string_view comment) {
  const std::string_view word = CommentWords(kParentWord);
  const std::string_view words = CommentWords(comment);
  if (!words.starts_with(word) || words.size() == word.size() || words[word.size()] != ' ') {
    return {};
  }
  return TrimSpaces(words.substr(word.size()));
}

// Notes what the head's comment line `comment`, trimmed, says of the site: that it has videos,
// that it is an album of a tree, or where its parent album is (the first such line counts).
void ReadHeadComment(std::string_view comment, IndexHead& head) {
  head.videos = head.videos || IsCommentLine(comment, kVideosLine);
  head.albums = head.albums || IsCommentLine(comment, kAlbumsLine);
  if (head.parent.empty()) head.parent = ParentAddress(comment);
}

// Reads the next value line of the head, skipping blank and comment lines and noting what the
// comment lines say of the site; empty at the end.
std::string_view NextValueLine(LineReader& lines, IndexHead& head) {
  while (!lines.AtEnd()) {
    std::string_view value = TrimSpaces(lines.Next());
    if (value.empty()) continue;
    if (value.front() != ';') return value;
    ReadHeadComment(value, head);
  }
  return {};
}

bool FitsPicsPerRow(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() && value <= kMaxPicsPerRow;
}

void ReadPictures(LineReader lines, IndexFile& index) {
  PairReader pairs(lines);
  while (const std::optional<LinePair> next = pairs.Next()) {
    const LinePair& pair = *next;
    if (!pair.dropped()) index.Pictures.push_back({pair.caption, pair.secondLine});
  }
}

IndexError Unreadable(std::error_code error) {
  return IndexError{IndexError::Kind::kUnreadable, error, {}};
}

}  // namespace

Result<IndexHead, IndexError> ParseIndexHead(std::string_view text) {
  if (LooksBinary(text)) return IndexError{IndexError::Kind::kNotText, {}, {}};
  IndexHead head;
  head.utf8 = IsUtf8BeyondAscii(text);
  // A byte-order mark only tells the encoding; it is no part of the first line.
  const std::size_t start = text.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
  LineReader lines(text, start, 0);
  head.SiteTitle = NextValueLine(lines, head);
  head.ThumbPrefix = NextValueLine(lines, head);
  head.ImagePrefix = NextValueLine(lines, head);
  head.SupportFolder = NextValueLine(lines, head);
  head.fifthValueText = NextValueLine(lines, head);
  if (!head.fifthValueText.empty()) {
    ReadNumberResult number = ReadNumber(head.fifthValueText);
    head.fifthValueLine = lines.LineNumber();
    head.fifthValuePlain = number.plain;
    head.fifthValueNumber = number.value;
    if (!FitsPicsPerRow(number.value)) {
      return IndexError{
          IndexError::Kind::kPicsPerRowOutOfRange, {}, std::string(head.fifthValueText)};
    }
    head.PicsPerRow = static_cast<std::int32_t>(number.value);
  }
  head.PicsPerRow = std::max(head.PicsPerRow, 1);
  head.headLines = lines.LineNumber();
  head.picturesOffset = lines.Offset();
  return head;
}

Result<IndexFile, IndexError> ParseIndexText(std::string_view text) {
  Result<IndexHead, IndexError> head = ParseIndexHead(text);
  if (auto* error = head.failure()) return std::move(*error);
  IndexFile index;
  index.head = head.value();
  // Room for a picture per 32 bytes of text, about as much memory as the text itself; a file of
  // shorter lines makes the table grow.
  index.Pictures.Reserve((text.size() - index.head.picturesOffset) / 32 + 16);
  ReadPictures(PictureLines(text, index.head), index);
  return index;
}

Result<IndexText, IndexError> LoadIndexText(const std::string& path, FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(path);
  if (!file) return Unreadable(file.error());
  return LoadIndexText(*file.value());
}

Result<IndexText, IndexError> LoadIndexText(ReadableFile& file) {
  // One byte more than the file held when it was opened, so that reaching its end needs no
  // second buffer and, while it does not grow, no second read.
  IndexText text;
  text.source = file.AsOpened();
  const auto expected = static_cast<std::size_t>(text.source.size);
  text.buffer = LargeBuffer(expected + 1);
  if (text.buffer.data() == nullptr) return Unreadable(SystemError(ENOMEM));
  for (;;) {
    if (text.size == text.buffer.capacity() &&
        !text.buffer.Grow(text.buffer.capacity() + text.buffer.capacity() / 2 + kReadBlock)) {
      return Unreadable(SystemError(ENOMEM));
    }
    const std::size_t room = text.buffer.capacity() - text.size;
    Result<std::size_t> got = ReadInto(file, text.buffer.data() + text.size, room,
                                       expected - std::min(expected, text.size));
    if (!got) return Unreadable(got.error());
    text.size += got.value();
    if (got.value() < room) break;
  }
  return text;
}

Result<IndexFile, IndexError> ParseIndexFile(IndexText text) {
  try {
    Result<IndexFile, IndexError> parsed = ParseIndexText(text.bytes());
    if (parsed) {
      parsed.value().source = text.source;
      parsed.value().KeepText(std::move(text.buffer));
    }
    return parsed;
  } catch (const std::bad_alloc&) {
    return Unreadable(SystemError(ENOMEM));
  }
}

Result<IndexFile, IndexError> ReadIndexFile(const std::string& path, FileSystem& fs) {
  Result<IndexText, IndexError> loaded = LoadIndexText(path, fs);
  if (auto* error = loaded.failure()) return std::move(*error);
  return ParseIndexFile(std::move(loaded.value()));
}

}  // namespace quillmere
