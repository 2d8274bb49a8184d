// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the file layer offers above any one file system: its own error codes, and whole reads
// made of the steps every file system has.
#include "platform/file_system.h"

#include <cerrno>
#include <memory>

namespace quillmere {
namespace {

class FileErrorCategoryImpl final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillmere file"; }
  std::string message(int code) const override {
    switch (static_cast<FileError>(code)) {
      case FileError::kNotRegularFile:
        return "Not a regular file";
    }
    return "Unknown file error";
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const FileErrorCategoryImpl category;
  return category;
}

Result<std::size_t> ReadFullyAt(ReadableFile& file, char* data, std::size_t size,
                                std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    Result<std::size_t> part = file.ReadAt(data + got, size - got, offset + got);
    if (!part) return part.error();
    if (part.value() == 0) break;
    got += part.value();
  }
  return got;
}

Result<std::size_t> ReadInto(ReadableFile& file, char* data, std::size_t capacity,
                             std::size_t expected) {
  std::size_t got = 0;
  while (got < capacity) {
    Result<std::size_t> part = file.Read(data + got, capacity - got);
    if (!part) return part.error();
    if (part.value() == 0) break;
    got += part.value();
    // A regular file gives all it holds to one read: a short read past what was expected is its
    // end, and asking again would only be told so.
    if (got >= expected && got < capacity) break;
  }
  return got;
}

Result<WholeFile> ReadWhole(ReadableFile& file, std::uint64_t most) {
  WholeFile whole;
  whole.entry = file.AsOpened();
  const std::uint64_t size = whole.entry.size;
  if (size > most) return SystemError(EFBIG);
  // One byte more than the file held when it was opened, so that one read also finds its end.
  whole.bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t held = 0;
  auto expected = static_cast<std::size_t>(size);
  for (;;) {
    Result<std::size_t> got =
        ReadInto(file, whole.bytes.data() + held, whole.bytes.size() - held, expected);
    if (!got) return got.error();
    held += got.value();
    if (held < whole.bytes.size()) break;
    // The file grew while it was read: it is read on to its new end.
    if (held > most) return SystemError(EFBIG);
    expected = 0;
    whole.bytes.resize(whole.bytes.size() + whole.bytes.size() / 2 + 1);
  }
  whole.bytes.resize(held);
  return whole;
}

Result<WholeFile> ReadWholeFile(Folder& folder, std::string_view name, std::uint64_t most) {
  Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(name);
  if (!file) return file.error();
  return ReadWhole(*file.value(), most);
}

}  // namespace quillmere
