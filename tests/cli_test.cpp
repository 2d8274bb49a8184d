#include <gtest/gtest.h>

#include <sstream>

#include "cli/command_line.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ListNames;
using testing::TempFolder;
using testing::WriteFile;

struct CliResult {
  int code;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = RunCommandLine(args, out, err, fs);
    return {code, out.str(), err.str()};
  }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(CliTest, HelpAndVersion) {
  CliResult version = Run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "quillmere-cli 1.00\n");
  CliResult help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: quillmere-cli", 0), 0u);
  EXPECT_EQ(Run({"-h"}).out, help.out);
}

TEST_F(CliTest, WrongUsageExitsWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--frobnicate", "x.txt"}, {"a.txt", "b.txt"}, {"-x"}}) {
    CliResult result = Run(args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: quillmere-cli"), std::string::npos);
  }
}

TEST_F(CliTest, GeneratesSilentlyOrWithOneSummaryLine) {
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n2\nA\na\nB\nb\n");
  CliResult quiet = Run({dir / "index.txt"});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
  CliResult verbose = Run({"--verbose", dir / "index.txt"});
  EXPECT_EQ(verbose.code, 0);
  EXPECT_EQ(verbose.out, "3 pages in " + dir.path() + " (0 written, 3 already up to date)\n");
}

TEST_F(CliTest, FailuresPrintOneLineAndExitWithOne) {
  CliResult missing = Run({dir / "nope.txt"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "File " + (dir / "nope.txt") + " was not found!\n");
  CliResult folder = Run({dir.path()});
  EXPECT_EQ(folder.code, 1);
  EXPECT_EQ(folder.err, "Could not read index file " + dir.path() + ": Is a directory.\n");
}

}  // namespace
}  // namespace quillmere
