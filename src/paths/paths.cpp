// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "paths/paths.h"

#include <vector>

namespace quillmere {
namespace {

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool CountsAsPresent(FileSystem& fs, const std::string& path) {
  Result<EntryInfo> entry = fs.Inspect(path, /*follow=*/true);
  return entry && (entry.value().kind == EntryInfo::Kind::kRegular ||
                   entry.value().kind == EntryInfo::Kind::kFolder);
}

bool AnyMatchPresent(FileSystem& fs, const std::string& folder, std::string_view pattern) {
  Result<std::vector<std::string>> names = fs.ListFolder(folder.empty() ? "." : folder);
  if (!names) return false;
  for (const std::string& name : names.value()) {
    // Like a shell, a wildcard does not reveal dot files unless the pattern starts with a dot.
    if (name.front() == '.' && pattern.front() != '.') continue;
    if (MatchesWildcard(pattern, name) && CountsAsPresent(fs, folder + name)) return true;
  }
  return false;
}

}  // namespace

std::string FolderName(std::string_view folderPath) {
  std::size_t last = folderPath.rfind(kSeparator);
  if (last == std::string_view::npos) return std::string{'.', kSeparator};
  return std::string(folderPath.substr(0, last + 1));
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::string_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool Exist(const std::string& FileName, FileSystem& fs) {
  if (FileName.empty()) return false;
  std::string folder = FolderName(FileName);
  std::string_view lastPart = std::string_view(FileName).substr(FileName.rfind(kSeparator) + 1);
  if (!HasWildcard(lastPart)) return CountsAsPresent(fs, FileName);
  if (FileName.find(kSeparator) == std::string::npos) folder.clear();
  return AnyMatchPresent(fs, folder, lastPart);
}

}  // namespace quillmere
