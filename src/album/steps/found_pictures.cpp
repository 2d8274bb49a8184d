// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/found_pictures.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "album/pictures/file_kind.h"
#include "album/text/album_text.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The sidecar's name in lower case without its ".xmp": the name of what it belongs to, with or
// without that file's extension.
std::string SidecarOwner(std::string_view sidecar) {
  return LowerCaseName(sidecar.substr(0, sidecar.size() - 4));
}

// The folder part of `path`, with its separator; empty for a path without one.
std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind(kSeparator);
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// The sidecar that `sidecars` (by their owner's name) hold for the picture `name`; empty when
// none.
std::string SidecarFor(std::string_view name, const std::map<std::string, std::string>& sidecars) {
  const std::string whole = LowerCaseName(name);
  const std::size_t dot = whole.rfind('.');
  for (const std::string& owner : {whole, whole.substr(0, dot)}) {
    const auto it = sidecars.find(owner);
    if (it != sidecars.end()) return it->second;
  }
  return "";
}

// Gives each of `found` that was `given` alone its XMP sidecar in its folder, each folder listed
// once; the files of a folder given found theirs among its files.
void FindSidecarsBeside(std::vector<FoundPicture>& found, const std::set<std::string>& given,
                        FileSystem& fs) {
  // Each folder's sidecars by their owner's name, listed at the first file given from it.
  std::map<std::string, std::map<std::string, std::string>> folders;
  for (FoundPicture& file : found) {
    if (!given.contains(file.path) || IsSidecarName(file.name) || !file.sidecar.empty()) {
      continue;
    }
    const std::string folder(FolderOf(file.path));
    auto [it, isNew] = folders.try_emplace(folder);
    if (isNew) {
      Result<std::vector<std::string>> names = fs.ListFolder(folder.empty() ? "." : folder);
      for (const std::string& name : names ? names.value() : std::vector<std::string>()) {
        if (IsXmpSidecarName(name)) it->second.emplace(SidecarOwner(name), folder + name);
      }
    }
    file.sidecar = SidecarFor(file.name, it->second);
  }
}

}  // namespace

Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver,
                                          SubFolders subFolders) {
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
      if (subFolders == SubFolders::kLeave) continue;
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

std::vector<FoundPicture> GivenPictures(const std::vector<std::string>& sources, FileSystem& fs,
                                        std::vector<PictureProblem>& problems,
                                        SubFolders subFolders) {
  std::vector<FoundPicture> found;
  std::set<std::string> given;
  for (const std::string& source : sources) {
    Result<EntryInfo> entry = fs.Inspect(source, /*follow=*/true);
    if (entry && entry.value().kind == EntryInfo::Kind::kFolder) {
      Result<std::vector<FoundPicture>> inFolder = FilesIn(source, fs, problems, subFolders);
      if (!inFolder) {
        problems.push_back({.kind = PictureProblem::Kind::kNotAPicture,
                            .file = source,
                            .picture = Unreadable(inFolder.error())});
        continue;
      }
      for (FoundPicture& picture : inFolder.value()) found.push_back(std::move(picture));
    } else if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
      found.push_back({source, std::filesystem::path(source).filename().string(), {}});
      given.insert(source);
    } else {
      problems.push_back(
          {.kind = PictureProblem::Kind::kMissing, .file = source, .error = entry.error()});
    }
  }
  AttachSidecars(found);
  FindSidecarsBeside(found, given, fs);
  return found;
}

void AttachSidecars(std::vector<FoundPicture>& found) {
  // Each folder's sidecars by their owner's name.
  std::map<std::string, std::map<std::string, std::string>, std::less<>> folders;
  for (const FoundPicture& file : found) {
    if (IsXmpSidecarName(file.name)) {
      folders[std::string(FolderOf(file.path))].emplace(SidecarOwner(file.name), file.path);
    }
  }
  if (folders.empty()) return;
  std::set<std::string, std::less<>> attached;
  for (FoundPicture& file : found) {
    const auto sidecars = folders.find(FolderOf(file.path));
    if (IsSidecarName(file.name) || sidecars == folders.end()) continue;
    file.sidecar = SidecarFor(file.name, sidecars->second);
    if (!file.sidecar.empty()) attached.insert(file.sidecar);
  }
  std::erase_if(found, [&](const FoundPicture& file) { return attached.contains(file.path); });
}

void OrderPictures(std::vector<FoundPicture>& pictures) {
  // Each picture's instant is reckoned once: a time without a zone asks the machine's clock.
  std::vector<std::pair<std::optional<std::int64_t>, FoundPicture>> taken;
  taken.reserve(pictures.size());
  for (FoundPicture& picture : pictures) {
    std::optional<std::int64_t> seconds =
        SecondsTaken(picture.facts.dateTaken, picture.facts.zoneTaken);
    taken.emplace_back(seconds, std::move(picture));
  }
  std::stable_sort(taken.begin(), taken.end(), [](const auto& a, const auto& b) {
    if (a.first.has_value() != b.first.has_value()) return a.first.has_value();
    if (a.first != b.first) return *a.first < *b.first;
    return NameOrderLess(a.second.name, b.second.name);
  });
  for (std::size_t i = 0; i < pictures.size(); ++i) pictures[i] = std::move(taken[i].second);
}

}  // namespace quillmere
