// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album that an interrupted --new-album began: finished, or, below the top of a tree, taken as
// made where it stands complete.
#pragma once

#include <string>

#include "album/album_failure.h"
#include "album/change/album_folder.h"
#include "album/commands/album_making.h"
#include "album/steps/album_work.h"
#include "album/steps/sub_album_entries.h"

namespace quillmere {

// Finishes the album in `album` that an interrupted --new-album of `picturesFolder` began: the
// change its journal held was finished when the folder was taken, or its index file is there
// without all of its pages. Only pages are written, and none in place of a file that is no page
// of this program. An album below the top of a tree that stands complete is taken as made. Tells
// whether there was such an album; what it holds itself goes to `own` where it stands in a tree.
Result<bool, AlbumFailure> FinishBegunAlbum(AlbumFolder& album, const std::string& picturesFolder,
                                            const TreePlace* place, AlbumWork& work,
                                            AlbumSummary& own);

}  // namespace quillmere
