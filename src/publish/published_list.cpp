// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/published_list.h"

#include <string_view>

#include "paths/paths.h"
#include "run/record_words.h"

namespace quillmere {
namespace {

constexpr std::string_view kFirstLine = "# files published by quillmere, format 1";
// The largest list read: far more than ten thousand albums of ten thousand pictures name.
constexpr std::size_t kMostListBytes = std::size_t{1} << 30;

}  // namespace

std::string PublishedListText(const std::set<std::string>& files) {
  std::string text(kFirstLine);
  text += '\n';
  for (const std::string& file : files) {
    text += EscapedWord(file);
    text += '\n';
  }
  return text;
}

std::optional<std::set<std::string>> ReadPublishedList(ReadableFile& file) {
  Result<WholeFile> whole = ReadWhole(file, kMostListBytes);
  if (!whole) return std::nullopt;
  const std::string& text = whole.value().bytes;
  std::string_view rest = text;
  if (!rest.starts_with(kFirstLine) || !rest.substr(kFirstLine.size()).starts_with('\n')) {
    return std::nullopt;
  }
  rest.remove_prefix(kFirstLine.size() + 1);
  std::set<std::string> files;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::optional<std::string> path = UnescapedWord(rest.substr(0, end));
    // A path out of the destination is no path this program published.
    if (!path || path->empty() || !StaysInside(*path)) return std::nullopt;
    files.insert(std::move(*path));
    rest.remove_prefix(end + 1);
  }
  return files;
}

}  // namespace quillmere
