// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a file among the pictures is, told by its first bytes whatever decoders this system has:
// a picture, a video or something else; and the names of the files that travel beside pictures.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmere {

// How many of a file's first bytes tell what it is: an MPEG transport stream shows its second
// packet's mark at byte 188.
inline constexpr std::size_t kFileKindBytes = 192;

// What a file is, and its format's name ("JPEG", "HEIF", "MP4", ...).
struct FileKind {
  enum class Kind {
    // A picture; made when this system has a decoder for its format.
    kPicture,
    // A video.
    kVideo,
    // Neither: a sidecar, a text, a database of thumbnails.
    kOther,
  };
  Kind kind = Kind::kOther;
  std::string_view format{};
};

// What the file whose first bytes are `head` is.
FileKind KindOfFile(std::string_view head);

// `name` in lower case, ASCII letters alone changed, as names of files are matched in any case.
std::string LowerCaseName(std::string_view name);

// Tells whether `name` ends in an extension that pictures have (".jpg", ".HEIC", ...), so that a
// file of that name which is empty, or no picture by its bytes, is a picture that failed.
bool HasPictureExtension(std::string_view name);

// Tells whether `name` is the name of a file that travels beside pictures and videos: a sidecar of
// metadata or edits (".xmp", ".AAE", ".THM", ".json"), or a folder's database of thumbnails; such
// a file is never a picture, whatever its bytes.
bool IsSidecarName(std::string_view name);

// Tells whether `name` is an XMP sidecar's.
bool IsXmpSidecarName(std::string_view name);

}  // namespace quillmere
