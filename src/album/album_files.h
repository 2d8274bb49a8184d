// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files taken as pictures for an album, and how the album's failures are made.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "album/album.h"
#include "album/pictures/picture_maker.h"
#include "album/pictures/video_maker.h"
#include "platform/file_system.h"

namespace quillmere {

// The failure of `kind` about the file or folder at `path`, with the system's `error` where there
// is one.
AlbumFailure AlbumFailed(AlbumFailure::Kind kind, std::string path, std::error_code error = {});

// The failure of `kind` about `about`: one of AlbumFailure's own payloads, or the failure of
// another part of the program that it is.
template <class About>
AlbumFailure AlbumFailedFor(AlbumFailure::Kind kind, About about) {
  return AlbumFailure{kind, std::move(about)};
}

// A file taken as a picture, and what it tells about itself.
struct FoundPicture {
  std::string path;
  // Its name without the folder, which orders it and makes its caption.
  std::string name;
  PictureFacts facts;
  // The path of its XMP sidecar ("NAME.xmp" or "NAME.EXT.xmp" beside it, in any case); empty when
  // it has none.
  std::string sidecar{};
  // What its header tells where it is a video, which becomes an entry by its poster.
  std::optional<VideoFacts> video{};
};

// The files of `folder` that may be pictures: regular files (or symbolic links that lead to
// one) whose names do not start with ".", in no particular order; the error when the folder
// cannot be listed. What else is there is added to `passedOver`: folders (also through links),
// links that lead to no file, and entries that are neither files nor folders.
Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver);

// The pictures given to --add-pictures: files as they are, folders by their pictures; what is
// neither becomes a problem.
std::vector<FoundPicture> GivenPictures(const std::vector<std::string>& sources, FileSystem& fs,
                                        std::vector<PictureProblem>& problems);

// Gives each of `found` its XMP sidecar among `found`, and takes the sidecars that found a picture
// out of `found`.
void AttachSidecars(std::vector<FoundPicture>& found);

// Orders pictures by the date they were taken, then by name (NameOrderLess); those that record
// no date come after those that do.
void OrderPictures(std::vector<FoundPicture>& pictures);

}  // namespace quillmere
