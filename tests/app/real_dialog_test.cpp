// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The window with Qt's own open-file dialog and message box, driven as a user would.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
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

using apptest::Names;
using apptest::WhenModalAppears;

// Types `path` into the dialog's file name field and presses Enter.
void TypeFileNameAndAccept(QFileDialog* dialog, const QString& path) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClicks(edit, path);
  // The completion list would take the Enter key.
  if (edit->completer() != nullptr) edit->completer()->popup()->hide();
  QTest::keyClick(edit, Qt::Key_Return);
}

class RealDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  }

  QTemporaryDir folder_;
  Form1 form_;
  QPushButton* show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
};

TEST_F(RealDialog, ChoosingTheIndexFileWritesTheSite) {
  const QString index = folder_.filePath(QStringLiteral("album index.txt"));
  apptest::WriteText(index, apptest::kTwoPictures);
  QString type;
  bool modal = false;
  const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
    modal = dialog->isModal();
    type = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
    TypeFileNameAndAccept(dialog, index);
  });
  form_.findChild<QPushButton*>(QStringLiteral("CmdGen"))->click();
  ASSERT_TRUE(apptest::FinishRun(form_));

  EXPECT_TRUE(modal);
  EXPECT_EQ(type, QStringLiteral("Text Files (*.txt)"));
  EXPECT_EQ(Names(folder_.path()),
            QStringLiteral("Image1.html Image2.html album index.txt index.html"));
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), apptest::Local(folder_.path()) + "/");
}

TEST_F(RealDialog, MissingFileShowsTheMessageBoxWithCriticalIconAndOk) {
  const QString missing = folder_.filePath(QStringLiteral("gone <b>away<b> & co.txt"));
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat format = Qt::AutoText;
  bool modal = false;
  const auto dialogWatch = WhenModalAppears<QFileDialog>(
      [&](QFileDialog* dialog) { TypeFileNameAndAccept(dialog, missing); });
  const auto boxWatch = WhenModalAppears<QMessageBox>([&](QMessageBox* box) {
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    format = box->textFormat();
    modal = box->isModal();
    if (box->buttons().size() == 1 && box->button(QMessageBox::Ok) != nullptr) {
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
  });
  form_.GenerateCommand();
  ASSERT_TRUE(apptest::FinishRun(form_));

  EXPECT_EQ(caption, QStringLiteral("Quillmere"));
  EXPECT_EQ(text, QStringLiteral("File ") + missing + QStringLiteral(" was not found!"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_TRUE(modal);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(Names(folder_.path()), QString());
}

}  // namespace
}  // namespace quillmere
