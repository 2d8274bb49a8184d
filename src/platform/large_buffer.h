// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Large blocks of memory taken straight from the system in huge pages, for an index file's text
// and its table of pictures.
#pragma once

#include <cstddef>

namespace quillmere {

// A writable block of memory that can grow without its bytes being copied.
class LargeBuffer {
 public:
  LargeBuffer() = default;
  // Takes at least `capacity` bytes; an empty buffer (data() null) when the system refuses. The
  // system accounts for all of it at once, so that a lack of memory shows here and not later.
  explicit LargeBuffer(std::size_t capacity);
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;
  ~LargeBuffer();

  // Makes room for at least `capacity` bytes, keeping the bytes held; the data may move to another
  // address. Returns false, and changes nothing, when the system refuses.
  bool Grow(std::size_t capacity);

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  void Release();

  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

}  // namespace quillmere
