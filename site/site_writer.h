// Writing the site's pages into its folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/page_file.h"

namespace quillmere {

// How many pages a run wrote, and how many already held their new content.
struct PageTally {
  std::uint64_t written = 0;
  std::uint64_t unchanged = 0;
};

// A page that could not be written, and the system's reason.
struct PageError {
  std::string page;
  int error = 0;
};

// Writes the index page and picture pages of one site folder.
class SiteWriter {
 public:
  // `siteFolder` ends with "/"; pages are named by appending their file names to it.
  SiteWriter(FileSystem& fs, std::string siteFolder);

  // Writes "index.html": the header box and the thumbnail grid.
  std::optional<PageError> WriteIndexPage(const IndexFile& index);

  // Writes "Image1.html" to "ImageN.html", one after the other; stops at the first failure.
  std::optional<PageError> WritePicturePages(const IndexFile& index);

  // The pages handled so far.
  const PageTally& tally() const { return tally_; }

 private:
  template <class Emit>
  std::optional<PageError> WritePage(std::string_view name, const Emit& emit);

  FileSystem& fs_;
  std::string siteFolder_;
  PageBuffers buffers_;
  PageTally tally_;
};

}  // namespace quillmere
