// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files taken as pictures for an album: found in a folder or given, their sidecars, their
// order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "album/album_outcome.h"
#include "album/pictures/picture_maker.h"
#include "album/videos/video_maker.h"
#include "platform/file_system.h"

namespace quillmere {

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

// Whether FilesIn lists the sub-folders it passes over, or leaves them to the walk of a tree.
enum class SubFolders { kReport, kLeave };

// The files of `folder` that may be pictures: regular files (or symbolic links that lead to
// one) whose names do not start with ".", in no particular order; the error when the folder
// cannot be listed. What else is there is added to `passedOver`: folders (also through links;
// unless `subFolders` leaves them), links that lead to no file, and entries that are neither
// files nor folders.
Result<std::vector<FoundPicture>> FilesIn(const std::string& folder, FileSystem& fs,
                                          std::vector<PictureProblem>& passedOver,
                                          SubFolders subFolders = SubFolders::kReport);

// The pictures given to --add-pictures: files as they are, folders by their pictures (their
// sub-folders reported or left as `subFolders` says); what is neither becomes a problem.
std::vector<FoundPicture> GivenPictures(const std::vector<std::string>& sources, FileSystem& fs,
                                        std::vector<PictureProblem>& problems,
                                        SubFolders subFolders = SubFolders::kReport);

// Gives each of `found` its XMP sidecar among `found`, and takes the sidecars that found a picture
// out of `found`.
void AttachSidecars(std::vector<FoundPicture>& found);

// Orders pictures by the instant they were taken (SecondsTaken: in the zone they record, else
// in the machine's), then by name (NameOrderLess); those that record no date come after those
// that do.
void OrderPictures(std::vector<FoundPicture>& pictures);

}  // namespace quillmere
