// The window with Qt's own open-file dialog and message box, driven as a user would.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1.h"
#include "app_test_support.h"

namespace quillmere {
namespace {

using apptest::Local;
using apptest::Names;
using apptest::WhenModalAppears;
using apptest::WriteText;

// Types `path` into the dialog's file name field and presses Enter. On the way the dialog moves
// into the folders typed and keeps the rest of the name in the field.
void TypeFileNameAndAccept(QFileDialog* dialog, const QString& path) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClicks(edit, path);
  EXPECT_TRUE(path.endsWith(edit->text())) << edit->text().toStdString();
  // The completion list would take the Enter key.
  if (edit->completer() != nullptr) edit->completer()->popup()->hide();
  QTest::keyClick(edit, Qt::Key_Return);
}

TEST(RealDialog, ChoosingTheIndexFileWritesTheSite) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString index = folder.filePath(QStringLiteral("album index.txt"));
  WriteText(index, apptest::kTwoPictures);
  Form1 form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  QStringList types;
  bool modal = false;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    modal = dialog->isModal();
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    types << combo->currentText();
    TypeFileNameAndAccept(dialog, index);
  });
  form.findChild<QPushButton*>(QStringLiteral("CmdGen"))->click();

  EXPECT_TRUE(modal);
  EXPECT_EQ(types, QStringList({QStringLiteral("Text Files (*.txt)")}));
  EXPECT_EQ(Names(folder.path()),
            QStringLiteral("Image1.html Image2.html album index.txt index.html"));
  EXPECT_TRUE(form.findChild<QPushButton*>(QStringLiteral("CmdShow"))->isEnabled());
  EXPECT_EQ(form.siteFolder(), Local(folder.path()) + "/");
}

TEST(RealDialog, EscapeInTheDialogEndsTheRunSilently) {
  QTemporaryDir folder;
  Form1 form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  bool seen = false;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    seen = true;
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  form.GenerateCommand();
  EXPECT_TRUE(seen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(form.findChild<QPushButton*>(QStringLiteral("CmdShow"))->isEnabled());
  EXPECT_EQ(form.siteFolder(), "");
}

TEST(RealDialog, MissingFileShowsTheMessageBoxWithCriticalIconAndOk) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString missing = folder.filePath(QStringLiteral("gone <b>away<b> & co.txt"));
  Form1 form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  qsizetype buttonCount = 0;
  Qt::TextFormat format = Qt::AutoText;
  bool modal = false;
  const auto dialogWatch = WhenModalAppears<QFileDialog>(
      [&](QFileDialog* dialog) { TypeFileNameAndAccept(dialog, missing); });
  const auto boxWatch = WhenModalAppears<QMessageBox>([&](QMessageBox* box) {
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    buttonCount = box->buttons().size();
    format = box->textFormat();
    modal = box->isModal();
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  form.GenerateCommand();

  EXPECT_EQ(caption, QStringLiteral("Quillmere"));
  EXPECT_EQ(text, QStringLiteral("File ") + missing + QStringLiteral(" was not found!"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(buttonCount, 1);
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_TRUE(modal);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(form.siteFolder(), Local(folder.path()) + "/");
  EXPECT_FALSE(form.findChild<QPushButton*>(QStringLiteral("CmdShow"))->isEnabled());
  EXPECT_EQ(Names(folder.path()), QString());
}

}  // namespace
}  // namespace quillmere
