// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The steps that the album's commands share: probing pictures, making and numbering them, and
// writing the site at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "album/album.h"
#include "album/album_files.h"
#include "album/album_text.h"
#include "album/change/album_change.h"
#include "album/change/album_folder.h"
#include "album/known_pictures.h"
#include "album/made_pictures_cache.h"
#include "platform/file_system.h"

namespace quillmere {

// The failure that tells the work was asked to stop, with what was `leftAsItWas`.
AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas);

// What the work of one album command carries from step to step: the file system, the options, and
// the outcome, which the steps add their problems and counts to.
struct AlbumWork {
  FileSystem& fs;
  const AlbumOptions& options;
  AlbumOutcome& outcome;
  // The pictures made before, which the pictures made now are added to; none to remember none.
  MadePicturesCache* remembered = nullptr;

  // The pictures left out or not made so far.
  std::vector<PictureProblem>& problems() { return outcome.problems; }
};

// Reads what each of `found` tells about itself; those that are no pictures become problems.
// Returns the pictures in their order, or why nothing can be made of them: the image library
// cannot be loaded, the work was asked to stop, or there is no picture among what was
// `givenAs`.
Result<std::vector<FoundPicture>, AlbumFailure> ProbePictures(std::vector<FoundPicture> found,
                                                              const std::string& givenAs,
                                                              AlbumWork& work);

// Where a made picture and its thumbnail go.
struct ImageFolders {
  ImageFolder pictures;
  ImageFolder thumbnails;
  // Whether videos are among the pictures made, each beside its poster.
  bool videos = false;
};

// Finds the folders of the pictures and thumbnails of `album`, named by the index file
// `indexPath` with `picturePrefix` and `thumbPrefix`; makes nothing.
Result<ImageFolders, AlbumFailure> FindImageFolders(AlbumFolder& album,
                                                    std::string_view picturePrefix,
                                                    std::string_view thumbPrefix,
                                                    const std::string& indexPath);

// Plans in `change` the folders to make and the pictures and thumbnails `first` to `last` of
// `folders`, and the videos beside the pictures (of either kind) where `folders` has videos.
void PlanImages(const ImageFolders& folders, std::int64_t first, std::int64_t last,
                AlbumChange& change);

// The names among the pictures and thumbnails `first` to `last` of `folders`, and the videos
// where it has videos, that are taken.
Result<std::vector<std::string>> TakenImageNames(ImageFolders& folders, std::int64_t first,
                                                 std::int64_t last);

// The pictures MakeAndNumber makes: numbered from `first` on in their order, and, where `known`
// is given, left out as duplicates when they repeat one of its pictures; an original that the
// work's pictures made before say it made one of them is left out without being decoded. None made,
// and none left out as a duplicate, says that nothing of what was `givenAs` was a picture.
struct PicturesToNumber {
  const std::vector<FoundPicture>& pictures;
  std::int64_t first = 1;
  std::string givenAs;
  KnownPictures* known = nullptr;
};

// What MakeAndNumber made: the pairs of the pictures written, and how many were left out as
// duplicates or as pictures the album holds.
struct NumberedPictures {
  std::vector<PicturePair> pairs;
  std::size_t duplicates = 0;
  // Whether any of them is a video.
  bool videos = false;
};

// The pictures made before, loaded from the user's cache folder when the options ask to remember
// them and there is one.
std::optional<MadePicturesCache> LoadMadePictures(AlbumWork& work);

// Saves the pictures made before, with those made now; a cache that cannot be saved only costs
// the next run time.
void SaveMadePictures(std::optional<MadePicturesCache>& remembered, AlbumWork& work);

// Makes the pictures and thumbnails of `toNumber` and hands them to `change`, in `folders`, where
// no file has their names; a picture that cannot be made is left out of the numbering and becomes
// a problem, and so, as a note, does a duplicate. The failure when the work cannot go on.
Result<NumberedPictures, AlbumFailure> MakeAndNumber(const PicturesToNumber& toNumber,
                                                     ImageFolders& folders, AlbumChange& change,
                                                     AlbumWork& work);

// Writes the site of the work's index file into `album`, whose lock is held, into the outcome;
// why not, when it was not written.
std::optional<AlbumFailure> FinishSite(AlbumFolder& album, AlbumWork& work);

// Does the work of an album command on `outcome`; memory that runs out on the way fails it, as
// one that could not write its index file (`outcome.indexPath`) for ENOMEM.
void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work);

}  // namespace quillmere
