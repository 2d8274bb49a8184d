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
  // The zone of dateTaken as recorded (EXIF OffsetTimeOriginal, "+10:00"); empty when none.
  std::string zoneTaken;
  // Its description as UTF-8 where it says its character set, as its bytes where it does not.
  std::string description;
  // Its title (XMP's dc:title), as UTF-8; empty when none.
  std::string title;
};

// Tells whether `description` says nothing of the picture: blank, the camera's `make` or `model`,
// or a text a camera writes into every picture ("OLYMPUS DIGITAL CAMERA", "SONY DSC", ...).
bool IsBoilerplate(std::string_view description, std::string_view make, std::string_view model);

// Reads the date taken and the description from raw `exif` data (as the image library hands it
// over) and `xmp` data: the first that is not boilerplate of ImageDescription, UserComment,
// XPComment and XMP's dc:description, each whole.
PictureTexts ReadPictureTexts(const std::string& exif, std::string_view xmp);

// Reads the description (dc:description, unless boilerplate) and the title (dc:title) from an XMP
// sidecar file's bytes `xmp`.
PictureTexts ReadSidecarTexts(std::string_view xmp);

}  // namespace quillmere
