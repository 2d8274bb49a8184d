// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/list_command.h"

#include "album/commands/list_album.h"
#include "cli/console_words.h"
#include "index/markup_text.h"
#include "run/message_text.h"

namespace quillmere {
namespace {

// What the pictures and thumbnails of the list are like, as one state each: "yes", "missing", or
// "-" where it cannot be known.
std::string_view StateWord(const std::optional<bool>& there) {
  if (!there) return "-";
  return *there ? "yes" : "missing";
}

// What a listed picture's files are like, in the few words a terminal shows.
std::string_view FilesMark(const ListedPicture& listed) {
  const std::optional<bool>& picture = listed.picture;
  const std::optional<bool>& thumbnail = listed.thumbnail;
  if (picture && thumbnail) {
    if (*picture && *thumbnail) return "picture+thumbnail";
    if (!*picture && !*thumbnail) return "neither";
    return *picture ? "no thumbnail" : "no picture";
  }
  // Where one prefix names another place, only the other one's file is told of.
  if (picture) return *picture ? "picture" : "no picture";
  if (thumbnail) return *thumbnail ? "thumbnail" : "no thumbnail";
  return "-";
}

// The caption of `listed` as the album editor shows it, on one line.
std::string ShownCaption(const ListedPicture& listed) {
  return Visible(ShownOnOneLine(listed.caption));
}

// The folder of the album that `listed` opens, as a terminal shows it: "Lisbon/".
std::string ShownAlbum(const ListedPicture& listed) {
  return Visible(ShownOnOneLine(listed.album)) + "/";
}

// The characters of `text`, valid UTF-8 as Visible makes it, as a terminal counts its columns.
std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// `text` followed by spaces up to `width` characters.
std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - std::min(width, CharacterCount(text)), ' ');
}

// Prints the list in columns for reading on a terminal: the number right-aligned, the file name
// and the mark of its files padded to the longest, then the caption.
void PrintAligned(const std::vector<ListedPicture>& pictures, std::ostream& out) {
  std::size_t numberWidth = 1, fileWidth = 0, markWidth = 0;
  for (const ListedPicture& listed : pictures) {
    numberWidth = std::max(numberWidth, std::to_string(listed.number).size());
    fileWidth = std::max(fileWidth, CharacterCount(Visible(listed.file)));
    markWidth = std::max(markWidth, FilesMark(listed).size());
  }
  for (const ListedPicture& listed : pictures) {
    const std::string number = std::to_string(listed.number);
    out << std::string(numberWidth - number.size(), ' ') << number << "  "
        << Padded(Visible(listed.file), fileWidth) << "  "
        << Padded(std::string(FilesMark(listed)), markWidth) << "  " << ShownCaption(listed);
    if (!listed.album.empty()) out << "  [album " << ShownAlbum(listed) << "]";
    out << "\n";
  }
}

// Prints the list for scripts: number, file, picture, thumbnail and caption, split by tabs, and
// for an entry that is an album, the folder it opens.
void PrintTabbed(const std::vector<ListedPicture>& pictures, std::ostream& out) {
  for (const ListedPicture& listed : pictures) {
    out << listed.number << '\t' << Visible(listed.file) << '\t' << StateWord(listed.picture)
        << '\t' << StateWord(listed.thumbnail) << '\t' << ShownCaption(listed);
    if (!listed.album.empty()) out << '\t' << ShownAlbum(listed);
    out << "\n";
  }
}

// Prints the pictures of the index file at `indexPath`, one line each, as the console suits.
}  // namespace

int List(const std::string& indexPath, const Console& console, FileSystem& fs) {
  Result<std::vector<ListedPicture>, AlbumFailure> listed = ListAlbum(indexPath, fs);
  if (const auto* failure = listed.failure()) {
    Tell(console.err, Visible(Describe(*failure, CommandLineWords())));
    return ExitCodeOf(*failure);
  }
  if (console.outIsTerminal) {
    PrintAligned(listed.value(), console.out);
  } else {
    PrintTabbed(listed.value(), console.out);
  }
  return kExitOk;
}

}  // namespace quillmere
