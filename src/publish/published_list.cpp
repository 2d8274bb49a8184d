// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/published_list.h"

#include <string_view>

#include "paths/paths.h"

namespace quillmere {
namespace {

constexpr std::string_view kFirstLine = "# files published by quillmere, format 1";
// The largest list read: far more than ten thousand albums of ten thousand pictures name.
constexpr std::size_t kMostListBytes = std::size_t{1} << 30;

// `path` with "\" and line ends written so that it fits on one line.
void AppendEscaped(std::string& text, std::string_view path) {
  for (char c : path) {
    if (c == '\\') {
      text += "\\\\";
    } else if (c == '\n') {
      text += "\\n";
    } else {
      text += c;
    }
  }
}

// The path that the line `line` writes; none when it is not written as AppendEscaped writes.
std::optional<std::string> Unescaped(std::string_view line) {
  std::string path;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\') {
      path += line[i];
      continue;
    }
    if (++i == line.size()) return std::nullopt;
    if (line[i] == '\\') {
      path += '\\';
    } else if (line[i] == 'n') {
      path += '\n';
    } else {
      return std::nullopt;
    }
  }
  return path;
}

}  // namespace

std::string PublishedListText(const std::set<std::string>& files) {
  std::string text(kFirstLine);
  text += '\n';
  for (const std::string& file : files) {
    AppendEscaped(text, file);
    text += '\n';
  }
  return text;
}

std::optional<std::set<std::string>> ReadPublishedList(ReadableFile& file) {
  std::string text;
  char buffer[65536];
  for (;;) {
    Result<std::size_t> got = file.Read(buffer, sizeof buffer);
    if (!got) return std::nullopt;
    if (got.value() == 0) break;
    text.append(buffer, got.value());
    if (text.size() > kMostListBytes) return std::nullopt;
  }
  std::string_view rest = text;
  if (!rest.starts_with(kFirstLine) || !rest.substr(kFirstLine.size()).starts_with('\n')) {
    return std::nullopt;
  }
  rest.remove_prefix(kFirstLine.size() + 1);
  std::set<std::string> files;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::optional<std::string> path = Unescaped(rest.substr(0, end));
    // A path out of the destination is no path this program published.
    if (!path || path->empty() || !StaysInside(*path)) return std::nullopt;
    files.insert(std::move(*path));
    rest.remove_prefix(end + 1);
  }
  return files;
}

}  // namespace quillmere
