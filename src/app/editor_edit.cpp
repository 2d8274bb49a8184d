// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_edit.h"

#include "album/text/album_text.h"

namespace quillmere {

AlbumEdit EditOf(const AlbumForEditing& album, const std::vector<EditorEntry>& entries) {
  AlbumEdit edit;
  edit.madeOn = album.state;
  edit.kind = ChangeKind::kEdit;
  for (const EditorEntry& entry : entries) {
    edit.text.order.push_back(entry.number);
    const auto& before = album.pictures[static_cast<std::size_t>(entry.number - 1)];
    if (entry.caption == before.caption && entry.description == before.description) continue;
    edit.text.pairs[entry.number] = {LineInCharacterSet(entry.caption, album.utf8),
                                     LineInCharacterSet(entry.description, album.utf8)};
  }
  return edit;
}

bool ChangesNothing(const AlbumForEditing& album, const AlbumEdit& edit) {
  return edit.text.pairs.empty() &&
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
