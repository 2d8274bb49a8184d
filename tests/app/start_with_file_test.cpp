// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The program started with a file, as a file manager's "Open with" starts it: the index file is
// generated at once, after a question where its folder holds no site of this program yet.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>
#include <vector>

#include "app/form1.h"
#include "app_test_support.h"
#include "platform/qt/message_box.h"
#include "run/generate.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using apptest::Local;
using apptest::Names;

// An index file of two pictures, the first captioned "Sea".
constexpr const char* kSeaAndHill =
    "Holiday\nthumbs/t\npictures/p\nsupport\n3\nSea\nThe sea\nHill\nThe hill at dusk\n";

// One start with a file: what its folder holds, how the question is answered, what follows.
struct Start {
  const char* what;
  // Whether the folder holds the site of its index file already, and whether the file is there.
  bool siteThere;
  bool fileThere;
  // How a question is answered, if one is asked.
  bool answerYes;
  // Whether a question is asked, and whether the pages are written.
  bool asks;
  bool generates;
};

TEST(StartWithFile, GeneratesAtOnceWhereASiteIsAndAsksFirstWhereNoneIs) {
  const std::vector<Start> starts = {
      {"a folder with a site", true, true, false, false, true},
      {"a folder without a site, answered Yes", false, true, true, true, true},
      {"a folder without a site, answered No", false, true, false, true, false},
      {"a file that is not there", false, false, true, false, false},
  };
  for (const Start& start : starts) {
    SCOPED_TRACE(start.what);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString index = folder.filePath(QStringLiteral("index.txt"));
    PosixFileSystem fs;
    if (start.siteThere) {
      apptest::WriteText(index, apptest::kTwoPictures);
      ASSERT_TRUE(GenerateSite(Local(index), fs).ok());
    }
    // A caption of its own shows that the start wrote the pages anew.
    if (start.fileThere) apptest::WriteText(index, kSeaAndHill);
    const QString before = Names(folder.path());
    MessageRecorder messages;
    messages.QueueAnswer(start.answerYes);
    Form1 form;
    form.OpenAtStart({index});
    // Nothing is asked or started before the window is on the screen, where a box comes over it.
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_FALSE(form.running());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(apptest::WaitUntil([&form] { return !form.startPending(); }));
    ASSERT_TRUE(apptest::FinishRun(form));

    const bool asked =
        !messages.messages().empty() && messages.messages().front().kind == MessageKind::kQuestion;
    EXPECT_EQ(asked, start.asks);
    if (asked) {
      EXPECT_TRUE(messages.messages().front().text.contains(folder.path()));
    }
    for (const MessageRecorder::Message& message : messages.messages()) {
      EXPECT_TRUE(message.ownerShown) << message.text.toStdString();
    }
    EXPECT_EQ(form.ioBox().showings().size(), 0u) << "Generate's dialog is not shown";
    const auto* show = form.findChild<QPushButton*>(QStringLiteral("CmdShow"));
    EXPECT_EQ(show->isEnabled(), start.generates);
    if (start.generates) {
      EXPECT_EQ(Names(folder.path()),
                QStringLiteral("Image1.html Image2.html index.html index.txt"));
      EXPECT_TRUE(testing::ReadFile(Local(folder.filePath(QStringLiteral("Image1.html"))))
                      .find("The sea") != std::string::npos);
    } else {
      EXPECT_EQ(Names(folder.path()), before);
    }
    if (!start.fileThere) {
      // The run says that the file is missing, as it does for a file chosen in the dialog.
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0].kind, MessageKind::kCritical);
      EXPECT_TRUE(messages.messages()[0].text.contains(index));
    }
  }
}

// The program itself, started with an index file of a folder that holds its site, writes the
// pages anew while its window stays open.
TEST(StartWithFile, TheProgramGeneratesTheFileItIsStartedWith) {
  testing::TempFolder folder;
  const std::string index = folder / "index.txt";
  testing::WriteFile(index, apptest::kTwoPictures);
  PosixFileSystem fs;
  ASSERT_TRUE(GenerateSite(index, fs).ok());
  testing::WriteFile(index, kSeaAndHill);
  testing::ChildProcess program(QUILLMERE_APP, {index});
  const bool written = QTest::qWaitFor(
      [&] {
        return testing::ReadFile(folder / "Image1.html").find("The sea") != std::string::npos &&
               testing::ReadFile(folder / "index.html").find("Sea") != std::string::npos;
      },
      apptest::kPatienceMs);
  program.Signal(SIGKILL);
  const testing::ProcessResult result = program.Wait();
  EXPECT_TRUE(written) << result.err;
  EXPECT_EQ(result.signal, SIGKILL) << "the window was still open";
  EXPECT_EQ(testing::ListNames(folder.path()), "Image1.html Image2.html index.html index.txt");
}

}  // namespace
}  // namespace quillmere
