// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/options.h"

#include <algorithm>
#include <array>

#include "album/album_options.h"

namespace quillmere {
namespace {

using Id = OptionId;

constexpr Modes kMakingModes = ModeBit(Mode::kNewAlbum) | ModeBit(Mode::kAddPictures);
constexpr Modes kPageModes = ModeBit(Mode::kGenerate) | kAlbumModes;
constexpr Modes kForceModes = kPageModes & ~ModeBit(Mode::kNewAlbum);

// The column where --help's descriptions start.
constexpr std::size_t kHelpColumn = 33;

constexpr std::array<OptionRow, 29> kOptions = {{
    {Id::kForce,
     "--force",
     '\0',
     "",
     {},
     "",
     kForceModes,
     "",
     Task::kSite,
     "replace pages that do not look like Quillmere's"},
    {Id::kSync,
     "--sync",
     '\0',
     "",
     {},
     "",
     kPageModes,
     "generating a site and the album's commands",
     Task::kSite,
     "flush each page to the disk before it takes its name"},
    {Id::kNewAlbum, "--new-album", '\0', "", Mode::kNewAlbum, "PICTURES_FOLDER ALBUM_FOLDER",
     ModeBit(Mode::kNewAlbum), "", Task::kNewAlbum, "pictures, thumbnails, index.txt and site"},
    {Id::kPictureSize,
     "--picture-size",
     '\0',
     "WxH|original",
     {},
     "",
     kMakingModes,
     "",
     Task::kNewAlbum,
     "fit the pictures within WxH"},
    {Id::kThumbnailSize,
     "--thumbnail-size",
     '\0',
     "WxH",
     {},
     "",
     kPictureModes,
     "",
     Task::kNewAlbum,
     "fit the thumbnails within WxH"},
    {Id::kKeepMetadata,
     "--keep-metadata",
     '\0',
     "",
     {},
     "",
     kMakingModes,
     "",
     Task::kNewAlbum,
     "keep date, camera and place on the pictures"},
    {Id::kMaxPixels,
     "--max-pixels",
     '\0',
     "N",
     {},
     "",
     kPictureModes,
     "",
     Task::kNewAlbum,
     "refuse pictures of more pixels"},
    {Id::kMaxMemory,
     "--max-memory",
     '\0',
     "MIB",
     {},
     "",
     kPictureModes,
     "",
     Task::kNewAlbum,
     "refuse pictures that need more memory"},
    {Id::kVideoSize,
     "--video-size",
     '\0',
     "WxH",
     {},
     "",
     kMakingModes,
     "",
     Task::kNewAlbum,
     "fit the videos within WxH, either way round"},
    {Id::kMaxVideoSeconds,
     "--max-video-seconds",
     '\0',
     "N",
     {},
     "",
     kMakingModes,
     "",
     Task::kNewAlbum,
     "refuse longer videos"},
    {Id::kAddPictures, "--add-pictures", '\0', "", Mode::kAddPictures, "INDEX_FILE PICTURE...",
     ModeBit(Mode::kAddPictures), "", Task::kKeepAlbum, "add pictures, or folders of them"},
    {Id::kAllowDuplicates,
     "--allow-duplicates",
     '\0',
     "",
     {},
     "",
     kMakingModes,
     "",
     Task::kKeepAlbum,
     "keep pictures that repeat another"},
    {Id::kMakeThumbnails, "--make-thumbnails", '\0', "", Mode::kMakeThumbnails, "INDEX_FILE",
     ModeBit(Mode::kMakeThumbnails), "", Task::kKeepAlbum,
     "make the thumbnails that are out of date"},
    {Id::kRemake,
     "--remake",
     '\0',
     "",
     {},
     "",
     ModeBit(Mode::kMakeThumbnails),
     "",
     Task::kKeepAlbum,
     "make every thumbnail again"},
    {Id::kRemovePictures, "--remove-pictures", '\0', "", Mode::kRemovePictures, "INDEX_FILE N...",
     ModeBit(Mode::kRemovePictures), "", Task::kKeepAlbum, "leave pictures out, files renumbered"},
    {Id::kDelete,
     "--delete",
     '\0',
     "",
     {},
     "",
     ModeBit(Mode::kRemovePictures) | ModeBit(Mode::kEdit),
     "",
     Task::kKeepAlbum,
     "delete removed pictures instead of trashing them"},
    {Id::kMovePicture, "--move-picture", '\0', "", Mode::kMovePicture, "INDEX_FILE FROM TO",
     ModeBit(Mode::kMovePicture), "", Task::kKeepAlbum, "move a picture, files renumbered"},
    {Id::kEdit, "--edit", '\0', "", Mode::kEdit, "INDEX_FILE", ModeBit(Mode::kEdit), "",
     Task::kKeepAlbum, "captions and order in your text editor"},
    {Id::kAbandonChange, "--abandon-change", '\0', "", Mode::kAbandonChange, "INDEX_FILE",
     ModeBit(Mode::kAbandonChange), "", Task::kKeepAlbum,
     "give up an interrupted change; keep the album as is"},
    {Id::kPublish, "--publish", '\0', "", Mode::kPublish, "INDEX_FILE [DESTINATION]",
     ModeBit(Mode::kPublish), "", Task::kKeepAlbum,
     "send the site to a folder, host:folder or rsync://"},
    {Id::kDryRun,
     "--dry-run",
     'n',
     "",
     {},
     "",
     ModeBit(Mode::kPublish),
     "",
     Task::kKeepAlbum,
     "say what would be sent and removed; send nothing"},
    {Id::kAddSupportImages, "--add-support-images", '\0', "", Mode::kAddSupportImages, "INDEX_FILE",
     ModeBit(Mode::kAddSupportImages), "", Task::kKeepAlbum, "copy the bundled support images"},
    {Id::kCheck, "--check", '\0', "", Mode::kCheck, "INDEX_FILE", ModeBit(Mode::kCheck), "",
     Task::kCheck, "write nothing; list what is missing or amiss"},
    {Id::kList, "--list", '\0', "", Mode::kList, "INDEX_FILE", ModeBit(Mode::kList), "",
     Task::kCheck, "show each picture's number, files and caption"},
    {Id::kQuiet,
     "--quiet",
     'q',
     "",
     {},
     "",
     kAnyMode,
     "",
     Task::kAny,
     "print only problems and failures"},
    {Id::kVerbose,
     "--verbose",
     'v',
     "",
     {},
     "",
     kAnyMode,
     "",
     Task::kAny,
     "say what was done, and the image library's words"},
    {Id::kNoWait,
     "--no-wait",
     '\0',
     "",
     {},
     "",
     kWritingModes,
     "commands that write",
     Task::kAny,
     "fail while another run writes the same folder"},
    {Id::kHelp, "--help", 'h', "", {}, "", kAnyMode, "", Task::kAny, "show this help"},
    {Id::kVersion, "--version", '\0', "", {}, "", kAnyMode, "", Task::kAny, "show the version"},
}};

// The headings of --help's groups, in their order.
constexpr std::array<std::pair<Task, std::string_view>, 5> kTasks = {{
    {Task::kSite, "Make a site (index.html and ImageN.html beside INDEX_FILE):"},
    {Task::kNewAlbum, "Make an album from a folder of pictures:"},
    {Task::kKeepAlbum, "Keep an album:"},
    {Task::kCheck, "Check:"},
    {Task::kAny, "Any command:"},
}};

const OptionRow* FindLong(std::string_view name) {
  auto found = std::find_if(kOptions.begin(), kOptions.end(),
                            [&](const OptionRow& option) { return option.name == name; });
  return found == kOptions.end() ? nullptr : &*found;
}

const OptionRow* FindShort(char name) {
  auto found = std::find_if(kOptions.begin(), kOptions.end(),
                            [&](const OptionRow& option) { return option.shortName == name; });
  return found == kOptions.end() ? nullptr : &*found;
}

// How a mode is named where an option says what it is for.
std::string ModeName(Mode mode) {
  if (mode == Mode::kGenerate) return "generating a site";
  auto command = std::find_if(kOptions.begin(), kOptions.end(),
                              [&](const OptionRow& option) { return option.command == mode; });
  return std::string(command->name);
}

// The modes of `modes` as words: "a, b and c".
std::string ModesText(Modes modes) {
  std::vector<std::string> names;
  for (unsigned bit = 0; bit <= static_cast<unsigned>(Mode::kEdit); ++bit) {
    const auto mode = static_cast<Mode>(bit);
    if ((modes & ModeBit(mode)) != 0) names.push_back(ModeName(mode));
  }
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

// Records the option `row`, whose value, if it takes one, is `inlineValue` or the next word.
void Take(const OptionRow& row, const std::string& written,
          const std::optional<std::string>& inlineValue, std::span<const std::string> args,
          std::size_t& i, ParsedOptions& options) {
  if (row.command) options.modes.push_back(*row.command);
  if (row.value.empty()) {
    options.flags.insert(row.id);
    return;
  }
  if (inlineValue) {
    options.values[row.id] = *inlineValue;
  } else if (i + 1 < args.size()) {
    options.values[row.id] = args[++i];
  } else if (!options.missingValue) {
    options.missingValue = written;
  }
}

// "WxH" for `box`.
std::string BoxText(const FitBox& box) {
  return std::to_string(box.width) + "x" + std::to_string(box.height);
}

// What the album takes when the option `id` is not given, as --help says it; "" for an option
// whose absence says nothing more.
std::string DefaultOf(OptionId id) {
  switch (id) {
    case Id::kPictureSize:
      return BoxText(kDefaultPictureSize);
    case Id::kThumbnailSize:
      return BoxText(kDefaultThumbnailSize);
    case Id::kMaxPixels:
      return std::to_string(kDefaultMaxPixels);
    case Id::kMaxMemory:
      return std::to_string(kDefaultMaxMemory >> 20);
    case Id::kVideoSize:
      return BoxText(kDefaultVideoSize);
    case Id::kMaxVideoSeconds:
      return std::to_string(kDefaultMaxVideoMilliseconds / 1000);
    // The commands.
    case Id::kCheck:
    case Id::kList:
    case Id::kAddSupportImages:
    case Id::kNewAlbum:
    case Id::kAddPictures:
    case Id::kMakeThumbnails:
    case Id::kRemovePictures:
    case Id::kMovePicture:
    case Id::kEdit:
    case Id::kAbandonChange:
    case Id::kPublish:
    // The options that take no value.
    case Id::kDryRun:
    case Id::kForce:
    case Id::kSync:
    case Id::kKeepMetadata:
    case Id::kAllowDuplicates:
    case Id::kRemake:
    case Id::kDelete:
    case Id::kQuiet:
    case Id::kVerbose:
    case Id::kNoWait:
    case Id::kHelp:
    case Id::kVersion:
      break;
  }
  return "";
}

// The line --help gives an option: its names, value and operands, then what it does.
std::string HelpLine(const OptionRow& row) {
  std::string line = "  ";
  if (row.shortName != '\0') {
    line += '-';
    line += row.shortName;
    line += ", ";
  }
  line += row.name;
  for (std::string_view word : {row.value, row.operands}) {
    if (!word.empty()) {
      line += ' ';
      line += word;
    }
  }
  line.resize(std::max(kHelpColumn, line.size() + 2), ' ');
  line += row.help;
  if (const std::string byDefault = DefaultOf(row.id); !byDefault.empty()) {
    line += " (" + byDefault + ")";
  }
  return line;
}

}  // namespace

std::span<const OptionRow> OptionTable() {
  return kOptions;
}

std::string_view OptionName(OptionId id) {
  for (const OptionRow& option : OptionTable()) {
    if (option.id == id) return option.name;
  }
  return {};
}

std::optional<std::string> ParsedOptions::Value(OptionId id) const {
  auto found = values.find(id);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

ParsedOptions ParseOptions(std::span<const std::string> args) {
  ParsedOptions options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
      options.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    std::optional<std::string> inlineValue;
    if (equals != std::string::npos) inlineValue = arg.substr(equals + 1);
    const OptionRow* row = arg.size() == 2 && arg[1] != '-' ? FindShort(arg[1]) : FindLong(name);
    // A flag takes no value, so "--force=yes" is no option of this program.
    if (row == nullptr || (inlineValue && row->value.empty())) {
      if (!options.unknownOption) options.unknownOption = arg;
      continue;
    }
    Take(*row, arg, inlineValue, args, i, options);
  }
  return options;
}

std::string OptionNotForMode(const ParsedOptions& options) {
  const Modes mode = ModeBit(options.mode());
  for (const OptionRow& row : kOptions) {
    if (row.command || !options.Has(row.id) || (row.modes & mode) != 0) continue;
    const std::string forWhat =
        row.modesText.empty() ? ModesText(row.modes) : std::string(row.modesText);
    return std::string(row.name) + " is for " + forWhat;
  }
  return "";
}

std::string UsageText() {
  std::string text = "Usage: quillmere-cli [OPTION...] INDEX_FILE\n";
  for (const OptionRow& row : kOptions) {
    if (!row.command) continue;
    text += "       quillmere-cli " + std::string(row.name) + " [OPTION...] " +
            std::string(row.operands) + "\n";
  }
  text += "Try 'quillmere-cli --help' for the options.";
  return text;
}

std::string HelpText() {
  std::string text = "Usage: quillmere-cli [--COMMAND] [OPTION...] INDEX_FILE|FOLDER [...]\n";
  for (const auto& [task, heading] : kTasks) {
    text += std::string(heading) + "\n";
    for (const OptionRow& row : kOptions) {
      if (row.task == task) text += HelpLine(row) + "\n";
    }
  }
  text += "Details, the index file and the exit status: man quillmere-cli\n";
  return text;
}

}  // namespace quillmere
