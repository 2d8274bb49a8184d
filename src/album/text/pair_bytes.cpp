// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/pair_bytes.h"

#include <algorithm>

#include "album/text/album_text.h"
#include "index/picture_section.h"

namespace quillmere {
namespace {

bool EndsWithLineEnd(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// The bytes of `pair` in `text`, made a whole pair that another may follow: its last line ended
// with `lineEnd`, and an empty second line where the file ended before it.
std::string WholePair(std::string_view text, const PairBytes& pair, std::string_view lineEnd) {
  std::string bytes(text.substr(pair.begin, pair.end - pair.begin));
  if (!EndsWithLineEnd(bytes)) bytes += lineEnd;
  if (pair.open) bytes += lineEnd;
  return bytes;
}

}  // namespace

std::vector<PairBytes> PicturePairBytes(std::string_view text, const IndexHead& head) {
  std::vector<PairBytes> pairs;
  PairReader reader(PictureLines(text, head));
  std::size_t begin = head.picturesOffset;
  while (const std::optional<LinePair> next = reader.Next()) {
    const LinePair& pair = *next;
    const std::size_t end = text.size() - reader.Rest().size();
    if (!pair.dropped()) pairs.push_back({begin, end, pair.secondLineNumber == 0});
    begin = end;
  }
  return pairs;
}

std::vector<std::pair<std::string_view, std::string_view>> PictureLinePairs(std::string_view text,
                                                                            const IndexHead& head) {
  std::vector<std::pair<std::string_view, std::string_view>> lines;
  PairReader reader(PictureLines(text, head));
  while (const std::optional<LinePair> next = reader.Next()) {
    const LinePair& pair = *next;
    if (!pair.dropped()) lines.emplace_back(pair.firstLine, pair.secondLine);
  }
  return lines;
}

std::string TextWithout(std::string_view text, const std::vector<PairBytes>& pairs,
                        const std::vector<std::int64_t>& removed) {
  std::string kept;
  kept.reserve(text.size());
  std::size_t from = 0;
  for (std::int64_t n : removed) {
    const PairBytes& pair = pairs[static_cast<std::size_t>(n - 1)];
    kept.append(text.substr(from, pair.begin - from));
    from = pair.end;
  }
  kept.append(text.substr(from));
  return kept;
}

std::string TextWithMoved(std::string_view text, const std::vector<PairBytes>& pairs,
                          std::int64_t from, std::int64_t to) {
  const std::string_view lineEnd = LineEndOf(text);
  const PairBytes& moved = pairs[static_cast<std::size_t>(from - 1)];
  const PairBytes& place = pairs[static_cast<std::size_t>(to - 1)];
  std::string result;
  result.reserve(text.size() + 2 * lineEnd.size());
  if (to < from) {
    result.append(text.substr(0, place.begin));
    result += WholePair(text, moved, lineEnd);
    result.append(text.substr(place.begin, moved.begin - place.begin));
    result.append(text.substr(moved.end));
    return result;
  }
  result.append(text.substr(0, moved.begin));
  result.append(text.substr(moved.end, place.begin - moved.end));
  result += WholePair(text, place, lineEnd);
  result += WholePair(text, moved, lineEnd);
  result.append(text.substr(place.end));
  return result;
}

}  // namespace quillmere
