// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What an album command is asked to do: the sizes pictures are made at, their limits, the run that
// follows, and the names a new album gives its files.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "album/picture_types.h"
#include "run/generate.h"
#include "run/journal.h"
#include "run/progress_text.h"
#include "site/album_entries.h"

namespace quillmere {

class MadePicturesCache;

// Pictures are fitted within this box by default: the picture page's pop-up window is 825 by
// 650 pixels, and its margins, the description box above the picture, the picture's border and
// its shadow leave about 790 by 570 of it, with room for a description of two lines.
inline constexpr FitBox kDefaultPictureSize{780, 560};

// Thumbnails are fitted within this box by default: the index page's grid cell, 100 by 100
// pixels in a column 134 wide, which holds the thumbnail's border and shadow beside it.
inline constexpr FitBox kDefaultThumbnailSize{100, 100};

// Thumbnails per row of a new album: five columns of 134 pixels fit a window 700 wide.
inline constexpr int kNewAlbumPicsPerRow = 5;

// The names a new album gives its thumbnails, pictures and support folder; its index file's is
// kAlbumIndexName.
inline constexpr std::string_view kAlbumThumbPrefix = "thumbs/t";
inline constexpr std::string_view kAlbumPicturePrefix = "pictures/p";
inline constexpr std::string_view kAlbumSupportFolder = "support";

// Hears how far the work on the pictures has come; told by one thread at a time.
class PictureProgress {
 public:
  virtual ~PictureProgress() = default;
  // Tells how many of the pictures to work on are done, and how much of their work.
  virtual void PicturesDone(const WorkProgress& progress) = 0;
};

// How the pictures are made, and what the run that follows may do.
struct AlbumOptions {
  // The box the pictures are fitted within; none keeps them at their size, and JPEGs byte for
  // byte.
  std::optional<FitBox> pictureSize = kDefaultPictureSize;
  FitBox thumbnailSize = kDefaultThumbnailSize;
  // Whether the thumbnail size was asked for: --make-thumbnails then remakes every thumbnail
  // whose size is not what that size gives for its picture.
  bool thumbnailSizeAsked = false;
  // Whether --make-thumbnails remakes every thumbnail, whatever its time and size.
  bool remake = false;
  // What a picture may declare and need; one over them is refused, decided from its header.
  PictureLimits limits;
  // Whether a picture that cannot be read is told of with the image library's own words too.
  bool libraryText = false;
  // Whether fitted pictures keep what the originals record (date, camera, place taken); they are
  // stripped of it by default, and thumbnails always are.
  bool keepMetadata = false;
  // The box videos are fitted within, either way round; a larger one is encoded smaller.
  FitBox videoSize = kDefaultVideoSize;
  // The longest video taken, in milliseconds.
  std::uint64_t maxVideoMilliseconds = kDefaultMaxVideoMilliseconds;
  // The run that writes the site afterwards; its stop request also stops the pictures' work,
  // between pictures.
  RunOptions run;
  // Told after each picture; none costs nothing.
  PictureProgress* progress = nullptr;
  // How many pictures are made at once; 0 for one per core the program may use.
  unsigned threads = 0;
  // Whether a picture that repeats one of the album's byte for byte is added all the same.
  bool allowDuplicates = false;
  // Whether the pictures made are remembered in the user's cache folder, so that an original
  // added again is known without being decoded.
  bool rememberPictures = true;
  // Whether the files of removed pictures are deleted rather than moved to the desktop's trash.
  bool deleteRemoved = false;
  // Where the files of removed pictures go instead; none for the desktop's trash.
  Trash* trash = nullptr;
  // The pictures made before, loaded once by a command over many albums and shared by them; none
  // for each album to load and save the cache itself.
  MadePicturesCache* sharedMadePictures = nullptr;
};

}  // namespace quillmere
