// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An edit of an album as one change: captions, descriptions and the title changed, pictures moved
// and removed together, their files renumbered with them. --remove-pictures, --move-picture,
// --edit and the window's editor all change an album through it.
#pragma once

#include <optional>
#include <string>

#include "album/album.h"
#include "album/change/edited_text.h"
#include "run/journal_format.h"

namespace quillmere {

// An edit of an album's pictures.
struct AlbumEdit {
  // What the edit does to the index file's text.
  TextEdit text;
  // What the index file held when the edit was made; the edit is refused when it holds anything
  // else now. None takes the index file as it is.
  std::optional<IndexState> madeOn;
  // How the journal names the change.
  ChangeKind kind = ChangeKind::kEdit;
};

// Makes `edit` to the album of the index file at `indexPath` as one change, as safe as
// RemovePictures: the lines that change are written in place with every other byte kept; the
// files of moved pictures take their new numbers and those of removed ones go to the desktop's
// trash (or are deleted); then the site is written. An edit that moves or removes nothing works
// also where the pictures are named by a URL or lie outside the folder.
AlbumOutcome EditAlbum(const std::string& indexPath, const AlbumEdit& edit, FileSystem& fs,
                       const AlbumOptions& options);

}  // namespace quillmere
