// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/remove_pictures.h"

#include <algorithm>

#include "album/commands/parent_entry.h"
#include "album/steps/edit_change.h"

namespace quillmere {
namespace {

// The edit that keeps every picture of `open` but those of `numbers` in its order.
AlbumEdit RemovalOf(const OpenAlbum& open, const std::vector<std::int64_t>& numbers) {
  AlbumEdit edit;
  edit.kind = ChangeKind::kRemovePictures;
  for (std::int64_t n = 1; n <= open.count(); ++n) {
    if (!std::binary_search(numbers.begin(), numbers.end(), n)) edit.text.order.push_back(n);
  }
  return edit;
}

// Removes the pictures `numbers` (ascending, none twice) from the album `open`.
Result<void, AlbumFailure> RemoveFrom(OpenAlbum& open, const std::vector<std::int64_t>& numbers,
                                      AlbumWork& work) {
  for (std::int64_t n : numbers) {
    if (auto done = CheckNumber(open, n, work.outcome.indexPath); !done) return done;
  }
  return MakeEdit(open, RemovalOf(open, numbers), work);
}

}  // namespace

AlbumOutcome RemovePictures(const std::string& indexPath, std::vector<std::int64_t> numbers,
                            FileSystem& fs, const AlbumOptions& options) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  AlbumOutcome outcome = ChangeAlbum(
      indexPath, fs, options, [&](OpenAlbum& open, AlbumWork& work) -> Result<void, AlbumFailure> {
        if (numbers.empty()) return {};
        return RemoveFrom(open, numbers, work);
      });
  if (outcome.ok()) {
    outcome.picturesRemoved = numbers.size();
    UpdateParentEntries(indexPath, fs, options, outcome);
  }
  return outcome;
}

}  // namespace quillmere
