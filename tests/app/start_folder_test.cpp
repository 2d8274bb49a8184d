// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the open-file dialog starts, across starts of the program: each start is this test
// program run again as a new process, with the settings and home folders of the test.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>
#include <string>

#include "app/form1.h"
#include "app_test_support.h"
#include "platform/qt/message_box.h"
#include "support/child_process.h"
#include "support/scoped_state.h"

namespace quillmere {
namespace {

using testing::ScopedEnvironmentVariable;

constexpr const char* kChooseVariable = "QUILLMERE_TEST_CHOOSE";
constexpr const char* kStartedInPrefix = "dialog started in: ";

// One start of the window, run as a child process by the test below: it clicks Generate, answers
// the dialog with the file that QUILLMERE_TEST_CHOOSE names (or cancels it when none), waits for
// the run, and prints where the dialog started.
TEST(WindowStart, DISABLED_OneStartOfTheWindow) {
  const MessageRecorder messages;
  Form1 form;
  const QString choose = qEnvironmentVariable(kChooseVariable);
  form.ioBox().QueueAnswer(
      {choose.isEmpty() ? IOBox::ShowResult::kCancelled : IOBox::ShowResult::kChosen, choose});
  form.findChild<QPushButton*>(QStringLiteral("CmdGen"))->click();
  ASSERT_TRUE(apptest::FinishRun(form));
  ASSERT_EQ(form.ioBox().showings().size(), 1u);
  std::printf("%s%s\n", kStartedInPrefix,
              QFile::encodeName(form.ioBox().showings()[0].startFolder).constData());
}

class StartFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    for (const char* folder : {"config", "home", "albums/a", "albums/b"}) {
      ASSERT_TRUE(QDir(scratch_.path()).mkpath(QString::fromLatin1(folder)));
    }
    apptest::WriteText(Path("albums/a/index.txt"), apptest::kTwoPictures);
  }

  QString Path(const char* name) const { return scratch_.filePath(QString::fromLatin1(name)); }

  // Starts the program once, answers its dialog with `choose`, and returns where the dialog
  // started.
  QString StartAndChoose(const QString& choose) {
    const ScopedEnvironmentVariable config("QUILLMERE_TEST_CONFIG_HOME",
                                           apptest::Local(Path("config")));
    const ScopedEnvironmentVariable home("HOME", apptest::Local(Path("home")));
    const ScopedEnvironmentVariable chosen(
        kChooseVariable,
        choose.isEmpty() ? std::nullopt : std::optional<std::string>(apptest::Local(choose)));
    const testing::ProcessResult result =
        testing::RunProcess(apptest::Local(QCoreApplication::applicationFilePath()),
                            {"--gtest_filter=WindowStart.DISABLED_OneStartOfTheWindow",
                             "--gtest_also_run_disabled_tests"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    const std::size_t line = result.out.find(kStartedInPrefix);
    if (line == std::string::npos) return QStringLiteral("<not told>");
    const std::size_t start = line + std::string(kStartedInPrefix).size();
    return QFile::decodeName(
        QByteArray::fromStdString(result.out.substr(start, result.out.find('\n', start) - start)));
  }

  QTemporaryDir scratch_;
};

TEST_F(StartFolder, IsTheFolderOfTheLastIndexFileChosenAcrossProgramStarts) {
  // The first time: the user's Pictures folder, or home while there is none.
  EXPECT_EQ(StartAndChoose({}), Path("home"));
  ASSERT_TRUE(QDir(Path("home")).mkdir(QStringLiteral("Pictures")));
  EXPECT_EQ(StartAndChoose(Path("albums/a/index.txt")), Path("home/Pictures"));
  // The settings are kept under the program's id in the user's configuration folder.
  EXPECT_TRUE(QFile::exists(Path("config/io.github.quillmere.Quillmere.conf")));

  // A file that is not there still names its folder as the last one used; a cancelled dialog
  // keeps the one before.
  EXPECT_EQ(StartAndChoose(Path("albums/b/missing.txt")), Path("albums/a"));
  EXPECT_EQ(StartAndChoose({}), Path("albums/b"));
  EXPECT_EQ(StartAndChoose({}), Path("albums/b"));

  // A folder that is gone gives way to Pictures again.
  ASSERT_TRUE(QDir(Path("albums/b")).removeRecursively());
  EXPECT_EQ(StartAndChoose({}), Path("home/Pictures"));
}

}  // namespace
}  // namespace quillmere
