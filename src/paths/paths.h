// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Path checks that a run makes on the chosen index file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// The separator between a folder and the name in it.
inline constexpr char kSeparator = '/';

// A path (or a prefix of names) split at its last "/".
struct SplitPath {
  // Everything up to and including the last "/"; "" when there is none.
  std::string_view folder;
  // What follows it: the name, or the start of the names.
  std::string_view name;
};

// `path` split into its folder part and the name after it.
SplitPath SplitAtFolder(std::string_view path);

// The folder of `path` as it was given: its folder part, "" when it has none. Messages name files
// this way, as the person gave them.
std::string FolderAsGiven(std::string_view path);

// The folder of `path` as the file system reaches it: its folder part, or "./" when it has none,
// which is the current folder.
std::string FolderName(std::string_view path);

// Tells whether `FileName` names a regular file or folder; "*" and "?" in its last part are
// wildcards that never match a leading dot. Any failure counts as "no".
bool Exist(const std::string& FileName, FileSystem& fs);

// Tells whether `name` matches `pattern`, where "*" is any run and "?" any one character.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Tells whether `name`, as written into a page, points somewhere other than this machine's files:
// it starts with a URL scheme ("http:", "data:", ...) or with "//" (another host).
bool NamesAnotherPlace(std::string_view name);

// The parts of a relative path between its "/", empty ones left out.
std::vector<std::string_view> PartsOf(std::string_view path);

// Tells whether `prefix`, as an index file names files with it, stays inside the index file's
// folder: not a URL, not from the top of the file system, no "." or "..".
bool StaysInside(std::string_view prefix);

// The file that `name` stands for: `name` itself when it starts with "/", otherwise `name`
// inside `siteFolder` (which ends with "/").
std::string PathOnDisk(std::string_view siteFolder, std::string_view name);

// `name` as a link of a page names it: every byte but the letters and digits of ASCII, "-", ".",
// "_", "~" and "/" written as "%" and two upper-case hex digits, so that spaces, "#", "?", "%",
// quotes and the bytes of UTF-8 beyond ASCII reach the file they name.
std::string PercentEncoded(std::string_view name);

// `text` with each "%" and two hex digits undone into its byte; none when a "%" is not followed
// by two hex digits.
std::optional<std::string> PercentDecoded(std::string_view text);

// Removes trailing "/" from a folder's path given by the user, and gives "." for "".
std::string TidyFolderPath(std::string path);

}  // namespace quillmere
