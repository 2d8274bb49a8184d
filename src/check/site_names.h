// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the names that the pages write relate to files on this machine.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Tells whether `name`, as written into a page, points somewhere other than this machine's files:
// it starts with a URL scheme ("http:", "data:", ...) or with "//" (another host).
bool NamesAnotherPlace(std::string_view name);

// The file that `name` stands for: `name` itself when it starts with "/", otherwise `name`
// inside `siteFolder` (which ends with "/").
std::string PathOnDisk(std::string_view siteFolder, std::string_view name);

}  // namespace quillmere
