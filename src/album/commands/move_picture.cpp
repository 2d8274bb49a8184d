// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/move_picture.h"

#include "album/commands/parent_entry.h"
#include "album/steps/edit_change.h"

namespace quillmere {
namespace {

// The edit that moves picture `from` of `open` to the place `to`.
AlbumEdit MoveOf(const OpenAlbum& open, std::int64_t from, std::int64_t to) {
  AlbumEdit edit;
  edit.kind = ChangeKind::kMovePicture;
  for (std::int64_t n = 1; n <= open.count(); ++n) {
    if (n != from) edit.text.order.push_back(n);
  }
  edit.text.order.insert(edit.text.order.begin() + (to - 1), from);
  return edit;
}

// Moves picture `from` of the album `open` to the place `to`.
Result<void, AlbumFailure> MoveIn(OpenAlbum& open, std::int64_t from, std::int64_t to,
                                  AlbumWork& work) {
  for (std::int64_t n : {from, to}) {
    if (auto done = CheckNumber(open, n, work.outcome.indexPath); !done) return done;
  }
  if (from == to) return {};
  return MakeEdit(open, MoveOf(open, from, to), work);
}

}  // namespace

AlbumOutcome MovePicture(const std::string& indexPath, std::int64_t from, std::int64_t to,
                         FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome = ChangeAlbum(indexPath, fs, options, [&](OpenAlbum& open, AlbumWork& work) {
    return MoveIn(open, from, to, work);
  });
  if (outcome.ok()) UpdateParentEntries(indexPath, fs, options, outcome);
  return outcome;
}

}  // namespace quillmere
