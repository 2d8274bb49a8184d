// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The options of quillmere-cli, in one table from which the parsing, the usage lines, --help and
// the checks of their use are made.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// What quillmere-cli is asked to do: one command a run.
enum class Mode {
  kGenerate,
  kCheck,
  kAddSupportImages,
  kNewAlbum,
  kAddPictures,
  kMakeThumbnails,
  kRemovePictures,
  kMovePicture,
  kEdit,
  kAbandonChange,
  kList,
  kPublish,
};

// A set of modes, one bit each.
using Modes = std::uint32_t;

// The set that holds `mode`.
constexpr Modes ModeBit(Mode mode) {
  return Modes{1} << static_cast<unsigned>(mode);
}

// Every mode, and the modes of the album's commands.
inline constexpr Modes kAnyMode = ~Modes{0};
inline constexpr Modes kPictureModes =
    ModeBit(Mode::kNewAlbum) | ModeBit(Mode::kAddPictures) | ModeBit(Mode::kMakeThumbnails);
inline constexpr Modes kAlbumModes =
    kPictureModes | ModeBit(Mode::kRemovePictures) | ModeBit(Mode::kMovePicture);
// The modes that write, and so hold the folder's lock.
inline constexpr Modes kWritingModes = ModeBit(Mode::kGenerate) | ModeBit(Mode::kAddSupportImages) |
                                       kAlbumModes | ModeBit(Mode::kAbandonChange) |
                                       ModeBit(Mode::kEdit);

// Every option of quillmere-cli.
enum class OptionId {
  kCheck,
  kList,
  kAddSupportImages,
  kNewAlbum,
  kAddPictures,
  kMakeThumbnails,
  kRemovePictures,
  kMovePicture,
  kEdit,
  kAbandonChange,
  kPublish,
  kDryRun,
  kForce,
  kSync,
  kPictureSize,
  kThumbnailSize,
  kKeepMetadata,
  kMaxPixels,
  kMaxMemory,
  kVideoSize,
  kMaxVideoSeconds,
  kAllowDuplicates,
  kRemake,
  kDelete,
  kQuiet,
  kVerbose,
  kNoWait,
  kHelp,
  kVersion,
};

// The tasks --help groups the options by.
enum class Task { kSite, kNewAlbum, kKeepAlbum, kCheck, kAny };

// One option: how it is written, what it takes, the modes it is for and its line of help.
struct OptionRow {
  OptionId id;
  // The long name, "--force", and the short one, 'v', or '\0'.
  std::string_view name;
  char shortName;
  // The name of its value ("WxH"); empty for an option that takes none.
  std::string_view value;
  // For a command, the mode it chooses and the words that follow it; none otherwise.
  std::optional<Mode> command;
  std::string_view operands;
  // The modes it may be used with; a command's own mode for a command. `modesText` says which
  // where listing them would say it worse ("commands that write"); empty to list them.
  Modes modes;
  std::string_view modesText;
  // Where --help lists it, and what it says.
  Task task;
  std::string_view help;
};

// The table of every option, in the order --help lists them within their task.
std::span<const OptionRow> OptionTable();

// The long name of the option `id`, as it is typed: "--max-pixels".
std::string_view OptionName(OptionId id);

// The options of one command line, as given.
struct ParsedOptions {
  std::set<OptionId> flags;
  std::map<OptionId, std::string> values;
  std::vector<Mode> modes;
  // The words that are no options: index files, folders, pictures and numbers.
  std::vector<std::string> operands;
  // The first word that looked like an option but is none, and the first option that lacked
  // its value.
  std::optional<std::string> unknownOption;
  std::optional<std::string> missingValue;

  // Whether the option was given.
  bool Has(OptionId id) const { return flags.count(id) != 0 || values.count(id) != 0; }
  // The value given to the option, if it was.
  std::optional<std::string> Value(OptionId id) const;
  // The mode chosen: generating when no command was given.
  Mode mode() const { return modes.empty() ? Mode::kGenerate : modes.front(); }
};

// Reads `args` (without the program name). "--NAME=VALUE" and "--NAME VALUE" both give a value;
// "--" ends the options.
ParsedOptions ParseOptions(std::span<const std::string> args);

// The option given that is not for `mode`, with the modes it is for; "" when there is none.
std::string OptionNotForMode(const ParsedOptions& options);

// The lines that say how quillmere-cli is used, for a usage error.
std::string UsageText();

// The whole --help.
std::string HelpText();

}  // namespace quillmere
