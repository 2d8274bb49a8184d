// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/descriptor_stream.h"

#include <unistd.h>

#include <cerrno>

namespace quillmere {

DescriptorStreamBuffer::DescriptorStreamBuffer(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

DescriptorStreamBuffer::~DescriptorStreamBuffer() {
  WriteOut();
}

DescriptorStreamBuffer::int_type DescriptorStreamBuffer::overflow(int_type c) {
  if (!WriteOut()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int DescriptorStreamBuffer::sync() {
  return WriteOut() ? 0 : -1;
}

bool DescriptorStreamBuffer::WriteOut() {
  const char* data = pbase();
  std::size_t size = static_cast<std::size_t>(pptr() - pbase());
  setp(buffer_, buffer_ + sizeof buffer_);
  if (error_) return false;
  while (size > 0) {
    ssize_t put = ::write(fd_, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      error_ = std::error_code(errno, std::system_category());
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

std::error_code StreamError(std::ostream& stream) {
  const auto* buffer = dynamic_cast<const DescriptorStreamBuffer*>(stream.rdbuf());
  return buffer != nullptr ? buffer->error() : std::error_code();
}

}  // namespace quillmere
