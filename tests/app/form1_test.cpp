#include "app/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app_test_support.h"
#include "platform/qt/message_box.h"

namespace quillmere {
namespace {

using apptest::Local;
using apptest::Names;
using apptest::UrlCatcher;
using apptest::WriteText;
using Result = IOBox::ShowResult;

const QString kSettingCalls[] = {
    QStringLiteral("CancelError=true"), QStringLiteral("FileName="),
    QStringLiteral("Filter=Text Files (*.txt)|*.txt|All Files (*.*)|*.*"),
    QStringLiteral("Flags=1"), QStringLiteral("ShowOpen")};

QStringList SettingCalls() {
  return QStringList(std::begin(kSettingCalls), std::end(kSettingCalls));
}

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    index_ = folder_.filePath(QStringLiteral("index.txt"));
    WriteText(index_, apptest::kTwoPictures);
    show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
    generate_ = form_.findChild<QPushButton*>(QStringLiteral("CmdGen"));
    ASSERT_NE(show_, nullptr);
    ASSERT_NE(generate_, nullptr);
  }

  // Clicks Generate with `answer` in place of the user's choice in the dialog.
  void Generate(Result result, const QString& fileName = QString()) {
    form_.ioBox().QueueAnswer({result, fileName});
    generate_->click();
    EXPECT_EQ(form_.ioBox().queuedAnswers(), 0u);
  }

  // Makes a completed run on `index_`.
  void CompleteARun() {
    const std::size_t shown = messages_.messages().size();
    Generate(Result::kChosen, index_);
    ASSERT_TRUE(show_->isEnabled());
    ASSERT_EQ(messages_.messages().size(), shown);
  }

  std::string FolderOf(const QTemporaryDir& folder) { return Local(folder.path()) + "/"; }

  QTemporaryDir folder_;
  QString index_;
  MessageRecorder messages_;
  UrlCatcher opened_;
  Form1 form_;
  QPushButton* show_ = nullptr;
  QPushButton* generate_ = nullptr;
};

TEST_F(Form1Test, CancelWritesNothingShowsNothingAndChangesNothing) {
  const QString before = Names(folder_.path());
  Generate(Result::kCancelled);
  EXPECT_EQ(form_.ioBox().calls(), SettingCalls());
  EXPECT_EQ(Names(folder_.path()), before);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), "");
}

TEST_F(Form1Test, OtherDialogFailureEndsTheRunSilently) {
  Generate(Result::kFailed);
  EXPECT_EQ(form_.ioBox().calls(), SettingCalls());
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), "");
}

TEST_F(Form1Test, EmptyChosenNameEndsTheRun) {
  Generate(Result::kChosen, QString());
  QStringList expected = SettingCalls();
  expected << QStringLiteral("FileName?");
  EXPECT_EQ(form_.ioBox().calls(), expected);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), "");
}

TEST_F(Form1Test, InvalidNameReportClearsTheNameAndShowsTheDialogAgain) {
  form_.ioBox().QueueAnswer({Result::kInvalidFileName, QString()});
  form_.ioBox().QueueAnswer({Result::kInvalidFileName, QString()});
  Generate(Result::kChosen, index_);
  QStringList expected = SettingCalls();
  expected << QStringLiteral("FileName=") << QStringLiteral("ShowOpen")
           << QStringLiteral("FileName=") << QStringLiteral("ShowOpen")
           << QStringLiteral("FileName?");
  EXPECT_EQ(form_.ioBox().calls(), expected);
  EXPECT_TRUE(QFile::exists(folder_.filePath(QStringLiteral("index.html"))));
  EXPECT_TRUE(show_->isEnabled());
}

TEST_F(Form1Test, InvalidNameReportThenCancelEndsTheRun) {
  form_.ioBox().QueueAnswer({Result::kInvalidFileName, QString()});
  Generate(Result::kCancelled);
  QStringList expected = SettingCalls();
  expected << QStringLiteral("FileName=") << QStringLiteral("ShowOpen");
  EXPECT_EQ(form_.ioBox().calls(), expected);
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), "");
}

TEST_F(Form1Test, CompletedRunWritesThePagesAndEnablesShow) {
  Generate(Result::kChosen, index_);
  EXPECT_EQ(Names(folder_.path()), QStringLiteral("Image1.html Image2.html index.html index.txt"));
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Form1Test, IndexWithoutPicturesWritesTheIndexPageOnlyAndEnablesShow) {
  WriteText(index_, apptest::kNoPictures);
  Generate(Result::kChosen, index_);
  EXPECT_EQ(Names(folder_.path()), QStringLiteral("index.html index.txt"));
  EXPECT_TRUE(show_->isEnabled());
}

TEST_F(Form1Test, MissingFileIsReportedAndMovesTheSiteFolder) {
  QTemporaryDir other;
  const QString missing = other.filePath(QStringLiteral("gone.txt"));
  Generate(Result::kChosen, missing);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].caption, QStringLiteral("Quillmere"));
  EXPECT_EQ(messages_.messages()[0].text,
            QStringLiteral("File ") + missing + QStringLiteral(" was not found!"));
  EXPECT_EQ(form_.siteFolder(), FolderOf(other));
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(Names(other.path()), QString());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Form1Test, MessageShowsPathsWithMarkupAsTheyAre) {
  const QString missing = folder_.filePath(QStringLiteral("<b>bold<b> & <i>.txt"));
  Generate(Result::kChosen, missing);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].text,
            QStringLiteral("File ") + missing + QStringLiteral(" was not found!"));
}

TEST_F(Form1Test, ShowStaysEnabledThroughLaterRunsThatEndEarly) {
  CompleteARun();
  Generate(Result::kCancelled);
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_));
  Generate(Result::kFailed);
  Generate(Result::kChosen, QString());
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_));

  QTemporaryDir other;
  const QString missing = other.filePath(QStringLiteral("gone.txt"));
  Generate(Result::kChosen, missing);
  EXPECT_EQ(messages_.messages().size(), 1u);
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(other));

  // Show now names the page in the new folder, which does not exist; nothing is reported.
  show_->click();
  ASSERT_EQ(opened_.urls().size(), 1);
  EXPECT_EQ(opened_.urls()[0], QUrl::fromLocalFile(other.filePath(QStringLiteral("index.html"))));
  EXPECT_EQ(messages_.messages().size(), 1u);
  EXPECT_TRUE(show_->isEnabled());
}

TEST_F(Form1Test, RunFailureIsShownAndShowKeepsItsState) {
  const QString folderAsIndex = folder_.filePath(QStringLiteral("folder.txt"));
  ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("folder.txt")));
  Generate(Result::kChosen, folderAsIndex);
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].caption, QStringLiteral("Quillmere"));
  EXPECT_TRUE(messages_.messages()[0].text.startsWith(QStringLiteral("Could not read index file ") +
                                                      folderAsIndex + QStringLiteral(": ")))
      << messages_.messages()[0].text.toStdString();
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  CompleteARun();
  Generate(Result::kChosen, folderAsIndex);
  EXPECT_EQ(messages_.messages().size(), 2u);
  EXPECT_TRUE(show_->isEnabled());
}

TEST_F(Form1Test, FolderNamesOutsideAsciiWork) {
  QDir(folder_.path()).mkdir(QStringLiteral("Fotos Ärger ñ"));
  const QString index = folder_.filePath(QStringLiteral("Fotos Ärger ñ/índex.txt"));
  WriteText(index, apptest::kTwoPictures);
  Generate(Result::kChosen, index);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_TRUE(QFile::exists(folder_.filePath(QStringLiteral("Fotos Ärger ñ/Image2.html"))));
  EXPECT_EQ(form_.siteFolder(), Local(folder_.path()) + "/Fotos \xc3\x84rger \xc3\xb1/");
  show_->click();
  ASSERT_EQ(opened_.urls().size(), 1);
  EXPECT_EQ(opened_.urls()[0].toLocalFile(),
            folder_.filePath(QStringLiteral("Fotos Ärger ñ/index.html")));
}

TEST_F(Form1Test, ShowBeforeAnyChoiceDoesNothing) {
  form_.ShowCommand();
  QTest::mouseClick(show_, Qt::LeftButton);
  EXPECT_TRUE(opened_.urls().empty());
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(Form1Test, ShowHandsTheIndexPageAsAFileUrlEachTime) {
  CompleteARun();
  show_->click();
  show_->click();
  const QUrl page = QUrl::fromLocalFile(folder_.filePath(QStringLiteral("index.html")));
  EXPECT_EQ(opened_.urls(), QList<QUrl>({page, page}));
  EXPECT_TRUE(opened_.urls()[0].isLocalFile());
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), FolderOf(folder_));
}

TEST_F(Form1Test, ShowOpensAFolderWithShellCharactersAsItIsAndRunsNothing) {
  const QString name = QStringLiteral("it's \"a\" $(touch x) `touch y`; touch z & | >w");
  ASSERT_TRUE(QDir(folder_.path()).mkdir(name));
  const QString site = folder_.filePath(name);
  const QString index = site + QStringLiteral("/index.txt");
  WriteText(index, apptest::kTwoPictures);
  Generate(Result::kChosen, index);
  ASSERT_TRUE(messages_.messages().empty());
  EXPECT_EQ(form_.siteFolder(), Local(site) + "/");

  show_->click();
  ASSERT_EQ(opened_.urls().size(), 1);
  const QUrl url = opened_.urls()[0];
  EXPECT_EQ(url.scheme(), QStringLiteral("file"));
  EXPECT_EQ(url.toLocalFile(), site + QStringLiteral("/index.html"));
  EXPECT_TRUE(QFile::exists(url.toLocalFile()));

  QTest::qWait(50);
  for (const QString& where : {folder_.path(), site, QDir::currentPath()}) {
    for (const char* made : {"x", "y", "z", "w"}) {
      EXPECT_FALSE(QFile::exists(where + QLatin1Char('/') + QLatin1String(made)))
          << where.toStdString() << " " << made;
    }
  }
  EXPECT_EQ(Names(site), QStringLiteral("Image1.html Image2.html index.html index.txt"));
}

TEST_F(Form1Test, EnterAndEscapeRunNothingWhileSpaceClicksTheFocusedButton) {
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  ASSERT_EQ(QApplication::focusWidget(), generate_);
  form_.ioBox().QueueAnswer({Result::kCancelled, QString()});
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(QApplication::focusWidget(), key);
    QTest::keyClick(&form_, key);
  }
  EXPECT_TRUE(form_.ioBox().calls().isEmpty());
  QTest::keyClick(generate_, Qt::Key_Space);
  EXPECT_EQ(form_.ioBox().calls(), SettingCalls());
  EXPECT_EQ(form_.ioBox().queuedAnswers(), 0u);
}

TEST_F(Form1Test, TabStaysOnGenerateUntilShowIsEnabledThenMovesBetweenThem) {
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  ASSERT_EQ(QApplication::focusWidget(), generate_);
  QTest::keyClick(generate_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), generate_);

  CompleteARun();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), show_);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), generate_);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), show_);
}

}  // namespace
}  // namespace quillmere
