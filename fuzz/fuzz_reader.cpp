// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the index reader and compares what it reads with the plain model.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_check.h"
#include "fuzz/model_text.h"
#include "index/index_file.h"
#include "index/number.h"
#include "index/text_encoding.h"
#include "support/reference_site.h"

namespace {

using quillmere::IndexError;
using quillmere::IndexFile;

bool Inside(std::string_view part, std::string_view text) {
  if (part.empty()) return true;
  return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
}

bool HasLineEnd(std::string_view part) {
  return part.find_first_of("\r\n") != std::string_view::npos;
}

bool IsTrimmed(std::string_view part) {
  return part.empty() || (part.front() != ' ' && part.back() != ' ');
}

void CheckValue(std::string_view value, std::string_view text, const char* what) {
  FUZZ_CHECK(Inside(value, text), what);
  FUZZ_CHECK(!HasLineEnd(value), what);
  FUZZ_CHECK(IsTrimmed(value), what);
  FUZZ_CHECK(value.empty() || value.front() != ';', what);
}

void CheckIndex(const IndexFile& index, std::string_view text) {
  CheckValue(index.head.SiteTitle, text, "title");
  CheckValue(index.head.ThumbPrefix, text, "thumbnail prefix");
  CheckValue(index.head.ImagePrefix, text, "picture prefix");
  CheckValue(index.head.SupportFolder, text, "support folder");
  FUZZ_CHECK(index.head.PicsPerRow >= 1 && index.head.PicsPerRow <= quillmere::kMaxPicsPerRow,
             "per row");
  FUZZ_CHECK(!quillmere::LooksBinary(text), "a file with NUL bytes at its start is refused");
  for (const quillmere::Picture& picture : index.Pictures) {
    FUZZ_CHECK(!picture.shortText.empty(), "short description");
    FUZZ_CHECK(Inside(picture.shortText, text) && Inside(picture.longText, text), "pictures");
    FUZZ_CHECK(IsTrimmed(picture.shortText), "short description");
    FUZZ_CHECK(!HasLineEnd(picture.shortText) && !HasLineEnd(picture.longText), "pictures");
  }

  // The model gives the same values, the number aside when it is too long for the model.
  const quillmere::testing::ReferenceIndex model = ModelIndex(text, index.head);
  FUZZ_CHECK(model.title == index.head.SiteTitle, "title");
  FUZZ_CHECK(model.thumbPrefix == index.head.ThumbPrefix, "thumbnail prefix");
  FUZZ_CHECK(model.imagePrefix == index.head.ImagePrefix, "picture prefix");
  FUZZ_CHECK(model.supportFolder == index.head.SupportFolder, "support folder");
  FUZZ_CHECK(model.picsPerRow == index.head.PicsPerRow, "thumbnails per row");
  FUZZ_CHECK(model.utf8 == index.head.utf8, "character set");
  FUZZ_CHECK(model.pictures.size() == index.Pictures.size(), "picture count");
  for (std::size_t i = 0; i < model.pictures.size(); ++i) {
    FUZZ_CHECK(model.pictures[i].first == index.Pictures[i].shortText, "short description");
    FUZZ_CHECK(model.pictures[i].second == index.Pictures[i].longText, "long description");
  }
}

void CheckRefusal(const IndexError& error, std::string_view text) {
  if (error.kind == IndexError::Kind::kNotText) {
    FUZZ_CHECK(quillmere::LooksBinary(text), "only NUL bytes at the start make no text");
    return;
  }
  FUZZ_CHECK(error.kind == IndexError::Kind::kPicsPerRowOutOfRange, "only the number can fail");
  const std::int64_t number = quillmere::ReadNumber(error.numberText).value;
  FUZZ_CHECK(
      number > quillmere::kMaxPicsPerRow || number < std::numeric_limits<std::int32_t>::min(),
      "refused number");
  if (error.numberText.size() <= kModelNumberLength) {
    // The model raises every number below 1 to 1, the refused negative ones included.
    const long long modelled =
        quillmere::testing::ReferenceRead("t\nt\ni\ns\n" + error.numberText).picsPerRow;
    FUZZ_CHECK(modelled > quillmere::kMaxPicsPerRow || (number < 0 && modelled == 1),
               "refused number");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quillmere::Result<IndexFile, IndexError> parsed = quillmere::ParseIndexText(text);
  if (const auto* index = (parsed ? &parsed.value() : nullptr)) {
    CheckIndex(*index, text);
  } else {
    CheckRefusal(parsed.error(), text);
  }
  return 0;
}
