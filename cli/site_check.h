// Checks an index file and its site folder for the mistakes that a run passes over in silence.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// One thing the check found.
struct Finding {
  // The index file's line it is about, or 0 when it is about no line.
  std::uint64_t line = 0;
  // A note tells of something the index file may mean to do; a problem is a mistake.
  bool note = false;
  // What was found, as one line of plain text.
  std::string text;
};

// What the check of one index file found.
struct SiteCheck {
  // The index file's folder, ending with "/".
  std::string siteFolder;
  std::int64_t pictureCount = 0;
  // The thumbnails, pictures and support images looked for in the file system.
  std::uint64_t filesChecked = 0;
  // The names that point elsewhere (a URL) and so were not looked for.
  std::uint64_t namesNotChecked = 0;
  // True when support images are missing from a support folder they can be copied into.
  bool supportImagesCanBeAdded = false;
  // In the order of the index file's lines; findings about no line come last.
  std::vector<Finding> findings;

  std::uint64_t Problems() const;
  std::uint64_t Notes() const;
};

// Reads the index file at `indexPath` as a run does and checks, without writing anything:
// the head's thumbnails-per-row value, the pairs that blank or comment lines drop, the
// thumbnails, pictures and support images that the pages would name, and picture pages left
// over from an earlier run. Gives the run's one-line message when the file cannot be used.
std::variant<SiteCheck, std::string> CheckSite(const std::string& indexPath, FileSystem& fs);

}  // namespace quillmere
