// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album_files.h"

#include <algorithm>

#include "album/album_text.h"
#include "check/site_names.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// The parts of a relative path between its "/", empty ones left out.
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

// The first folder on the way from `siteFolder` down `parts` that is a symbolic link or no
// folder at all; empty when there is none.
std::variant<std::monostate, AlbumFailure> CheckWay(const std::string& siteFolder,
                                                    const std::vector<std::string_view>& parts,
                                                    FileSystem& fs) {
  std::string way = siteFolder;
  for (std::string_view part : parts) {
    way += part;
    Result<EntryInfo> entry = fs.Inspect(way, /*follow=*/false);
    if (!entry) return AlbumFailed(Kind::kFolderNotMade, way, {}, entry.error());
    if (entry.value().kind == EntryInfo::Kind::kMissing) break;
    if (entry.value().kind == EntryInfo::Kind::kSymlink)
      return AlbumFailed(Kind::kLinkedFolder, way);
    if (entry.value().kind != EntryInfo::Kind::kFolder) {
      return AlbumFailed(Kind::kFolderNotMade, way, {}, SystemError(ENOTDIR));
    }
    way += kSeparator;
  }
  return std::monostate{};
}

}  // namespace

AlbumFailure AlbumFailed(AlbumFailure::Kind kind, std::string subject, std::string detail,
                         std::error_code error) {
  AlbumFailure failure;
  failure.kind = kind;
  failure.subject = std::move(subject);
  failure.detail = std::move(detail);
  failure.error = error;
  return failure;
}

std::string ImageFolder::FileName(std::int64_t n) const {
  return PictureFileName(namePrefix, n);
}

bool StaysInside(std::string_view prefix) {
  if (prefix.empty() || prefix.front() == kSeparator || NamesAnotherPlace(prefix)) return false;
  const std::vector<std::string_view> parts = PartsOf(prefix);
  return std::none_of(parts.begin(), parts.end(), [](std::string_view p) { return p == ".."; });
}

std::variant<ImageFolder, AlbumFailure> OpenImageFolder(const std::string& siteFolder,
                                                        std::string_view prefix,
                                                        const std::string& indexPath,
                                                        FileSystem& fs) {
  if (!StaysInside(prefix))
    return AlbumFailed(Kind::kOutsideTheAlbum, std::string(prefix), indexPath);
  const std::size_t slash = prefix.rfind(kSeparator);
  const std::string_view folderPart =
      slash == std::string_view::npos ? std::string_view() : prefix.substr(0, slash + 1);
  std::variant<std::monostate, AlbumFailure> way = CheckWay(siteFolder, PartsOf(folderPart), fs);
  if (auto* failure = std::get_if<AlbumFailure>(&way)) return std::move(*failure);

  ImageFolder images;
  images.path = siteFolder + std::string(folderPart);
  images.namePrefix = std::string(prefix.substr(folderPart.size()));
  if (std::error_code error = fs.CreateFolders(images.path)) {
    return AlbumFailed(Kind::kFolderNotMade, images.path, {}, error);
  }
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(images.path);
  if (!folder) return AlbumFailed(Kind::kFolderNotMade, images.path, {}, folder.error());
  images.folder = std::move(folder.value());
  return images;
}

std::error_code WriteWhole(Folder& folder, std::string_view name, std::string_view bytes,
                           std::optional<mode_t> mode) {
  Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
  if (!file) return file.error();
  if (std::error_code error = file.value()->Write(bytes.data(), bytes.size())) return error;
  return file.value()->PutInPlace(name, mode);
}

Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver) {
  using PKind = PictureProblem::Kind;
  Result<std::vector<std::string>> names = fs.ListFolder(folder);
  if (!names) return names.error();
  // Listed in the order people count, so that what was passed over reads in order.
  std::sort(names.value().begin(), names.value().end(), NameOrderLess);
  const std::string prefix = folder.ends_with(kSeparator) ? folder : folder + kSeparator;
  std::vector<FoundPicture> found;
  for (std::string& name : names.value()) {
    if (name.starts_with('.')) continue;
    std::string path = prefix + name;
    Result<EntryInfo> entry = fs.Inspect(path, /*follow=*/true);
    const EntryInfo::Kind kind = entry ? entry.value().kind : EntryInfo::Kind::kMissing;
    if (kind == EntryInfo::Kind::kRegular) {
      found.push_back(FoundPicture{std::move(path), std::move(name), {}});
    } else if (kind == EntryInfo::Kind::kFolder) {
      passedOver.push_back({.kind = PKind::kFolderSkipped, .file = std::move(path)});
    } else if (kind == EntryInfo::Kind::kMissing) {
      // Listed a moment ago, it is a link to nothing (or to itself), or it has just gone.
      Result<EntryInfo> link = fs.Inspect(path, /*follow=*/false);
      if (link && link.value().kind == EntryInfo::Kind::kSymlink) {
        passedOver.push_back(
            {.kind = PKind::kDanglingLink, .file = std::move(path), .error = entry.error()});
      }
    } else {
      passedOver.push_back({.kind = PKind::kNotAFile, .file = std::move(path)});
    }
  }
  return found;
}

void OrderPictures(std::vector<FoundPicture>& pictures) {
  std::stable_sort(pictures.begin(), pictures.end(),
                   [](const FoundPicture& a, const FoundPicture& b) {
                     const std::string& x = a.facts.dateTaken;
                     const std::string& y = b.facts.dateTaken;
                     if (x.empty() != y.empty()) return y.empty();
                     if (x != y) return x < y;
                     return NameOrderLess(a.name, b.name);
                   });
}

std::string TidyFolderPath(std::string path) {
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  return path.empty() ? "." : path;
}

}  // namespace quillmere
