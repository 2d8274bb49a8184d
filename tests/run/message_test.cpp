// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Text from index files and paths as messages show it: cut short, and with every control
// character visible, so that a file cannot flood a message box or drive a terminal.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <utility>
#include <vector>

#include "cli/console_words.h"
#include "run/generate.h"
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

TEST(PicturesAndVideos, CountsEachKindAndNamesOnlyWhatThereIs) {
  const std::vector<std::pair<std::pair<std::uint64_t, std::uint64_t>, std::string>> cases = {
      {{0, 0}, "0 pictures"},
      {{1, 0}, "1 picture"},
      {{2, 2}, "2 videos"},
      {{29, 1}, "28 pictures and 1 video"},
      {{3, 2}, "1 picture and 2 videos"},
  };
  for (const auto& [counts, words] : cases) {
    EXPECT_EQ(PicturesAndVideos(counts.first, counts.second), words);
  }
}

// The words for each way a run can fail: the one line that the window's message box and the
// command line show, from the kind, the subject and the system's reason.
TEST(Describe, EachFailureHasItsOneLine) {
  const std::pair<RunFailure, std::string> cases[] = {
      {RunFailure::NotFound{"a/index.txt"}, "File a/index.txt was not found!"},
      {RunFailure::IndexUnreadable{"a/x.txt", SystemError(EISDIR)},
       "Could not read index file a/x.txt: Is a directory."},
      {RunFailure::IndexUnreadable{"a/fifo", FileError::kNotRegularFile},
       "Could not read index file a/fifo: Not a regular file."},
      {RunFailure::BadPicsPerRow{"a/index.txt", std::string(50, '9')},
       "Thumbnails per row \"" + std::string(40, '9') +
           "\u2026\" in a/index.txt is out of range: it must be from 1 to 10000."},
      {RunFailure::NotText{"a/p1.jpg"},
       "a/p1.jpg holds NUL bytes, as pictures and programs do, so it cannot be an index file; "
       "nothing was written."},
      {RunFailure::IndexIsAPage{"a/index.html", "a/index.html"},
       "Index file a/index.html is the page a/index.html that the run would write over; nothing "
       "was written."},
      {RunFailure::PageNotWritten{"a/Image3.html", SystemError(ENOSPC)},
       "Could not write page a/Image3.html: No space left on device."},
      {RunFailure::ForeignPage{"a/index.html"},
       "Page a/index.html does not look like a page that Quillmere writes, so it was left as it "
       "is and the run stopped."},
      {RunFailure::Stopped{"a/Image2.html", SIGINT},
       "The run was stopped by SIGINT: page a/Image2.html and those after it were left as they "
       "were."},
      {RunFailure::Stopped{"a/Image2.html", StopRequest::kByUser},
       "The run was stopped: page a/Image2.html and those after it were left as they were."},
      {RunFailure::OutOfMemory{"a/index.txt"},
       "Not enough memory to generate the site of a/index.txt."}};
  for (const auto& [f, words] : cases) {
    EXPECT_EQ(Describe(f, CommandLineWords()), words) << f.why.index();
  }
}

}  // namespace
}  // namespace quillmere
