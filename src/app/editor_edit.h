// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the album editor's pictures, as they stand, ask of the album they were read from: whether
// their edit (EditOfPictures) changes anything, and which caption keeps them from being saved.
#pragma once

#include <QString>
#include <vector>

#include "album/text/album_edit.h"
#include "album/text/edit_file.h"
#include "app/picture_list_model.h"
#include "index/picture_section.h"

namespace quillmere {

// Tells whether `edit` of `album` changes nothing: no title, no line, no order.
bool ChangesNothing(const AlbumForEditing& album, const AlbumEdit& edit);

// The row of the first of `entries` whose caption cannot be saved, or -1.
int FirstFaultyCaption(const std::vector<EditorEntry>& entries);

// Why a caption that drops its pair so (`drop`) cannot be saved; empty for none.
QString FaultText(PairDrop drop);

}  // namespace quillmere
