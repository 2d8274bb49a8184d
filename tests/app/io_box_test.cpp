#include "platform/qt/io_box.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app_test_support.h"

namespace quillmere {
namespace {

using apptest::WhenModalAppears;
using apptest::WriteText;
using Result = IOBox::ShowResult;

const QString kIndexFileTypes = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");

TEST(IOBoxNameFilters, KeepDescriptionsAndMatchEveryCaseAndEveryName) {
  EXPECT_EQ(IOBox::NameFilters(kIndexFileTypes),
            QStringList({QStringLiteral("Text Files (*.txt) (*.[tT][xX][tT])"),
                         QStringLiteral("All Files (*.*) (*)")}));
}

TEST(IOBoxNameFilters, SplitPatternsAtSemicolons) {
  EXPECT_EQ(IOBox::NameFilters(QStringLiteral("Pictures|*.jpg; *.GIF|Lists|list?.[0-9]")),
            QStringList({QStringLiteral("Pictures (*.[jJ][pP][gG] *.[gG][iI][fF])"),
                         QStringLiteral("Lists ([lL][iI][sS][tT]?.[0-9])")}));
}

TEST(IOBoxNameFilters, IgnoreEntriesWithoutPatterns) {
  EXPECT_TRUE(IOBox::NameFilters(QString()).isEmpty());
  EXPECT_TRUE(IOBox::NameFilters(QStringLiteral("Text Files (*.txt)")).isEmpty());
  EXPECT_EQ(IOBox::NameFilters(QStringLiteral("|*.*|Text|")), QStringList({QStringLiteral("(*)")}));
}

TEST(IOBox, RecordsSettingsReadBacksAndShowingsInOrder) {
  IOBox box(nullptr);
  box.QueueAnswer({Result::kChosen, QStringLiteral("/x/index.txt")});
  box.setCancelError(true);
  box.setFileName(QString());
  box.setFilter(kIndexFileTypes);
  box.setFlags(1);
  EXPECT_EQ(box.ShowOpen(), Result::kChosen);
  EXPECT_EQ(box.fileName(), QStringLiteral("/x/index.txt"));
  EXPECT_EQ(box.calls(),
            QStringList({QStringLiteral("CancelError=true"), QStringLiteral("FileName="),
                         QStringLiteral("Filter=") + kIndexFileTypes, QStringLiteral("Flags=1"),
                         QStringLiteral("ShowOpen"), QStringLiteral("FileName?")}));
  EXPECT_TRUE(box.cancelError());
  EXPECT_EQ(box.filter(), kIndexFileTypes);
  EXPECT_EQ(box.flags(), 1);
}

TEST(IOBox, QueuedAnswersComeInOrderAndOnlyAChoiceSetsTheName) {
  IOBox box(nullptr);
  box.setFileName(QStringLiteral("preset"));
  box.QueueAnswer({Result::kInvalidFileName, QStringLiteral("ignored")});
  box.QueueAnswer({Result::kCancelled, QStringLiteral("ignored")});
  box.QueueAnswer({Result::kFailed, QString()});
  box.QueueAnswer({Result::kChosen, QStringLiteral("/a b/c.txt")});
  EXPECT_EQ(box.queuedAnswers(), 4u);
  EXPECT_EQ(box.ShowOpen(), Result::kInvalidFileName);
  EXPECT_EQ(box.ShowOpen(), Result::kCancelled);
  EXPECT_EQ(box.ShowOpen(), Result::kFailed);
  EXPECT_EQ(box.fileName(), QStringLiteral("preset"));
  EXPECT_EQ(box.ShowOpen(), Result::kChosen);
  EXPECT_EQ(box.fileName(), QStringLiteral("/a b/c.txt"));
  EXPECT_EQ(box.queuedAnswers(), 0u);
}

TEST(IOBox, PresetNameWithANulCharacterIsReportedAsInvalidWithoutShowing) {
  IOBox box(nullptr);
  box.setCancelError(true);
  box.setFileName(QStringLiteral("bad") + QChar(u'\0') + QStringLiteral("name.txt"));
  bool dialogShown = false;
  const auto watch = WhenModalAppears<QDialog>([&](QDialog* dialog) {
    dialogShown = true;
    dialog->reject();
  });
  EXPECT_EQ(box.ShowOpen(), Result::kInvalidFileName);
  EXPECT_EQ(kInvalidFileNameError, 20477);
  QTest::qWait(30);
  EXPECT_FALSE(dialogShown);
}

// The names that the dialog lists in `folder`, once it has read the folder.
QStringList ListedNames(QFileDialog* dialog, const QString& folder, qsizetype expected) {
  auto* model = dialog->findChild<QFileSystemModel*>();
  if (model == nullptr) return {QStringLiteral("<no model>")};
  QStringList names;
  for (int attempt = 0; attempt < 400; ++attempt) {
    const QModelIndex root = model->index(folder);
    names.clear();
    for (int row = 0; row < model->rowCount(root); ++row) {
      names << model->index(row, 0, root).data().toString();
    }
    if (names.size() == expected) break;
    QTest::qWait(5);
  }
  names.sort(Qt::CaseInsensitive);
  return names;
}

class IOBoxDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    for (const char* name : {"a.txt", "NAME.TXT", "Mixed.Txt", "noext", "page.html"}) {
      WriteText(folder_.filePath(QString::fromLatin1(name)), "x\n");
    }
    QDir(folder_.path()).mkdir(QStringLiteral("sub.txt.d"));
    box_.setCancelError(true);
    box_.setFileName(QString());
    box_.setFilter(kIndexFileTypes);
    box_.setFlags(IOBox::kFlagReadOnly);
  }

  QTemporaryDir folder_;
  IOBox box_{nullptr};
};

TEST_F(IOBoxDialog, OpensWithTheTextFilterThatListsTextFilesOfAnyCase) {
  QStringList types;
  int current = -1;
  QStringList listed;
  bool readOnly = false;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    for (int i = 0; i < combo->count(); ++i) types << combo->itemText(i);
    current = combo->currentIndex();
    readOnly = dialog->testOption(QFileDialog::ReadOnly);
    dialog->setDirectory(folder_.path());
    listed = ListedNames(dialog, folder_.path(), 4);
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(box_.ShowOpen(), Result::kCancelled);
  EXPECT_EQ(types,
            QStringList({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")}));
  EXPECT_EQ(current, 0);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(listed, QStringList({QStringLiteral("a.txt"), QStringLiteral("Mixed.Txt"),
                                 QStringLiteral("NAME.TXT"), QStringLiteral("sub.txt.d")}));
  EXPECT_EQ(box_.fileName(), QString());
}

TEST_F(IOBoxDialog, AllFilesListsNamesWithoutADotToo) {
  QStringList listed;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    dialog->setDirectory(folder_.path());
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    listed = ListedNames(dialog, folder_.path(), 6);
    dialog->reject();
  });
  EXPECT_EQ(box_.ShowOpen(), Result::kCancelled);
  EXPECT_EQ(listed, QStringList({QStringLiteral("a.txt"), QStringLiteral("Mixed.Txt"),
                                 QStringLiteral("NAME.TXT"), QStringLiteral("noext"),
                                 QStringLiteral("page.html"), QStringLiteral("sub.txt.d")}));
}

TEST_F(IOBoxDialog, ClosingWithoutChoiceLeavesTheNameWhenCancelErrorIsOff) {
  box_.setCancelError(false);
  box_.setFileName(QStringLiteral("kept.txt"));
  const auto watch = WhenModalAppears<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(box_.ShowOpen(), Result::kChosen);
  EXPECT_EQ(box_.fileName(), QStringLiteral("kept.txt"));
}

TEST_F(IOBoxDialog, ReturnsTheTypedPathOfAFileThatDoesNotExist) {
  const QString missing = folder_.filePath(QStringLiteral("gone.txt"));
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(missing);
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(box_.ShowOpen(), Result::kChosen);
  EXPECT_EQ(box_.fileName(), missing);
}

}  // namespace
}  // namespace quillmere
