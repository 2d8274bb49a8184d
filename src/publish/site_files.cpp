// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/site_files.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "index/index_file.h"
#include "paths/paths.h"
#include "run/journal.h"
#include "site/album_entries.h"
#include "site/albums_below.h"
#include "site/page_design.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

using Reason = SiteRefusal::Reason;

// The folder `relative` names from the album at `albumPath` (both "" or ending with "/"), as a
// path from the top ending with "/"; none when it leads above the top or starts there.
std::optional<std::string> FolderFromTop(const std::string& albumPath, std::string_view relative) {
  if (relative.starts_with("/")) return std::nullopt;
  std::vector<std::string_view> parts = PartsOf(albumPath);
  for (std::string_view part : PartsOf(relative)) {
    if (part == ".") continue;
    if (part != "..") {
      parts.push_back(part);
    } else if (parts.empty()) {
      return std::nullopt;
    } else {
      parts.pop_back();
    }
  }
  std::string folder;
  for (std::string_view part : parts) (folder += part) += '/';
  return folder;
}

// The walk of a tree being published: the names each folder holds, read once, and what was found.
class SiteWalk {
 public:
  explicit SiteWalk(Folder& top) : top_(top) {}

  // Takes the album in `folder`, at `path` from the top and `depth` below it, whose index file is
  // `indexName`; false once the site is refused.
  bool TakeAlbum(Folder& folder, const std::string& path, std::size_t depth,
                 std::string_view indexName) {
    const std::string indexFile = path + std::string(indexName);
    Result<std::unique_ptr<FolderLock>> lock = folder.TryLock();
    if (!lock) return Refuse(Reason::kAlbumBusy, indexFile, "", lock.error());
    files_.locks.push_back(std::move(lock.value()));
    if (Result<EntryInfo> journal = folder.Inspect(kJournalName);
        !journal || journal.value().kind != EntryInfo::Kind::kMissing) {
      return Refuse(Reason::kUnfinishedChange, indexFile, "", {});
    }
    Result<std::unique_ptr<ReadableFile>> opened = folder.OpenForReading(indexName);
    if (!opened) return Refuse(Reason::kIndexUnreadable, indexFile, "", opened.error());
    Result<IndexText, IndexError> text = LoadIndexText(*opened.value());
    if (!text) return Refuse(Reason::kIndexUnreadable, indexFile, "", {});
    Result<IndexFile, IndexError> index = ParseIndexText(text.value().bytes());
    if (!index) return Refuse(Reason::kIndexUnreadable, indexFile, "", {});
    return TakePages(path, indexFile, depth, index.value().PictureCount()) &&
           TakeImages(path, indexFile, index.value().head, index.value().PictureCount());
  }

  // What was found, once every album was taken.
  Result<SiteFiles, SiteRefusal> Finish() {
    if (refusal_) return std::move(*refusal_);
    if (!missing_.empty()) {
      return SiteRefusal{
          Reason::kFileMissing, missingIn_, missing_.front(), missing_.size() - 1, {}};
    }
    std::sort(files_.content.begin(), files_.content.end());
    files_.content.erase(std::unique(files_.content.begin(), files_.content.end()),
                         files_.content.end());
    FindOthers();
    std::reverse(files_.indexPages.begin(), files_.indexPages.end());
    return std::move(files_);
  }

  bool refused() const { return refusal_.has_value(); }

 private:
  bool Refuse(Reason reason, const std::string& indexFile, std::string detail,
              std::error_code error) {
    refusal_ = SiteRefusal{reason, indexFile, std::move(detail), 0, error};
    return false;
  }

  // Finds what the site's folders hold that is not the site's; the folders on the way to a site
  // folder are site folders too.
  void FindOthers() {
    std::vector<std::string> listed;
    for (const auto& entry : names_) listed.push_back(entry.first);
    for (const std::string& folder : listed) {
      for (std::size_t slash = folder.find('/'); slash + 1 < folder.size();
           slash = folder.find('/', slash + 1)) {
        NamesIn(folder.substr(0, slash + 1));
      }
    }
    std::set<std::string, std::less<>> site(files_.content.begin(), files_.content.end());
    for (const std::vector<std::string>& depth : files_.indexPages) {
      site.insert(depth.begin(), depth.end());
    }
    for (const auto& [folder, names] : names_) {
      for (const std::string& name : names) {
        std::string path = folder + name;
        if (site.contains(path) || names_.contains(path + "/")) continue;
        files_.others.push_back(std::move(path));
      }
    }
  }

  // The names the folder at `folder` from the top holds; none when it cannot be read.
  const std::set<std::string, std::less<>>& NamesIn(const std::string& folder) {
    auto [place, added] = names_.try_emplace(folder);
    if (!added) return place->second;
    Result<std::unique_ptr<Folder>> opened =
        folder.empty() ? Result<std::unique_ptr<Folder>>(std::unique_ptr<Folder>())
                       : OpenEntryFolder(top_, folder.substr(0, folder.size() - 1));
    if (!opened) return place->second;
    Folder& held = opened.value() ? *opened.value() : top_;
    if (Result<std::vector<std::string>> listed = held.List()) {
      place->second.insert(listed.value().begin(), listed.value().end());
    }
    return place->second;
  }

  // Takes the file `name` of the folder `folder` (from the top); one the pages need and the
  // folder does not hold is missing, one that may be there is left out.
  void TakeFile(const std::string& folder, std::string_view name, bool needed,
                const std::string& indexFile) {
    if (NamesIn(folder).contains(name)) {
      files_.content.push_back(folder + std::string(name));
    } else if (needed) {
      if (missing_.empty()) missingIn_ = indexFile;
      missing_.push_back(folder + std::string(name));
    }
  }

  // Takes the index page and the `count` picture pages of the album at `path`.
  bool TakePages(const std::string& path, const std::string& indexFile, std::size_t depth,
                 std::int64_t count) {
    if (files_.indexPages.size() <= depth) files_.indexPages.resize(depth + 1);
    const std::string indexPage = path + std::string(kIndexPageName);
    if (NamesIn(path).contains(kIndexPageName)) {
      files_.indexPages[depth].push_back(indexPage);
    } else {
      if (missing_.empty()) missingIn_ = indexFile;
      missing_.push_back(indexPage);
    }
    for (std::int64_t n = 1; n <= count; ++n) TakeFile(path, PicturePageName(n), true, indexFile);
    return true;
  }

  // Takes the pictures, videos and thumbnails of the `count` pictures of the album at `path`, and
  // its support images; refuses a prefix that leads out of the top.

  bool TakeImages(const std::string& path, const std::string& indexFile, const IndexHead& head,
                  std::int64_t count) {
    for (std::string_view prefix : {head.ImagePrefix, head.ThumbPrefix}) {
      if (NamesAnotherPlace(prefix)) continue;
      const SplitPath split = SplitAtFolder(prefix);
      const std::optional<std::string> folder = FolderFromTop(path, split.folder);
      if (!folder) return Refuse(Reason::kPrefixOutside, indexFile, std::string(prefix), {});
      const bool pictures = prefix.data() == head.ImagePrefix.data();
      for (std::int64_t n = 1; n <= count; ++n) {
        TakeFile(*folder, PictureFileName(split.name, n), true, indexFile);
        if (!pictures || !head.videos) continue;
        for (std::string_view extension : kVideoFileExtensions) {
          TakeFile(*folder, NumberedFileName(split.name, n, extension), false, indexFile);
        }
      }
    }
    const std::string_view support = head.SupportFolder;
    if (NamesAnotherPlace(support)) return true;
    const std::optional<std::string> folder =
        support.empty() ? std::nullopt : FolderFromTop(path, support);
    if (!folder) return Refuse(Reason::kPrefixOutside, indexFile, std::string(support), {});
    for (std::string_view image : kSupportImageNames) {
      TakeFile(*folder, image.substr(1), true, indexFile);
    }
    return true;
  }

  Folder& top_;
  SiteFiles files_;
  std::map<std::string, std::set<std::string, std::less<>>> names_;
  std::vector<std::string> missing_;
  std::string missingIn_;
  std::optional<SiteRefusal> refusal_;
};

}  // namespace

Result<SiteFiles, SiteRefusal> FindSiteFiles(Folder& top, const std::string& indexName) {
  SiteWalk walk(top);
  if (walk.TakeAlbum(top, "", 0, indexName)) {
    WalkAlbumsBelow(top, indexName, "", [&](Folder& album, const std::string& path) {
      const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
      return walk.TakeAlbum(album, path, depth, kAlbumIndexName);
    });
  }
  return walk.Finish();
}

}  // namespace quillmere
