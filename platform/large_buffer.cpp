#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <utility>

namespace quillmere {
namespace {

// Huge pages spare the system one page fault per 4 KiB, the main cost of reading a large file.
constexpr std::size_t kHugePage = 2u << 20;

std::size_t RoundUp(std::size_t size, std::size_t unit) {
  return (size + unit - 1) / unit * unit;
}

}  // namespace

LargeBuffer::LargeBuffer(std::size_t capacity) {
  capacity_ = RoundUp(capacity == 0 ? 1 : capacity, kHugePage);
  mappingSize_ = capacity_ + kHugePage;  // room to align the start to a huge page
  void* mapping = ::mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapping == MAP_FAILED) {
    capacity_ = mappingSize_ = 0;
    return;
  }
  mapping_ = mapping;
  auto address = reinterpret_cast<std::uintptr_t>(mapping);
  data_ = reinterpret_cast<char*>(RoundUp(address, kHugePage));
  ::madvise(data_, capacity_, MADV_HUGEPAGE);  // advice only: failure changes nothing
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappingSize_(std::exchange(other.mappingSize_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mappingSize_ = std::exchange(other.mappingSize_, 0);
  }
  return *this;
}

LargeBuffer::~LargeBuffer() {
  Release();
}

void LargeBuffer::Release() {
  if (mapping_ != nullptr) ::munmap(mapping_, mappingSize_);
  mapping_ = nullptr;
  data_ = nullptr;
  capacity_ = mappingSize_ = 0;
}

}  // namespace quillmere
