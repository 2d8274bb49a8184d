// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a JPEG file's first and last bytes tell without decoding it: its size in pixels, the
// orientation it records and whether it ends as a whole JPEG does.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/file_system.h"

namespace quillmere {

// The shape of a JPEG file, read from its markers.
struct JpegShape {
  // The pixels its frame header declares, as stored.
  int width = 0;
  int height = 0;
  // The EXIF orientation it records: 1 (upright, also when it records none) to 8; 5 to 8 stand
  // it upright a quarter turn away from how it is stored.
  int orientation = 1;
  // Whether it ends with the end-of-image marker, as a JPEG that was not cut short does (a few
  // bytes after it, as some cameras write, are allowed).
  bool complete = false;

  // Its width and height once turned upright by its orientation.
  int UprightWidth() const { return orientation >= 5 ? height : width; }
  int UprightHeight() const { return orientation >= 5 ? width : height; }
};

// Reads the shape of `file`, `size` bytes long, from the markers before its picture data and
// its last bytes; none when it does not start as a JPEG or declares no size before its
// picture data. The file layer's error when a read fails.
Result<std::optional<JpegShape>> ReadJpegShape(ReadableFile& file, std::uint64_t size);

}  // namespace quillmere
