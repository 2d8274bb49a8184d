// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album's making of one album, alone or as one of a tree of albums.
#include "album/commands/album_making.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/begun_album.h"
#include "album/commands/new_album.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"
#include "album/steps/image_folders.h"
#include "album/steps/numbering.h"
#include "album/steps/probe_pictures.h"
#include "album/steps/sub_album_entries.h"
#include "paths/paths.h"
#include "run/site_folder.h"
#include "site/page_output.h"
#include "site/support_images.h"

namespace quillmere {
namespace {

// The nearest folder above `path` that exists, locked while the folders down to `path` are made.
Result<AlbumFolder, AlbumFailure> LockNearestParent(const std::string& path, FileSystem& fs,
                                                    const AlbumOptions& options) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  for (;;) {
    const std::string folder = parent.empty() ? "." : parent.string();
    Result<EntryInfo> entry = fs.Inspect(folder, /*follow=*/true);
    if (!entry) return AlbumFailure::FolderNotMade{path, entry.error()};
    if (entry.value().kind == EntryInfo::Kind::kFolder || parent.empty() || parent == "/") {
      Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(folder);
      if (!opened) return AlbumFailure::FolderNotMade{path, opened.error()};
      auto lock = LockSiteFolder(*opened.value(), folder + "/", options.run);
      if (auto* failure = lock.failure()) {
        return AlbumFailure::FolderUnavailable{std::move(*failure)};
      }
      return AlbumFolder{
          folder + "/", std::move(opened.value()), std::move(lock.value()), nullptr, nullptr, {}};
    }
    parent = parent.parent_path();
  }
}

// The folders of `path` that do not exist yet, outermost first.
std::vector<std::string> MissingFolders(const std::string& path, FileSystem& fs) {
  std::vector<std::string> missing;
  for (std::filesystem::path at = path; !at.empty() && at != "/"; at = at.parent_path()) {
    Result<EntryInfo> entry = fs.Inspect(at.string(), /*follow=*/true);
    if (!entry || entry.value().kind != EntryInfo::Kind::kMissing) break;
    missing.insert(missing.begin(), at.string());
  }
  return missing;
}

// Removes the folders that the work made, innermost first, where they are still empty.
void RemoveMadeFolders(const std::vector<std::string>& made, FileSystem& fs) {
  std::for_each(made.rbegin(), made.rend(), [&fs](const std::string& folder) {
    const std::filesystem::path path(folder);
    const std::string parent = path.parent_path().empty() ? "." : path.parent_path().string();
    Result<std::unique_ptr<Folder>> above = fs.OpenFolder(parent);
    if (above) static_cast<void>(above.value()->RemoveFolder(path.filename().string()));
  });
}

// The names in `album` that hold an index file or pages already.
Result<std::vector<std::string>> SiteNamesTaken(AlbumFolder& album, FileSystem& fs) {
  Result<std::vector<std::string>> names = fs.ListFolder(album.path);
  if (!names) return names;
  std::vector<std::string> taken;
  for (const std::string& name : names.value()) {
    if (name == kAlbumIndexName || name == kIndexPageName || PicturePageNumber(name) != 0) {
      taken.push_back(name);
    }
  }
  std::sort(taken.begin(), taken.end(), NameOrderLess);
  return taken;
}

// The album's support folder, and the support images it lacks.
struct SupportPlace {
  ImageFolder folder;
  std::string bundle;
  std::vector<std::string> missing;
};

Result<SupportPlace, AlbumFailure> FindSupportPlace(AlbumFolder& album,
                                                    const std::string& indexPath, FileSystem& fs,
                                                    std::vector<std::string>& taken) {
  Result<std::string, SupportFailure> bundle = FindBundledImages(fs);
  if (auto* failure = bundle.failure()) {
    return AlbumFailure::SupportNotCopied{std::move(*failure)};
  }
  auto folder = FindImageFolder(album, std::string(kAlbumSupportFolder) + "/", indexPath);
  if (auto* failure = folder.failure()) return std::move(*failure);
  SupportPlace place{std::move(folder.value()), bundle.value(), {}};
  for (std::string_view image : SupportImages) {
    const std::string name(image.substr(1));
    if (place.folder.folder) {
      Result<EntryInfo> entry = place.folder.folder->Inspect(name);
      if (!entry) return AlbumFailure::NotWritten{place.folder.path + name, entry.error()};
      if (entry.value().kind != EntryInfo::Kind::kMissing) {
        taken.push_back(place.folder.relative + name);
        continue;
      }
    }
    place.missing.push_back(name);
  }
  return place;
}

// Copies the support images `place` lacks into it, as part of `change`.
Result<void, AlbumFailure> AddSupportImages(SupportPlace& place, AlbumChange& change,
                                            FileSystem& fs) {
  if (auto done = MakeImageFolder(place.folder, &change); !done) return done;
  for (const std::string& name : place.missing) {
    Result<std::unique_ptr<NewFile>> copy =
        CopyIntoNewFile(place.bundle + "/" + name, *place.folder.folder, fs);
    std::error_code error = copy ? change
                                       .AddFile(std::move(copy.value()), *place.folder.folder,
                                                place.folder.relative, name)
                                       .error()
                                 : copy.error();
    if (error) return AlbumFailure::NotWritten{place.folder.path + name, error};
  }
  if (std::error_code error = change.FinishFiles().error()) {
    return AlbumFailure::NotWritten{place.folder.path, error};
  }
  return {};
}

// Whether the album at `place` copies the support images: an album of its own, or the top of a
// tree, whose albums below share its copy.
bool CopiesSupport(const TreePlace* place) {
  return place == nullptr || place->depth == 0;
}

// The album's own pictures and videos among `pairs`, made of `pictures` as `made` tells.
AlbumSummary OwnSummary(const std::vector<FoundPicture>& pictures, const NumberedPictures& made) {
  AlbumSummary own;
  own.pictures = made.pairs.size();
  own.videos = made.videos;
  for (std::size_t i : made.sources) {
    own.AddDate(pictures[i].facts.dateTaken, pictures[i].facts.zoneTaken);
  }
  return own;
}

// Makes the pictures of `toNumber` after the entries that `place` lists; nothing where there are
// none and those entries are there. A folder of albums whose own files are no pictures is one.
Result<NumberedPictures, AlbumFailure> MakeOwnPictures(const PicturesToNumber& toNumber,
                                                       std::size_t listed, ImageFolders& folders,
                                                       AlbumChange& change, AlbumWork& work) {
  if (listed > 0 && toNumber.pictures.empty()) return NumberedPictures{};
  auto made = MakeAndNumber(toNumber, folders, change, work);
  if (listed > 0 && made.failure() != nullptr && made.failure()->Is<AlbumFailure::NoPictures>()) {
    return NumberedPictures{};
  }
  return made;
}

// Makes the album in `album`, which holds nothing of an album yet, from `pictures`, standing in
// a tree as `place` says (none for an album of its own); what it holds itself goes to `own`.
Result<void, AlbumFailure> MakeAlbumIn(AlbumFolder& album, const std::string& picturesFolder,
                                       const std::vector<FoundPicture>& pictures,
                                       const TreePlace* place, AlbumWork& work, AlbumSummary& own) {
  AlbumOutcome& outcome = work.outcome;
  Result<std::vector<std::string>> taken = std::vector<std::string>();
  auto found = FindImageFolders(album, kAlbumPicturePrefix, kAlbumThumbPrefix, outcome.indexPath);
  if (auto* failure = found.failure()) return std::move(*failure);
  ImageFolders& folders = found.value();
  folders.videos = std::any_of(pictures.begin(), pictures.end(), [](const FoundPicture& picture) {
    return picture.video.has_value();
  });
  const std::size_t listed = place != nullptr ? place->subAlbums.size() : 0;
  folders.albums = listed > 0;
  const auto count = static_cast<std::int64_t>(listed + pictures.size());
  Result<std::vector<std::string>> images = TakenImageNames(folders, 1, count);
  if (!images) return AlbumFailure::FolderNotMade{album.path, images.error()};
  taken.value().insert(taken.value().end(), images.value().begin(), images.value().end());
  std::optional<SupportPlace> support;
  if (CopiesSupport(place)) {
    auto found_support = FindSupportPlace(album, outcome.indexPath, work.fs, taken.value());
    if (auto* failure = found_support.failure()) return std::move(*failure);
    support.emplace(std::move(found_support.value()));
  }
  if (!taken.value().empty()) {
    const std::string folder =
        album.path.size() > 1 ? album.path.substr(0, album.path.size() - 1) : album.path;
    return AlbumFailure::AlbumInUse{folder, std::move(taken.value())};
  }

  AlbumChange change(*album.folder, album.path, ChangeKind::kNewAlbum, std::string(kAlbumIndexName),
                     {});
  PlanImages(folders, 1, count, change);
  if (support) {
    PlanFolders(support->folder, change);
    for (const std::string& name : support->missing)
      change.PlanFile(support->folder.relative + name);
  }
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  std::vector<PicturePair> pairs;
  if (place != nullptr) {
    auto entries = MakeSubAlbumEntries(place->subAlbums, 1, *album.folder, folders, change, work);
    if (auto* failure = entries.failure()) return std::move(*failure);
    pairs = std::move(entries.value());
  }
  std::optional<KnownPictures> known;
  if (!work.options.allowDuplicates) known.emplace(folders.pictures, std::vector<std::uint64_t>());
  std::optional<MadePicturesCache> remembered;
  UseMadePictures(work, remembered);
  const auto first = static_cast<std::int64_t>(listed) + 1;
  auto made = MakeOwnPictures({pictures, first, picturesFolder, known ? &*known : nullptr}, listed,
                              folders, change, work);
  if (auto* failure = made.failure()) return std::move(*failure);
  if (support) {
    if (auto done = AddSupportImages(*support, change, work.fs); !done) {
      return std::move(*done.failure());
    }
  }
  const NumberedPictures& numbered = made.value();
  pairs.insert(pairs.end(), numbered.pairs.begin(), numbered.pairs.end());
  const AlbumHead head = NewAlbumHead(picturesFolder, place, numbered.videos > 0);
  Placement placement;
  placement.replace = false;
  if (std::error_code error = change.Commit(NewIndexText(head, pairs), placement).error()) {
    return AlbumFailure::NotWritten{outcome.indexPath, error};
  }
  outcome.picturesAdded = numbered.pairs.size();
  outcome.videosAdded = numbered.videos;
  outcome.thumbnailsWritten = pairs.size();
  own = OwnSummary(pictures, numbered);
  SaveMadePictures(remembered, work.fs);
  return FinishSite(album, work);
}

// Refuses a folder `held` at `albumPath` that holds a site already, before any picture is looked
// at.
Result<void, AlbumFailure> CheckHoldsNoSite(AlbumFolder& held, const std::string& albumPath,
                                            FileSystem& fs) {
  Result<std::vector<std::string>> taken = SiteNamesTaken(held, fs);
  if (!taken) return AlbumFailure::FolderNotMade{albumPath, taken.error()};
  if (taken.value().empty()) return {};
  return AlbumFailure::AlbumInUse{albumPath, std::move(taken.value())};
}

// Makes the album of the pictures in `picturesFolder` in `albumPath`, standing in a tree as
// `place` says (none for an album of its own), adding the folders it made to `made`; what it
// holds itself goes to `own`.
Result<void, AlbumFailure> MakeNewAlbumIn(const std::string& picturesFolder,
                                          const std::string& albumPath, const TreePlace* place,
                                          std::vector<std::string>& made, AlbumWork& work,
                                          AlbumSummary& own) {
  FileSystem& fs = work.fs;
  const std::string siteFolder = albumPath == "/" ? albumPath : albumPath + kSeparator;
  Result<EntryInfo> entry = fs.Inspect(albumPath, /*follow=*/true);
  if (!entry) return AlbumFailure::FolderNotMade{albumPath, entry.error()};
  if (entry.value().kind != EntryInfo::Kind::kMissing &&
      entry.value().kind != EntryInfo::Kind::kFolder) {
    return AlbumFailure::NotAFolder{albumPath};
  }
  const bool exists = entry.value().kind == EntryInfo::Kind::kFolder;
  // A folder that does not exist yet is held through the nearest one above it.
  auto held = exists ? OpenAlbumFolder(siteFolder, fs, work.options)
                     : LockNearestParent(albumPath, fs, work.options);
  if (auto* failure = held.failure()) return std::move(*failure);
  if (exists) {
    auto finished = FinishBegunAlbum(held.value(), picturesFolder, place, work, own);
    if (auto* failure = finished.failure()) return std::move(*failure);
    if (finished.value()) return {};
    if (auto done = CheckHoldsNoSite(held.value(), albumPath, fs); !done) return done;
  }
  auto probed = ProbeOwnFiles(picturesFolder, place, work);
  if (auto* failure = probed.failure()) return std::move(*failure);
  if (!exists) {
    made = MissingFolders(albumPath, fs);
    if (std::error_code error = fs.CreateFolders(albumPath).error()) {
      RemoveMadeFolders(made, fs);
      return AlbumFailure::FolderNotMade{albumPath, error};
    }
    held = OpenAlbumFolder(siteFolder, fs, work.options);
    if (auto* failure = held.failure()) {
      RemoveMadeFolders(made, fs);
      return std::move(*failure);
    }
  }
  // The album folder is let go, on the return, before a folder the work made is removed.
  auto done = MakeAlbumIn(held.value(), picturesFolder, probed.value(), place, work, own);
  if (done) work.outcome.albumsMade = 1;
  return done;
}

}  // namespace

std::string SupportFolderAt(std::size_t depth) {
  std::string folder;
  for (std::size_t d = 0; d < depth; ++d) folder += "../";
  return folder + std::string(kAlbumSupportFolder);
}

AlbumHead NewAlbumHead(const std::string& picturesFolder, const TreePlace* place, bool videos) {
  const std::size_t depth = place != nullptr ? place->depth : 0;
  return AlbumHead{NewAlbumTitle(picturesFolder),
                   std::string(kAlbumThumbPrefix),
                   std::string(kAlbumPicturePrefix),
                   SupportFolderAt(depth),
                   kNewAlbumPicsPerRow,
                   videos,
                   place != nullptr,
                   depth > 0 ? "../" + std::string(kIndexPageName) : std::string()};
}

Result<std::vector<FoundPicture>, AlbumFailure> ProbeOwnFiles(const std::string& picturesFolder,
                                                              const TreePlace* place,
                                                              AlbumWork& work) {
  Result<std::vector<FoundPicture>> found =
      FilesIn(picturesFolder, work.fs, work.problems(), SubFolders::kLeave);
  if (!found) return AlbumFailure::PicturesUnreadable{picturesFolder, found.error()};
  AttachSidecars(found.value());
  auto probed = ProbePictures(std::move(found.value()), picturesFolder, work);
  const bool listsAlbums = place != nullptr && !place->subAlbums.empty();
  if (listsAlbums && probed.failure() != nullptr &&
      probed.failure()->Is<AlbumFailure::NoPictures>()) {
    return std::vector<FoundPicture>();
  }
  return probed;
}

AlbumOutcome MakeAlbumOf(const std::string& picturesFolder, const std::string& albumFolder,
                         const TreePlace* place, FileSystem& fs, const AlbumOptions& options,
                         AlbumSummary& own) {
  AlbumOutcome outcome;
  const std::string albumPath = TidyFolderPath(albumFolder);
  const std::string siteFolder = albumPath == "/" ? albumPath : albumPath + kSeparator;
  outcome.indexPath = siteFolder + std::string(kAlbumIndexName);
  AlbumWork work{fs, options, outcome};
  std::vector<std::string> made;
  WithinMemory(outcome, [&] {
    outcome.failure = FailureOf(MakeNewAlbumIn(picturesFolder, albumPath, place, made, work, own));
  });
  // A failed album leaves no folder it made; one that holds the album stays.
  if (!outcome.ok()) RemoveMadeFolders(made, fs);
  return outcome;
}

}  // namespace quillmere
