// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album_in_folder.h"

#include <memory>
#include <string_view>
#include <vector>

#include "album/album_options.h"
#include "site/page_output.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

// Whether `name` in `folder` is a regular file, not followed through a link.
bool IsRegularFile(Folder& folder, std::string_view name) {
  Result<EntryInfo> entry = folder.Inspect(name);
  return entry && entry.value().kind == EntryInfo::Kind::kRegular;
}

// Whether the index page in `folder` is one this program wrote.
bool HoldsWrittenSite(Folder& folder) {
  if (!IsRegularFile(folder, kIndexPageName)) return false;
  Result<std::unique_ptr<ReadableFile>> page = folder.OpenForReading(kIndexPageName);
  if (!page) return false;
  Result<bool> written = IsOpenedWrittenPage(*page.value());
  return written && written.value();
}

// The one regular *.txt file of `folder`, if there is exactly one.
std::optional<std::string> OnlyTextFile(Folder& folder) {
  Result<std::vector<std::string>> names = folder.List();
  if (!names) return std::nullopt;
  std::optional<std::string> found;
  for (const std::string& name : names.value()) {
    if (!name.ends_with(".txt") || !IsRegularFile(folder, name)) continue;
    if (found) return std::nullopt;
    found = name;
  }
  return found;
}

}  // namespace

std::optional<std::string> AlbumIndexIn(const std::string& folder, FileSystem& fs) {
  Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(folder);
  if (!opened || !HoldsWrittenSite(*opened.value())) return std::nullopt;
  const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
  if (IsRegularFile(*opened.value(), kAlbumIndexName)) {
    return prefix + std::string(kAlbumIndexName);
  }
  std::optional<std::string> only = OnlyTextFile(*opened.value());
  if (!only) return std::nullopt;
  return prefix + *only;
}

}  // namespace quillmere
