// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the window words what the work on an album left out.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "album/album_outcome.h"

namespace quillmere {

// How many files of each group left out are named; the others are counted.
inline constexpr std::size_t kNamedLeftOut = 20;

// The files that the work could not take as pictures, those it left out or tells of, and the
// other files it passed over, each group under a line that counts it, with the first
// kNamedLeftOut of the group one a line (with their reasons but for the other files), then how
// many more there were; empty when there were none.
QString LeftOutText(const std::vector<PictureProblem>& problems);

// One sentence that counts the files of each of LeftOutText's groups, for a box whose details
// hold that text; empty when there were none.
QString LeftOutSummary(const std::vector<PictureProblem>& problems);

// Tells whether `problems` hold only other files passed over, which need no box of their own.
bool OnlyOtherFiles(const std::vector<PictureProblem>& problems);

// Tells whether a file of `problems` could not be taken or made, which a box marks as a warning.
bool AnyFileFailed(const std::vector<PictureProblem>& problems);

}  // namespace quillmere
