// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The text an album's index file gets from file names and from what pictures record about
// themselves, and the order of pictures by name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// `raw` as one line of index file text: UTF-8 (a text that is not valid UTF-8 is read as
// ISO-8859-1), control characters as spaces, runs of spaces as one, trimmed, and "&", "<" and ">"
// written as character references, because the index file's text is markup.
std::string MarkupText(std::string_view raw);

// A caption made from a picture's file name: the name without its extension, with "_" and "-" as
// spaces, as MarkupText writes it; never empty, and never starting with ";" (which would make the
// pair a comment).
std::string CaptionFromFileName(std::string_view fileName);

// The title of an album made from the name of its pictures' folder, as MarkupText writes it;
// never empty, and never starting with ";" (which would make the line a comment).
std::string TitleFromFolderName(std::string_view folderName);

// "2024-06-01 14:03" from a date as pictures record it, "2024:06:01 14:03:22"; empty when
// `recorded` is no such date.
std::string DateTakenText(std::string_view recorded);

// The instant at which a picture or video was taken, in seconds since 1970 UTC, from the date it
// records (`recorded`, as DateTakenText reads it) in the zone it records (`zone`, "+10:00" or
// "-03:30"); a date without a zone, or with one that is no zone, is the machine's local time.
// None when `recorded` is no date.
std::optional<std::int64_t> SecondsTaken(std::string_view recorded, std::string_view zone);

// The two lines of one picture in the index file.
struct PicturePair {
  std::string caption;
  std::string description;
};

// The five values of the head of a new album's index file.
struct AlbumHead {
  std::string title;
  std::string thumbPrefix;
  std::string picturePrefix;
  std::string supportFolder;
  int picsPerRow = 1;
  // Whether the album has videos, which its head then says.
  bool videos = false;
  // Whether the album is one of a tree of albums, which its head then says.
  bool albums = false;
  // The address of the index page of the album above it in its tree, which its head then gives;
  // empty for none.
  std::string parent{};
};

// The whole index file of a new album, with LF line ends.
std::string NewIndexText(const AlbumHead& head, const std::vector<PicturePair>& pairs);

// `text`, whose head's fifth value stands on line `fifthValueLine`, with the comment line
// `headLine` (kVideosLine, kAlbumsLine) before that value.
std::string WithHeadLine(std::string_view text, std::uint64_t fifthValueLine,
                         std::string_view headLine);

// The first line end of `text`, or LF when it has none.
std::string_view LineEndOf(std::string_view text);

// What an existing index file needs at its end, so that `pairs` follow as its last pictures:
// a line end where its last line has none, an empty line where its last pair lacks its second
// line (`lastPairOpen`), then the pairs, all with the line end the file uses first. A file that
// is not UTF-8 gets characters beyond ASCII as numeric character references.
std::string PairsToAppend(std::string_view existing, bool lastPairOpen,
                          const std::vector<PicturePair>& pairs);

// A line of an index file as UTF-8: as it is where the file is UTF-8 (`utf8`), else read as
// ISO-8859-1.
std::string LineAsUtf8(std::string_view line, bool utf8);

// The UTF-8 `line` in the character set of an index file: as it is where the file is UTF-8
// (`utf8`); else each character that ISO-8859-1 holds as its byte, and every other one as a
// numeric character reference.
std::string LineInCharacterSet(std::string_view line, bool utf8);

// Orders names as people count: runs of digits by their value ("p2" before "p10"), the rest byte
// by byte; names that tie so are ordered byte by byte.
bool NameOrderLess(std::string_view a, std::string_view b);

}  // namespace quillmere
