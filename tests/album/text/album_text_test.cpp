// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The text an album's index file gets from names and from what pictures record, and the order
// of names.
#include "album/text/album_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_outcome.h"
#include "album/change/rename_order.h"
#include "album/text/edited_text.h"
#include "album/text/pair_bytes.h"
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
  Result<IndexFile, IndexError> read = ParseIndexText(text);
  ASSERT_TRUE(read.ok());
  const IndexFile& index = read.value();
  EXPECT_EQ(index.PictureCount(), 2);
  EXPECT_EQ(index.Pictures[0].shortText, "A &amp; B");
  EXPECT_EQ(index.Pictures[1].longText, "");
  EXPECT_EQ(index.head.PicsPerRow, 5);
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

// Expected: a pair that ends the file without its line end or its second line is made whole
// where another pair comes after it, in the file's own line ends; removing leaves the rest as it
// was.
TEST(PictureOrder, PairsAtTheEndOfTheFileAreMadeWholeWhereOthersFollow) {
  struct Case {
    std::string text;
    std::int64_t from;
    // 0 removes picture `from`.
    std::int64_t to;
    std::string result;
  };
  const std::string head = "T\nt\np\ns\n3\n";
  const std::vector<Case> cases = {
      {head + "A\na\nB", 2, 1, head + "B\n\nA\na\n"},
      {head + "A\na\nB", 1, 2, head + "B\n\nA\na\n"},
      {head + "A\na\nB", 2, 0, head + "A\na\n"},
      {head + "A\na\n;x\nx\nB\nb", 1, 2, head + ";x\nx\nB\nb\nA\na\n"},
      {head + "A\na\n;x\nx\nB\nb", 1, 0, head + ";x\nx\nB\nb"},
      {"T\rt\rp\rs\r3\rA\ra\rB\rb", 2, 1, "T\rt\rp\rs\r3\rB\rb\rA\ra\r"},
  };
  for (const Case& c : cases) {
    const auto indexHead = ParseIndexHead(c.text).value();
    const std::vector<PairBytes> pairs = PicturePairBytes(c.text, indexHead);
    const std::string result = c.to == 0 ? TextWithout(c.text, pairs, {c.from})
                                         : TextWithMoved(c.text, pairs, c.from, c.to);
    EXPECT_EQ(result, c.result) << c.text << " " << c.from << " to " << c.to;
  }
}

// Expected: the renames give every file its new number without taking a name that is in use, the
// first phase taking only names no file had; a removed file is held aside.
TEST(PictureOrder, RenamesNeverTakeANameInUse) {
  struct Case {
    std::vector<std::int64_t> numbers;
    std::vector<bool> present;
  };
  const std::vector<Case> cases = {
      {NumbersInOrder(6, {1, 3, 5, 6}), std::vector<bool>(6, true)},
      {NumbersInOrder(6, {1, 5, 2, 3, 4, 6}), std::vector<bool>(6, true)},
      {NumbersInOrder(6, {2, 3, 4, 5, 6, 1}), {true, true, false, true, true, true}},
      {NumbersInOrder(3, {2, 3}), {true, false, true}},
  };
  for (const Case& c : cases) {
    // Where each file is: at its number, or held aside.
    std::map<ImageSlot, std::int64_t, bool (*)(const ImageSlot&, const ImageSlot&)> at(
        [](const ImageSlot& a, const ImageSlot& b) {
          return std::pair(a.number, a.heldAside) < std::pair(b.number, b.heldAside);
        });
    for (std::size_t i = 0; i < c.present.size(); ++i) {
      if (c.present[i])
        at[{static_cast<std::int64_t>(i + 1), false}] = static_cast<std::int64_t>(i + 1);
    }
    const RenamePhases phases = RenameOrder(c.numbers, c.present);
    for (const auto* phase : {&phases.aside, &phases.home}) {
      for (const SlotRename& rename : *phase) {
        ASSERT_EQ(at.count(rename.from), 1u);
        ASSERT_EQ(at.count(rename.to), 0u) << "a name in use";
        EXPECT_EQ(rename.to.heldAside, phase == &phases.aside) << "a name no file had";
        at[rename.to] = at[rename.from];
        at.erase(rename.from);
      }
    }
    for (std::size_t i = 0; i < c.present.size(); ++i) {
      if (!c.present[i]) continue;
      const std::int64_t number = c.numbers[i];
      const ImageSlot slot{number == 0 ? static_cast<std::int64_t>(i + 1) : number, number == 0};
      EXPECT_EQ(at[slot], static_cast<std::int64_t>(i + 1));
    }
  }
}

// A front end's words for each next step, as a test names them.
class TestWords final : public CommandWords {
 public:
  std::string Change(ChangeKind kind) const override { return std::string(ChangeWord(kind)); }
  std::string Step(NextStep step, const std::string& indexPath) const override {
    switch (step) {
      case NextStep::kPixelLimit:
        return "PIXELS";
      case NextStep::kMemoryBudget:
        return "MEMORY";
      case NextStep::kVideoLength:
        return "SECONDS";
      case NextStep::kRemovePicture:
        return "REMOVE " + indexPath;
      case NextStep::kDeleteRemoved:
        return "DELETE";
      case NextStep::kFinishChange:
      case NextStep::kAbandonChange:
      case NextStep::kAddSupportImages:
      case NextStep::kMakeThumbnails:
        return "COMMAND";
    }
    return "";
  }
};

// Expected: the album's lines name no option of their own; a front end's words for a next step
// stand where the step goes, and without them the line still says what to do.
TEST(AlbumWords, NextStepsAreTheFrontEndsWords) {
  const AlbumFailure unfinished = AlbumFailure::NotFinished{"a/p1.jpg", "a/i.txt", {}};
  const AlbumFailure taken = AlbumFailure::NamesTaken{"a/i.txt", {"p/p3.jpg"}, 9, 3};
  PictureProblem refused{.kind = PictureProblem::Kind::kNotAPicture, .file = "big.png"};
  refused.picture.kind = PictureError::Kind::kTooManyPixels;
  refused.picture.limit = 100;
  PictureProblem tooLong{.kind = PictureProblem::Kind::kNotAVideo, .file = "long.mp4"};
  tooLong.picture = {.kind = PictureError::Kind::kTooLong, .needed = 700'000, .limit = 600'000};
  const TestWords words;
  const CommandWords& none = WordsWithoutSteps();
  const struct {
    std::string with;
    std::string without;
    std::string words;
  } cases[] = {
      {Describe(unfinished, words), Describe(unfinished, none),
       "finishes the change; DELETE finishes it by deleting."},
      {Describe(taken, words), Describe(taken, none), "then REMOVE a/i.txt 3 leaves that picture"},
      {Describe(refused, words), Describe(refused, none), "over the limit of 100 (PIXELS)"},
      {Describe(tooLong, words), Describe(tooLong, none), "the limit of 600 s (SECONDS)"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(c.with.find(c.words), std::string::npos) << c.with;
    for (const char* option : {"--", "PIXELS", "REMOVE", "DELETE", "SECONDS"}) {
      EXPECT_EQ(c.without.find(option), std::string::npos) << c.without;
    }
  }
  EXPECT_NE(Describe(taken, none).find("then removing picture 3 of a/i.txt leaves"),
            std::string::npos);
}

}  // namespace
}  // namespace quillmere
