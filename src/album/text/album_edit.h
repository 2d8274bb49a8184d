// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An edit of an album: captions, descriptions and the title changed, pictures moved and removed
// together, made on the index file it was read from.
#pragma once

#include <optional>
#include <string>

#include "album/text/edited_text.h"
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

}  // namespace quillmere
