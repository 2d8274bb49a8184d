// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/io_box.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

#include "app_test_support.h"

namespace quillmere {
namespace {

using apptest::WhenModalAppears;
using Result = IOBox::ShowResult;

const QString kIndexFileTypes = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");

TEST(IOBox, NameFiltersKeepDescriptionsAndMatchEveryCaseAndEveryName) {
  const std::pair<QString, QStringList> cases[] = {
      {kIndexFileTypes, {"Text Files (*.txt) (*.[tT][xX][tT])", "All Files (*.*) (*)"}},
      {"Pictures|*.jpg; *.GIF|Lists|list?.[0-9]",
       {"Pictures (*.[jJ][pP][gG] *.[gG][iI][fF])", "Lists ([lL][iI][sS][tT]?.[0-9])"}},
      // Entries without patterns are left out.
      {"", {}},
      {"Text Files (*.txt)", {}},
      {"|*.*|Text|", {"(*)"}}};
  for (const auto& [filter, expected] : cases) {
    EXPECT_EQ(IOBox::NameFilters(filter), expected) << filter.toStdString();
  }
}

TEST(IOBox, PresetNameWithANulCharacterIsReportedAsInvalidWithoutShowing) {
  IOBox box(nullptr);
  box.setFileName(QStringLiteral("bad") + QChar(u'\0') + QStringLiteral("name.txt"));
  bool dialogShown = false;
  const auto watch = WhenModalAppears<QDialog>([&](QDialog* dialog) {
    dialogShown = true;
    dialog->reject();
  });
  EXPECT_EQ(box.ShowOpen(), Result::kInvalidFileName);
  QTest::qWait(30);
  EXPECT_FALSE(dialogShown);
}

// The names that the dialog lists in `folder`, once it has read `expected` of them.
QStringList ListedNames(QFileDialog* dialog, const QString& folder, qsizetype expected) {
  auto* model = dialog->findChild<QFileSystemModel*>();
  if (model == nullptr) return {QStringLiteral("<no model>")};
  QStringList names;
  for (int attempt = 0; attempt < 400 && names.size() != expected; ++attempt) {
    if (attempt > 0) QTest::qWait(5);
    const QModelIndex root = model->index(folder);
    names.clear();
    for (int row = 0; row < model->rowCount(root); ++row) {
      names << model->index(row, 0, root).data().toString();
    }
  }
  names.sort(Qt::CaseInsensitive);
  return names;
}

TEST(IOBox, RealDialogOffersTheTextFilterFirstAndAllFilesListsNamesWithoutADot) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  for (const char* name : {"a.txt", "NAME.TXT", "Mixed.Txt", "noext", "page.html"}) {
    apptest::WriteText(folder.filePath(QString::fromLatin1(name)), "x\n");
  }
  QDir(folder.path()).mkdir(QStringLiteral("sub.txt.d"));
  IOBox box(nullptr);
  box.setCancelError(true);
  box.setFilter(kIndexFileTypes);
  box.setFlags(IOBox::kFlagReadOnly);

  QStringList types, textListed, allListed;
  int current = -1;
  bool readOnly = false;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    for (int i = 0; i < combo->count(); ++i) types << combo->itemText(i);
    current = combo->currentIndex();
    readOnly = dialog->testOption(QFileDialog::ReadOnly);
    dialog->setDirectory(folder.path());
    textListed = ListedNames(dialog, folder.path(), 4);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    allListed = ListedNames(dialog, folder.path(), 6);
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(box.ShowOpen(), Result::kCancelled);
  EXPECT_EQ(types, QStringList({"Text Files (*.txt)", "All Files (*.*)"}));
  EXPECT_EQ(current, 0);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(textListed, QStringList({"a.txt", "Mixed.Txt", "NAME.TXT", "sub.txt.d"}));
  EXPECT_EQ(allListed,
            QStringList({"a.txt", "Mixed.Txt", "NAME.TXT", "noext", "page.html", "sub.txt.d"}));
  EXPECT_EQ(box.fileName(), QString());
}

TEST(IOBox, ClosingTheRealDialogKeepsTheNameWhenCancelErrorIsOff) {
  IOBox box(nullptr);
  box.setFileName(QStringLiteral("kept.txt"));
  const auto watch = WhenModalAppears<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(box.ShowOpen(), Result::kChosen);
  EXPECT_EQ(box.fileName(), QStringLiteral("kept.txt"));
}

TEST(IOBox, RealDialogStartsInTheInitialFolderAndTellsItsShowings) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  IOBox box(nullptr);
  box.setInitialFolder(folder.path());
  QString shownFolder;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    shownFolder = dialog->directory().absolutePath();
    dialog->reject();
  });
  EXPECT_EQ(box.ShowOpen(), Result::kChosen);
  EXPECT_EQ(shownFolder, folder.path());
  ASSERT_EQ(box.showings().size(), 1u);
  EXPECT_EQ(box.showings()[0].startFolder, folder.path());
}

}  // namespace
}  // namespace quillmere
