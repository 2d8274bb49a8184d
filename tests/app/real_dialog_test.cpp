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
#include <optional>
#include <vector>

#include "app/form1.h"
#include "app_test_support.h"
#include "platform/qt/folder_box.h"
#include "platform/qt/message_box.h"

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

// One use of the folder dialog: what is typed into it, and what it must end with.
struct FolderChoice {
  const char* what;
  // What is typed over the proposed name before Enter; none to press Esc instead.
  std::optional<QString> typed;
  FolderBox::ShowResult result;
  // The folder chosen, from the start folder.
  QString chosen;
};

TEST(RealFolderDialog, ProposesANewFolderAndTakesANewOrAnExistingOne) {
  QTemporaryDir start;
  ASSERT_TRUE(start.isValid());
  ASSERT_TRUE(QDir(start.path()).mkdir(QStringLiteral("Existing")));
  apptest::WriteText(start.filePath(QStringLiteral("a file.txt")), "x\n");
  const std::vector<FolderChoice> choices = {
      {"the proposal as it is", std::nullopt, FolderBox::ShowResult::kChosen,
       QStringLiteral("Trip album")},
      {"another new name", QStringLiteral("Other"), FolderBox::ShowResult::kChosen,
       QStringLiteral("Other")},
      {"an existing folder", QStringLiteral("Existing"), FolderBox::ShowResult::kChosen,
       QStringLiteral("Existing")},
      {"Esc", QString(), FolderBox::ShowResult::kCancelled, QString()},
  };
  for (const FolderChoice& choice : choices) {
    SCOPED_TRACE(choice.what);
    FolderBox box(nullptr);
    QString proposed, title;
    QStringList listed;
    const auto watch = WhenModalAppears<QFileDialog>([&](QFileDialog* dialog) {
      title = dialog->windowTitle();
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(edit, nullptr);
      proposed = edit->text();
      if (choice.typed && choice.typed->isEmpty()) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        return;
      }
      if (choice.typed) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, *choice.typed);
        if (edit->completer() != nullptr) edit->completer()->popup()->hide();
      }
      QTest::keyClick(edit, Qt::Key_Return);
    });
    const FolderBox::ShowResult result =
        box.ShowChoose(QStringLiteral("Where"), start.path(), QStringLiteral("Trip album"));
    EXPECT_EQ(result, choice.result);
    EXPECT_EQ(title, QStringLiteral("Where"));
    EXPECT_EQ(proposed, QStringLiteral("Trip album"));
    if (result == FolderBox::ShowResult::kChosen) {
      EXPECT_EQ(box.folder(), start.filePath(choice.chosen));
    }
    // Nothing is made by the dialog itself.
    EXPECT_EQ(Names(start.path()), QStringLiteral("Existing a file.txt"));
  }
}

// One question and how it is answered.
struct Answering {
  const char* what;
  bool yesByDefault;
  // The key pressed in the box.
  Qt::Key key;
  bool yes;
};

TEST(RealQuestionBox, EnterTakesTheDefaultAndEscAnswersNo) {
  const std::vector<Answering> answers = {
      {"Enter, Yes by default", true, Qt::Key_Return, true},
      {"Enter, No by default", false, Qt::Key_Return, false},
      {"Esc", true, Qt::Key_Escape, false},
  };
  for (const Answering& answering : answers) {
    SCOPED_TRACE(answering.what);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    const auto watch = WhenModalAppears<QMessageBox>([&](QMessageBox* box) {
      icon = box->icon();
      buttons = box->standardButtons();
      format = box->textFormat();
      QTest::keyClick(box, answering.key);
    });
    EXPECT_EQ(AskYesOrNo(nullptr, QStringLiteral("Quillmere"), QStringLiteral("Add <b>?</b>"),
                         answering.yesByDefault),
              answering.yes);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(format, Qt::PlainText);
  }
}

}  // namespace
}  // namespace quillmere
