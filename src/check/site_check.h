// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Checks an index file and its site folder for the mistakes that a run passes over in silence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "platform/file_system.h"
#include "run/generate.h"

namespace quillmere {

// The most dropped pairs, and the most lines where the pictures move without one, that a check
// lists one by one; the rest are only counted.
inline constexpr std::uint64_t kListedDroppedPairs = 100;

// One thing the check found.
struct Finding {
  // The index file's line it is about, or 0 when it is about no line.
  std::uint64_t line = 0;
  // A note tells of something the index file may mean to do; a problem is a mistake.
  bool note = false;
  // What was found, as one line of plain text.
  std::string text;
};

// What the check of one index file came to.
struct SiteCheck {
  // The index file's folder as it was given: ending with "/", or empty for the working folder.
  std::string siteFolder;
  std::int64_t pictureCount = 0;
  // The thumbnails, pictures and support images looked for in the file system.
  std::uint64_t filesChecked = 0;
  // The names that point elsewhere (a URL) and so were not looked for.
  std::uint64_t namesNotChecked = 0;
  // True when support images are missing from a support folder they can be copied into.
  bool supportImagesCanBeAdded = false;
  // True when a thumbnail is missing or damaged while its picture is there to make it from.
  bool thumbnailsCanBeMade = false;
  // The problems and notes found, the listed ones and those only counted.
  std::uint64_t problems = 0;
  std::uint64_t notes = 0;
};

// Receives the findings one by one: first those about lines, in the order of the lines, then
// those about no line.
using FindingSink = std::function<void(const Finding&)>;

// Reads the index file at `indexPath` as a run does and checks, without writing anything:
// the head's thumbnails-per-row value, the pairs that blank or comment lines drop, the
// thumbnails, pictures and support images that the pages would name, whether the index file is
// itself one of the pages, and picture pages left over from an earlier run. Keeps no finding
// after handing it to `sink`, and names changes and next steps in `words`. Fails as a run does
// when the file cannot be used.
Result<SiteCheck, RunFailure> CheckSite(const std::string& indexPath, FileSystem& fs,
                                        const FindingSink& sink, const CommandWords& words);

}  // namespace quillmere
