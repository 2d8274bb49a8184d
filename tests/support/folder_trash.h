// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A desktop's trash of the tests' own: what it is given, a file or a folder, moves into a folder
// of the test.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "run/journal_settle.h"

namespace quillmere::testing {

// Takes the entries of the album folder `album` it is given into the folder `bin`, or refuses
// them all where `refuse`.
class FolderTrash final : public Trash {
 public:
  FolderTrash(std::string album, std::string bin, bool refuse = false)
      : album_(std::move(album)), bin_(std::move(bin)), refuse_(refuse) {
    std::filesystem::create_directories(bin_);
  }
  Result<void> CheckTakes(std::string_view /*path*/) override {
    return refuse_ ? std::make_error_code(std::errc::operation_not_supported) : std::error_code();
  }
  Result<void> MoveToTrash(std::string_view path) override {
    const std::filesystem::path from = album_ + "/" + std::string(path);
    std::error_code error;
    std::filesystem::rename(from, bin_ + "/" + from.filename().string(), error);
    return error;
  }

 private:
  std::string album_;
  std::string bin_;
  bool refuse_;
};

}  // namespace quillmere::testing
