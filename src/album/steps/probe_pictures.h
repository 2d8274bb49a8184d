// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files taken for an album sorted out before anything is made: pictures read from their
// headers, videos from theirs, Live Photos' videos left out, and the rest noted.
#pragma once

#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"

namespace quillmere {

// Reads what each of `found` tells about itself; those that are no pictures become problems.
// Returns the pictures in their order, or why nothing can be made of them: the image library
// cannot be loaded, the work was asked to stop, or there is no picture among what was
// `givenAs`.
Result<std::vector<FoundPicture>, AlbumFailure> ProbePictures(std::vector<FoundPicture> found,
                                                              const std::string& givenAs,
                                                              AlbumWork& work);

}  // namespace quillmere
