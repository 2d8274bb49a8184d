// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --edit and the window's editor: an album read for editing, and an edit of it made as one change.
#pragma once

#include <string>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/text/album_edit.h"
#include "album/text/edit_file.h"
#include "platform/file_system.h"

namespace quillmere {

// Reads the album of the index file at `indexPath` for editing; its folder is held only while it
// is read, settling a change cut short there.
Result<AlbumForEditing, AlbumFailure> ReadForEditing(const std::string& indexPath, FileSystem& fs,
                                                     const AlbumOptions& options);

// Makes `edit` to the album of the index file at `indexPath` as one change, as safe as
// RemovePictures: the lines that change are written in place with every other byte kept; the
// files of moved pictures take their new numbers and those of removed ones go to the desktop's
// trash (or are deleted); then the site is written. An edit that moves or removes nothing works
// also where the pictures are named by a URL or lie outside the folder.
AlbumOutcome EditAlbum(const std::string& indexPath, const AlbumEdit& edit, FileSystem& fs,
                       const AlbumOptions& options);

}  // namespace quillmere
