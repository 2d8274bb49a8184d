// Text from index files and paths as messages show it: cut short, and with every control
// character visible, so that a file cannot flood a message box or drive a terminal.
#include <gtest/gtest.h>

#include <string>

#include "run/message_text.h"

namespace quillmere {
namespace {

TEST(Visible, ControlCharactersAndBrokenBytesAreWrittenOut) {
  EXPECT_EQ(Visible("plain text, C\xC3\xB4te d'Azur \xF0\x9F\x93\xB7"),
            "plain text, C\xC3\xB4te d'Azur \xF0\x9F\x93\xB7");
  EXPECT_EQ(Visible("\x1B]0;owned\x07 \x1B[2J"), "\\x1b]0;owned\\x07 \\x1b[2J");
  EXPECT_EQ(Visible(std::string("a\0b\r\n\t\x7F", 7)), "a\\x00b\\x0d\\x0a\\x09\\x7f");
  // C1 controls (the 8-bit CSI among them), lone and overlong bytes, surrogates.
  EXPECT_EQ(Visible("\xC2\x9B"
                    "2J \x9B \xE9t\xE9 \xC0\xAF \xED\xA0\x80"),
            "\\xc2\\x9b2J \\x9b \\xe9t\\xe9 \\xc0\\xaf \\xed\\xa0\\x80");
  EXPECT_EQ(Visible("cut \xE2\x82"), "cut \\xe2\\x82");
}

TEST(QuotedExcerpt, KeepsFortyCharactersAndMarksTheCut) {
  EXPECT_EQ(QuotedExcerpt("4 per row"), "\"4 per row\"");
  EXPECT_EQ(QuotedExcerpt(std::string(40, '9')), "\"" + std::string(40, '9') + "\"");
  EXPECT_EQ(QuotedExcerpt(std::string(1 << 20, '9')), "\"" + std::string(40, '9') + "\u2026\"");
  // Characters, not bytes: a two-byte letter counts once and is never cut in half.
  std::string accented;
  for (int i = 0; i < 50; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(QuotedExcerpt(accented), "\"" + accented.substr(0, 80) + "\u2026\"");
  EXPECT_EQ(QuotedExcerpt("\x1B[2J" + std::string(100, 'x')),
            "\"\\x1b[2J" + std::string(36, 'x') + "\u2026\"");
}

}  // namespace
}  // namespace quillmere
