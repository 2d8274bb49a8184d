// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "paths/paths.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace quillmere {
namespace {

bool IsSchemeLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeDigit(char c) {
  return c >= '0' && c <= '9';
}

// Tells whether a link may hold `c` as it is: an ASCII letter or digit, "-", ".", "_", "~", or the
// "/" between folders.
bool IsUnreservedInLink(char c) {
  return IsSchemeLetter(c) || IsSchemeDigit(c) || c == '-' || c == '.' || c == '_' || c == '~' ||
         c == kSeparator;
}

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

SplitPath SplitAtFolder(std::string_view path) {
  const std::size_t slash = path.rfind(kSeparator);
  const std::size_t nameAt = slash == std::string_view::npos ? 0 : slash + 1;
  return {path.substr(0, nameAt), path.substr(nameAt)};
}

std::string FolderAsGiven(std::string_view path) {
  return std::string(SplitAtFolder(path).folder);
}

std::string FolderName(std::string_view path) {
  std::string folder = FolderAsGiven(path);
  return folder.empty() ? std::string{'.', kSeparator} : folder;
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
  const SplitPath split = SplitAtFolder(FileName);
  if (!HasWildcard(split.name)) return CountsAsPresent(fs, FileName);
  return AnyMatchPresent(fs, std::string(split.folder), split.name);
}

bool NamesAnotherPlace(std::string_view name) {
  if (name.starts_with("//")) return true;
  // A scheme is a letter followed by letters, digits, "+", "-" or ".", and ends at a colon.
  if (name.empty() || !IsSchemeLetter(name.front())) return false;
  for (char c : name.substr(1)) {
    if (c == ':') return true;
    if (!IsSchemeLetter(c) && !IsSchemeDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

std::vector<std::string_view> PartsOf(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find(kSeparator);
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

bool StaysInside(std::string_view prefix) {
  if (prefix.empty() || prefix.front() == kSeparator || NamesAnotherPlace(prefix)) return false;
  const std::vector<std::string_view> parts = PartsOf(prefix);
  return std::none_of(parts.begin(), parts.end(),
                      [](std::string_view p) { return p == ".." || p == "."; });
}

std::string PathOnDisk(std::string_view siteFolder, std::string_view name) {
  if (name.starts_with('/')) return std::string(name);
  std::string path(siteFolder);
  path += name;
  return path;
}

std::string PercentEncoded(std::string_view name) {
  static constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size());
  for (const char c : name) {
    if (IsUnreservedInLink(c)) {
      encoded += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    encoded += '%';
    encoded += kHexDigits[byte >> 4];
    encoded += kHexDigits[byte & 0x0F];
  }
  return encoded;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    unsigned int code = 0;
    const char* first = text.data() + i + 1;
    const auto [end, error] = std::from_chars(first, first + 2, code, 16);
    if (error != std::errc() || end != first + 2) return std::nullopt;
    decoded += static_cast<char>(code);
    i += 2;
  }
  return decoded;
}

std::string TidyFolderPath(std::string path) {
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  return path.empty() ? "." : path;
}

}  // namespace quillmere
