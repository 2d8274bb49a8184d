// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pictures' folder of a site, listed once, for the entries that have a file beside their
// picture (a video, an album's file).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index/index_file.h"
#include "platform/file_system.h"

namespace quillmere {

// The pictures' folder as one listing saw it.
struct PictureFolder {
  // The folder, opened a part at a time from the site.
  std::unique_ptr<Folder> folder;
  // What the names of the pictures start with inside it (the picture prefix's last part).
  std::string_view namePrefix;
  // The names in it, "." and ".." left out.
  std::vector<std::string> names;
};

// Opens and lists the pictures' folder of the index file with `head` inside `site`; none when the
// picture prefix leaves the site or the folder cannot be read.
std::optional<PictureFolder> ListPictureFolder(const IndexHead& head, Folder& site);

// The number that `name` gives an entry as `prefix` NUMBER `extension`, or 0 when it is no such
// name or the number is none of the entries 1 to `pictureCount`.
std::int64_t EntryNumber(std::string_view name, std::string_view prefix, std::string_view extension,
                         std::int64_t pictureCount);

// Tells whether `name` in `folder` is a regular file: not a folder, a pipe or a symbolic link,
// and looked at without being opened.
bool IsRegularFile(Folder& folder, const std::string& name);

// The entry numbered `n` among `entries`, which are in the order of their numbers; none when no
// entry has that number.
template <class Entry>
const Entry* EntryNumbered(const std::vector<Entry>& entries, std::int64_t n) {
  auto found = std::lower_bound(
      entries.begin(), entries.end(), n,
      [](const Entry& entry, std::int64_t number) { return entry.number < number; });
  return found != entries.end() && found->number == n ? &*found : nullptr;
}

}  // namespace quillmere
