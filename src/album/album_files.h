// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files of an album: where its images lie, how each is written whole, and which files are
// taken as pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "album/album.h"
#include "platform/file_system.h"

namespace quillmere {

// The failure of `kind` about `subject`, with `detail` and the system's `error` where there are.
AlbumFailure AlbumFailed(AlbumFailure::Kind kind, std::string subject, std::string detail = {},
                         std::error_code error = {});

// The folder that the images of one prefix of an index file lie in, opened once.
struct ImageFolder {
  std::unique_ptr<Folder> folder;
  // Its path, ending with "/".
  std::string path;
  // The part of the prefix after the folder.
  std::string namePrefix;

  // The file name of image `n` inside the folder.
  std::string FileName(std::int64_t n) const;
};

// Tells whether `prefix`, as an index file names images with it, stays inside the index file's
// folder: not a URL, not from the top of the file system, no "..".
bool StaysInside(std::string_view prefix);

// Opens the folder of the images named by `prefix` in `siteFolder` (which ends with "/"), making
// it when missing; refuses a prefix that leads outside the site folder (`indexPath` is named in
// the failure) and a symbolic link on the way.
std::variant<ImageFolder, AlbumFailure> OpenImageFolder(const std::string& siteFolder,
                                                        std::string_view prefix,
                                                        const std::string& indexPath,
                                                        FileSystem& fs);

// Writes `bytes` to a new file of `folder` that then takes the name `name` whole, in one step,
// with the permission bits `mode` (none: those of a new file).
std::error_code WriteWhole(Folder& folder, std::string_view name, std::string_view bytes,
                           std::optional<mode_t> mode = std::nullopt);

// A file taken as a picture, and what it tells about itself.
struct FoundPicture {
  std::string path;
  // Its name without the folder, which orders it and makes its caption.
  std::string name;
  PictureFacts facts;
};

// The files of `folder` that may be pictures: regular files (or symbolic links that lead to
// one) whose names do not start with ".", in no particular order; the error when the folder
// cannot be listed. What else is there is added to `passedOver`: folders (also through links),
// links that lead to no file, and entries that are neither files nor folders.
Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver);

// Orders pictures by the date they were taken, then by name (NameOrderLess); those that record
// no date come after those that do.
void OrderPictures(std::vector<FoundPicture>& pictures);

// Removes trailing "/" from a folder's path given by the user, and gives "." for "".
std::string TidyFolderPath(std::string path);

}  // namespace quillmere
