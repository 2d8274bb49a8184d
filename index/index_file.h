// The index file: its format, its reader and the values a run takes from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "index/picture_table.h"
#include "platform/file_system.h"
#include "platform/large_buffer.h"

namespace quillmere {

// The most thumbnails per row a run accepts; a larger number is taken for a typing error.
inline constexpr std::int32_t kMaxPicsPerRow = 10000;

// Where the reader found things, for reports about the index file.
struct IndexReport {
  // A pair that a blank or comment short line dropped; the texts point into the text that the
  // IndexFile read alongside keeps.
  struct DroppedPair {
    std::uint64_t shortLine = 0;
    std::uint64_t longLine = 0;  // 0 when the file ended after the short line
    std::string_view shortText;  // as read
    std::string_view longText;
  };
  std::uint64_t fifthValueLine = 0;  // 0 when the head ended early
  std::string fifthValueText;
  bool fifthValuePlain = false;
  std::int64_t fifthValueNumber = 0;
  std::vector<std::uint64_t> pictureLines;  // the short line of each picture
  std::vector<DroppedPair> droppedPairs;
};

// The values of one run: the head of the index file and its pictures.
class IndexFile {
 public:
  IndexFile() = default;
  IndexFile(IndexFile&&) = default;
  IndexFile& operator=(IndexFile&&) = default;
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  std::string_view SiteTitle;
  std::string_view ThumbPrefix;
  std::string_view ImagePrefix;
  std::string_view SupportFolder;
  std::int32_t PicsPerRow = 6;
  // Picture n is Pictures[n - 1].
  PictureTable Pictures;

  // The number of pictures.
  std::int64_t PictureCount() const { return static_cast<std::int64_t>(Pictures.size()); }

  // Takes ownership of the bytes the values point into.
  void KeepText(LargeBuffer text) { text_ = std::move(text); }

 private:
  LargeBuffer text_;
};

// Why an index file could not be used.
struct IndexError {
  enum class Kind { kUnreadable, kPicsPerRowOutOfRange };
  Kind kind = Kind::kUnreadable;
  int systemError = 0;
  std::string numberText;  // the fifth value line, for kPicsPerRowOutOfRange
};

// Reads index file text already in memory; the result points into `text`.
std::variant<IndexFile, IndexError> ParseIndexText(std::string_view text,
                                                   IndexReport* report = nullptr);

// Reads the index file at `path` through `fs`.
std::variant<IndexFile, IndexError> ReadIndexFile(const std::string& path, FileSystem& fs,
                                                  IndexReport* report = nullptr);

}  // namespace quillmere
