// quillmere-cli --check and --add-support-images, as a user runs them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/command_line.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ListNames;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const char* const kSupportNames[] = {"rondtl", "rondtr", "rondbl", "rondbr", "x",       "s6",
                                     "s6a",    "s8",     "s8a",    "s9",     "previmg", "nextimg"};

struct CliResult {
  int code;
  std::string out, err;
};

// Every file and folder under `folder` with its size, so that a test can tell nothing changed.
std::string Snapshot(const std::string& folder) {
  std::string listing;
  std::vector<std::string> lines;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
    std::string line = stdfs::relative(entry.path(), folder).string();
    if (entry.is_regular_file()) line += " " + std::to_string(entry.file_size());
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) listing += line + "\n";
  return listing;
}

// Sets QUILLMERE_DATA_DIR for the life of the object; unset means the program's own lookup.
class DataDir {
 public:
  explicit DataDir(const std::string* value) {
    if (value) {
      ::setenv("QUILLMERE_DATA_DIR", value->c_str(), 1);
    } else {
      ::unsetenv("QUILLMERE_DATA_DIR");
    }
  }
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;
  ~DataDir() { ::unsetenv("QUILLMERE_DATA_DIR"); }
};

class CheckTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = RunCommandLine(args, out, err, fs);
    return {code, out.str(), err.str()};
  }

  // A site in `dir` with the given index file and every file it names, for `pictures` pictures.
  void MakeSite(const std::string& indexText, int pictures) {
    WriteFile(dir / "index.txt", indexText);
    stdfs::create_directories(dir / "thumbs");
    stdfs::create_directories(dir / "pictures");
    stdfs::create_directories(dir / "support");
    for (int n = 1; n <= pictures; ++n) {
      WriteFile(dir / ("thumbs/t" + std::to_string(n) + ".jpg"), "thumbnail");
      WriteFile(dir / ("pictures/p" + std::to_string(n) + ".jpg"), "picture");
    }
    for (const char* name : kSupportNames) {
      WriteFile(dir / ("support/" + std::string(name) + ".gif"), "gif");
    }
  }

  static std::string Head(const std::string& perRow = "2") {
    return "Album\nthumbs/t\npictures/p\nsupport\n" + perRow + "\n";
  }

  // The problem and note lines of a check of dir/index.txt, without the summary line.
  std::string Findings(const std::string& indexText, int pictures) {
    MakeSite(indexText, pictures);
    CliResult result = Run({"--check", "--quiet", dir / "index.txt"});
    EXPECT_EQ(result.err, "");
    return result.out;
  }

  TempFolder dir;
  PosixFileSystem fs;
  DataDir dataDir{nullptr};
};

TEST_F(CheckTest, ExampleAlbumWithAMissingThumbnailAndABlankLine) {
  std::string album = dir / "album";
  stdfs::copy(QUILLMERE_EXAMPLE_ALBUM, album, stdfs::copy_options::recursive);
  std::string index = album + "/index.txt";
  std::string before = Snapshot(dir.path());

  CliResult clean = Run({"--check", index});
  EXPECT_EQ(clean.code, 0) << clean.out;
  EXPECT_EQ(clean.out, index + ": 8 pictures, 28 files checked, no problems\n");
  EXPECT_EQ(clean.err, "");
  EXPECT_EQ(Snapshot(dir.path()), before) << "a check must write nothing";

  // Picture 3's thumbnail goes, and a blank line goes in before picture 4 on line 20.
  stdfs::remove(album + "/thumbs/t3.jpg");
  std::string text = ReadFile(index);
  std::size_t lineStart = 0;
  for (int line = 1; line < 20; ++line) lineStart = text.find('\n', lineStart) + 1;
  ASSERT_EQ(text.substr(lineStart, 10), "Night sky\n") << "the example album has changed";
  text.insert(lineStart, "\n");
  WriteFile(index, text);
  before = Snapshot(dir.path());

  CliResult broken = Run({"--check", index});
  EXPECT_EQ(broken.code, 1);
  EXPECT_EQ(broken.out, index + ":18: thumbnail thumbs/t3.jpg is missing\n" +  //
                            index + ":20: blank line 20 drops line 21 with it: \"Night sky\"\n" +
                            index + ": 8 pictures, 28 files checked, 2 problems\n");
  EXPECT_EQ(broken.err, "");
  EXPECT_EQ(Snapshot(dir.path()), before) << "a check must write nothing";
}

TEST_F(CheckTest, ReportsLinesAsGivenAndLooksInTheSiteFolder) {
  MakeSite(Head() + "A\na\nB\nb\n", 2);
  stdfs::remove(dir / "pictures/p2.jpg");
  stdfs::remove(dir / "thumbs/t1.jpg");
  stdfs::create_directories(dir / "thumbs/t1.jpg");
  // From the site folder itself the path is printed as typed ...
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  CliResult here = Run({"--check", "index.txt"});
  EXPECT_EQ(here.code, 1);
  EXPECT_EQ(here.out,
            "index.txt:6: thumbnail thumbs/t1.jpg is not a file\n"
            "index.txt:8: picture pictures/p2.jpg is missing\n"
            "index.txt: 2 pictures, 16 files checked, 2 problems\n");
  // ... and from elsewhere the names are still taken relative to the index file's folder.
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  ASSERT_EQ(::chdir("thumbs"), 0);
  CliResult there = Run({"--check", "--quiet", "../index.txt"});
  EXPECT_EQ(there.out,
            "../index.txt:6: thumbnail thumbs/t1.jpg is not a file\n"
            "../index.txt:8: picture pictures/p2.jpg is missing\n");
}

TEST_F(CheckTest, AbsoluteNamesAreCheckedAsTheyStandAndUrlsNotAtAll) {
  stdfs::create_directories(dir / "elsewhere");
  WriteFile(dir / "elsewhere/t1.jpg", "thumbnail");
  std::string head = "Album\n" + (dir / "elsewhere/t") + "\nhttps://example.com/p\n" +
                     "//cdn.example.com/support\n1\n";
  MakeSite(head + "A\na\nB\nb\n", 0);
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir / "index.txt:8: thumbnail " + (dir / "elsewhere/t2.jpg") +
                            " is missing\n" + (dir / "index.txt") +
                            ": 2 pictures, 2 files checked, 14 URLs not checked, 1 problem\n");
  // A colon after a space is no URL scheme: the name is a file in the site folder.
  EXPECT_EQ(Findings("Album\nthumbs/t\nmy pics: old/p\nsupport\n1\nA\n", 1),
            dir / "index.txt:6: picture my pics: old/p1.jpg is missing\n");
}

TEST_F(CheckTest, BlankLinesThatSwallowADescriptionAreProblems) {
  // Line 8 is blank and takes picture B's caption with it; B's description becomes a caption.
  EXPECT_EQ(Findings(Head() + "A\na\n\nB\nb\nC\nc\n", 3),
            dir / "index.txt:8: blank line 8 drops line 9 with it: \"B\"\n");
  // A line of spaces is blank too, and a line that starts with spaces then ";" is a caption.
  EXPECT_EQ(Findings(Head() + "A\na\n   \n  ;B\nb\nC\n", 3),
            dir / "index.txt:8: blank line 8 drops line 9 with it: \"  ;B\"\n");
  // Long lines are cut short in the report.
  std::string longCaption(100, 'x');
  EXPECT_EQ(Findings(Head() + "\n" + longCaption + "\n", 0),
            dir / "index.txt:6: blank line 6 drops line 7 with it: \"" + longCaption.substr(0, 60) +
                "...\"\n");
}

TEST_F(CheckTest, DropsThatLoseNothingAreNotReported) {
  // Two blank lines, a blank line after a comment, and a blank last line keep the pairs in step.
  MakeSite(Head() + "A\na\n\n\n; the next ones\n\nB\nb\n\n", 2);
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, dir / "index.txt: 2 pictures, 16 files checked, no problems\n");
}

TEST_F(CheckTest, CommentedOutPairsAreNotesThatLeaveTheExitStatusAlone) {
  MakeSite(Head() + "A\na\n;B\nb\nC\nc\n", 2);
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, dir / "index.txt:8: note: comment line 8 drops line 9 with it: \"b\"\n" +
                            (dir / "index.txt") +
                            ": 2 pictures, 16 files checked, no problems, 1 note\n");
  CliResult quiet = Run({"--check", "-q", dir / "index.txt"});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out, "");
}

TEST_F(CheckTest, ThumbnailsPerRowThatIsNotAPlainNumber) {
  EXPECT_EQ(Findings(Head("3") + "A\na\n", 1), "");
  EXPECT_EQ(Findings(Head("+3") + "A\na\n", 1), "");
  EXPECT_EQ(Findings(Head("4 per row") + "A\na\n", 1),
            dir /
                "index.txt:5: thumbnails per row \"4 per row\" is not a plain whole number; it "
                "reads as 4\n");
  EXPECT_EQ(Findings(Head("2.7") + "A\na\n", 1),
            dir /
                "index.txt:5: thumbnails per row \"2.7\" is not a plain whole number; it "
                "reads as 3\n");
  EXPECT_EQ(Findings(Head("four") + "A\na\n", 1),
            dir /
                "index.txt:5: thumbnails per row \"four\" is not a plain whole number; it "
                "reads as 0, so each row holds 1 thumbnail\n");
  EXPECT_EQ(Findings(Head("0") + "A\na\n", 1),
            dir /
                "index.txt:5: thumbnails per row \"0\" is below 1, so each row holds 1 "
                "thumbnail\n");
  // Comments and blank lines in the head move the fifth value line down.
  EXPECT_EQ(Findings("; album\nAlbum\n\nthumbs/t\npictures/p\nsupport\n; per row\n1 2\nA\na\n", 1),
            dir /
                "index.txt:8: thumbnails per row \"1 2\" is not a plain whole number; it "
                "reads as 12\n");
}

TEST_F(CheckTest, AHeadThatEndsEarlyIsAProblem) {
  MakeSite("Album\nthumbs/t\npictures/p\nsupport\n", 0);
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir / "index.txt: the head ends after 4 values of five, so no picture "
                              "is read\n" +
                            (dir / "index.txt") + ": 0 pictures, 12 files checked, 1 problem\n");
}

TEST_F(CheckTest, MissingSupportImagesComeWithAHint) {
  MakeSite(Head() + "A\na\n", 1);
  stdfs::remove(dir / "support/s6a.gif");
  stdfs::remove(dir / "support/rondtl.gif");
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  std::string file = dir / "index.txt";
  EXPECT_EQ(result.out, file + ": support image support/rondtl.gif is missing\n" + file +
                            ": support image support/s6a.gif is missing\n" + file +
                            ": hint: quillmere-cli --add-support-images " + file +
                            " copies the missing support images\n" + file +
                            ": 1 picture, 14 files checked, 2 problems\n");
  CliResult quiet = Run({"--check", "--quiet", dir / "index.txt"});
  EXPECT_EQ(quiet.out, file + ": support image support/rondtl.gif is missing\n" + file +
                           ": support image support/s6a.gif is missing\n");
}

TEST_F(CheckTest, PicturePagesLeftFromAnEarlierRun) {
  MakeSite(Head() + "A\na\nB\nb\n", 2);
  for (const char* name :
       {"Image1.html", "Image2.html", "Image3.html", "Image10.html", "Image03.html", "image4.html",
        "Image4.htm", "Image4.html.bak", "Image.html", "Image99999999999999999999999.html"}) {
    WriteFile(dir / name, "old page");
  }
  EXPECT_EQ(Findings(Head() + "A\na\nB\nb\n", 2),
            dir / "index.txt: page Image3.html is left over from an earlier run with more "
                  "pictures\n" +
                (dir / "index.txt") +
                ": page Image10.html is left over from an earlier run with more pictures\n" +
                (dir / "index.txt") +
                ": page Image99999999999999999999999.html is left over from an earlier run with "
                "more pictures\n");
}

TEST_F(CheckTest, AnIndexFileThatARunRefusesIsRefusedTheSameWay) {
  CliResult missing = Run({"--check", dir / "nope.txt"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "File " + (dir / "nope.txt") + " was not found!\n");

  WriteFile(dir / "index.txt", Head("100000") + "A\na\n");
  CliResult check = Run({"--check", dir / "index.txt"});
  CliResult run = Run({dir / "index.txt"});
  EXPECT_EQ(check.code, 1);
  EXPECT_EQ(check.out, "");
  EXPECT_NE(check.err.find("out of range"), std::string::npos);
  EXPECT_EQ(check.err, run.err);
  EXPECT_EQ(Run({"--check", dir / "nope.txt"}).err, Run({dir / "nope.txt"}).err);
}

TEST_F(CheckTest, WrongUsage) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--check"},
                                             {"--check", "a.txt", "b.txt"},
                                             {"--check", "--add-support-images", "a.txt"},
                                             {"--check", "--quiet", "--verbose", "a.txt"}}) {
    CliResult result = Run(args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: quillmere-cli"), std::string::npos);
  }
  CliResult help = Run({"--help"});
  for (const char* words : {"--check", "--add-support-images", "--quiet", "QUILLMERE_DATA_DIR"}) {
    EXPECT_NE(help.out.find(words), std::string::npos) << words;
  }
}

// --add-support-images

class AddSupportTest : public CheckTest {
 protected:
  // A bundled set whose images each hold their own name, so that copies can be told apart.
  void MakeBundle() {
    stdfs::create_directories(bundle / "support");
    for (const char* name : kSupportNames) {
      WriteFile(bundle / ("support/" + std::string(name) + ".gif"), std::string("GIF ") + name);
    }
  }

  TempFolder bundle;
};

TEST_F(AddSupportTest, CopiesTheBundledSetIntoANewFolderAndThenTheCheckPasses) {
  MakeBundle();
  DataDir useBundle(&bundle.path());
  WriteFile(dir / "index.txt", "Album\nt\np\ngfx/site\n1\n");
  CliResult result = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(result.code, 0) << result.err;
  std::string expected;
  for (const char* name : kSupportNames)
    expected += "copied gfx/site/" + std::string(name) + ".gif\n";
  expected += "12 support images copied from " + (bundle / "support") + " into " +
              (dir / "gfx/site") + "\n";
  EXPECT_EQ(result.out, expected);
  for (const char* name : kSupportNames) {
    EXPECT_EQ(ReadFile(dir / ("gfx/site/" + std::string(name) + ".gif")),
              std::string("GIF ") + name);
  }
  EXPECT_EQ(ListNames(dir.path()), "gfx index.txt");
  CliResult check = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(check.out, dir / "index.txt: 0 pictures, 12 files checked, no problems\n");
}

TEST_F(AddSupportTest, NeverReplacesWhatIsThere) {
  MakeBundle();
  DataDir useBundle(&bundle.path());
  WriteFile(dir / "index.txt", "Album\nt\np\nsupport\n1\n");
  stdfs::create_directories(dir / "support/s9.gif");
  WriteFile(dir / "support/x.gif", "my own spacer");
  CliResult first = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(first.out.find("copied support/x.gif"), std::string::npos);
  EXPECT_NE(first.out.find("copied support/s8a.gif\n"), std::string::npos);
  EXPECT_NE(first.out.find("10 support images copied from"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find(", 2 already there\n"), std::string::npos) << first.out;
  EXPECT_EQ(ReadFile(dir / "support/x.gif"), "my own spacer");
  EXPECT_TRUE(stdfs::is_directory(dir / "support/s9.gif"));

  CliResult again = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out,
            "All 12 support images are already in " + (dir / "support") + "; nothing copied\n");
  EXPECT_EQ(Run({"--add-support-images", "--quiet", dir / "index.txt"}).out, "");
}

TEST_F(AddSupportTest, FindsTheSetItWasBuiltWithWhenNoFolderIsGiven) {
  WriteFile(dir / "index.txt", "Album\nt\np\nsupport\n1\n");
  CliResult result = Run({"--add-support-images", "-q", dir / "index.txt"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out, "");
  for (const char* name : kSupportNames) {
    std::string image = "/support/" + std::string(name) + ".gif";
    EXPECT_EQ(ReadFile(dir / image.substr(1)), ReadFile(QUILLMERE_EXAMPLE_ALBUM + image));
  }
}

TEST_F(AddSupportTest, RefusesWhatCannotBeDone) {
  MakeBundle();
  DataDir useBundle(&bundle.path());
  bool rootHadImage = stdfs::exists("/rondtl.gif");
  struct Case {
    std::string index, error;
  };
  for (const Case& c : std::vector<Case>{
           {"Album\nt\np\n", "names no support folder"},
           {"Album\nt\np\nhttp://example.com/gfx\n1\n", "is not on this machine"},
           {"Album\nt\np\n//example.com/gfx\n1\n", "is not on this machine"},
           {"Album\nt\np\nblocked/gfx\n1\n", "Could not create the support folder"}}) {
    WriteFile(dir / "index.txt", c.index);
    WriteFile(dir / "blocked", "a file where a folder should be");
    CliResult result = Run({"--add-support-images", dir / "index.txt"});
    EXPECT_EQ(result.code, 1) << c.index;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
    EXPECT_EQ(ListNames(dir.path()), "blocked index.txt");
  }
  EXPECT_EQ(stdfs::exists("/rondtl.gif"), rootHadImage);

  // A bundled set with an image missing is not copied at all.
  stdfs::remove(bundle / "support/s8.gif");
  WriteFile(dir / "index.txt", "Album\nt\np\nsupport\n1\n");
  CliResult incomplete = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(incomplete.code, 1);
  EXPECT_EQ(incomplete.err,
            "The bundled support image s8.gif is missing from " + (bundle / "support") + ".\n");
  EXPECT_EQ(ListNames(dir.path()), "blocked index.txt");

  CliResult missing = Run({"--add-support-images", dir / "nope.txt"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "File " + (dir / "nope.txt") + " was not found!\n");
}

}  // namespace
}  // namespace quillmere
