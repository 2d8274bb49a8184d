// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Scratch folders and small file helpers for tests.
#pragma once

#include <filesystem>
#include <string>

namespace quillmere::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  // The folder's path, ending with "/".
  const std::string& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Writes `bytes` to `path`, replacing what was there.
void WriteFile(const std::string& path, const std::string& bytes);

// Returns the whole content of `path`, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);

// Lists the names in `folder`, sorted.
std::string ListNames(const std::string& folder);

// The permission and special bits of the entry at `path` (a link itself, not what it leads to),
// or -1 when there is none.
int ModeOf(const std::string& path);

}  // namespace quillmere::testing
