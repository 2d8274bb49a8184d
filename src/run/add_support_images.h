// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-support-images: the bundled support images copied into the support folder that an index
// file names.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "run/generate.h"
#include "site/support_images.h"

namespace quillmere {

// What --add-support-images did.
struct SupportRun {
  // Why the index file or its folder could not be used; nothing was copied then.
  std::optional<RunFailure> refused;
  // What was copied, and why not all of it.
  SupportCopy copy;
};

// Copies the bundled support images into the support folder that the index file at `indexPath`
// names, as CopySupportImages does, holding the lock of the index file's folder as `options` say.
// Refuses an empty support folder (its images would lie at the top of the file system) and one
// on another server.
SupportRun AddSupportImages(const std::string& indexPath, FileSystem& fs,
                            const RunOptions& options = {});

}  // namespace quillmere
