// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The renames that give each picture's files its new number when an album's order changes, in
// two phases so that no file is ever without a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillmere {

// The files of picture `number` under their own name, or under the name that holds them aside.
struct ImageSlot {
  std::int64_t number = 0;
  bool heldAside = false;

  bool operator==(const ImageSlot&) const = default;
};

// One rename of an image file.
struct SlotRename {
  ImageSlot from;
  ImageSlot to;

  bool operator==(const SlotRename&) const = default;
};

// The renames that give the files of the pictures `present` (entry n - 1 for picture n) the
// numbers `newNumbers` says, in two phases: first every file that changes its number is held
// aside (a removed picture's file for good), then each held-aside file takes its new number, which
// the first phase freed.
struct RenamePhases {
  std::vector<SlotRename> aside;
  std::vector<SlotRename> home;
};
RenamePhases RenameOrder(const std::vector<std::int64_t>& newNumbers,
                         const std::vector<bool>& present);

}  // namespace quillmere
