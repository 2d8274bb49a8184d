// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the window words what the work on an album left out.
#pragma once

#include <QString>
#include <cstddef>
#include <vector>

#include "album/album.h"

namespace quillmere {

// How many of the files left out are named, each with its reason; the others are counted.
inline constexpr std::size_t kNamedLeftOut = 20;

// The files that the work left out, the first kNamedLeftOut of them one a line with their
// reasons, then how many more there were; empty when none was.
QString LeftOutText(const std::vector<PictureProblem>& problems);

}  // namespace quillmere
