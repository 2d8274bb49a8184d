// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/change/album_folder.h"

#include <algorithm>

#include "album/trash/desktop_trash.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "run/site_folder.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// Tells whether `run` is a failure of the index file, rather than of the folder that holds it.
bool IsIndexFileFailure(const RunFailure& run) {
  return run.Is<RunFailure::NotFound>() || run.Is<RunFailure::IndexUnreadable>() ||
         run.Is<RunFailure::NotText>();
}

// The album's failure for the run's failure `run` to hold the folder of `indexPath`.
AlbumFailure AlbumFailureOf(RunFailure run, const std::string& indexPath) {
  if (const auto* closed = run.As<RunFailure::FolderNotOpened>()) {
    return AlbumFailure::FolderNotOpened{closed->folder, closed->error};
  }
  if (!IsIndexFileFailure(run)) return AlbumFailure::FolderUnavailable{std::move(run)};
  // Writing the index file anew would replace a link at its name.
  if (run.error() == std::errc::too_many_symbolic_link_levels) {
    return AlbumFailure::IndexIsLink{indexPath};
  }
  return AlbumFailure::IndexUnusable{std::move(run)};
}

}  // namespace
Result<AlbumFolder, AlbumFailure> HoldAlbumFolder(const std::string& indexPath, IndexLink link,
                                                  FileSystem& fs, const AlbumOptions& options,
                                                  std::optional<IndexText>& index) {
  AlbumFolder album;
  album.path = FolderAsGiven(indexPath);
  const SiteHolding holding{link, [&](Folder& folder) {
                              if (options.trash != nullptr) return options.trash;
                              album.ownTrash = options.deleteRemoved
                                                   ? DeletingTrash(folder)
                                                   : DesktopTrash(FolderName(indexPath));
                              return album.ownTrash.get();
                            }};
  auto held = HoldSiteFolder(indexPath, fs, options.run, holding);
  if (auto* failure = held.failure()) return AlbumFailureOf(std::move(*failure), indexPath);
  album.folder = std::move(held.value().folder);
  album.lock = std::move(held.value().lock);
  album.settled = held.value().settled;
  album.trash = options.trash != nullptr ? options.trash : album.ownTrash.get();
  index = std::move(held.value().index);
  return album;
}

Result<AlbumFolder, AlbumFailure> OpenAlbumFolder(const std::string& path, FileSystem& fs,
                                                  const AlbumOptions& options) {
  std::optional<IndexText> none;
  return HoldAlbumFolder(path, IndexLink::kNotRead, fs, options, none);
}

std::string ImageFolder::FileName(std::int64_t n) const {
  return NumberedFileName(namePrefix, n, extension);
}

Result<ImageFolder, AlbumFailure> FindImageFolder(AlbumFolder& album, std::string_view prefix,
                                                  const std::string& indexPath) {
  if (!StaysInside(prefix)) {
    return AlbumFailure::OutsideTheAlbum{std::string(prefix), indexPath};
  }
  const SplitPath split = SplitAtFolder(prefix);
  ImageFolder image;
  image.namePrefix = std::string(split.name);
  Result<std::unique_ptr<Folder>> at = album.folder->OpenFolder(".");
  if (!at) return AlbumFailure::FolderNotOpened{album.path, at.error()};
  std::unique_ptr<Folder> current = std::move(at.value());
  std::string way;
  for (std::string_view part : PartsOf(split.folder)) {
    const std::string name(part);
    std::string here = way;
    here += name;
    if (!image.missing.empty()) {
      image.missing.push_back(here);
      way = here + kSeparator;
      continue;
    }
    const std::string atPath = album.path + here;
    Result<EntryInfo> entry = current->Inspect(name);
    if (!entry) return AlbumFailure::FolderNotOpened{atPath, entry.error()};
    switch (entry.value().kind) {
      case EntryInfo::Kind::kMissing:
        image.missing.push_back(here);
        break;
      case EntryInfo::Kind::kSymlink:
        return AlbumFailure::LinkedFolder{atPath};
      case EntryInfo::Kind::kFolder: {
        Result<std::unique_ptr<Folder>> next = current->OpenFolder(name);
        if (!next) return AlbumFailure::FolderNotOpened{atPath, next.error()};
        current = std::move(next.value());
        break;
      }
      case EntryInfo::Kind::kRegular:
      case EntryInfo::Kind::kOther:
        return AlbumFailure::FolderNotMade{atPath, SystemError(ENOTDIR)};
    }
    way = here + kSeparator;
    if (image.missing.empty()) image.existingRelative = way;
  }
  image.relative = way;
  image.path = album.path + way;
  if (image.missing.empty()) {
    // What a killed run left there while putting a file in place goes, as in the site folder.
    current->RemoveLeftovers();
    image.folder = std::move(current);
  } else {
    image.existing = std::move(current);
  }
  return image;
}

void PlanFolders(const ImageFolder& image, AlbumChange& change) {
  for (const std::string& folder : image.missing) change.PlanFolder(folder);
}

Result<void, AlbumFailure> MakeImageFolder(ImageFolder& image, AlbumChange* change) {
  if (image.folder) return {};
  const std::string albumPath = image.path.substr(0, image.path.size() - image.relative.size());
  std::unique_ptr<Folder> current = std::move(image.existing);
  std::string parentPath = image.existingRelative;
  for (const std::string& path : image.missing) {
    const std::string name = path.substr(parentPath.size());
    Result<std::unique_ptr<Folder>> made = change != nullptr
                                               ? change->MakeFolder(*current, parentPath, name)
                                               : current->MakeFolder(name);
    // A second prefix into the same new folder finds it made already.
    if (!made && made.error() == std::errc::file_exists) made = current->OpenFolder(name);
    if (!made) return AlbumFailure::FolderNotMade{albumPath + path, made.error()};
    current = std::move(made.value());
    parentPath = path + kSeparator;
  }
  image.folder = std::move(current);
  image.missing.clear();
  return {};
}

Result<std::vector<std::string>> TakenNames(ImageFolder& image, std::int64_t first,
                                            std::int64_t last,
                                            std::optional<std::string_view> extension) {
  std::vector<std::string> taken;
  if (!image.folder) return taken;
  for (std::int64_t n = first; n <= last; ++n) {
    const std::string name = image.FileName(n, extension.value_or(image.extension));
    Result<EntryInfo> entry = image.folder->Inspect(name);
    if (!entry) return entry.error();
    if (entry.value().kind != EntryInfo::Kind::kMissing) taken.push_back(image.relative + name);
  }
  return taken;
}

}  // namespace quillmere
