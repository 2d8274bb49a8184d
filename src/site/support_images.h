// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The bundled set of support images that the pages name, and copying it beside a site.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// The environment variable that names the folder holding the bundled "support" folder,
// in place of the one installed with the program.
inline constexpr const char* kDataDirVariable = "QUILLMERE_DATA_DIR";

// The folders where the bundled support images are looked for: $QUILLMERE_DATA_DIR/support when
// the variable is set (as the build does for its tests and scripts), otherwise the one installed
// with the program, <program folder>/../share/quillmere/support.
std::vector<std::string> SupportImageSources();

// Why the support images were not all copied: one of its kinds, each with what it is about.
struct SupportFailure {
  // The index file `indexPath` names no support folder.
  struct NoSupportFolder {
    std::string indexPath;
  };
  // The support folder `folder` of the index file `indexPath` is on another server.
  struct NotOnThisMachine {
    std::string folder;
    std::string indexPath;
  };
  // No bundled set was found in any of the folders `lookedIn`.
  struct BundleNotFound {
    std::vector<std::string> lookedIn;
  };
  // The bundled image `image` is missing from the bundled folder `folder`.
  struct BundleIncomplete {
    std::string image;
    std::string folder;
  };
  // The support folder `folder` could not be made, for `error`.
  struct FolderNotMade {
    std::string folder;
    std::error_code error;
  };
  // The image `from` could not be copied to `to`, for `error`.
  struct NotCopied {
    std::string from;
    std::string to;
    std::error_code error;
  };

  using Why = std::variant<NoSupportFolder, NotOnThisMachine, BundleNotFound, BundleIncomplete,
                           FolderNotMade, NotCopied>;

  // A failure of the kind `kind`, with what it is about.
  template <class K, std::enable_if_t<std::is_constructible_v<Why, K&&>, int> = 0>
  SupportFailure(K&& kind) : why(std::forward<K>(kind)) {}

  // Which kind it is, and what it is about.
  Why why;

  // Whether it is of the kind `Kind`.
  template <class Kind>
  bool Is() const {
    return std::holds_alternative<Kind>(why);
  }
  // What it is about, where it is of the kind `Kind`; null otherwise.
  template <class Kind>
  const Kind* As() const {
    return std::get_if<Kind>(&why);
  }
};

// The one line that tells the user why the support images were not all copied.
std::string Describe(const SupportFailure& failure);

// The result of copying the bundled support images.
struct SupportCopy {
  // Why not all were copied; none when the copy went well.
  std::optional<SupportFailure> failure;
  // The bundled folder copied from, and the site's support folder copied into.
  std::string from, into;
  // The names as the pages write them, of the images copied and of those already there.
  std::vector<std::string> copied, present;
  // The names of images that are symbolic links to nothing: left alone, and still missing.
  std::vector<std::string> dangling;
};

// The first folder of SupportImageSources that exists, checked to hold all twelve images; or why
// there is none.
Result<std::string, SupportFailure> FindBundledImages(FileSystem& fs);

// A new file of `folder`, not yet in place, that holds a copy of the file at `from`.
Result<std::unique_ptr<NewFile>> CopyIntoNewFile(const std::string& from, Folder& folder,
                                                 FileSystem& fs);

// Copies the bundled support images into the folder `folderName`, as the pages name it, of
// `siteFolder` (which ends with "/"), creating the folder when needed; a file already there is
// kept, unless it is empty (what a power cut leaves of a copy). Each image is written to a new
// file that takes its name whole, its data on the disk first, so that an image is never seen half
// copied. Images copied before a failure stay and are listed. A symbolic link in an
// image's place is never written through.
SupportCopy CopySupportImages(const std::string& siteFolder, const std::string& folderName,
                              FileSystem& fs);

}  // namespace quillmere
