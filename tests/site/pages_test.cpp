// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "cli/console_words.h"
#include "index/index_file.h"
#include "run/generate.h"
#include "site/page_output.h"
#include "site/page_signature.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ReadFile;
using testing::ReferenceRead;
using testing::TempFolder;
using testing::WriteFile;

std::vector<std::string> LinesOf(const std::string& page) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = page.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(page.substr(start, end - start));
  }
  EXPECT_EQ(start, page.size()) << "the page does not end with CR LF";
  return lines;
}

std::size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

std::string IndexText(int pictures, const std::string& perRow) {
  std::string text = "Summer by the sea\r\nthumbs/t\r\nbig/p\r\ngfx\r\n" + perRow + "\r\n";
  for (int n = 1; n <= pictures; ++n) {
    text += "Caption " + std::to_string(n) + "\r\nLong " + std::to_string(n) + "\r\n";
  }
  return text;
}

class PagesTest : public ::testing::Test {
 protected:
  RunOutcome Generate(const std::string& text) {
    WriteFile(dir / "index.txt", text);
    return GenerateSite(dir / "index.txt", fs);
  }
  std::vector<std::string> Page(const std::string& name) { return LinesOf(ReadFile(dir / name)); }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(PagesTest, SevenPicturesAtThreePerRowGive186Lines) {
  ASSERT_TRUE(Generate(IndexText(7, "3")).ok());
  std::vector<std::string> lines = Page("index.html");
  ASSERT_EQ(lines.size(), 186u);
  EXPECT_EQ(lines.front(), "<HTML><HEAD><TITLE>Summer by the sea</TITLE>");
  EXPECT_EQ(lines.back(), "</BODY></HTML>");
  EXPECT_EQ(CountLines(lines, "    <TR vAlign=top><TD colSpan=5><BR></TD></TR><TR vAlign=top>"),
            3u);
  EXPECT_EQ(CountLines(lines, "    </TR>"), 3u);
  EXPECT_EQ(CountLines(lines, "    <TD width=134><IMG height=1 src=\"gfx/x.gif\" width=134><BR>"),
            9u);
  EXPECT_EQ(CountLines(lines, "    <SPAN id=pictitle>Caption 7 </SPAN></TD>"), 1u);
  EXPECT_EQ(CountLines(lines, "            <IMG src=\"thumbs/t7.jpg\";border=1></A></TD>"), 1u);
  // Empty cells 8 and 9 are five lines each, straight before the last row end.
  EXPECT_EQ(lines[171], "    <TD width=134><IMG height=1 src=\"gfx/x.gif\" width=134><BR>");
  EXPECT_EQ(lines[175], "    </TABLE>");
  EXPECT_EQ(lines[176], lines[171]);
  EXPECT_EQ(lines[181], "    </TR>");
  EXPECT_EQ(lines[183], "</TABLE>");
}

TEST_F(PagesTest, GridShapes) {
  struct Case {
    int pictures;
    const char* perRow;
    std::size_t lines, rows, cells;
  };
  for (const Case& c : {Case{0, "3", 32, 0, 0}, Case{6, "3", 30 + 2 * 6 + 6 * 18 + 2, 2, 6},
                        Case{2, "6", 30 + 6 + 2 * 18 + 4 * 5 + 2, 1, 6},
                        Case{3, "1", 30 + 3 * 6 + 3 * 18 + 2, 3, 3}}) {
    ASSERT_TRUE(Generate(IndexText(c.pictures, c.perRow)).ok());
    std::vector<std::string> lines = Page("index.html");
    EXPECT_EQ(lines.size(), c.lines) << c.pictures << " at " << c.perRow;
    EXPECT_EQ(CountLines(lines, "  <TBODY>"), 1 + c.rows);
    EXPECT_EQ(CountLines(lines,
                         "    <TABLE height=100 cellSpacing=0 cellPadding=0 width=100 "
                         "bgColor=#ffffff border=0>"),
              c.cells);
  }
}

TEST_F(PagesTest, ThreePageChain) {
  ASSERT_TRUE(Generate(IndexText(3, "3")).ok());
  std::vector<std::string> one = Page("Image1.html"), two = Page("Image2.html"),
                           three = Page("Image3.html");
  ASSERT_EQ(one.size(), 16u);
  ASSERT_EQ(two.size(), 16u);
  ASSERT_EQ(three.size(), 16u);
  EXPECT_EQ(one[0], "<HTML><HEAD><TITLE>Caption 1</TITLE></HEAD><BODY>");
  EXPECT_EQ(one[2], "<TR><TD width=40 rowSpan=3></TD>");
  EXPECT_EQ(one[4],
            "<TD width=646 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>Long 1</SPAN></TD>");
  EXPECT_EQ(one[6],
            "<TD width=40 rowSpan=3><A href=\"Image2.html\"><IMG src=\"gfx/nextimg.gif\" "
            "border=0 alt=\"Next\"></A></TD></TR>");
  EXPECT_EQ(one[12],
            "<TR vAlign=top><TD><A href=\"Image2.html\"><IMG src=\"big/p1.jpg\" border=1 "
            "alt=\"Next\"></A></TD>");
  EXPECT_EQ(two[2],
            "<TR><TD width=40 rowSpan=3><A href=\"Image1.html\"><IMG "
            "src=\"gfx/previmg.gif\" border=0 alt=\"Previous\"></A></TD>");
  EXPECT_EQ(two[6],
            "<TD width=40 rowSpan=3><A href=\"Image3.html\"><IMG src=\"gfx/nextimg.gif\" "
            "border=0 alt=\"Next\"></A></TD></TR>");
  EXPECT_EQ(three[6], "<TD width=40 rowSpan=3></TD></TR>");
  EXPECT_EQ(three[12], "<TR vAlign=top><TD><IMG src=\"big/p3.jpg\" border=1></TD>");
  EXPECT_EQ(three[15],
            "<TD><IMG height=9 src=\"gfx/s9.gif\" width=9></TD></TR></TBODY></TABLE>"
            "</BODY></HTML>");
}

TEST_F(PagesTest, NumbersFromTenOn) {
  ASSERT_TRUE(Generate(IndexText(10, "4")).ok());
  EXPECT_NE(ReadFile(dir / "Image9.html").find("<A href=\"Image10.html\">"), std::string::npos);
  EXPECT_NE(ReadFile(dir / "Image10.html").find("<A href=\"Image9.html\">"), std::string::npos);
  std::vector<std::string> index = Page("index.html");
  EXPECT_EQ(CountLines(index, "            <TD><A href=\"javascript:show_foto(10)\">"), 1u);
  EXPECT_EQ(CountLines(index, "            <IMG src=\"thumbs/t10.jpg\";border=1></A></TD>"), 1u);
}

TEST_F(PagesTest, SinglePictureHasNoArrows) {
  ASSERT_TRUE(Generate("T\nth\nim\ngfx\n1\nOnly\n").ok());
  std::vector<std::string> page = Page("Image1.html");
  ASSERT_EQ(page.size(), 16u);
  EXPECT_EQ(page[2], "<TR><TD width=40 rowSpan=3></TD>");
  EXPECT_EQ(page[4], "<TD width=646 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader></SPAN></TD>");
  EXPECT_EQ(page[6], "<TD width=40 rowSpan=3></TD></TR>");
  EXPECT_EQ(page[12], "<TR vAlign=top><TD><IMG src=\"im1.jpg\" border=1></TD>");
}

// The start of a JPEG that declares `width` by `height` (below 256): what a poster's size needs.
std::string PosterHeader(unsigned char width, unsigned char height) {
  return std::string("\xFF\xD8\xFF\xC0\x00\x0B\x08\x00", 8) + static_cast<char>(height) + '\0' +
         static_cast<char>(width) + std::string("\x01\x01\x11\x00", 4);
}

// An entry whose picture has a video beside it shows the video in place of the picture, where the
// index file says that its site has videos; every other page, and every page of every other
// index file, stays byte for byte the model's.
TEST_F(PagesTest, VideoEntriesShowTheirVideoWhereTheIndexFileSaysSo) {
  struct Case {
    const char* what;
    std::string head;
    std::map<std::string, std::string> files;
    std::map<int, std::string> pictureLines;  // line 13 of the pages that show a video
  };
  const std::string videos = "Summer\r\n;  videos \r\nthumbs/t\r\nbig/p\r\ngfx\r\n2\r\n";
  const std::string noVideos = "Summer\r\nthumbs/t\r\nbig/p\r\ngfx\r\n2\r\n";
  const std::map<std::string, std::string> poster2 = {{"big/p2.mp4", "video"},
                                                      {"big/p2.jpg", PosterHeader(200, 150)}};
  const std::vector<Case> cases = {
      {"a video beside its poster",
       videos,
       poster2,
       {{2,
         "<TR vAlign=top><TD><VIDEO src=\"big/p2.mp4\" poster=\"big/p2.jpg\" width=200 "
         "height=150 controls></VIDEO></TD>"}}},
      {"both kinds of video, a poster that is no JPEG",
       videos,
       {{"big/p3.webm", "v"}, {"big/p3.mp4", "v"}, {"big/p3.jpg", "text"}},
       {{3,
         "<TR vAlign=top><TD><VIDEO src=\"big/p3.mp4\" poster=\"big/p3.jpg\" "
         "controls></VIDEO></TD>"}}},
      {"the last entry a WebM video",
       videos,
       {{"big/p3.webm", "v"}, {"big/p3.jpg", PosterHeader(90, 160)}},
       {{3,
         "<TR vAlign=top><TD><VIDEO src=\"big/p3.webm\" poster=\"big/p3.jpg\" width=90 "
         "height=160 controls></VIDEO></TD>"}}},
      {"no line that says so", noVideos, poster2, {}},
      {"a video without its poster, one past the last entry and one of a look-alike name",
       videos,
       {{"big/p1.mp4", "v"},
        {"big/p4.mp4", "v"},
        {"big/p4.jpg", "p"},
        {"big/p02.mp4", "v"},
        {"big/p02.jpg", "p"}},
       {}},
      {"a picture prefix that is a URL",
       "Summer\r\n; videos\r\nthumbs/t\r\nhttp://example.org/p\r\ngfx\r\n2\r\n",
       {{"http:/example.org/p2.mp4", "v"}, {"http:/example.org/p2.jpg", "p"}},
       {}},
  };
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string site = dir / ("site" + std::to_string(++round)) + "/";
    std::filesystem::create_directories(site + "big");
    for (const auto& [name, bytes] : c.files) {
      std::filesystem::create_directories(std::filesystem::path(site + name).parent_path());
      WriteFile(site + name, bytes);
    }
    std::string text = c.head;
    for (int n = 1; n <= 3; ++n) text += "Caption " + std::to_string(n) + "\r\nLong\r\n";
    WriteFile(site + "index.txt", text);
    RunOutcome outcome = GenerateSite(site + "index.txt", fs);
    ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
    const testing::ReferenceIndex model = ReferenceRead(text);
    ASSERT_EQ(ReadFile(site + "index.html"), ReferenceIndexPage(model));
    for (int n = 1; n <= 3; ++n) {
      std::string expected = ReferencePicturePage(model, n);
      if (auto line = c.pictureLines.find(n); line != c.pictureLines.end()) {
        std::vector<std::string> lines = LinesOf(expected);
        lines[12] = line->second;
        expected.clear();
        for (const std::string& each : lines) expected += each + "\r\n";
      }
      EXPECT_EQ(ReadFile(site + PicturePageName(n)), expected) << "page " << n;
    }
  }
}

// `page` with each line that is a key of `changed` replaced by its value.
std::string WithLines(const std::string& page, const std::map<std::string, std::string>& changed) {
  std::string bytes;
  for (const std::string& line : LinesOf(page)) {
    auto found = changed.find(line);
    bytes += (found != changed.end() ? found->second : line) + "\r\n";
  }
  return bytes;
}

// Where the index file says that its site is an album of a tree, an entry with an album file
// beside its picture opens that album from the grid and from its picture page (in the window that
// opened the page, by a script that must not end its attribute), and the index page links up to
// the parent; every other line, and every page without that line, stays byte for byte the model's.
TEST_F(PagesTest, AlbumEntriesOpenTheirAlbumsWhereTheIndexFileSaysSo) {
  const std::map<std::string, std::string> files = {{"big/p1.jpg", "p"},
                                                    {"big/p1.album", "S\xC3\xA3o Paulo\n"},
                                                    {"big/p2.jpg", "p"},
                                                    {"big/p2.mp4", "v"},
                                                    {"big/p3.jpg", "p"},
                                                    {"big/p3.mp4", "v"},
                                                    {"big/p3.album", "2024/#1 50%/\n"}};
  const std::map<std::string, std::string> indexLines = {
      {"    <TD width=606 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>Summer</SPAN></TD>",
       "    <TD width=606 bgColor=#CDDBEB rowSpan=3><A href=\"../index.html\"><IMG "
       "src=\"gfx/previmg.gif\" border=0 alt=\"Up\" align=middle></A> <SPAN "
       "id=picheader>Summer</SPAN></TD>"},
      {"            <TD><A href=\"javascript:show_foto(1)\">",
       "            <TD><A href=\"S%C3%A3o%20Paulo/index.html\">"},
      {"            <TD><A href=\"javascript:show_foto(3)\">",
       "            <TD><A href=\"2024/%231%2050%25/index.html\">"}};
  const std::string video =
      "<TR vAlign=top><TD><VIDEO src=\"big/pN.mp4\" poster=\"big/pN.jpg\" "
      "controls></VIDEO></TD>";
  const std::map<int, std::string> albumLines = {
      {1,
       "<TR vAlign=top><TD><A href=\"S%C3%A3o%20Paulo/index.html\" onclick=\"SCRIPT\"><IMG "
       "src=\"big/p1.jpg\" border=1 alt=\"Album\"></A></TD>"},
      {2, std::regex_replace(video, std::regex("pN"), "p2")},
      {3,
       "<TR vAlign=top><TD><A href=\"2024/%231%2050%25/index.html\" onclick=\"SCRIPT\"><IMG "
       "src=\"big/p3.jpg\" border=1 alt=\"Album\"></A></TD>"}};
  // Without the line, each entry with a video beside its picture shows it.
  const std::map<int, std::string> videoLines = {
      {2, albumLines.at(2)}, {3, std::regex_replace(video, std::regex("pN"), "p3")}};
  const std::regex script(" onclick=\"([^\"]*)\"");
  for (const bool albums : {true, false}) {
    SCOPED_TRACE(albums ? "albums" : "no line that says so");
    const std::string site = dir / (albums ? "tree/" : "plain/");
    std::filesystem::create_directories(site + "big");
    for (const auto& [name, bytes] : files) WriteFile(site + name, bytes);
    std::string text = std::string("Summer\r\n; videos\r\n") + (albums ? "; albums\r\n" : "") +
                       " ;parent ../index.html\r\nthumbs/t\r\nbig/p\r\ngfx\r\n2\r\n";
    for (int n = 1; n <= 3; ++n) text += "Caption " + std::to_string(n) + "\r\nLong\r\n";
    WriteFile(site + "index.txt", text);
    RunOutcome outcome = GenerateSite(site + "index.txt", fs);
    ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
    const testing::ReferenceIndex model = ReferenceRead(text);
    const std::string index = ReadFile(site + "index.html");
    EXPECT_EQ(index, WithLines(ReferenceIndexPage(model),
                               albums ? indexLines : std::map<std::string, std::string>()));
    EXPECT_TRUE(HasPageSignature(index, index));
    for (int n = 1; n <= 3; ++n) {
      const std::string page = ReadFile(site + PicturePageName(n));
      EXPECT_TRUE(HasPageSignature(page, page)) << n;
      std::string expected = ReferencePicturePage(model, n);
      const std::map<int, std::string>& lines = albums ? albumLines : videoLines;
      if (lines.contains(n)) expected = WithLines(expected, {{LinesOf(expected)[12], lines.at(n)}});
      EXPECT_EQ(std::regex_replace(page, script, " onclick=\"SCRIPT\""), expected) << n;
      std::smatch found;
      if (!std::regex_search(page, found, script)) continue;
      for (const char* step : {"window.opener &amp;&amp; !window.opener.closed",
                               "window.opener.location.href = this.href; window.close(); "
                               "return false;"}) {
        EXPECT_NE(found[1].str().find(step), std::string::npos) << step;
      }
    }
  }
}

// A picture page declares UTF-8 exactly when its index page does, in its first line before the
// title; every other byte, the sixteen lines among them, stays as it was.
TEST_F(PagesTest, PicturePagesDeclareUtf8WhereTheIndexPageDoes) {
  struct Case {
    const char* caption;
    const char* firstLine;
  };
  const std::string declared =
      "<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">";
  for (const Case& c : {Case{"Plain", "<HTML><HEAD><TITLE>Plain</TITLE></HEAD><BODY>"},
                        Case{"Caf\xE9", "<HTML><HEAD><TITLE>Caf\xE9</TITLE></HEAD><BODY>"},
                        Case{"Gra\xC3\xA7"
                             "a",
                             "<TITLE>Gra\xC3\xA7"
                             "a</TITLE></HEAD><BODY>"}}) {
    SCOPED_TRACE(c.caption);
    const std::string text = std::string("T\nth\nim\ngfx\n1\n") + c.caption + "\nLong\n";
    ASSERT_TRUE(Generate(text).ok());
    const std::vector<std::string> page = Page("Image1.html");
    ASSERT_EQ(page.size(), 16u);
    const bool utf8 = Page("index.html")[1].find("utf-8") != std::string::npos;
    EXPECT_EQ(page[0], utf8 ? declared + c.firstLine : std::string(c.firstLine));
    EXPECT_EQ(ReadFile(dir / "Image1.html"), ReferencePicturePage(ReferenceRead(text), 1));
  }
}

// Random index files with every kind of line end, comments, blanks and high bytes, in a
// single-byte code page or in UTF-8 (with a byte-order mark now and then), must give exactly the
// pages of the plain model.
std::string RandomIndexFile(std::mt19937& random, bool utf8) {
  const std::vector<std::string> ends = {"\r\n", "\n", "\r"};
  const std::string highBytes = utf8 ? "C\xC3\xB4te \xF0\x9F\x93\xB7" : "\xE9\xFF";
  const std::string accented = utf8 ? "\xEF\xBB\xBF" : "Caf\xE9";
  const std::vector<std::string> pieces = {"Beach",
                                           " ",
                                           ";",
                                           "\t",
                                           "<b>x</b>",
                                           "\"q\"",
                                           highBytes,
                                           "",
                                           "  ;c",
                                           accented,
                                           "&H1",
                                           "2.5",
                                           "3",
                                           "-1",
                                           "1 2",
                                           "gfx/",
                                           "a\x1A"
                                           "b"};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> lineCount(0, 60), partCount(0, 3);
  std::string text = utf8 && random() % 3 == 0 ? "\xEF\xBB\xBF" : "";
  for (int line = lineCount(random); line > 0; --line) {
    for (int part = partCount(random); part > 0; --part) text += pieces[pick(random)];
    text += ends[pick(random) % ends.size()];
  }
  if (random() % 2) text += pieces[pick(random)];
  return text;
}

TEST_F(PagesTest, RandomIndexFilesMatchTheModelByteForByte) {
  std::mt19937 random(20261207);
  int utf8Rounds = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text = RandomIndexFile(random, round % 2 == 0);
    RunOutcome outcome = Generate(text);
    testing::ReferenceIndex model = ReferenceRead(text);
    if (model.picsPerRow > kMaxPicsPerRow) {
      ASSERT_TRUE(outcome.failure) << "the run wrote the site";
      ASSERT_TRUE(outcome.failure->Is<RunFailure::BadPicsPerRow>());
      continue;
    }
    ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
    ASSERT_EQ(outcome.pictureCount, static_cast<std::int64_t>(model.pictures.size()));
    ASSERT_EQ(ReadFile(dir / "index.html"), ReferenceIndexPage(model)) << "round " << round;
    for (int n = 1; n <= outcome.pictureCount; ++n) {
      ASSERT_EQ(ReadFile(dir / PicturePageName(n)), ReferencePicturePage(model, n))
          << "round " << round << " page " << n;
    }
    utf8Rounds += model.utf8 ? 1 : 0;
    // Every page written, from whatever index file, carries the signature that lets a later
    // run replace it.
    for (const auto& [name, bytes] : testing::ReferencePages(text)) {
      EXPECT_TRUE(HasPageSignature(bytes, bytes)) << "round " << round << " " << name;
    }
  }
  EXPECT_GT(utf8Rounds, 50) << "the UTF-8 rounds must mostly declare UTF-8";
}

// Pages written by hand, or by other programs, do not carry the signature, so a run leaves them
// alone; nor does a page of this program cut short or edited at either end.
TEST(PageSignature, HandWrittenAndDamagedPagesLackIt) {
  const std::string ours = testing::ReferencePages("T\nt\ni\ns\n1\nA\na\n")["index.html"];
  ASSERT_TRUE(HasPageSignature(ours, ours));
  // A picture page of a UTF-8 index file starts with its character set, and is ours too.
  const std::string utf8 = testing::ReferencePages("T\nt\ni\ns\n1\n\xC3\xA9\na\n")["Image1.html"];
  ASSERT_TRUE(HasPageSignature(utf8, utf8));
  for (const std::string& page :
       {std::string(
            "<!DOCTYPE html>\n<html><head><title>Mine</title></head><body></body></html>\n"),
        std::string("<HTML><HEAD><TITLE>Mine</TITLE></HEAD><BODY></BODY></HTML>\r\n"),
        std::string("<HTML><HEAD><TITLE>x</TITLE>\n</TABLE>\n</CENTER>\n</BODY></HTML>\n"),
        std::string("<html><head><title>x</title>") + std::string(kPageEnds[0]),
        ours.substr(0, ours.size() - 2), ours + "\r\n", " " + ours, std::string(),
        "<HTML><HEAD><META charset=utf-8><TITLE>x" + utf8.substr(utf8.find("</TITLE>")),
        utf8.substr(0, utf8.size() - 2)}) {
    EXPECT_FALSE(HasPageSignature(page, page)) << page;
  }
}

}  // namespace
}  // namespace quillmere
