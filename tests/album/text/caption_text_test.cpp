// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Caption and description lines as the album editor shows them, and what typed text becomes.
#include "album/text/caption_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere {
namespace {

// One line as the index file holds it, as the editor shows it, and what typing the shown text back
// into a caption and into a description writes.
struct Case {
  std::string line;
  std::string shown;
  std::string caption;
  std::string description;
};

TEST(CaptionText, LinesAreShownAndWrittenBack) {
  const std::vector<Case> cases = {
      {"Fish &amp; Chips", "Fish & Chips", "Fish &amp; Chips", "Fish &amp; Chips"},
      {"caf&#233; &eacute; &#xE9;", "caf\xC3\xA9 \xC3\xA9 \xC3\xA9",
       "caf\xC3\xA9 \xC3\xA9 \xC3\xA9", "caf\xC3\xA9 \xC3\xA9 \xC3\xA9"},
      {"1 &lt; 2 &gt; 0", "1 < 2 > 0", "1 &lt; 2 &gt; 0", "1 &lt; 2 &gt; 0"},
      {"&unknown; & alone", "&unknown; & alone", "&amp;unknown; &amp; alone",
       "&amp;unknown; &amp; alone"},
      // Markup is shown and written as it is.
      {"<b>Bold</b> &amp; more", "<b>Bold</b> &amp; more", "<b>Bold</b> &amp; more",
       "<b>Bold</b> &amp; more"},
      {"a</i>", "a</i>", "a</i>", "a</i>"},
  };
  for (const Case& c : cases) {
    const bool markup = HoldsMarkup(c.line);
    EXPECT_EQ(ShownText(c.line), c.shown) << c.line;
    EXPECT_EQ(CaptionLine(c.shown, markup), c.caption) << c.line;
    EXPECT_EQ(DescriptionLine(c.shown, markup), c.description) << c.line;
  }
}

TEST(CaptionText, LineEnds) {
  EXPECT_EQ(DescriptionLine("one\ntwo\r\nthree", false), "one<BR>two<BR>three");
  EXPECT_EQ(DescriptionLine("<i>a</i>\nb", true), "<i>a</i><BR>b");
  EXPECT_EQ(CaptionLine("<i>one</i>\ntwo", true), "<i>one</i>two");
  EXPECT_FALSE(HoldsMarkup("x < y and 3<4"));
}

// Expected: text typed with line breaks and the characters markup gives a meaning is written as
// plain text and reopens as it was typed, in the fields and in a list; line breaks alone do not
// make a line markup, whatever the way they are written.
TEST(CaptionText, TypedTextReopensAsTyped) {
  struct Typed {
    std::string typed;
    std::string line;
    std::string listed;
  };
  const std::vector<Typed> cases = {
      {"Market\nFruit & fish, 5 < 6 stalls", "Market<BR>Fruit &amp; fish, 5 &lt; 6 stalls",
       "Market Fruit & fish, 5 < 6 stalls"},
      {"<BR> as text\r\n<b>", "&lt;BR&gt; as text<BR>&lt;b&gt;", "<BR> as text <b>"},
      {"a\n\nb\tc", "a<BR><BR>b\tc", "a  b c"},
  };
  for (const Typed& c : cases) {
    const std::string description = DescriptionLine(c.typed, false);
    EXPECT_EQ(description, c.line) << c.typed;
    EXPECT_FALSE(HoldsMarkup(description)) << c.typed;
    EXPECT_EQ(LineEndsAs(ShownText(description), "\n"), LineEndsAs(c.typed, "\n")) << c.typed;
    EXPECT_EQ(CaptionLine(ShownText(description), false), description) << c.typed;
    EXPECT_EQ(ShownOnOneLine(description), c.listed) << c.typed;
  }
  for (const std::string line : {"a<br>b", "a<br/>b", "a<Br />b", "a&#10;b"}) {
    EXPECT_FALSE(HoldsMarkup(line)) << line;
    EXPECT_EQ(ShownText(line), "a\nb") << line;
  }
  EXPECT_TRUE(HoldsMarkup("a<BR><b>b</b>"));
  EXPECT_EQ(ShownText("a<BR><b>b</b>"), "a<BR><b>b</b>");
}

}  // namespace
}  // namespace quillmere
