// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/edited_text.h"

#include <algorithm>
#include <optional>
#include <set>

#include "album/text/pair_bytes.h"
#include "index/picture_section.h"

namespace quillmere {
namespace {

// The two lines of a picture, as read.
using LineViews = std::pair<std::string_view, std::string_view>;

// Bytes `begin` to `end` of a text to be replaced by `with`.
struct Replacement {
  std::size_t begin;
  std::size_t end;
  std::string with;
};

// Where `view`, a part of `text`, begins in it.
std::size_t OffsetIn(std::string_view text, std::string_view view) {
  return static_cast<std::size_t>(view.data() - text.data());
}

// Tells whether `view` is a part of `text`.
bool IsPartOf(std::string_view text, std::string_view view) {
  return view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size();
}

// The replacements that give the title and the pictures' lines (`lines`, as read) their new text.
std::vector<Replacement> LineReplacements(std::string_view text, const IndexHead& head,
                                          const std::vector<LineViews>& lines,
                                          const TextEdit& edit) {
  std::vector<Replacement> replacements;
  if (edit.title && *edit.title != head.SiteTitle && IsPartOf(text, head.SiteTitle)) {
    const std::size_t at = OffsetIn(text, head.SiteTitle);
    replacements.push_back({at, at + head.SiteTitle.size(), *edit.title});
  }
  for (const auto& [number, pair] : edit.pairs) {
    const auto i = static_cast<std::size_t>(number - 1);
    const auto [first, second] = lines[i];
    if (first != pair.caption) {
      const std::size_t at = OffsetIn(text, first);
      replacements.push_back({at, at + first.size(), pair.caption});
    }
    if (second == pair.description) continue;
    // Only the last pair can lack its second line, where the file ends before it.
    const std::optional<PairBytes> last =
        i + 1 == lines.size() ? std::optional(PicturePairBytes(text, head).back()) : std::nullopt;
    if (last && last->open) {
      // The second line follows the first.
      const std::string_view end = LineEndOf(text);
      const bool ended = text.ends_with('\n') || text.ends_with('\r');
      replacements.push_back(
          {last->end, last->end, (ended ? "" : std::string(end)) + pair.description});
    } else {
      const std::size_t at = OffsetIn(text, second);
      replacements.push_back({at, at + second.size(), pair.description});
    }
  }
  std::sort(replacements.begin(), replacements.end(),
            [](const Replacement& a, const Replacement& b) { return a.begin < b.begin; });
  return replacements;
}

// `text` with `replacements` (in order, apart) made.
std::string Replaced(std::string_view text, const std::vector<Replacement>& replacements) {
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (const Replacement& replacement : replacements) {
    result.append(text.substr(from, replacement.begin - from));
    result += replacement.with;
    from = replacement.end;
  }
  result.append(text.substr(from));
  return result;
}

// The pairs of the pictures of `text` as its head places them, read anew.
std::vector<PairBytes> PairsOf(std::string_view text) {
  Result<IndexHead, IndexError> head = ParseIndexHead(text);
  return head ? PicturePairBytes(text, head.value()) : std::vector<PairBytes>();
}

// A move of the picture at place `from` to place `to`, as --move-picture makes it.
struct Move {
  std::int64_t from;
  std::int64_t to;
};

// The move that brings `current` nearer to `order`: the one picture out of place moved down where
// that is all that differs, else the first picture out of place moved up to its place.
Move NextMove(const std::vector<std::int64_t>& current, const std::vector<std::int64_t>& order) {
  std::size_t first = 0;
  while (current[first] == order[first]) ++first;
  std::size_t last = order.size() - 1;
  while (current[last] == order[last]) --last;
  const auto place = [](std::size_t i) { return static_cast<std::int64_t>(i + 1); };
  const bool down = order[last] == current[first] &&
                    std::equal(order.begin() + static_cast<std::ptrdiff_t>(first),
                               order.begin() + static_cast<std::ptrdiff_t>(last),
                               current.begin() + static_cast<std::ptrdiff_t>(first + 1));
  if (down) return {place(first), place(last)};
  const auto at =
      std::find(current.begin() + static_cast<std::ptrdiff_t>(first), current.end(), order[first]);
  return {place(static_cast<std::size_t>(at - current.begin())), place(first)};
}

}  // namespace

bool CaptionDropsPair(std::string_view caption) {
  return PairDropOf(caption) != PairDrop::kNone ||
         caption.find_first_of("\r\n") != std::string_view::npos;
}

std::vector<std::int64_t> NumbersInOrder(std::int64_t count,
                                         const std::vector<std::int64_t>& order) {
  std::vector<std::int64_t> numbers(static_cast<std::size_t>(count), 0);
  for (std::size_t place = 0; place < order.size(); ++place) {
    numbers[static_cast<std::size_t>(order[place] - 1)] = static_cast<std::int64_t>(place + 1);
  }
  return numbers;
}

bool KeepsOrder(std::int64_t count, const std::vector<std::int64_t>& order) {
  if (static_cast<std::int64_t>(order.size()) != count) return false;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] != static_cast<std::int64_t>(i + 1)) return false;
  }
  return true;
}

std::string EditedText(std::string_view text, const IndexHead& head, const TextEdit& edit) {
  const std::vector<LineViews> lines = PictureLinePairs(text, head);
  std::string edited = Replaced(text, LineReplacements(text, head, lines, edit));
  const auto count = static_cast<std::int64_t>(lines.size());
  if (KeepsOrder(count, edit.order)) return edited;
  const std::set<std::int64_t> staying(edit.order.begin(), edit.order.end());
  std::vector<std::int64_t> removed;
  std::vector<std::int64_t> current;
  for (std::int64_t n = 1; n <= count; ++n) {
    (staying.contains(n) ? current : removed).push_back(n);
  }
  if (!removed.empty()) edited = TextWithout(edited, PairsOf(edited), removed);
  while (current != edit.order) {
    const Move move = NextMove(current, edit.order);
    edited = TextWithMoved(edited, PairsOf(edited), move.from, move.to);
    const auto from = current.begin() + (move.from - 1);
    const auto to = current.begin() + (move.to - 1);
    if (move.from > move.to) {
      std::rotate(to, from, from + 1);
    } else {
      std::rotate(from, from + 1, to + 1);
    }
  }
  return edited;
}

std::vector<PicturePair> EditedPairs(std::string_view text, const IndexHead& head,
                                     const TextEdit& edit) {
  const auto lines = PictureLinePairs(text, head);
  std::vector<PicturePair> pairs;
  pairs.reserve(edit.order.size());
  for (std::int64_t number : edit.order) {
    const auto changed = edit.pairs.find(number);
    if (changed != edit.pairs.end()) {
      pairs.push_back(changed->second);
    } else {
      const auto [first, second] = lines[static_cast<std::size_t>(number - 1)];
      pairs.push_back({std::string(first), std::string(second)});
    }
  }
  return pairs;
}

}  // namespace quillmere
