// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/held_album.h"

#include "album/steps/found_pictures.h"
#include "index/picture_section.h"
#include "paths/paths.h"
#include "run/generate.h"

namespace quillmere {
Result<ChosenIndex, AlbumFailure> ReadAlbumIndex(const std::string& indexPath, IndexText text) {
  ChosenIndex chosen{std::move(text), {}, {}};
  chosen.name = indexPath.substr(indexPath.rfind(kSeparator) + 1);
  Result<IndexHead, IndexError> head = ParseIndexHead(chosen.text.bytes());
  if (auto* error = head.failure()) {
    return AlbumFailure::IndexUnusable{IndexFailure(indexPath, *error)};
  }
  chosen.head = head.value();
  return chosen;
}

PictureLineNumbers PictureLinesOf(const ChosenIndex& index) {
  PictureLineNumbers numbers;
  PairReader pairs(PictureLines(index.text.bytes(), index.head));
  while (const std::optional<LinePair> next = pairs.Next()) {
    const LinePair& pair = *next;
    if (!pair.dropped()) {
      numbers.lines.push_back(pair.firstLineNumber);
    } else if (numbers.firstDroppedLine == 0 && !TrimSpaces(pair.secondLine).empty() &&
               !pair.secondLine.starts_with(';')) {
      numbers.firstDroppedLine = pair.firstLineNumber;
    }
    numbers.lastPairOpen = pair.secondLineNumber == 0;
  }
  return numbers;
}

Result<HeldAlbum, AlbumFailure> HoldAlbum(const std::string& indexPath, FileSystem& fs,
                                          const AlbumOptions& options) {
  std::optional<IndexText> text;
  auto opened = HoldAlbumFolder(indexPath, IndexLink::kRefuse, fs, options, text);
  if (auto* failure = opened.failure()) return std::move(*failure);
  auto loaded = ReadAlbumIndex(indexPath, std::move(*text));
  if (auto* failure = loaded.failure()) return std::move(*failure);
  return HeldAlbum{std::move(opened.value()), std::move(loaded.value())};
}

AlbumOutcome WorkOnHeldAlbum(const std::string& indexPath, FileSystem& fs,
                             const AlbumOptions& options, const HeldAlbumStep& step) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  AlbumWork work{fs, options, outcome};
  WithinMemory(outcome, [&] {
    auto held = HoldAlbum(indexPath, fs, options);
    if (auto* failure = held.failure()) {
      outcome.failure = std::move(*failure);
      return;
    }
    outcome.failure = FailureOf(step(held.value(), work));
  });
  return outcome;
}

}  // namespace quillmere
