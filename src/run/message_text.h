// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Text from files and paths, made fit to stand in a one-line message.
#pragma once

#include <cstddef>
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

// The next step a message may name, by what it does; each front end words it as its own.
enum class Remedy {
  // Finishing a change whose files wait for the desktop's trash: an album command of the index
  // file, which removes no picture when given no numbers.
  kFinishChange,
  // Giving up an interrupted change, keeping the album as it stands.
  kAbandonChange,
  // Copying the missing support images beside the index file.
  kAddSupportImages,
  // Making the missing thumbnails from their pictures.
  kMakeThumbnails,
};

// How a front end names a change and the next step of a message.
class CommandWords {
 public:
  virtual ~CommandWords() = default;
  // The change of the kind `kind`, as the front end's user makes it.
  virtual std::string Change(ChangeKind kind) const = 0;
  // The next step `remedy` for the album of the index file at `indexPath` (none when "").
  virtual std::string Step(Remedy remedy, const std::string& indexPath) const = 0;
};

// The command line's words: its commands as they are typed ("quillmere-cli --abandon-change
// INDEX"); the album's messages use them until they take a front end's words.
const CommandWords& CommandLineWords();

}  // namespace quillmere
