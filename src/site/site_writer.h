// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Writing the site's pages into its folder.
#pragma once

#include <cstdint>
#include <string_view>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "platform/result.h"
#include "site/page_entries.h"
#include "site/page_file.h"

namespace quillmere {

// How many pages a run wrote, and how many already held their new content.
struct PageTally {
  std::uint64_t written = 0;
  std::uint64_t unchanged = 0;
};

// Writes the index page and picture pages into one site folder.
class SiteWriter {
 public:
  SiteWriter(Folder& folder, const PageRules& rules) : folder_(folder), rules_(rules) {}

  // Writes "index.html": the header box and the thumbnail grid, whose thumbnails of the albums
  // in `entries` open those albums.
  Result<void, PageFailure> WriteIndexPage(const IndexFile& index, const PageEntries& entries);

  // Writes "Image1.html" to "ImageN.html", one after the other, showing the video of each entry
  // of `entries` that is a video in place of its picture, and linking the picture of each that is
  // an album to that album; stops at the first failure.
  Result<void, PageFailure> WritePicturePages(const IndexFile& index, const PageEntries& entries);

  // The pages handled so far.
  const PageTally& tally() const { return tally_; }

 private:
  // Writes the page `name`, whose lines `emit` puts into a sink.
  template <class Emit>
  Result<void, PageFailure> WritePage(std::string_view name, const Emit& emit);

  Folder& folder_;
  const PageRules& rules_;
  PageBuffers buffers_;
  PageTally tally_;
  std::uint64_t totalPages_ = 0;
};

}  // namespace quillmere
