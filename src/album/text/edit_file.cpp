// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/edit_file.h"

#include <optional>

#include "album/text/album_text.h"
#include "album/text/pair_bytes.h"
#include "index/markup_text.h"
#include "index/picture_section.h"
#include "index/utf8.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Kind = EditFileError::Kind;

constexpr std::string_view kTitleKey = "title:";

// The rules of the edit file, which stand at its top.
constexpr std::string_view kRules =
    "# Each picture is a block: its file in brackets, then exactly two lines, its caption and\n"
    "# its description, whatever they hold. Change them to change the picture's texts: plain\n"
    "# text is written as you type it (<BR> is a line break), a line with other tags as markup.\n"
    "# Move a block to move its picture; delete a block to remove its picture (to the trash, or\n"
    "# deleted with --delete). A caption may not be empty or start with \";\". The title may\n"
    "# change on its line. Lines starting with # outside blocks, and blank lines between blocks,\n"
    "# do not count. Save and close the editor to apply the edit; save it unchanged, or without\n"
    "# blocks, to change nothing.\n";

// The lines of a text, taken one after the other from its start.
class TextLines {
 public:
  explicit TextLines(std::string_view text)
      : rest_(text), end_(text.find('\n') == std::string_view::npos ? '\r' : '\n') {}

  // The next line, without its line end (LF, CR LF, or CR before LF; CR in a text without LF);
  // none at the text's end.
  std::optional<std::string_view> Take() {
    if (rest_.empty()) return std::nullopt;
    const std::size_t end = rest_.find(end_);
    std::string_view line = rest_.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return line;
  }

 private:
  std::string_view rest_;
  char end_;
};

// What keeps `line` from being a line of the index file, whatever it says: a byte that is no
// UTF-8, a NUL byte, or a CR that ends no line; none when it can be one.
std::optional<Kind> LineFault(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) return Kind::kNulByte;
  if (!IsUtf8(line)) return Kind::kNotUtf8;
  if (line.find('\r') != std::string_view::npos) return Kind::kLoneCr;
  return std::nullopt;
}

// The lines of a text, taken as TextLines takes them, each line's fault kept with its number.
class CheckedLines {
 public:
  explicit CheckedLines(std::string_view text) : lines_(text) {}

  // The next line, as TextLines::Take gives it; a fault in it goes to `errors`.
  std::optional<std::string_view> Take(std::vector<EditFileError>& errors) {
    const std::optional<std::string_view> line = lines_.Take();
    if (!line) return line;
    ++number_;
    if (const std::optional<Kind> fault = LineFault(*line)) errors.push_back({*fault, number_});
    return line;
  }

  // The number of the line taken last, from 1.
  std::uint64_t number() const { return number_; }

 private:
  TextLines lines_;
  std::uint64_t number_ = 0;
};

// The line that heads the errors of an edit file opened again, and the start of each error's line.
constexpr std::string_view kNotApplied = "# The edit was not applied:";
constexpr std::string_view kErrorMark = "# error: ";

// Splits `text` into its lines, each without its line end.
std::vector<std::string_view> LinesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  TextLines taken(text);
  while (std::optional<std::string_view> line = taken.Take()) lines.push_back(*line);
  return lines;
}

// The number of lines at the start of `lines` that tell of an earlier round's errors.
std::size_t EarlierErrorLines(const std::vector<std::string_view>& lines) {
  std::size_t count = 0;
  while (count < lines.size() &&
         (lines[count] == kNotApplied || lines[count].starts_with(kErrorMark))) {
    ++count;
  }
  return count;
}

// Tells whether `line` starts a block: "[name]".
bool StartsBlock(std::string_view line) {
  return line.size() > 2 && line.front() == '[' && line.back() == ']';
}

// The blocks and title that an edit file holds, as read.
struct ReadBlocks {
  struct Block {
    std::string_view file;
    std::string_view caption;
    std::string_view description;
    std::uint64_t line;
  };
  std::vector<Block> blocks;
  std::optional<std::string_view> title;
  std::uint64_t titleLine = 0;
  std::vector<EditFileError> errors;
};

// The blocks and title of the edit file `text`, made for about `pictures` blocks.
ReadBlocks ReadEditFile(std::string_view text, std::size_t pictures) {
  ReadBlocks read;
  read.blocks.reserve(pictures);
  CheckedLines lines(text);
  while (std::optional<std::string_view> taken = lines.Take(read.errors)) {
    const std::string_view line = *taken;
    const std::uint64_t number = lines.number();
    if (TrimSpaces(line).empty() || line.starts_with('#')) continue;
    if (line.starts_with(kTitleKey)) {
      if (read.title) read.errors.push_back({Kind::kSecondTitle, number});
      std::string_view title = line.substr(kTitleKey.size());
      if (title.starts_with(' ')) title.remove_prefix(1);
      read.title = title;
      read.titleLine = number;
      continue;
    }
    if (!StartsBlock(line)) {
      read.errors.push_back({Kind::kStray, number});
      continue;
    }
    const std::string_view file = line.substr(1, line.size() - 2);
    const std::optional<std::string_view> caption = lines.Take(read.errors);
    const std::optional<std::string_view> description =
        caption ? lines.Take(read.errors) : std::nullopt;
    if (!description) {
      read.errors.push_back({Kind::kBlockCut, number, std::string(file)});
      break;
    }
    read.blocks.push_back({file, *caption, *description, number});
  }
  return read;
}

// The number of the picture of `album` whose file is `file`, told by the number in its name; 0
// when it is none of them.
std::int64_t NumberOfFile(std::string_view file, const AlbumForEditing& album) {
  const std::int64_t number =
      NumberInName(file, SplitAtFolder(album.picturePrefix).name, kPictureFileExtension);
  return number <= static_cast<std::int64_t>(album.pictures.size()) ? number : 0;
}

// The line that the text `typed` in the edit file, where `line` was shown, asks for: `line` itself
// where it was left as shown.
std::string EditedLine(std::string_view typed, const std::string& line) {
  return typed == EditableOnOneLine(line) ? line : LineOfEditable(typed);
}

// The edit of `album` that the blocks `read` ask for, or the errors in them.
Result<AlbumEdit, std::vector<EditFileError>> EditOf(const ReadBlocks& read,
                                                     const AlbumForEditing& album) {
  std::vector<EditFileError> errors = read.errors;
  std::vector<EditedPicture> pictures;
  pictures.reserve(read.blocks.size());
  std::vector<bool> named(album.pictures.size(), false);
  for (const ReadBlocks::Block& block : read.blocks) {
    const std::string file(block.file);
    const std::int64_t number = NumberOfFile(block.file, album);
    if (number == 0) {
      errors.push_back({Kind::kUnknownFile, block.line, file});
      continue;
    }
    std::vector<bool>::reference seen = named[static_cast<std::size_t>(number - 1)];
    if (seen) {
      errors.push_back({Kind::kNamedTwice, block.line, file});
      continue;
    }
    seen = true;
    const AlbumForEditing::Picture& shown = album.pictures[static_cast<std::size_t>(number - 1)];
    EditedPicture edited{number, EditedLine(block.caption, shown.caption),
                         EditedLine(block.description, shown.description)};
    if (CaptionDropsPair(edited.caption)) {
      errors.push_back({Kind::kCaptionDropsPair, block.line + 1, file});
    }
    pictures.push_back(std::move(edited));
  }
  const bool retitled = read.title && *read.title != EditableOnOneLine(album.title);
  const std::string title = retitled ? LineOfEditable(*read.title) : album.title;
  if (retitled && CaptionDropsPair(title)) {
    errors.push_back({Kind::kTitleDropped, read.titleLine});
  }
  if (!errors.empty()) return errors;
  AlbumEdit edit = EditOfPictures(album, pictures);
  if (retitled) {
    edit.text.title = LineInCharacterSet(title, album.utf8);
  }
  return edit;
}

}  // namespace

AlbumEdit EditOfPictures(const AlbumForEditing& album, const std::vector<EditedPicture>& pictures) {
  AlbumEdit edit;
  edit.madeOn = album.state;
  edit.text.order.reserve(pictures.size());
  for (const EditedPicture& picture : pictures) {
    edit.text.order.push_back(picture.number);
    const AlbumForEditing::Picture& shown =
        album.pictures[static_cast<std::size_t>(picture.number - 1)];
    if (picture.caption == shown.caption && picture.description == shown.description) continue;
    edit.text.pairs.emplace(picture.number,
                            PicturePair{LineInCharacterSet(picture.caption, album.utf8),
                                        LineInCharacterSet(picture.description, album.utf8)});
  }
  return edit;
}

std::string Describe(const EditFileError& error) {
  std::string at = "line " + std::to_string(error.line) + ": ";
  switch (error.kind) {
    case Kind::kStray:
      return at + "neither a comment, the title nor a block's first line [file]";
    case Kind::kBlockCut:
      return at + "the block of " + error.file + " ends before its caption and description";
    case Kind::kUnknownFile:
      return at + error.file + " is no picture of the album";
    case Kind::kNamedTwice:
      return at + error.file + " has a block already";
    case Kind::kCaptionDropsPair:
      return at + "the caption of " + error.file +
             " is empty or starts with \";\", which would leave its picture out";
    case Kind::kSecondTitle:
      return at + "a second title line";
    case Kind::kTitleDropped:
      return at + "the title is empty or starts with \";\", which the index file would skip";
    case Kind::kNotUtf8:
      return at + "not UTF-8 (save the edit file as UTF-8)";
    case Kind::kNulByte:
      return at + "holds a NUL byte";
    case Kind::kLoneCr:
      return at + "holds a CR that ends no line (the edit file's lines end in LF)";
  }
  return at;
}

std::string EditFileText(const AlbumForEditing& album, const std::string& indexPath) {
  std::string text = "# The album of " + indexPath + ".\n";
  text += kRules;
  text += "# Thumbnails: " + album.thumbPrefix + "  Pictures: " + album.picturePrefix +
          "  Support images: " + album.supportFolder +
          "  Per row: " + std::to_string(album.picsPerRow) + "\n";
  text += std::string(kTitleKey) + " " + EditableOnOneLine(album.title) + "\n";
  std::size_t size = text.size();
  for (const AlbumForEditing::Picture& picture : album.pictures) {
    size += picture.file.size() + picture.caption.size() + picture.description.size() + 6;
  }
  text.reserve(size);
  for (const AlbumForEditing::Picture& picture : album.pictures) {
    text.append("\n[").append(picture.file).append("]\n");
    text.append(EditableOnOneLine(picture.caption)).append("\n");
    text.append(EditableOnOneLine(picture.description)).append("\n");
  }
  return text;
}

std::string EditFileTextWithErrors(std::string_view edited,
                                   const std::vector<EditFileError>& errors) {
  std::string text = std::string(kNotApplied) + "\n";
  for (const EditFileError& error : NumberedAsReopened(edited, errors)) {
    text.append(kErrorMark).append(Describe(error)).append("\n");
  }
  const std::vector<std::string_view> lines = LinesOf(edited);
  for (std::size_t i = EarlierErrorLines(lines); i < lines.size(); ++i) {
    text.append(lines[i]).append("\n");
  }
  return text;
}

std::vector<EditFileError> NumberedAsReopened(std::string_view edited,
                                              std::vector<EditFileError> errors) {
  const std::uint64_t dropped = EarlierErrorLines(LinesOf(edited));
  const std::uint64_t added = 1 + errors.size();
  for (EditFileError& error : errors) {
    // A fault in an earlier round's error lines goes with them.
    error.line = error.line > dropped ? error.line - dropped + added : 1;
  }
  return errors;
}

Result<AlbumEdit, std::vector<EditFileError>> ParseEditFile(std::string_view text,
                                                            const AlbumForEditing& album) {
  ReadBlocks read = ReadEditFile(text, album.pictures.size());
  if (read.blocks.empty() && read.errors.empty()) {
    // A file without blocks asks for nothing, not for every picture to go.
    AlbumEdit nothing;
    nothing.madeOn = album.state;
    for (std::size_t i = 0; i < album.pictures.size(); ++i) {
      nothing.text.order.push_back(static_cast<std::int64_t>(i + 1));
    }
    return nothing;
  }
  return EditOf(read, album);
}

}  // namespace quillmere
