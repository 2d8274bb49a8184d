// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/pictures/picture_texts.h"

#include <expat.h>
#include <iconv.h>
#include <libexif/exif-data.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "index/utf8.h"

namespace quillmere {
namespace {

// Tells whether `text` holds nothing but spaces, control characters and NULs.
bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// `bytes` up to its first NUL.
std::string UpToNul(std::string_view bytes) {
  return std::string(bytes.substr(0, bytes.find('\0')));
}

// UTF-16 `bytes` (its byte-order mark, else `bigEndian`, decides the order) as UTF-8, up to its
// first NUL; a lone surrogate becomes U+FFFD.
std::string Utf16AsUtf8(std::string_view bytes, bool bigEndian) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t count = bytes.size() / 2;
  std::size_t i = 0;
  if (count > 0 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE))) {
    bigEndian = b[0] == 0xFE;
    i = 1;
  }
  auto unit = [&](std::size_t k) -> std::uint32_t {
    return bigEndian ? std::uint32_t{b[2 * k]} << 8 | b[2 * k + 1]
                     : std::uint32_t{b[2 * k + 1]} << 8 | b[2 * k];
  };
  std::string out;
  for (; i < count; ++i) {
    std::uint32_t code = unit(i);
    if (code == 0) break;
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

// `bytes` of JIS X 0208 (two bytes a character, with ASCII among them, or ISO-2022-JP with its
// escapes) as UTF-8; empty when they are neither.
std::string JisAsUtf8(std::string_view bytes) {
  const bool escaped = bytes.find('\x1B') != std::string_view::npos;
  std::string in(UpToNul(bytes));
  if (!escaped) {
    // Two-byte characters of JIS X 0208 are those of EUC-JP with the high bits set.
    for (std::size_t i = 0; i + 1 < in.size(); ++i) {
      if (in[i] > 0x20 && in[i] < 0x7F && in[i + 1] > 0x20 && in[i + 1] < 0x7F) {
        in[i] = static_cast<char>(in[i] | 0x80);
        in[i + 1] = static_cast<char>(in[i + 1] | 0x80);
        ++i;
      }
    }
  }
  iconv_t convert = iconv_open("UTF-8", escaped ? "ISO-2022-JP" : "EUC-JP");
  if (convert == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out(in.size() * 3 + 4, '\0');
  char* from = in.data();
  std::size_t fromLeft = in.size();
  char* to = out.data();
  std::size_t toLeft = out.size();
  const bool converted =
      iconv(convert, &from, &fromLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
  iconv_close(convert);
  if (!converted) return "";
  out.resize(out.size() - toLeft);
  return out;
}

// The text of a UserComment, `bytes` after its eight-byte character code: ASCII (as its bytes),
// Unicode (UTF-16 in `bigEndian` order unless marked) and JIS as UTF-8, an undefined code as its
// bytes.
std::string UserCommentText(std::string_view bytes, bool bigEndian) {
  if (bytes.size() < 8) return "";
  const std::string_view code = bytes.substr(0, 8);
  const std::string_view text = bytes.substr(8);
  if (code == std::string_view("UNICODE\0", 8)) return Utf16AsUtf8(text, bigEndian);
  if (code == std::string_view("JIS\0\0\0\0\0", 8)) return JisAsUtf8(text);
  return UpToNul(text);
}

// The entry `tag` of `data`, in whichever directory it stands; null when there is none.
ExifEntry* EntryOf(ExifData* data, ExifTag tag) {
  return exif_data_get_entry(data, tag);
}

// The bytes `entry` stores; empty when there is no entry.
std::string_view BytesOf(const ExifEntry* entry) {
  if (entry == nullptr || entry->data == nullptr) return {};
  return {reinterpret_cast<const char*>(entry->data), entry->size};
}

// The raw EXIF data `exif` as libexif reads it, every entry kept as recorded; null when it
// cannot be read. The caller unrefs it.
ExifData* LoadExif(std::string exif) {
  // The library's blob starts with the APP1 segment's "Exif" mark, which libexif expects.
  static constexpr std::string_view kMark("Exif\0\0", 6);
  if (!std::string_view(exif).starts_with(kMark)) exif.insert(0, kMark);
  ExifData* data = exif_data_new();
  if (data == nullptr) return nullptr;
  exif_data_unset_option(data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data, reinterpret_cast<const unsigned char*>(exif.data()),
                      static_cast<unsigned int>(exif.size()));
  return data;
}

// The texts a camera writes into the description of every picture it takes, in upper case; a
// picture whose description is one of them has none.
constexpr std::string_view kCameraDefaults[] = {
    "OLYMPUS DIGITAL CAMERA",
    "SONY DSC",
    "DIGITAL CAMERA",
    "KONICA MINOLTA DIGITAL CAMERA",
    "MINOLTA DIGITAL CAMERA",
    "SAMSUNG DIGITAL CAMERA",
    "KODAK DIGITAL STILL CAMERA",
    "PENTAX DIGITAL CAMERA",
    "FUJIFILM DIGITAL CAMERA",
    "CASIO DIGITAL CAMERA",
    "SANYO DIGITAL CAMERA",
    "NIKON DIGITAL CAMERA",
    "EXIF_JPEG_PICTURE",
    "EXIF JPEG",
    "LEAD TECHNOLOGIES INC. V1.01",
    "DEFAULT",
};

// `text` without the blanks around it, in upper case.
std::string Folded(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  return folded;
}

// Reads one property of the Dublin Core from an XMP packet: its x-default alternative, else its
// first, else the text of the property itself.
class XmpProperty {
 public:
  // The property `name` ("description", "title") in `packet`, as UTF-8; empty when it holds none.
  static std::string In(std::string_view packet, std::string_view name) {
    static constexpr std::string_view kHeader("http://ns.adobe.com/xap/1.0/\0", 29);
    if (packet.starts_with(kHeader)) packet.remove_prefix(kHeader.size());
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    if (parser == nullptr) return "";
    XmpProperty reading(std::string(kDublinCore) + std::string(name));
    XML_SetUserData(parser, &reading);
    XML_SetElementHandler(parser, Start, End);
    XML_SetCharacterDataHandler(parser, Text);
    XML_Parse(parser, packet.data(), static_cast<int>(packet.size()), XML_TRUE);
    XML_ParserFree(parser);
    if (!reading.chosen_.empty()) return reading.chosen_;
    return !reading.first_.empty() ? reading.first_ : reading.own_;
  }

 private:
  static constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/ ";
  static constexpr std::string_view kItem = "http://www.w3.org/1999/02/22-rdf-syntax-ns# li";
  static constexpr std::string_view kLanguage = "http://www.w3.org/XML/1998/namespace lang";

  static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& self = *static_cast<XmpProperty*>(data);
    if (self.depth_ > 0) {
      ++self.depth_;
      if (name == kItem && self.depth_ <= 3) {
        self.inItem_ = true;
        self.item_.clear();
        self.itemIsDefault_ = false;
        for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
          if (a[0] == kLanguage && std::string_view(a[1]) == "x-default")
            self.itemIsDefault_ = true;
        }
      }
      return;
    }
    if (name == self.property_) {
      self.depth_ = 1;
      return;
    }
    // The short form: the property as an attribute of its resource.
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      if (a[0] == self.property_ && self.own_.empty()) self.own_ = a[1];
    }
  }

  static void XMLCALL End(void* data, const XML_Char* name) {
    auto& self = *static_cast<XmpProperty*>(data);
    if (self.depth_ == 0) return;
    if (self.inItem_ && name == kItem) {
      if (self.itemIsDefault_ && self.chosen_.empty()) self.chosen_ = self.item_;
      if (self.first_.empty()) self.first_ = self.item_;
      self.inItem_ = false;
    }
    --self.depth_;
  }

  static void XMLCALL Text(void* data, const XML_Char* text, int length) {
    auto& self = *static_cast<XmpProperty*>(data);
    const std::string_view part(text, static_cast<std::size_t>(length));
    if (self.inItem_) {
      self.item_ += part;
    } else if (self.depth_ == 1) {
      self.own_ += part;
    }
  }

  explicit XmpProperty(std::string property) : property_(std::move(property)) {}

  // The property's name as the parser gives it: its namespace, a space, its local name.
  std::string property_;
  // How deep inside the property the parser is; 0 outside it.
  int depth_ = 0;
  bool inItem_ = false;
  bool itemIsDefault_ = false;
  std::string item_;
  std::string chosen_;
  std::string first_;
  std::string own_;
};

}  // namespace

bool IsBoilerplate(std::string_view description, std::string_view make, std::string_view model) {
  const std::string folded = Folded(description);
  if (folded.empty()) return true;
  for (std::string_view camera : {make, model}) {
    if (!Folded(camera).empty() && folded == Folded(camera)) return true;
  }
  if (!Folded(make).empty() && !Folded(model).empty() &&
      folded == Folded(make) + " " + Folded(model)) {
    return true;
  }
  return std::find(std::begin(kCameraDefaults), std::end(kCameraDefaults), folded) !=
         std::end(kCameraDefaults);
}

PictureTexts ReadPictureTexts(const std::string& exif, std::string_view xmp) {
  PictureTexts texts;
  std::vector<std::string> descriptions;
  std::string make;
  std::string model;
  if (ExifData* data = exif.empty() ? nullptr : LoadExif(exif)) {
    const bool bigEndian = exif_data_get_byte_order(data) == EXIF_BYTE_ORDER_MOTOROLA;
    texts.dateTaken = UpToNul(BytesOf(EntryOf(data, EXIF_TAG_DATE_TIME_ORIGINAL)));
    texts.zoneTaken = UpToNul(BytesOf(EntryOf(data, EXIF_TAG_OFFSET_TIME_ORIGINAL)));
    make = UpToNul(BytesOf(EntryOf(data, EXIF_TAG_MAKE)));
    model = UpToNul(BytesOf(EntryOf(data, EXIF_TAG_MODEL)));
    descriptions.push_back(UpToNul(BytesOf(EntryOf(data, EXIF_TAG_IMAGE_DESCRIPTION))));
    descriptions.push_back(
        UserCommentText(BytesOf(EntryOf(data, EXIF_TAG_USER_COMMENT)), bigEndian));
    // Windows writes its comment as UTF-16 in Intel order, whatever the file's order.
    descriptions.push_back(Utf16AsUtf8(BytesOf(EntryOf(data, EXIF_TAG_XP_COMMENT)), false));
    exif_data_unref(data);
  }
  if (!xmp.empty()) descriptions.push_back(XmpProperty::In(xmp, "description"));
  for (std::string& description : descriptions) {
    if (!IsBoilerplate(description, make, model)) {
      texts.description = std::move(description);
      break;
    }
  }
  return texts;
}

PictureTexts ReadSidecarTexts(std::string_view xmp) {
  PictureTexts texts;
  texts.description = XmpProperty::In(xmp, "description");
  if (IsBoilerplate(texts.description, "", "")) texts.description.clear();
  texts.title = XmpProperty::In(xmp, "title");
  if (IsBlank(texts.title)) texts.title.clear();
  return texts;
}

}  // namespace quillmere
