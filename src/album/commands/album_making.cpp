// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album: a whole album made from a folder of pictures.
#include "album/commands/new_album.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"
#include "album/steps/held_album.h"
#include "album/steps/image_folders.h"
#include "album/steps/numbering.h"
#include "album/steps/probe_pictures.h"
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

// Makes the album in `album`, which holds nothing of an album yet, from `pictures`.
Result<void, AlbumFailure> MakeAlbumIn(AlbumFolder& album, const std::string& picturesFolder,
                                       const std::vector<FoundPicture>& pictures, AlbumWork& work) {
  AlbumOutcome& outcome = work.outcome;
  Result<std::vector<std::string>> taken = std::vector<std::string>();
  auto found = FindImageFolders(album, kAlbumPicturePrefix, kAlbumThumbPrefix, outcome.indexPath);
  if (auto* failure = found.failure()) return std::move(*failure);
  ImageFolders& folders = found.value();
  folders.videos = std::any_of(pictures.begin(), pictures.end(), [](const FoundPicture& picture) {
    return picture.video.has_value();
  });
  const auto count = static_cast<std::int64_t>(pictures.size());
  Result<std::vector<std::string>> images = TakenImageNames(folders, 1, count);
  if (!images) return AlbumFailure::FolderNotMade{album.path, images.error()};
  taken.value().insert(taken.value().end(), images.value().begin(), images.value().end());
  auto support = FindSupportPlace(album, outcome.indexPath, work.fs, taken.value());
  if (auto* failure = support.failure()) return std::move(*failure);
  SupportPlace& place = support.value();
  if (!taken.value().empty()) {
    const std::string folder =
        album.path.size() > 1 ? album.path.substr(0, album.path.size() - 1) : album.path;
    return AlbumFailure::AlbumInUse{folder, std::move(taken.value())};
  }

  AlbumChange change(*album.folder, album.path, ChangeKind::kNewAlbum, std::string(kAlbumIndexName),
                     {});
  PlanImages(folders, 1, count, change);
  PlanFolders(place.folder, change);
  for (const std::string& name : place.missing) change.PlanFile(place.folder.relative + name);
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  std::optional<KnownPictures> known;
  if (!work.options.allowDuplicates) known.emplace(folders.pictures, std::vector<std::uint64_t>());
  std::optional<MadePicturesCache> remembered = LoadMadePictures(work);
  work.remembered = remembered ? &*remembered : nullptr;
  auto made = MakeAndNumber({pictures, 1, picturesFolder, known ? &*known : nullptr}, folders,
                            change, work);
  if (auto* failure = made.failure()) return std::move(*failure);
  if (auto done = AddSupportImages(place, change, work.fs); !done)
    return std::move(*done.failure());
  const std::vector<PicturePair>& pairs = made.value().pairs;
  const AlbumHead head{NewAlbumTitle(picturesFolder),
                       std::string(kAlbumThumbPrefix),
                       std::string(kAlbumPicturePrefix),
                       std::string(kAlbumSupportFolder),
                       kNewAlbumPicsPerRow,
                       made.value().videos > 0};
  Placement placement;
  placement.replace = false;
  if (std::error_code error = change.Commit(NewIndexText(head, pairs), placement).error()) {
    return AlbumFailure::NotWritten{outcome.indexPath, error};
  }
  outcome.picturesAdded = pairs.size();
  outcome.videosAdded = made.value().videos;
  outcome.thumbnailsWritten = pairs.size();
  SaveMadePictures(remembered, work);
  return FinishSite(album, work);
}

// Tells whether `album` lacks a page of the album `index`: its index page or a picture page.
Result<bool> LacksAPage(AlbumFolder& album, const ChosenIndex& index) {
  const auto count = static_cast<std::int64_t>(PictureLinesOf(index).lines.size());
  for (std::int64_t n = 0; n <= count; ++n) {
    Result<EntryInfo> entry =
        album.folder->Inspect(n == 0 ? std::string(kIndexPageName) : PicturePageName(n));
    if (!entry) return entry.error();
    if (entry.value().kind == EntryInfo::Kind::kMissing) return true;
  }
  return false;
}

// Tells whether the index file of `album` is one that this command began for `picturesFolder` and
// left without all of its pages: the head it writes, the title it gives those pictures, and a page
// missing.
Result<bool, AlbumFailure> WasBegunHere(AlbumFolder& album, const std::string& picturesFolder,
                                        AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  Result<EntryInfo> entry = album.folder->Inspect(kAlbumIndexName);
  if (!entry) return AlbumFailure::FolderNotMade{album.path, entry.error()};
  if (entry.value().kind != EntryInfo::Kind::kRegular) return false;
  auto text = ReadHeldIndexFile(indexPath, *album.folder, work.fs, IndexLink::kRefuse);
  if (text.failure() != nullptr) return false;
  auto index = ReadAlbumIndex(indexPath, std::move(text.value()));
  if (index.failure() != nullptr) return false;
  const IndexHead& head = index.value().head;
  if (head.SiteTitle != NewAlbumTitle(picturesFolder) || head.ThumbPrefix != kAlbumThumbPrefix ||
      head.ImagePrefix != kAlbumPicturePrefix || head.SupportFolder != kAlbumSupportFolder) {
    return false;
  }
  Result<bool> lacks = LacksAPage(album, index.value());
  if (!lacks) return AlbumFailure::FolderNotMade{album.path, lacks.error()};
  return lacks.value();
}

// Finishes the album in `album` that an interrupted --new-album of `picturesFolder` began: the
// change its journal held was finished when the folder was taken, or its index file is there
// without all of its pages. Only pages are written, and none in place of a file that is no page
// of this program. Tells whether there was such an album.
Result<bool, AlbumFailure> FinishBegunAlbum(AlbumFolder& album, const std::string& picturesFolder,
                                            AlbumWork& work) {
  const bool settledHere = album.settled.outcome == SettledJournal::Outcome::kFinished &&
                           album.settled.change == ChangeKind::kNewAlbum;
  if (!settledHere) {
    auto begun = WasBegunHere(album, picturesFolder, work);
    if (auto* failure = begun.failure()) return std::move(*failure);
    if (!begun.value()) return false;
  }
  AlbumOptions options = work.options;
  options.run.replaceForeignPages = false;
  AlbumWork finishing{work.fs, options, work.outcome, nullptr};
  if (auto done = FinishSite(album, finishing); !done) return std::move(*done.failure());
  work.outcome.picturesAdded = static_cast<std::uint64_t>(work.outcome.site.pictureCount);
  return true;
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

// Makes the album of the pictures in `picturesFolder` in `albumPath`, adding the folders it made
// to `made`.
Result<void, AlbumFailure> MakeNewAlbumIn(const std::string& picturesFolder,
                                          const std::string& albumPath,
                                          std::vector<std::string>& made, AlbumWork& work) {
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
    auto finished = FinishBegunAlbum(held.value(), picturesFolder, work);
    if (auto* failure = finished.failure()) return std::move(*failure);
    if (finished.value()) return {};
    if (auto done = CheckHoldsNoSite(held.value(), albumPath, fs); !done) return done;
  }
  Result<std::vector<FoundPicture>> found = FilesIn(picturesFolder, fs, work.problems());
  if (!found) return AlbumFailure::PicturesUnreadable{picturesFolder, found.error()};
  AttachSidecars(found.value());
  auto probed = ProbePictures(std::move(found.value()), picturesFolder, work);
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
  return MakeAlbumIn(held.value(), picturesFolder, probed.value(), work);
}

}  // namespace

std::string NewAlbumTitle(const std::string& picturesFolder) {
  // The name a folder goes by, also when given as "." or with a trailing "/".
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(picturesFolder, error).lexically_normal();
  if (error) path = std::filesystem::path(picturesFolder).lexically_normal();
  std::string name = path.filename().string();
  if (name.empty()) name = path.parent_path().filename().string();
  return TitleFromFolderName(name);
}

AlbumOutcome MakeNewAlbum(const std::string& picturesFolder, const std::string& albumFolder,
                          FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome;
  const std::string albumPath = TidyFolderPath(albumFolder);
  const std::string siteFolder = albumPath == "/" ? albumPath : albumPath + kSeparator;
  outcome.indexPath = siteFolder + std::string(kAlbumIndexName);
  AlbumWork work{fs, options, outcome};
  std::vector<std::string> made;
  WithinMemory(outcome, [&] {
    outcome.failure = FailureOf(MakeNewAlbumIn(picturesFolder, albumPath, made, work));
  });
  // A failed album leaves no folder it made; one that holds the album stays.
  if (!outcome.ok()) RemoveMadeFolders(made, fs);
  return outcome;
}

}  // namespace quillmere
