// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/picture_folder.h"

#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The folder `folderPart` of the site, opened a part at a time, or none.
std::unique_ptr<Folder> OpenPictureFolder(Folder& site, std::string_view folderPart) {
  Result<std::unique_ptr<Folder>> at = site.OpenFolder(".");
  for (std::string_view part : PartsOf(folderPart)) {
    if (!at) return nullptr;
    at = at.value()->OpenFolder(part);
  }
  return at ? std::move(at.value()) : nullptr;
}

}  // namespace

std::optional<PictureFolder> ListPictureFolder(const IndexHead& head, Folder& site) {
  const std::string_view prefix = head.ImagePrefix;
  if (!StaysInside(prefix)) return std::nullopt;
  const auto [folderPart, namePrefix] = SplitAtFolder(prefix);
  std::unique_ptr<Folder> folder = OpenPictureFolder(site, folderPart);
  if (!folder) return std::nullopt;
  Result<std::vector<std::string>> names = folder->List();
  if (!names) return std::nullopt;
  return PictureFolder{std::move(folder), namePrefix, std::move(names.value())};
}

std::int64_t EntryNumber(std::string_view name, std::string_view prefix, std::string_view extension,
                         std::int64_t pictureCount) {
  const std::int64_t number = NumberInName(name, prefix, extension);
  return number <= pictureCount ? number : 0;
}

bool IsRegularFile(Folder& folder, const std::string& name) {
  Result<EntryInfo> entry = folder.Inspect(name);
  return entry && entry.value().kind == EntryInfo::Kind::kRegular;
}

}  // namespace quillmere
