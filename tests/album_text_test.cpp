// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The text an album's index file gets from names and from what pictures record, and the order
// of names.
#include "album/album_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "index/index_file.h"

namespace quillmere {
namespace {

TEST(AlbumText, NamesAndRecordedTextBecomeOneLineOfMarkup) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Fish & <Chips>", "Fish &amp; &lt;Chips&gt;"},
      {"  two\tlines\r\nin   one  ", "two lines in one"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      // Not UTF-8: read as ISO-8859-1.
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x01\x7F", ""}};
  for (const auto& [raw, text] : cases) EXPECT_EQ(MarkupText(raw), text) << raw;
}

TEST(AlbumText, CaptionsComeFromFileNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"IMG_2024-06-01.jpg", "IMG 2024 06 01"},
      {"beach & <dunes>.png", "beach &amp; &lt;dunes&gt;"},
      {"archive.tar.gz", "archive.tar"},
      {"no extension", "no extension"},
      // A caption is never empty, and never starts as a comment.
      {"___.jpg", "___.jpg"},
      {";).jpg", "&#59;)"},
      {"-_-.jpg", "-_-.jpg"}};
  for (const auto& [name, caption] : cases) EXPECT_EQ(CaptionFromFileName(name), caption) << name;
  EXPECT_EQ(TitleFromFolderName(""), "Album");
  EXPECT_EQ(TitleFromFolderName("; old"), "&#59; old");
}

TEST(AlbumText, DatesTakenReadAsDayAndMinute) {
  EXPECT_EQ(DateTakenText("2024:06:01 14:03:22"), "2024-06-01 14:03");
  for (const char* none :
       {"", "2024:06:01", "    :  :     :  :  ", "0000:00:00 00:00:00", "2024-06-01 14:03:22"}) {
    EXPECT_EQ(DateTakenText(none), "") << none;
  }
}

TEST(AlbumText, ANewIndexFileReadsBackAsItsPictures) {
  const std::vector<PicturePair> pairs = {{"A &amp; B", "first"}, {"C", ""}};
  const std::string text = NewIndexText({"Trip", "thumbs/t", "pictures/p", "support", 5}, pairs);
  EXPECT_EQ(text, "Trip\nthumbs/t\npictures/p\nsupport\n5\nA &amp; B\nfirst\nC\n\n");
  std::variant<IndexFile, IndexError> read = ParseIndexText(text);
  ASSERT_TRUE(std::holds_alternative<IndexFile>(read));
  const IndexFile& index = std::get<IndexFile>(read);
  EXPECT_EQ(index.PictureCount(), 2);
  EXPECT_EQ(index.Pictures[0].shortText, "A &amp; B");
  EXPECT_EQ(index.Pictures[1].longText, "");
  EXPECT_EQ(index.PicsPerRow, 5);
}

TEST(AlbumText, AppendedPairsFollowTheFilesOwnLineEnds) {
  const std::vector<PicturePair> pairs = {{"N", "n"}};
  struct Case {
    std::string existing;
    bool lastPairOpen;
    std::string added;
  };
  const std::vector<Case> cases = {{"T\nt\np\ns\n3\nA\na\n", false, "N\nn\n"},
                                   {"T\r\nt\r\np\r\ns\r\n3\r\nA\r\na", false, "\r\nN\r\nn\r\n"},
                                   {"T\rt\rp\rs\r3\rA\r", true, "\rN\rn\r"},
                                   {"T\nt\np\ns\n3\nA", true, "\n\nN\nn\n"},
                                   {"", false, "N\nn\n"}};
  for (const Case& c : cases) {
    EXPECT_EQ(PairsToAppend(c.existing, c.lastPairOpen, pairs), c.added) << c.existing;
  }
  // In a file of another code page, characters beyond ASCII become references.
  EXPECT_EQ(PairsToAppend("Caf\xE9\nt\np\ns\n3\n", false, {{"caf\xC3\xA9", "\xE2\x82\xAC"}}),
            "caf&#233;\n&#8364;\n");
  EXPECT_EQ(PairsToAppend("Caf\xC3\xA9\nt\np\ns\n3\n", false, {{"caf\xC3\xA9", "x"}}),
            "caf\xC3\xA9\nx\n");
}

TEST(AlbumText, NamesAreOrderedAsPeopleCount) {
  std::vector<std::string> names = {"p10.jpg", "p2.jpg", "p1.jpg", "p02.jpg",
                                    "P3.jpg",  "p.jpg",  "p2a.jpg"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NameOrderLess(a, b); });
  EXPECT_EQ(names, (std::vector<std::string>{"P3.jpg", "p.jpg", "p1.jpg", "p02.jpg", "p2.jpg",
                                             "p2a.jpg", "p10.jpg"}));
}

}  // namespace
}  // namespace quillmere
