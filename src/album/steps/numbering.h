// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pictures of an album command made and numbered: each recognised from the pictures made
// before or made on a thread, then handed on in order to be left out as a duplicate or written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/cache/made_pictures_cache.h"
#include "album/change/album_change.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"
#include "album/steps/image_folders.h"
#include "album/steps/known_pictures.h"
#include "album/text/album_text.h"

namespace quillmere {

// The pictures MakeAndNumber makes: numbered from `first` on in their order, and, where `known`
// is given, left out as duplicates when they repeat one of its pictures; an original that the
// work's pictures made before say it made one of them is left out without being decoded. None made,
// and none left out as a duplicate, says that nothing of what was `givenAs` was a picture.
struct PicturesToNumber {
  const std::vector<FoundPicture>& pictures;
  std::int64_t first = 1;
  std::string givenAs;
  KnownPictures* known = nullptr;
  // The album's pictures, where given, of which a file that holds the same bytes is left out
  // whether `known` is given or not: the album's own file given back is no new picture.
  KnownPictures* own = nullptr;
};

// What MakeAndNumber made: the pairs of the pictures written, and how many were left out as
// duplicates or as pictures the album holds.
struct NumberedPictures {
  std::vector<PicturePair> pairs;
  std::size_t duplicates = 0;
  // How many of them are videos.
  std::size_t videos = 0;
  // The index in the pictures given of the picture each pair was made of.
  std::vector<std::size_t> sources;
};

// The pictures made before, loaded from the user's cache folder when `options` ask to remember
// them and there is one.
std::optional<MadePicturesCache> LoadMadePictures(const AlbumOptions& options, FileSystem& fs);

// Points `work` at the pictures made before: the cache its options share among many albums, or
// else `own`, loaded for this album alone, for SaveMadePictures.
void UseMadePictures(AlbumWork& work, std::optional<MadePicturesCache>& own);

// Runs `work` with `options` and one cache of pictures made before, shared by every album it
// makes, read before it and written after it; memory that runs out reading it fails `outcome`.
void WithSharedMadePictures(const AlbumOptions& options, FileSystem& fs, AlbumOutcome& outcome,
                            const std::function<void(const AlbumOptions&)>& work);

// Saves the pictures made before, with those made now; a cache that cannot be saved only costs
// the next run time.
void SaveMadePictures(std::optional<MadePicturesCache>& remembered, FileSystem& fs);

// Makes the pictures and thumbnails of `toNumber` and hands them to `change`, in `folders`, where
// no file has their names; a picture that cannot be made is left out of the numbering and becomes
// a problem, and so, as a note, does a duplicate. The failure when the work cannot go on.
Result<NumberedPictures, AlbumFailure> MakeAndNumber(const PicturesToNumber& toNumber,
                                                     ImageFolders& folders, AlbumChange& change,
                                                     AlbumWork& work);

}  // namespace quillmere
