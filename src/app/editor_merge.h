// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor's changes made again on an album that changed outside it since it was read:
// each picture known by what stays with its file when outside commands renumber it (its size and
// when its content last changed), not by its number; captions and descriptions, moves by the
// pictures' relative order and removals reapplied; texts changed both ways and texts typed for
// pictures that are gone set apart for the person.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "album/text/edit_file.h"
#include "app/picture_list_model.h"

namespace quillmere {

// What stays with a picture's file when it takes another number; none where it cannot be told.
struct PictureMark {
  std::uint64_t size = 0;
  std::int64_t modified = 0;

  bool known() const { return size != 0 || modified != 0; }
  bool operator==(const PictureMark&) const = default;
};

// A picture as the editor last read or saved it: its key, its lines and its file's mark.
struct BasePicture {
  std::int64_t key = 0;
  std::string caption;
  std::string description;
  PictureMark mark;
};

// A text changed both in the editor and outside, for the person to choose.
struct TextConflict {
  // The picture's number in the album now; 0 for the title.
  std::int64_t number = 0;
  PictureLine which = PictureLine::kCaption;
  std::string mine;
  std::string theirs;
};

// The editor's changes made on the album as it is now.
struct MergedEdit {
  // The pictures, numbered as in the album now, in their merged order, with their merged lines;
  // a text changed both ways holds the editor's until the person chooses.
  std::vector<EditedPicture> pictures;
  std::string title;
  std::vector<TextConflict> conflicts;
  // The texts typed for pictures that the album no longer holds, by their keys.
  std::vector<EditedPicture> gone;
};

// Makes the editor's pictures `mine` (by their keys, in the person's order) and title `myTitle`,
// changed from `base` (in the order it was read) and `baseTitle`, again on `now`, whose pictures'
// files have the marks `nowMarks` (entry n - 1 for picture n).
MergedEdit MergeOnto(const std::vector<EditedPicture>& mine, const std::string& myTitle,
                     const std::vector<BasePicture>& base, const std::string& baseTitle,
                     const AlbumForEditing& now, const std::vector<PictureMark>& nowMarks);

}  // namespace quillmere
