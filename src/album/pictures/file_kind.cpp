// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/pictures/file_kind.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "site/video_container.h"

namespace quillmere {
namespace {

using Kind = FileKind::Kind;

// A format told by bytes at the start of a file: `magic` at `offset`.
struct Signature {
  std::size_t offset;
  std::string_view magic;
  Kind kind;
  std::string_view format;
};

constexpr std::array kSignatures = {
    Signature{0, "\xFF\xD8\xFF", Kind::kPicture, "JPEG"},
    Signature{0, "\x89PNG\r\n\x1A\n", Kind::kPicture, "PNG"},
    Signature{0, "GIF87a", Kind::kPicture, "GIF"},
    Signature{0, "GIF89a", Kind::kPicture, "GIF"},
    Signature{0, std::string_view("II*\0", 4), Kind::kPicture, "TIFF"},
    Signature{0, std::string_view("MM\0*", 4), Kind::kPicture, "TIFF"},
    Signature{0, "\xFF\x0A", Kind::kPicture, "JPEG XL"},
    Signature{0, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12), Kind::kPicture, "JPEG XL"},
    Signature{0, std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12), Kind::kPicture, "JPEG 2000"},
    Signature{0, "BM", Kind::kPicture, "BMP"},
    Signature{8, "WEBP", Kind::kPicture, "WebP"},
    Signature{8, "AVI ", Kind::kVideo, "AVI"},
    Signature{0, "\x1A\x45\xDF\xA3", Kind::kVideo, "Matroska"},
    Signature{0, std::string_view("\0\0\x01\xBA", 4), Kind::kVideo, "MPEG"},
};

// The brands of the ISO family's files ("ftyp") that hold still pictures, HEIF's and AVIF's;
// every other brand is a video's.
constexpr std::array<std::string_view, 11> kStillBrands = {
    "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis", "mif2"};

// The major brands of the ISO family's files that hold sound alone: M4A, audio books, Flash's.
constexpr std::array<std::string_view, 5> kSoundBrands = {"M4A ", "M4B ", "M4P ", "F4A ", "F4B "};

// The kind of a file of the ISO family (MP4, MOV, 3GP, HEIF, AVIF) whose "ftyp" box is `box`.
FileKind KindOfBrands(std::string_view box) {
  const std::string_view major = box.substr(8, 4);
  if (std::find(kSoundBrands.begin(), kSoundBrands.end(), major) != kSoundBrands.end()) return {};
  // The major brand, a version, then the compatible brands, four bytes each.
  for (std::size_t at = 8; at + 4 <= box.size(); at += at == 8 ? 8 : 4) {
    const std::string_view brand = box.substr(at, 4);
    if (std::find(kStillBrands.begin(), kStillBrands.end(), brand) != kStillBrands.end()) {
      return {Kind::kPicture, brand.starts_with("av") ? "AVIF" : "HEIF"};
    }
  }
  return {Kind::kVideo, box.substr(8, 2) == "qt" ? "QuickTime" : "MP4"};
}

// Tells whether `head` starts an MPEG transport stream: a sync byte every 188 bytes.
bool IsTransportStream(std::string_view head) {
  return head.size() > 188 ? head[0] == 0x47 && head[188] == 0x47 : false;
}

// `name`'s extension after its last ".", in lower case; empty when it has none.
std::string LowerExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : LowerCaseName(name.substr(dot + 1));
}

}  // namespace

std::string LowerCaseName(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

FileKind KindOfFile(std::string_view head) {
  for (const Signature& signature : kSignatures) {
    if (head.substr(std::min(signature.offset, head.size())).starts_with(signature.magic)) {
      // "RIFF" starts both WebP and AVI.
      if (signature.offset == 8 && !head.starts_with("RIFF")) continue;
      return {signature.kind, signature.format};
    }
  }
  if (head.size() >= 16) {
    const std::string_view box = head.substr(4, 4);
    if (box == "ftyp") return KindOfBrands(head.substr(0, std::min<std::size_t>(head.size(), 64)));
    if (IsOldMovieFirstBox(box)) return {Kind::kVideo, "QuickTime"};
  }
  if (IsTransportStream(head)) return {Kind::kVideo, "MPEG-TS"};
  return {};
}

bool HasPictureExtension(std::string_view name) {
  static constexpr std::array<std::string_view, 16> kExtensions = {
      "jpg",  "jpeg", "jpe",  "jfif", "png",  "gif", "webp", "tif",
      "tiff", "heic", "heif", "hif",  "avif", "jxl", "bmp",  "jp2"};
  const std::string extension = LowerExtension(name);
  return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

bool IsSidecarName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kExtensions = {"xmp",  "aae", "thm",
                                                                  "json", "db",  "ini"};
  const std::string extension = LowerExtension(name);
  return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

bool IsXmpSidecarName(std::string_view name) {
  return LowerExtension(name) == "xmp";
}

}  // namespace quillmere
