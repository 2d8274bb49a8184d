// Large blocks of memory taken straight from the system in huge pages, for an index file's text
// and its table of pictures.
#pragma once

#include <cstddef>

namespace quillmere {

// A writable block of memory of a fixed capacity; moving it keeps the bytes where they are.
class LargeBuffer {
 public:
  LargeBuffer() = default;
  // Reserves at least `capacity` bytes, committed only as they are touched; an empty buffer
  // (data() null) when the system refuses.
  explicit LargeBuffer(std::size_t capacity);
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;
  ~LargeBuffer();

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  void Release();

  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  void* mapping_ = nullptr;
  std::size_t mappingSize_ = 0;
};

}  // namespace quillmere
