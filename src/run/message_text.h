// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Text from files and paths, made fit to stand in a one-line message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <locale>
#include <string>
#include <string_view>

#include "run/journal_format.h"

namespace quillmere {

// The most characters of a file's text that a message quotes.
inline constexpr std::size_t kExcerptLength = 40;

// `text` with every control character, and every byte that is not part of valid UTF-8, written
// as \xNN, so that it cannot move the cursor, retitle a terminal or break a line.
std::string Visible(std::string_view text);

// The first kExcerptLength characters of `text` made Visible, followed by "…" when it goes on,
// in double quotes.
std::string QuotedExcerpt(std::string_view text);

// `number` with the thousands separators of `locale`; without one, with commas: "268,402,689".
std::string GroupedNumber(std::uint64_t number, const std::locale& locale);
std::string GroupedNumber(std::uint64_t number);

// "1 picture", "3 videos": `count` of a thing named `one` or `many`.
std::string Count(std::uint64_t count, const char* one, const char* many);

// "28 pictures and 1 video": `entries` pictures of an album counted, `videos` of them as videos.
std::string PicturesAndVideos(std::uint64_t entries, std::uint64_t videos);

// The next step a message may name, by what it does; each front end words it as its own, and one
// that has no way to take it leaves it out.
enum class NextStep {
  // Finishing a change whose files wait for the desktop's trash: an album command of the index
  // file, which removes no picture when given no numbers.
  kFinishChange,
  // Giving up an interrupted change, keeping the album as it stands.
  kAbandonChange,
  // Copying the missing support images beside the index file.
  kAddSupportImages,
  // Making the missing thumbnails from their pictures.
  kMakeThumbnails,
  // Removing a picture from an album (its number follows).
  kRemovePicture,
  // Removing pictures by deleting their files, which finishes a change waiting for the trash.
  kDeleteRemoved,
  // Setting the limit of pixels a picture may declare.
  kPixelLimit,
  // Setting the memory a picture may need.
  kMemoryBudget,
  // Setting the longest video taken.
  kVideoLength,
};

// How a front end names a change and the next step of a message.
class CommandWords {
 public:
  virtual ~CommandWords() = default;
  // The change of the kind `kind`, as the front end's user makes it.
  virtual std::string Change(ChangeKind kind) const = 0;
  // The next step `step` for the album of the index file at `indexPath` (none when ""); empty
  // where the front end has no way to take it.
  virtual std::string Step(NextStep step, const std::string& indexPath) const = 0;
};

// Words that name a change by its journal's word and leave every next step out: for texts kept
// before a front end words them, and for logs.
const CommandWords& WordsWithoutSteps();

}  // namespace quillmere
