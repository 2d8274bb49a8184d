// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Standard output and standard error as streams that remember why a write failed.
#pragma once

#include <ostream>
#include <streambuf>
#include <system_error>

namespace quillmere {

// A stream buffer over a file descriptor that keeps the error of the first write that failed.
class DescriptorStreamBuffer final : public std::streambuf {
 public:
  explicit DescriptorStreamBuffer(int fd);
  DescriptorStreamBuffer(const DescriptorStreamBuffer&) = delete;
  DescriptorStreamBuffer& operator=(const DescriptorStreamBuffer&) = delete;
  ~DescriptorStreamBuffer() override;

  // The error of the first failed write, or none.
  std::error_code error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool WriteOut();

  int fd_;
  std::error_code error_;
  char buffer_[8192];
};

// The error with which writing to `stream` failed, when it writes through a
// DescriptorStreamBuffer and one failed; otherwise none.
std::error_code StreamError(std::ostream& stream);

}  // namespace quillmere
