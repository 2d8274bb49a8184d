// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "app_test_support.h"
#include "platform/qt/message_box.h"
#include "run/journal.h"

namespace quillmere {
namespace {

using apptest::Local;
using apptest::Names;
using apptest::WriteText;
using ShowResult = IOBox::ShowResult;

// The file types that the dialog offers, the text files first.
const QStringList kFileTypes = {QStringLiteral("Text Files (*.txt)"),
                                QStringLiteral("All Files (*.*)")};

std::string FolderOf(const QString& folder) {
  return Local(folder) + "/";
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    index_ = folder_.filePath(QStringLiteral("index.txt"));
    WriteText(index_, apptest::kTwoPictures);
    ASSERT_NE(show_, nullptr);
  }

  // Clicks Generate with `answers` in place of the user's doings in the dialog, and returns what
  // each showing of the dialog offered the user meanwhile.
  std::vector<IOBox::Showing> Generate(std::vector<IOBox::Answer> answers) {
    const std::size_t before = form_.ioBox().showings().size();
    for (IOBox::Answer& answer : answers) form_.ioBox().QueueAnswer(answer);
    form_.findChild<QPushButton*>(QStringLiteral("CmdGen"))->click();
    EXPECT_TRUE(apptest::FinishRun(form_));
    EXPECT_EQ(form_.ioBox().queuedAnswers(), 0u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form_.cursor().shape(), Qt::ArrowCursor);
    const auto& all = form_.ioBox().showings();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }
  std::vector<IOBox::Showing> Generate(const QString& chosen) {
    return Generate({{ShowResult::kChosen, chosen}});
  }

  QTemporaryDir folder_;
  QString index_;
  MessageRecorder messages_;
  apptest::UrlCatcher opened_;
  Form1 form_;
  QPushButton* show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
};

// Every showing of the dialog offers the text files first, then all files, with no name preset.
void ExpectFreshDialogs(const std::vector<IOBox::Showing>& showings, std::size_t count,
                        const char* what) {
  ASSERT_EQ(showings.size(), count) << what;
  for (const IOBox::Showing& showing : showings) {
    EXPECT_EQ(showing.fileTypes, kFileTypes) << what;
    EXPECT_EQ(showing.presetName, QString()) << what;
  }
}

// The runs that end before a file is chosen, and how often each shows the dialog.
struct EarlyEnd {
  const char* what;
  std::vector<IOBox::Answer> answers;
  std::size_t showings;
};

TEST_F(Form1Test, RunsThatEndEarlyWriteNothingAndLeaveShowAsItWas) {
  const std::vector<EarlyEnd> cases = {
      {"cancel", {{ShowResult::kCancelled, {}}}, 1},
      {"dialog failure", {{ShowResult::kFailed, {}}}, 1},
      {"empty name", {{ShowResult::kChosen, {}}}, 1},
      {"invalid name, then cancel",
       {{ShowResult::kInvalidFileName, {}}, {ShowResult::kCancelled, {}}},
       2}};
  const QString files = Names(folder_.path());
  for (const EarlyEnd& c : cases) {
    ExpectFreshDialogs(Generate(c.answers), c.showings, c.what);
    EXPECT_FALSE(show_->isEnabled()) << c.what;
    EXPECT_EQ(form_.siteFolder(), "") << c.what;
  }
  EXPECT_EQ(Names(folder_.path()), files);

  // Once a run has completed, Show stays enabled for good.
  Generate(index_);
  ASSERT_TRUE(show_->isEnabled());
  for (const EarlyEnd& c : cases) {
    ExpectFreshDialogs(Generate(c.answers), c.showings, c.what);
    EXPECT_TRUE(show_->isEnabled()) << c.what;
    EXPECT_EQ(form_.siteFolder(), FolderOf(folder_.path())) << c.what;
  }
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(Form1Test, InvalidNameReportClearsTheNameAndShowsTheDialogAgain) {
  form_.ioBox().setFileName(QStringLiteral("left from before.txt"));
  const std::vector<IOBox::Showing> showings =
      Generate({{ShowResult::kInvalidFileName, {}},
                {ShowResult::kInvalidFileName, QStringLiteral("ignored")},
                {ShowResult::kChosen, index_}});
  ExpectFreshDialogs(showings, 3, "invalid twice, then chosen");
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_TRUE(QFile::exists(folder_.filePath(QStringLiteral("index.html"))));
}

TEST_F(Form1Test, CompletedRunWritesThePagesAndEnablesShow) {
  ExpectFreshDialogs(Generate(index_), 1, "chosen");
  EXPECT_EQ(Names(folder_.path()), QStringLiteral("Image1.html Image2.html index.html index.txt"));
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_.path()));
}

// Expected: a change to the album that a crash cut short is undone before Generate writes, as
// every run does: the picture it made goes, and so does its journal.
TEST_F(Form1Test, GenerateUndoesAChangeThatACrashCutShort) {
  const std::string folder = FolderOf(folder_.path());
  Journal journal;
  journal.change = ChangeKind::kAddPictures;
  journal.indexName = "index.txt";
  journal.before = StateOf(apptest::kTwoPictures);
  journal.steps = {{JournalStep::Kind::kMakeFolder, "pictures", {}},
                   {JournalStep::Kind::kMakeFile, "pictures/p3.jpg", {}}};
  ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("pictures")));
  WriteText(folder_.filePath(QStringLiteral("pictures/p3.jpg")), "made by the crashed run");
  PosixFileSystem fs;
  Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(folder);
  ASSERT_TRUE(opened);
  ASSERT_TRUE(WriteJournal(*opened.value(), journal));
  Generate(index_);
  EXPECT_EQ(Names(folder_.path()), QStringLiteral("Image1.html Image2.html index.html index.txt"));
  EXPECT_TRUE(messages_.messages().empty());
}

// Expected: the window names an interrupted change by what it did, not by a command line that
// did not make it, and names the command line only for the step the window has no way to take.
TEST_F(Form1Test, AnUnsettledChangeIsToldInTheWindowsWords) {
  Journal journal;
  journal.change = ChangeKind::kAddPictures;
  journal.indexName = "index.txt";
  journal.before = StateOf("an index file since edited\n");
  journal.after = StateOf("and its text after the change\n");
  PosixFileSystem fs;
  Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(FolderOf(folder_.path()));
  ASSERT_TRUE(opened);
  ASSERT_TRUE(WriteJournal(*opened.value(), journal));
  Generate(index_);
  ASSERT_EQ(messages_.messages().size(), 1u);
  const QString text = messages_.messages().back().text;
  EXPECT_TRUE(text.contains(QStringLiteral("after a run of adding pictures was interrupted")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("with the command quillmere-cli --abandon-change ")))
      << text.toStdString();
}

TEST_F(Form1Test, MissingFileIsReportedAsItIsAndShowStaysWithTheLastSite) {
  QTemporaryDir other;
  const QString missing = other.filePath(QStringLiteral("<b>gone<b> & co.txt"));
  for (const bool completedBefore : {false, true}) {
    if (completedBefore) Generate(index_);
    const std::size_t shown = messages_.messages().size();
    Generate(missing);
    ASSERT_EQ(messages_.messages().size(), shown + 1);
    EXPECT_EQ(messages_.messages().back().caption, QStringLiteral("Quillmere"));
    EXPECT_EQ(messages_.messages().back().text,
              QStringLiteral("File ") + missing + QStringLiteral(" was not found!"));
    EXPECT_EQ(form_.siteFolder(), completedBefore ? FolderOf(folder_.path()) : "");
    EXPECT_EQ(show_->isEnabled(), completedBefore);
    EXPECT_EQ(Names(other.path()), QString());
  }
  // Show opens the site that was written, not the folder of the missing file.
  show_->click();
  EXPECT_EQ(opened_.urls(),
            QList<QUrl>{QUrl::fromLocalFile(folder_.filePath(QStringLiteral("index.html")))});
}

TEST_F(Form1Test, RunFailureIsShownAndShowKeepsItsState) {
  QTemporaryDir other;
  const QString folderAsIndex = other.filePath(QStringLiteral("folder.txt"));
  ASSERT_TRUE(QDir(other.path()).mkdir(QStringLiteral("folder.txt")));
  for (const bool completedBefore : {false, true}) {
    if (completedBefore) Generate(index_);
    const std::size_t shown = messages_.messages().size();
    Generate(folderAsIndex);
    ASSERT_EQ(messages_.messages().size(), shown + 1);
    const MessageRecorder::Message& message = messages_.messages().back();
    EXPECT_EQ(message.caption, QStringLiteral("Quillmere"));
    EXPECT_TRUE(message.text.startsWith(QStringLiteral("Could not read index file ") +
                                        folderAsIndex + QStringLiteral(": ")))
        << message.text.toStdString();
    EXPECT_EQ(show_->isEnabled(), completedBefore);
    EXPECT_EQ(form_.siteFolder(), completedBefore ? FolderOf(folder_.path()) : "");
  }
}

TEST_F(Form1Test, ShowOnADeletedIndexPageNamesItInsteadOfOpeningNothing) {
  Generate(index_);
  const QString page = folder_.filePath(QStringLiteral("index.html"));
  ASSERT_TRUE(QFile::remove(page));
  show_->click();
  EXPECT_TRUE(opened_.urls().isEmpty());
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].caption, QStringLiteral("Quillmere"));
  EXPECT_EQ(messages_.messages()[0].text,
            QStringLiteral("File ") + page + QStringLiteral(" was not found!"));
  // A folder in its place is no page either; once the page is back, Show opens it.
  ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("index.html")));
  show_->click();
  EXPECT_EQ(messages_.messages().size(), 2u);
  ASSERT_TRUE(QDir(folder_.path()).rmdir(QStringLiteral("index.html")));
  Generate(index_);
  show_->click();
  EXPECT_EQ(opened_.urls(), QList<QUrl>{QUrl::fromLocalFile(page)});
  EXPECT_EQ(messages_.messages().size(), 2u);
}

// Expected: where the desktop has no way to open the page, a box names it on a line of its own, to
// be pasted into a browser; a page the desktop took needs no word.
TEST_F(Form1Test, ShowNamesThePageWhenTheDesktopCannotOpenIt) {
  Generate(index_);
  const QString page = folder_.filePath(QStringLiteral("index.html"));
  for (const bool taken : {true, false}) {
    SCOPED_TRACE(taken ? "taken" : "not taken");
    QStringList handed;
    form_.setDesktopOpener([&handed, taken](const QString& path) {
      handed << path;
      return taken;
    });
    const std::size_t before = messages_.messages().size();
    show_->click();
    EXPECT_EQ(handed, QStringList{page});
    ASSERT_EQ(messages_.messages().size(), before + (taken ? 0 : 1));
    if (!taken) {
      EXPECT_EQ(messages_.messages().back().kind, MessageKind::kCritical);
      EXPECT_TRUE(messages_.messages().back().text.split(QLatin1Char('\n')).contains(page));
    }
    EXPECT_TRUE(show_->isEnabled());
  }
}

TEST_F(Form1Test, ShowHandsTheIndexPageAsAFileUrlAndRunsNothing) {
  form_.ShowCommand();
  EXPECT_TRUE(opened_.urls().isEmpty()) << "no site folder yet";
  const QString names[] = {QStringLiteral("Fotos Ärger ñ"),
                           QStringLiteral("it's \"a\" $(touch x) `touch y`; touch z & | >w")};
  for (const QString& name : names) {
    ASSERT_TRUE(QDir(folder_.path()).mkdir(name));
    const QString site = folder_.filePath(name);
    WriteText(site + QStringLiteral("/index.txt"), apptest::kTwoPictures);
    Generate(site + QStringLiteral("/index.txt"));
    EXPECT_EQ(form_.siteFolder(), FolderOf(site));
    show_->click();
    ASSERT_FALSE(opened_.urls().isEmpty());
    const QUrl url = opened_.urls().back();
    EXPECT_EQ(url.scheme(), QStringLiteral("file"));
    EXPECT_EQ(url.toLocalFile(), site + QStringLiteral("/index.html"));
    EXPECT_TRUE(QFile::exists(url.toLocalFile()));
  }
  EXPECT_EQ(opened_.urls().size(), 2);
  EXPECT_TRUE(messages_.messages().empty());

  QTest::qWait(50);
  for (const QString& where : {folder_.path(), folder_.filePath(names[1]), QDir::currentPath()}) {
    for (const char* made : {"x", "y", "z", "w"}) {
      EXPECT_FALSE(QFile::exists(where + QLatin1Char('/') + QLatin1String(made)))
          << where.toStdString() << made;
    }
  }
}

}  // namespace
}  // namespace quillmere
