// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "index/index_file.h"
#include "index/number.h"
#include "index/picture_section.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

IndexFile Parse(std::string_view text) {
  auto parsed = ParseIndexText(text);
  EXPECT_TRUE(parsed.ok());
  return std::move(parsed).value();
}

std::vector<std::pair<std::string, std::string>> PicturesOf(const IndexFile& index) {
  std::vector<std::pair<std::string, std::string>> pictures;
  for (const Picture& p : index.Pictures) pictures.emplace_back(p.shortText, p.longText);
  return pictures;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(ReadIndex, TwelveLineExample) {
  IndexFile index = Parse(
      "; holiday pictures\r\nSummer by the sea  \r\nthumbs/t\r\n\r\nbig/p\r\ngfx\r\n3\r\n"
      "Beach\r\nThe beach at noon, seen from the dunes.\r\n;Harbour\r\nBoats in the old "
      "harbour.\r\nDunes\r\n");
  EXPECT_EQ(index.head.SiteTitle, "Summer by the sea");
  EXPECT_EQ(index.head.ThumbPrefix, "thumbs/t");
  EXPECT_EQ(index.head.ImagePrefix, "big/p");
  EXPECT_EQ(index.head.SupportFolder, "gfx");
  EXPECT_EQ(index.head.PicsPerRow, 3);
  EXPECT_EQ(PicturesOf(index),
            (Pairs{{"Beach", "The beach at noon, seen from the dunes."}, {"Dunes", ""}}));

  IndexFile indented = Parse(
      "Summer\r\nthumbs/t\r\nbig/p\r\ngfx\r\n3\r\nBeach\r\nNoon\r\n ;Harbour\r\nBoats\r\n"
      "Dunes\r\n");
  EXPECT_EQ(PicturesOf(indented), (Pairs{{"Beach", "Noon"}, {";Harbour", "Boats"}, {"Dunes", ""}}));
}

TEST(ReadIndex, HeadSkipsBlankAndCommentLinesAnywhere) {
  IndexFile index = Parse("\n  \n;c\nTitle\n   ; indented comment\nT\n\nI\n;\nS\n \n4\n;x\nA\nB\n");
  EXPECT_EQ(index.head.SiteTitle, "Title");
  EXPECT_EQ(index.head.ThumbPrefix, "T");
  EXPECT_EQ(index.head.ImagePrefix, "I");
  EXPECT_EQ(index.head.SupportFolder, "S");
  EXPECT_EQ(index.head.PicsPerRow, 4);
  // In the picture section a comment swallows the line after it.
  EXPECT_EQ(PicturesOf(index), (Pairs{{"B", ""}}));
}

// The head's comment lines before the fifth value say whether the site is an album of a tree and
// where its parent is; other words, or the same lines in the picture section, say nothing.
TEST(ReadIndex, HeadTellsAnAlbumOfATreeAndItsParent) {
  for (const auto& [text, albums, parent] : std::vector<std::tuple<std::string, bool, std::string>>{
           {"T\nt\n  ;albums \ni\n;   parent  ../index.html \ns\n3\n", true, "../index.html"},
           {"T\nt\ni\ns\n; parent a.html\n; parent b.html\n3\n", false, "a.html"},
           {"T\nt\ni\ns\n; parent\n; parentx\n; albums too\n3\n", false, ""},
           {"T\nt\ni\ns\n3\n; albums\n; parent ../index.html\nA\nB\n", false, ""}}) {
    IndexFile index = Parse(text);
    EXPECT_EQ(index.head.albums, albums) << text;
    EXPECT_EQ(index.head.parent, parent) << text;
  }
}

TEST(ReadIndex, HeadKeepsTabsAndTrimsOnlySpaces) {
  IndexFile index = Parse("\t\n  a b  \n\tx\t\n/s/\n2\n");
  EXPECT_EQ(index.head.SiteTitle, "\t");
  EXPECT_EQ(index.head.ThumbPrefix, "a b");
  EXPECT_EQ(index.head.ImagePrefix, "\tx\t");
  EXPECT_EQ(index.head.SupportFolder, "/s/");
  EXPECT_EQ(index.head.PicsPerRow, 2);
}

TEST(ReadIndex, FileEndingInTheHeadLeavesTheRestEmpty) {
  IndexFile empty = Parse("");
  EXPECT_EQ(empty.head.SiteTitle, "");
  EXPECT_EQ(empty.head.PicsPerRow, 6);
  EXPECT_EQ(empty.PictureCount(), 0);

  IndexFile comments = Parse(";a\n;b\n\n   \n");
  EXPECT_EQ(comments.head.SiteTitle, "");
  EXPECT_EQ(comments.head.PicsPerRow, 6);

  IndexFile two = Parse("Title\nthumbs");
  EXPECT_EQ(two.head.SiteTitle, "Title");
  EXPECT_EQ(two.head.ThumbPrefix, "thumbs");
  EXPECT_EQ(two.head.ImagePrefix, "");
  EXPECT_EQ(two.head.PicsPerRow, 6);
}

TEST(ReadIndex, PictureSectionTakesStrictPairs) {
  // Long lines are kept exactly, spaces and semicolons included; short lines are trimmed.
  IndexFile index = Parse("T\nt\ni\ns\n3\n  One  \n  ;long one  \nTwo\n\n");
  EXPECT_EQ(PicturesOf(index), (Pairs{{"One", "  ;long one  "}, {"Two", ""}}));

  // A blank line between pictures shifts the pairs.
  IndexFile shifted = Parse("T\nt\ni\ns\n3\nA\nlong A\n\nB\nlong B\nC\n");
  EXPECT_EQ(PicturesOf(shifted), (Pairs{{"A", "long A"}, {"long B", "C"}}));

  // Four head values: the first caption becomes the number, and every pair shifts by one.
  IndexFile four = Parse("T\nt\ni\ns\nA\nlong A\nB\nlong B\n");
  EXPECT_EQ(four.head.PicsPerRow, 1);
  EXPECT_EQ(PicturesOf(four), (Pairs{{"long A", "B"}, {"long B", ""}}));
}

TEST(ReadIndex, LinesEndAtCrCrLfOrLf) {
  IndexFile index = Parse("T\rt\r\ni\ns\n\r2\rA\r\n\r\nB\nb\r\r");
  EXPECT_EQ(index.head.SupportFolder, "s");
  EXPECT_EQ(index.head.PicsPerRow, 2);
  // "A" takes the empty line as its long line; "B" and "b" pair; the last CR ends an empty line.
  EXPECT_EQ(PicturesOf(index), (Pairs{{"A", ""}, {"B", "b"}}));
  // LF CR is two line ends, not one.
  IndexFile lfcr = Parse("T\nt\ni\ns\n2\nA\n\rB\n");
  EXPECT_EQ(PicturesOf(lfcr), (Pairs{{"A", ""}, {"B", ""}}));
}

TEST(ReadIndex, BytesPassThroughUnchanged) {
  IndexFile index = Parse("Title \xE9\n\x1A\nimg\ns\n1\nCap\xFF\nLong \"<b>\"\n");
  EXPECT_EQ(index.head.SiteTitle, "Title \xE9");
  EXPECT_EQ(index.head.ThumbPrefix, "\x1A");
  ASSERT_EQ(index.PictureCount(), 1);
  EXPECT_EQ(index.Pictures[0].shortText, "Cap\xFF");
  EXPECT_EQ(index.Pictures[0].longText, "Long \"<b>\"");
  EXPECT_FALSE(index.head.utf8) << "a single-byte code page";
}

// UTF-8 beyond ASCII is declared; a byte-order mark is no part of the title; ASCII and text in a
// single-byte code page are declared as before; broken or overlong sequences are no UTF-8.
TEST(ReadIndex, TellsUtf8FromOtherText) {
  struct Case {
    std::string text;
    bool utf8;
    std::string title;
  };
  const std::string rest = "\nt\ni\ns\n1\n";
  for (const Case& c :
       std::vector<Case>{{"C\xC3\xB4te d'Azur" + rest, true, "C\xC3\xB4te d'Azur"},
                         {"\xEF\xBB\xBFTitle" + rest, true, "Title"},
                         {"\xEF\xBB\xBF  ; comment\nTitle" + rest, true, "Title"},
                         {"Title" + rest + "A\nemoji \xF0\x9F\x93\xB7\n", true, "Title"},
                         {"Plain ASCII" + rest, false, "Plain ASCII"},
                         {"C\xF4te" + rest, false, "C\xF4te"},
                         {"\xC3\xB4 then \xC3" + rest, false, "\xC3\xB4 then \xC3"},
                         {"over\xC0\xAFlong" + rest, false, "over\xC0\xAFlong"},
                         {"surrogate \xED\xA0\x80" + rest, false, "surrogate \xED\xA0\x80"},
                         {"beyond \xF4\x90\x80\x80" + rest, false, "beyond \xF4\x90\x80\x80"},
                         {"BOM later \xEF\xBB\xBF" + rest, true, "BOM later \xEF\xBB\xBF"}}) {
    IndexFile index = Parse(c.text);
    EXPECT_EQ(index.head.utf8, c.utf8) << c.text;
    EXPECT_EQ(index.head.SiteTitle, c.title) << c.text;
  }
}

// A NUL byte among the first 8000 bytes makes the file no text; later ones are characters.
TEST(ReadIndex, NulBytesAtTheStartMakeNoText) {
  using namespace std::string_literals;
  for (std::size_t at : {0u, 3u, 7999u}) {
    std::string text(9000, 'x');
    text[at] = '\0';
    auto parsed = ParseIndexText(text);
    ASSERT_TRUE(!parsed.ok()) << at;
    EXPECT_EQ(parsed.error().kind, IndexError::Kind::kNotText);
  }
  const std::string head = std::string(8000, ';') + "\nT\nt\ni\ns\n1\n";
  const std::string text = head + "A\0\nB\0b\n"s;
  IndexFile index = Parse(text);
  ASSERT_EQ(index.PictureCount(), 1);
  EXPECT_EQ(index.Pictures[0].shortText, "A\0"s);
  EXPECT_EQ(index.Pictures[0].longText, "B\0b"s);
}

TEST(ReadNumber, DecimalRules) {
  struct Case {
    const char* text;
    std::int64_t value;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"4", 4},   {"4 per row", 4}, {"1 2", 12},    {"1\t2", 12},  {"2.7", 3},   {"2.5", 2},
           {"3.5", 4}, {"0.5", 0},       {"2.50001", 3}, {"2.4999", 2}, {"-2.5", -2}, {"-0.5", 0},
           {".6", 1},  {"four", 0},      {"-3", -3},     {"+7", 7},     {"- 3", -3},  {"--3", 0},
           {"4e2", 4}, {"1e400", 1},     {"5.5.5", 6},   {"007", 7},    {"", 0}}) {
    EXPECT_EQ(ReadNumber(c.text).value, c.value) << '"' << c.text << '"';
  }
}

TEST(ReadNumber, HexadecimalAndOctal) {
  EXPECT_EQ(ReadNumber("&H10").value, 16);
  EXPECT_EQ(ReadNumber("&hff").value, 255);
  EXPECT_EQ(ReadNumber("&O17").value, 15);
  EXPECT_EQ(ReadNumber("&o8").value, 0);
  EXPECT_EQ(ReadNumber("&H").value, 0);
  EXPECT_EQ(ReadNumber("&X1").value, 0);
  EXPECT_EQ(ReadNumber("&HFFFFFFFFFF").value, 0xFFFFFFFFFF);
}

TEST(ReadNumber, TellsPlainWholeNumbers) {
  EXPECT_TRUE(ReadNumber("12").plain);
  EXPECT_TRUE(ReadNumber("-3").plain);
  EXPECT_FALSE(ReadNumber("1 2").plain);
  EXPECT_FALSE(ReadNumber("2.0").plain);
  EXPECT_FALSE(ReadNumber("&H10").plain);
  EXPECT_FALSE(ReadNumber("4 per row").plain);
}

TEST(ReadIndex, PicsPerRowIsAtLeastOne) {
  EXPECT_EQ(Parse("T\nt\ni\ns\nfour\n").head.PicsPerRow, 1);
  EXPECT_EQ(Parse("T\nt\ni\ns\n0\n").head.PicsPerRow, 1);
  EXPECT_EQ(Parse("T\nt\ni\ns\n-3\n").head.PicsPerRow, 1);
  EXPECT_EQ(Parse("T\nt\ni\ns\n-0.5\n").head.PicsPerRow, 1);
  EXPECT_EQ(Parse("T\nt\ni\ns\n10000\n").head.PicsPerRow, 10000);
}

TEST(ReadIndex, RefusesNumbersOutOfRange) {
  for (std::string number :
       {std::string("10001"), std::string("2147483648"), std::string("-2147483649"),
        std::string("&HFFFFFFFFFF"), std::string(400, '9')}) {
    auto parsed = ParseIndexText("T\nt\ni\ns\n  " + number + "  \nA\nB\n");
    ASSERT_TRUE(!parsed.ok()) << number;
    const IndexError& error = parsed.error();
    EXPECT_EQ(error.kind, IndexError::Kind::kPicsPerRowOutOfRange);
    EXPECT_EQ(error.numberText, number);
  }
}

TEST(ReadIndex, TellsWhereTheHeadAndEachPairStand) {
  const std::string text = "T\nt\ni\ns\n\n3.5\nA\na\n\nx\nB\nb\n;C\nc\nD";
  auto parsed = ParseIndexHead(text);
  ASSERT_TRUE(parsed.ok());
  const IndexHead& head = parsed.value();
  EXPECT_EQ(head.fifthValueLine, 6u);
  EXPECT_EQ(head.fifthValueText, "3.5");
  EXPECT_FALSE(head.fifthValuePlain);
  EXPECT_EQ(head.fifthValueNumber, 4);
  EXPECT_EQ(head.PicsPerRow, 4);

  // Line numbers of each pair's lines, the caption, and the second line.
  std::vector<std::tuple<std::uint64_t, std::uint64_t, std::string, std::string>> pairs;
  PairReader reader(PictureLines(text, head));
  while (const std::optional<LinePair> next = reader.Next()) {
    const LinePair& pair = *next;
    pairs.emplace_back(pair.firstLineNumber, pair.secondLineNumber, pair.caption, pair.secondLine);
  }
  using Pair = decltype(pairs)::value_type;
  EXPECT_EQ(pairs, (std::vector<Pair>{{7, 8, "A", "a"},
                                      {9, 10, "", "x"},
                                      {11, 12, "B", "b"},
                                      {13, 14, "", "c"},
                                      {15, 0, "D", ""}}));
}

// Expected: the reader drops a pair by its first line as PairDropOf tells, which the album's
// checks of captions follow: a ";" only in the very first column makes a comment, and spaces
// alone make no caption where a tab is text.
TEST(ReadIndex, APairIsDroppedByItsFirstLineAlone) {
  const std::vector<std::pair<std::string_view, PairDrop>> cases = {
      {"", PairDrop::kEmpty},     {"   ", PairDrop::kEmpty},    {";note", PairDrop::kComment},
      {";", PairDrop::kComment},  {" ;note", PairDrop::kNone},  {"\t", PairDrop::kNone},
      {"Beach", PairDrop::kNone}, {" Beach ", PairDrop::kNone},
  };
  for (const auto& [firstLine, drop] : cases) {
    SCOPED_TRACE(std::string(firstLine));
    EXPECT_EQ(PairDropOf(firstLine), drop);
    const std::string text = std::string(firstLine) + "\nsecond\n";
    PairReader reader{LineReader(text)};
    const std::optional<LinePair> pair = reader.Next();
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->dropped(), drop != PairDrop::kNone);
  }
}

class ReadIndexFileTest : public ::testing::Test {
 protected:
  testing::TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(ReadIndexFileTest, ReadsAFileLargerThanOneBlock) {
  std::string text = "T\nt\ni\ns\n2\n";
  for (int n = 0; n < 300000; ++n) text += "Caption " + std::to_string(n) + "\nLong text\n";
  testing::WriteFile(dir / "big.txt", text);
  auto read = ReadIndexFile(dir / "big.txt", fs);
  ASSERT_TRUE(read.ok());
  const IndexFile& index = read.value();
  ASSERT_EQ(index.PictureCount(), 300000);
  EXPECT_EQ(index.Pictures[299999].shortText, "Caption 299999");
}

TEST_F(ReadIndexFileTest, FoldersFifosAndMissingFilesAreUnreadable) {
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::error_code error;
  };
  for (const Case& c :
       {Case{dir.path(), SystemError(EISDIR)}, Case{dir / "fifo", FileError::kNotRegularFile},
        Case{dir / "missing", SystemError(ENOENT)}}) {
    auto read = ReadIndexFile(c.path, fs);
    ASSERT_TRUE(!read.ok()) << c.path;
    EXPECT_EQ(read.error().kind, IndexError::Kind::kUnreadable);
    EXPECT_EQ(read.error().systemError, c.error) << c.path;
  }
}

}  // namespace
}  // namespace quillmere
