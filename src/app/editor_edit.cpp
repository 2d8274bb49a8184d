// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_edit.h"

namespace quillmere {

bool ChangesNothing(const AlbumForEditing& album, const AlbumEdit& edit) {
  return !edit.text.title && edit.text.pairs.empty() &&
         KeepsOrder(static_cast<std::int64_t>(album.pictures.size()), edit.text.order);
}

int FirstFaultyCaption(const std::vector<EditorEntry>& entries) {
  for (std::size_t row = 0; row < entries.size(); ++row) {
    if (PairDropOf(entries[row].caption) != PairDrop::kNone) return static_cast<int>(row);
  }
  return -1;
}

QString FaultText(PairDrop drop) {
  switch (drop) {
    case PairDrop::kNone:
      return {};
    case PairDrop::kEmpty:
      return QStringLiteral("A caption cannot be empty: the album would lose the picture.");
    case PairDrop::kComment:
      return QStringLiteral(
          "A caption cannot start with \";\": the album would take the picture as a comment.");
  }
  return {};
}

}  // namespace quillmere
