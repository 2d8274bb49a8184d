#include "index/index_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "index/line_reader.h"
#include "index/number.h"

namespace quillmere {
namespace {

constexpr std::size_t kReadBlock = 8 << 20;

std::string_view TrimSpaces(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Reads the next value line of the head, skipping blank and comment lines; empty at the end.
std::string_view NextValueLine(LineReader& lines) {
  while (!lines.AtEnd()) {
    std::string_view value = TrimSpaces(lines.Next());
    if (!value.empty() && value.front() != ';') return value;
  }
  return {};
}

bool FitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

void ReadPictures(LineReader& lines, IndexFile& index, IndexReport* report) {
  // Each picture takes at least two bytes of the rest, so this much room is never outgrown.
  index.Pictures.Reserve(lines.Rest().size() / 2 + 1);
  while (!lines.AtEnd()) {
    const std::string_view asRead = lines.Next();
    std::string_view shortLine = asRead;
    std::uint64_t shortNumber = lines.LineNumber();
    std::string_view longLine;
    std::uint64_t longNumber = 0;
    if (!lines.AtEnd()) {
      longLine = lines.Next();
      longNumber = lines.LineNumber();
    }
    // Only a semicolon in the very first column makes a comment here.
    if (!shortLine.empty() && shortLine.front() == ';') shortLine = {};
    shortLine = TrimSpaces(shortLine);
    if (!shortLine.empty()) {
      index.Pictures.push_back({shortLine, longLine});
      if (report) report->pictureLines.push_back(shortNumber);
    } else if (report) {
      report->droppedPairs.push_back({shortNumber, longNumber, asRead, longLine});
    }
  }
}

}  // namespace

std::variant<IndexFile, IndexError> ParseIndexText(std::string_view text, IndexReport* report) {
  IndexFile index;
  LineReader lines(text);
  index.SiteTitle = NextValueLine(lines);
  index.ThumbPrefix = NextValueLine(lines);
  index.ImagePrefix = NextValueLine(lines);
  index.SupportFolder = NextValueLine(lines);
  std::string_view fifthValue = NextValueLine(lines);
  if (!fifthValue.empty()) {
    ReadNumberResult number = ReadNumber(fifthValue);
    if (report) {
      report->fifthValueLine = lines.LineNumber();
      report->fifthValueText = std::string(fifthValue);
      report->fifthValuePlain = number.plain;
      report->fifthValueNumber = number.value;
    }
    if (!FitsInt32(number.value) || number.value > kMaxPicsPerRow) {
      return IndexError{IndexError::Kind::kPicsPerRowOutOfRange, 0, std::string(fifthValue)};
    }
    index.PicsPerRow = static_cast<std::int32_t>(number.value);
  }
  index.PicsPerRow = std::max(index.PicsPerRow, 1);
  ReadPictures(lines, index, report);
  return index;
}

std::variant<IndexFile, IndexError> ReadIndexFile(const std::string& path, FileSystem& fs,
                                                  IndexReport* report) {
  auto unreadable = [](int error) { return IndexError{IndexError::Kind::kUnreadable, error, {}}; };
  Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(path);
  if (!file) return unreadable(file.error);
  Result<std::uint64_t> sizeHint = file.value->Size();
  if (!sizeHint) return unreadable(sizeHint.error);

  // One byte more than expected, so that reaching the end needs no second buffer.
  LargeBuffer text(static_cast<std::size_t>(sizeHint.value) + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == text.capacity()) {
      LargeBuffer larger(text.capacity() + text.capacity() / 2 + kReadBlock);
      if (larger.data() == nullptr) return unreadable(ENOMEM);
      std::memcpy(larger.data(), text.data(), used);
      text = std::move(larger);
    }
    if (text.data() == nullptr) return unreadable(ENOMEM);
    std::size_t wanted = std::min(text.capacity() - used, kReadBlock);
    Result<std::size_t> got = file.value->Read(text.data() + used, wanted);
    if (!got) return unreadable(got.error);
    if (got.value == 0) break;
    used += got.value;
  }
  file.value.reset();

  std::variant<IndexFile, IndexError> parsed;
  try {
    parsed = ParseIndexText({text.data(), used}, report);
  } catch (const std::bad_alloc&) {
    return unreadable(ENOMEM);
  }
  if (auto* index = std::get_if<IndexFile>(&parsed)) index->KeepText(std::move(text));
  return parsed;
}

}  // namespace quillmere
