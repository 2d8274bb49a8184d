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

// Tells whether the comment line `comment`, trimmed, is the one that says the site has videos:
// the same words after the ";", whatever the spaces around them.
bool SaysVideos(std::string_view comment) {
  return TrimSpaces(comment.substr(1)) == TrimSpaces(kVideosLine.substr(1));
}

// Reads the next value line of the head, skipping blank and comment lines and noting the one
// that says the site has videos; empty at the end.
std::string_view NextValueLine(LineReader& lines, IndexHead& head) {
  while (!lines.AtEnd()) {
    std::string_view value = TrimSpaces(lines.Next());
    if (value.empty()) continue;
    if (value.front() != ';') return value;
    head.videos = head.videos || SaysVideos(value);
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
