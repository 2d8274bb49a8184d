// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The texts a picture records about itself, read whole from its raw EXIF (libexif) and XMP
// (expat) data in their own character sets, apart from making the picture.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// The texts a picture records about itself.
struct PictureTexts {
  // When it was taken, as recorded ("2024:06:01 14:03:22"); empty when it records none.
  std::string dateTaken;
  // Its description as UTF-8 where it says its character set, as its bytes where it does not.
  std::string description;
};

// Reads the date taken and the description from raw `exif` data (as the image library hands it
// over) and `xmp` data: the first that is not blank of ImageDescription, UserComment, XPComment
// and XMP's dc:description, each whole.
PictureTexts ReadPictureTexts(const std::string& exif, std::string_view xmp);

}  // namespace quillmere
