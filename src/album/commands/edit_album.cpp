// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/edit_album.h"

#include "album/commands/parent_entry.h"
#include "album/steps/edit_change.h"
#include "album/steps/held_album.h"
#include "album/text/album_text.h"
#include "album/text/pair_bytes.h"
#include "index/utf8.h"
#include "paths/paths.h"
#include "site/album_entries.h"
#include "site/page_output.h"

namespace quillmere {

Result<AlbumForEditing, AlbumFailure> ReadForEditing(const std::string& indexPath, FileSystem& fs,
                                                     const AlbumOptions& options) {
  auto held = HoldAlbum(indexPath, fs, options);
  if (auto* failure = held.failure()) return std::move(*failure);
  const ChosenIndex& index = held.value().index;
  const std::string_view text = index.text.bytes();
  const IndexHead& head = index.head;
  AlbumForEditing album;
  album.state = StateOf(text);
  album.utf8 = IsUtf8(text);
  album.title = LineAsUtf8(head.SiteTitle, album.utf8);
  album.thumbPrefix = LineAsUtf8(head.ThumbPrefix, album.utf8);
  album.picturePrefix = LineAsUtf8(head.ImagePrefix, album.utf8);
  album.supportFolder = LineAsUtf8(head.SupportFolder, album.utf8);
  album.picsPerRow = head.PicsPerRow;
  const auto lines = PictureLinePairs(text, head);
  album.pictures.reserve(lines.size());
  const std::string_view namePrefix = SplitAtFolder(album.picturePrefix).name;
  std::int64_t number = 0;
  for (const auto& [caption, description] : lines) {
    album.pictures.push_back({PictureFileName(namePrefix, ++number),
                              LineAsUtf8(caption, album.utf8),
                              LineAsUtf8(description, album.utf8)});
  }
  const AlbumEntries albums = FindAlbumEntries(head, number, *held.value().album.folder);
  for (const AlbumEntry& entry : albums.all()) {
    album.pictures[static_cast<std::size_t>(entry.number - 1)].album = entry.folder;
  }
  return album;
}

AlbumOutcome EditAlbum(const std::string& indexPath, const AlbumEdit& edit, FileSystem& fs,
                       const AlbumOptions& options) {
  AlbumOutcome outcome = ChangeAlbum(
      indexPath, fs, options, [&](OpenAlbum& open, AlbumWork& work) -> Result<void, AlbumFailure> {
        const std::int64_t count = open.count();
        auto done = MakeEdit(open, edit, work);
        if (done) {
          work.outcome.picturesRemoved = static_cast<std::uint64_t>(count) - edit.text.order.size();
        }
        return done;
      });
  if (outcome.ok()) UpdateParentEntries(indexPath, fs, options, outcome);
  return outcome;
}

}  // namespace quillmere
