// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The edit file of an album: its title and one block per picture (the picture's file in brackets,
// then its caption and its description), in UTF-8 with LF line ends, that a person edits in a text
// editor; and the edit that the edited file asks for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "album/text/album_edit.h"
#include "run/journal_format.h"

namespace quillmere {

// An album as its edit file shows it, in UTF-8, and the state of the index file it was read from.
struct AlbumForEditing {
  // One picture: its file's name as its prefix makes it (without the folder), its two lines.
  struct Picture {
    std::string file;
    std::string caption;
    std::string description;
    // The folder of the album the entry opens, relative to the index file's; empty for a picture
    // or a video.
    std::string album{};
  };
  IndexState state;
  // Whether the index file is UTF-8; otherwise its text is read and written as ISO-8859-1.
  bool utf8 = true;
  std::string title;
  std::string thumbPrefix;
  std::string picturePrefix;
  std::string supportFolder;
  std::int64_t picsPerRow = 0;
  std::vector<Picture> pictures;
};

// A picture as an edit leaves it: its number in the album read for editing, and its two lines in
// UTF-8.
struct EditedPicture {
  std::int64_t number = 0;
  std::string caption;
  std::string description;
};

// The edit that leaves `album` with `pictures`, in their order: the lines that changed, in the
// index file's character set, and the pictures left out; made on the state `album` was read in.
AlbumEdit EditOfPictures(const AlbumForEditing& album, const std::vector<EditedPicture>& pictures);

// Why an edited file cannot be applied, at its line `line`.
struct EditFileError {
  enum class Kind {
    // The line is neither a comment, the title, a blank line nor a block's first line.
    kStray,
    // The block of `file` ends before its caption and description.
    kBlockCut,
    // `file` is no picture of the album.
    kUnknownFile,
    // `file` has a block before this one.
    kNamedTwice,
    // The caption of `file` is empty, blank or starts with ";", which would leave its pair out.
    kCaptionDropsPair,
    // A second title line.
    kSecondTitle,
    // The title is empty or starts with ";", which would make the index file skip it.
    kTitleDropped,
    // The line is not UTF-8, as an editor that saved it in another character set leaves it.
    kNotUtf8,
    // The line holds a NUL byte, which no line of an index file may hold.
    kNulByte,
    // The line holds a CR that ends no line, in a file whose lines end in LF.
    kLoneCr,
  };
  Kind kind = Kind::kStray;
  std::uint64_t line = 0;
  std::string file{};
};

// The one line that tells of `error`.
std::string Describe(const EditFileError& error);

// The edit file of `album` for the index file `indexPath`.
std::string EditFileText(const AlbumForEditing& album, const std::string& indexPath);

// The edited file `edited` opened again with `errors`, found in it, as comments at its top in
// place of the errors of an earlier round, each at the number of its line in the file made, and
// its lines ending in LF.
std::string EditFileTextWithErrors(std::string_view edited,
                                   const std::vector<EditFileError>& errors);

// `errors`, found in the edited file `edited`, with the numbers of their lines in the file that
// EditFileTextWithErrors makes of it.
std::vector<EditFileError> NumberedAsReopened(std::string_view edited,
                                              std::vector<EditFileError> errors);

// The edit that the edited file `text` asks of `album`, in the index file's character set; the
// errors that keep it from being applied, each line that is not UTF-8 or holds a NUL byte among
// them. Lines end in LF, CR LF, or CR in a file without LF. A file without blocks asks for nothing.
Result<AlbumEdit, std::vector<EditFileError>> ParseEditFile(std::string_view text,
                                                            const AlbumForEditing& album);

}  // namespace quillmere
