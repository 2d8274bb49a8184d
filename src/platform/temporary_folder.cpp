// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/temporary_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace quillmere {

Result<TemporaryFolder> TemporaryFolder::Make() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = base != nullptr && *base != '\0' ? base : "/tmp";
  pattern += "/quillmere-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return SystemError(errno);
  return TemporaryFolder(pattern + "/");
}

TemporaryFolder::~TemporaryFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace quillmere
