// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_merge.h"

#include <map>
#include <set>
#include <unordered_map>
#include <utility>

namespace quillmere {
namespace {

// The number in the album now of each mark that one picture alone has there.
class NumbersByMark {
 public:
  explicit NumbersByMark(const std::vector<PictureMark>& marks) : marks_(marks) {
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (!marks[i].known()) continue;
      const auto [at, added] = numbers_.try_emplace({marks[i].size, marks[i].modified},
                                                    static_cast<std::int64_t>(i) + 1);
      // A mark that two pictures share tells neither apart.
      if (!added) at->second = 0;
    }
  }

  // The number now of the picture that was `position` (from 0) with `mark`; 0 when it is gone.
  // A picture whose mark cannot be told keeps its place where the picture there cannot either.
  std::int64_t Of(const PictureMark& mark, std::size_t position) const {
    if (!mark.known()) {
      return position < marks_.size() && !marks_[position].known()
                 ? static_cast<std::int64_t>(position) + 1
                 : 0;
    }
    const auto found = numbers_.find({mark.size, mark.modified});
    return found != numbers_.end() ? found->second : 0;
  }

 private:
  const std::vector<PictureMark>& marks_;
  std::map<std::pair<std::uint64_t, std::int64_t>, std::int64_t> numbers_;
};

// The line that `mine` and `theirs`, both made from `base`, leave: the one that changed, or mine
// with the conflict set apart for the person when both changed it differently.
std::string MergedLine(const std::string& mine, const std::string& base, const std::string& theirs,
                       TextConflict where, std::vector<TextConflict>& conflicts) {
  if (mine == base) return theirs;
  if (theirs == base || theirs == mine) return mine;
  where.mine = mine;
  where.theirs = theirs;
  conflicts.push_back(std::move(where));
  return mine;
}

// `order` with the numbers of `moved` put into the places those numbers hold in it, in the order
// of `moved`: the person's moves by the pictures' relative order, the others left where they are.
void PutInOrder(std::vector<std::int64_t>& order, const std::vector<std::int64_t>& moved) {
  const std::set<std::int64_t> movedSet(moved.begin(), moved.end());
  auto next = moved.begin();
  for (std::int64_t& number : order) {
    if (movedSet.count(number) != 0) number = *next++;
  }
}

}  // namespace

MergedEdit MergeOnto(const std::vector<EditedPicture>& mine, const std::string& myTitle,
                     const std::vector<BasePicture>& base, const std::string& baseTitle,
                     const AlbumForEditing& now, const std::vector<PictureMark>& nowMarks) {
  const NumbersByMark numbers(nowMarks);
  std::unordered_map<std::int64_t, std::size_t> baseRow;
  std::unordered_map<std::int64_t, std::int64_t> numberNow;
  for (std::size_t row = 0; row < base.size(); ++row) {
    baseRow.emplace(base[row].key, row);
    numberNow.emplace(base[row].key, numbers.Of(base[row].mark, row));
  }
  MergedEdit merged;
  std::vector<AlbumForEditing::Picture> lines = now.pictures;
  std::set<std::int64_t> kept;
  std::vector<std::int64_t> myOrder;
  for (const EditedPicture& picture : mine) {
    const auto row = baseRow.find(picture.number);
    if (row == baseRow.end()) continue;
    const BasePicture& before = base[row->second];
    const std::int64_t number = numberNow[picture.number];
    kept.insert(picture.number);
    if (number == 0) {
      if (picture.caption != before.caption || picture.description != before.description) {
        merged.gone.push_back(picture);
      }
      continue;
    }
    myOrder.push_back(number);
    AlbumForEditing::Picture& line = lines[static_cast<std::size_t>(number - 1)];
    line.caption = MergedLine(picture.caption, before.caption, line.caption,
                              {number, PictureLine::kCaption, {}, {}}, merged.conflicts);
    line.description = MergedLine(picture.description, before.description, line.description,
                                  {number, PictureLine::kDescription, {}, {}}, merged.conflicts);
  }
  std::set<std::int64_t> removed;
  std::vector<std::int64_t> baseOrder;
  for (const BasePicture& picture : base) {
    const std::int64_t number = numberNow[picture.key];
    if (number == 0) continue;
    if (kept.count(picture.key) == 0) {
      removed.insert(number);
    } else {
      baseOrder.push_back(number);
    }
  }
  std::vector<std::int64_t> order;
  for (std::int64_t number = 1; number <= static_cast<std::int64_t>(lines.size()); ++number) {
    if (removed.count(number) == 0) order.push_back(number);
  }
  if (myOrder != baseOrder) PutInOrder(order, myOrder);
  for (const std::int64_t number : order) {
    const AlbumForEditing::Picture& line = lines[static_cast<std::size_t>(number - 1)];
    merged.pictures.push_back({number, line.caption, line.description});
  }
  merged.title = MergedLine(myTitle, baseTitle, now.title, {0, PictureLine::kCaption, {}, {}},
                            merged.conflicts);
  return merged;
}

}  // namespace quillmere
