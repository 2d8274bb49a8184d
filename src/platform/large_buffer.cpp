// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <utility>

namespace quillmere {
namespace {

// Huge pages spare the system one page fault per 4 KiB, the main cost of reading a large file.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t size, std::size_t unit) {
  return (size + unit - 1) / unit * unit;
}

// The mapping size for `capacity` bytes, or 0 when it cannot be expressed.
std::size_t MappingSize(std::size_t capacity) {
  if (capacity > static_cast<std::size_t>(-1) - kHugePage) return 0;
  return RoundUp(capacity == 0 ? 1 : capacity, kHugePage);
}

}  // namespace

LargeBuffer::LargeBuffer(std::size_t capacity) {
  std::size_t size = MappingSize(capacity);
  if (size == 0) return;
  // A huge page more than needed, so that the block can start on a huge page's boundary; the
  // pieces before and after it go back to the system at once.
  void* mapping =
      ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return;
  auto* start = static_cast<char*>(mapping);
  auto address = reinterpret_cast<std::uintptr_t>(start);
  std::size_t head = RoundUp(address, kHugePage) - address;
  if (head > 0) ::munmap(start, head);
  if (kHugePage - head > 0) ::munmap(start + head + size, kHugePage - head);
  data_ = start + head;
  capacity_ = size;
  ::madvise(data_, capacity_, MADV_HUGEPAGE);  // advice only: failure changes nothing
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

LargeBuffer::~LargeBuffer() {
  Release();
}

bool LargeBuffer::Grow(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  if (data_ == nullptr) {
    LargeBuffer fresh(capacity);
    if (fresh.data() == nullptr) return false;
    *this = std::move(fresh);
    return true;
  }
  std::size_t size = MappingSize(capacity);
  if (size == 0) return false;
  // The system moves the pages themselves where the mapping cannot grow in place.
  void* moved = ::mremap(data_, capacity_, size, MREMAP_MAYMOVE);
  if (moved == MAP_FAILED) return false;
  data_ = static_cast<char*>(moved);
  capacity_ = size;
  ::madvise(data_, capacity_, MADV_HUGEPAGE);
  return true;
}

void LargeBuffer::Release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
}

}  // namespace quillmere
