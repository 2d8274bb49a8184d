// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files a visitor of an album's site needs, for the album and every album of a tree below it,
// found while their folders are held, and why an album cannot be published as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// Why an album is not published.
struct SiteRefusal {
  enum class Reason {
    // Another run holds the lock of an album of the tree.
    kAlbumBusy,
    // An album of the tree holds the journal of a change cut short.
    kUnfinishedChange,
    // A prefix of the index file leads out of the folder that is published.
    kPrefixOutside,
    // A file the pages name is not there.
    kFileMissing,
    // An index file of the tree cannot be read.
    kIndexUnreadable,
  };
  Reason reason = Reason::kFileMissing;
  // The index file it is about, as a path from the published folder.
  std::string indexFile;
  // The prefix, or the first missing file as a path from the published folder.
  std::string detail;
  // How many more files are missing.
  std::uint64_t more = 0;
  std::error_code error;
};

// The files of a site, as paths from its folder, in the order they are published.
struct SiteFiles {
  // The pictures, videos, thumbnails, picture pages and support images, sorted.
  std::vector<std::string> content;
  // The index pages, one list for each depth of the tree, the deepest first.
  std::vector<std::vector<std::string>> indexPages;
  // Everything else in the folders that hold them: index files, pages of no picture, the person's
  // own files and folders; what a send of the whole folder must leave out.
  std::vector<std::string> others;
  // The locks of every album's folder, taken from the top down, held while the site is sent.
  std::vector<std::unique_ptr<FolderLock>> locks;
};

// Locks the album of the index file `indexName` in `top` and every album below it, from the top
// down, and finds the files their pages need: the index page and picture pages, the pictures,
// thumbnails and videos their prefixes name and the support images. Refuses an album that
// another run holds, one with a change cut short, a prefix (but a URL's) that leads out of `top`,
// and a file the pages need that is not there.
Result<SiteFiles, SiteRefusal> FindSiteFiles(Folder& top, const std::string& indexName);

}  // namespace quillmere
