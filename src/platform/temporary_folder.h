// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A private folder for the files a command hands to another program, gone with its contents when
// the command is done.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace quillmere {

// A folder of this process's own under TMPDIR (or /tmp), readable by its user alone.
class TemporaryFolder {
 public:
  // Makes the folder.
  static Result<TemporaryFolder> Make();
  TemporaryFolder(TemporaryFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
  }
  TemporaryFolder& operator=(TemporaryFolder&&) = delete;
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  // Removes the folder and what it holds.
  ~TemporaryFolder();

  // Its path, ending with "/".
  const std::string& path() const { return path_; }

 private:
  explicit TemporaryFolder(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace quillmere
