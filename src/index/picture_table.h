// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The table of pictures read from an index file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <type_traits>

#include "platform/large_buffer.h"

namespace quillmere {

// One picture's two descriptions, pointing into the text the reader keeps.
struct Picture {
  // The caption: trimmed, never empty.
  std::string_view shortText;
  // The text above the full-size picture, exactly as written, possibly empty.
  std::string_view longText;
};

// A growing array of pictures in memory taken from the system in large pages, so that a table
// of millions of pictures costs few page faults; it grows without copying its entries.
class PictureTable {
 public:
  // Makes room for `count` pictures if the system grants it.
  void Reserve(std::size_t count) {
    if (count > capacity_) GrowTo(count);
  }
  // Adds a picture; throws std::bad_alloc when the table cannot grow.
  void push_back(const Picture& picture) {
    if (size_ == capacity_ && !GrowTo(capacity_ < 16 ? 16 : capacity_ * 2)) {
      throw std::bad_alloc();
    }
    data()[size_++] = picture;
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const Picture& operator[](std::size_t i) const { return data()[i]; }
  const Picture* begin() const { return data(); }
  const Picture* end() const { return data() + size_; }

 private:
  static_assert(std::is_trivially_copyable_v<Picture>);

  Picture* data() const { return reinterpret_cast<Picture*>(buffer_.data()); }
  bool GrowTo(std::size_t capacity) {
    if (capacity > SIZE_MAX / sizeof(Picture)) return false;
    if (!buffer_.Grow(capacity * sizeof(Picture))) return false;
    capacity_ = buffer_.capacity() / sizeof(Picture);
    return true;
  }

  LargeBuffer buffer_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace quillmere
