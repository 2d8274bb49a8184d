// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <string>

#include "album/picture_types.h"
#include "platform/file_system.h"
#include "run/message_text.h"

namespace quillmere {
namespace {

// `bytes` in whole MiB, rounded up.
std::string Mebibytes(std::uint64_t bytes) {
  constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;
  return GroupedNumber(bytes / kMebibyte + (bytes % kMebibyte != 0 ? 1 : 0)) + " MiB";
}

// The front end's words for the setting `step` in brackets after a space, or nothing.
std::string Bracketed(const CommandWords& words, NextStep step) {
  const std::string text = words.Step(step, "");
  return text.empty() ? text : " (" + text + ")";
}

// The program's own words for `error`.
std::string OwnWords(const PictureError& error, const CommandWords& words) {
  using Kind = PictureError::Kind;
  switch (error.kind) {
    case Kind::kUnreadable:
      return ErrorText(error.file);
    case Kind::kEmpty:
      return "the file is empty";
    case Kind::kUnknownFormat:
      return "not a picture this program reads";
    case Kind::kNoDecoder:
      return "it is a " + error.format + " picture, which this system has no decoder for";
    case Kind::kBadHeader:
      return "its " + error.format + " header is damaged";
    case Kind::kTruncated:
      return "the file ends early (truncated " + error.format + ")";
    case Kind::kDamaged:
      return "its " + error.format + " data is damaged";
    case Kind::kTooManyPixels:
      return "it declares " + std::to_string(error.width) + "x" + std::to_string(error.height) +
             " pixels, over the limit of " + GroupedNumber(error.limit) +
             Bracketed(words, NextStep::kPixelLimit);
    case Kind::kTooMuchMemory:
      return "making it would need " + Mebibytes(error.needed) + " of memory, over the budget of " +
             Mebibytes(error.limit) + " per picture" + Bracketed(words, NextStep::kMemoryBudget);
    case Kind::kOutOfMemory:
      return "the memory ran out while it was made";
    case Kind::kNoModule:
      return error.libraryText.empty() ? "its module is missing" : error.libraryText;
    case Kind::kNotStarted:
      return "it did not start";
    case Kind::kTooLong:
      return "the video lasts " + GroupedNumber((error.needed + 999) / 1000) +
             " s, longer than the limit of " + GroupedNumber(error.limit / 1000) + " s" +
             Bracketed(words, NextStep::kVideoLength);
    case Kind::kNoVideoDecoder:
      return "it is a video of " + error.format + ", which this system has no decoder for";
    case Kind::kStopped:
      return "its making was stopped";
  }
  return "";
}

}  // namespace

std::string Describe(const PictureError& error, const CommandWords& words) {
  std::string text = OwnWords(error, words);
  if (!error.libraryText.empty() && error.kind != PictureError::Kind::kNoModule) {
    text += " (" + error.libraryText + ")";
  }
  return text;
}

}  // namespace quillmere
