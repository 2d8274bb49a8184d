// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The window during a long run: the run goes on a thread of its own while the window answers,
// shows the progress and lets the user stop it, and every page stays whole.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/form1.h"
#include "app_test_support.h"
#include "gated_file_system.h"
#include "platform/qt/message_box.h"
#include "run/generate.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using apptest::FinishRun;
using apptest::WaitUntil;
using Pages = std::map<std::string, std::string>;

// The pages of a site, by name: every file in `folder` but the index file.
Pages ReadPages(const std::string& folder) {
  Pages pages;
  for (const QString& name : QDir(QString::fromStdString(folder)).entryList(QDir::Files)) {
    if (name == QLatin1String("index.txt")) continue;
    pages[name.toStdString()] = testing::ReadFile(folder + name.toStdString());
  }
  return pages;
}

// Counts the times a widget is painted.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints() const { return paints_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_;
    return QObject::eventFilter(watched, event);
  }

 private:
  int paints_ = 0;
};

class LongRun : public ::testing::Test {
 protected:
  // 2001 pages: the index page and one page per picture.
  static constexpr int kPictures = 2000;
  // The run is held with the 101st page in hand: the index page and Image1 to Image99 are done.
  static constexpr int kHeldPage = 101;
  static constexpr int kDoneWhenHeld = kHeldPage - 1;

  void SetUp() override {
    for (const char* edition : {"first", "second"}) {
      testing::WriteFile(reference_ / "index.txt", apptest::ManyPictures(kPictures, edition));
      ASSERT_TRUE(GenerateSite(reference_ / "index.txt", machine_).ok());
      editions_.push_back(ReadPages(reference_.path()));
    }
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  }

  void TearDown() override { gate_.Open(); }

  // Puts the site of the first edition in the site folder and the second edition's index file
  // beside it, then clicks Generate of `window` for it and waits until the run is held with a
  // page in hand.
  void StartHeldRun(Form1& window) {
    testing::WriteFile(site_ / "index.txt", apptest::ManyPictures(kPictures, "first"));
    ASSERT_TRUE(GenerateSite(site_ / "index.txt", machine_).ok());
    testing::WriteFile(site_ / "index.txt", apptest::ManyPictures(kPictures, "second"));
    gate_.HoldAt(kHeldPage);
    window.ioBox().QueueAnswer(
        {IOBox::ShowResult::kChosen, QString::fromStdString(site_ / "index.txt")});
    window.findChild<QPushButton*>(QStringLiteral("CmdGen"))->click();
    ASSERT_TRUE(WaitUntil([this] { return gate_.holding(); }));
  }
  void StartHeldRun() { StartHeldRun(form_); }

  // Checks that every page is whole, the old one or the new one, that the new ones come first
  // in the order a run writes them, and that no other file is there; returns how many are new.
  int NewPagesInOrder() {
    const Pages pages = ReadPages(site_.path());
    EXPECT_EQ(pages.size(), editions_[0].size());
    EXPECT_EQ(QDir(QString::fromStdString(site_.path()))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              static_cast<qsizetype>(pages.size() + 1))
        << "no hidden file is left";
    int newPages = 0;
    for (int n = 0; n <= kPictures; ++n) {
      const std::string name = n == 0 ? "index.html" : "Image" + std::to_string(n) + ".html";
      const auto page = pages.find(name);
      if (page == pages.end()) {
        ADD_FAILURE() << name << " is missing";
        break;
      }
      const bool isNew = page->second == editions_[1].at(name);
      if (!isNew && page->second != editions_[0].at(name)) ADD_FAILURE() << name << " is not whole";
      if (isNew && newPages < n) ADD_FAILURE() << name << " is new after an old page";
      if (isNew) ++newPages;
    }
    return newPages;
  }

  testing::TempFolder reference_;
  testing::TempFolder site_;
  std::vector<Pages> editions_;
  PosixFileSystem machine_;
  apptest::GatedFileSystem gate_{machine_};
  MessageRecorder messages_;
  apptest::UrlCatcher opened_;
  Form1 form_{nullptr, &gate_};
  QPushButton* generate_ = form_.findChild<QPushButton*>(QStringLiteral("CmdGen"));
  QPushButton* show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
};

TEST_F(LongRun, WindowAnswersAndPaintsWhileTheButtonsWaitForTheRun) {
  StartHeldRun();
  EXPECT_TRUE(form_.running());
  EXPECT_FALSE(generate_->isEnabled());
  EXPECT_FALSE(show_->isEnabled());

  // The event loop turns while the run is held with a page in hand.
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(10);
  ASSERT_TRUE(WaitUntil([&ticks] { return ticks >= 3; }));
  const PaintCounter painted(&form_);
  form_.update();
  ASSERT_TRUE(WaitUntil([&painted] { return painted.paints() > 0; }));
  EXPECT_TRUE(gate_.holding());

  // Clicks on the buttons during the run do nothing, then or later.
  QTest::mouseClick(generate_, Qt::LeftButton);
  QTest::mouseClick(show_, Qt::LeftButton);
  EXPECT_EQ(form_.ioBox().showings().size(), 1u);

  gate_.Open();
  ASSERT_TRUE(FinishRun(form_));
  EXPECT_FALSE(form_.running());
  EXPECT_TRUE(generate_->isEnabled());
  EXPECT_TRUE(show_->isEnabled());
  EXPECT_EQ(form_.progressDialog(), nullptr);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_TRUE(opened_.urls().isEmpty());
  EXPECT_EQ(form_.ioBox().showings().size(), 1u);
  EXPECT_EQ(form_.siteFolder(), site_.path());
  EXPECT_EQ(NewPagesInOrder(), kPictures + 1);
}

// The ways a user can stop a run from its progress dialog.
struct Cancelling {
  const char* how;
  std::function<void(QProgressDialog*)> act;
};

TEST_F(LongRun, ProgressDialogCountsThePagesAndItsCancelStopsTheRunWithoutAWord) {
  const Cancelling ways[] = {
      {"the Cancel button",
       [](QProgressDialog* dialog) {
         auto* cancel = dialog->findChild<QPushButton*>();
         ASSERT_NE(cancel, nullptr);
         EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
         QTest::mouseClick(cancel, Qt::LeftButton);
       }},
      {"Esc", [](QProgressDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }},
      {"closing the dialog", [](QProgressDialog* dialog) { dialog->close(); }}};
  for (const Cancelling& way : ways) {
    SCOPED_TRACE(way.how);
    StartHeldRun();
    // The dialog comes once the run has gone on for a while, and counts the pictures whose
    // pages are done, the index page aside; it is named after the album's title.
    const int picturesDone = kDoneWhenHeld - 1;
    ASSERT_TRUE(WaitUntil([this, picturesDone] {
      const QProgressDialog* dialog = form_.progressDialog();
      return dialog != nullptr && dialog->isVisible() && dialog->value() == picturesDone;
    }));
    QProgressDialog* dialog = form_.progressDialog();
    const QString album = QStringLiteral("Many second");
    EXPECT_EQ(dialog->maximum(), kPictures);
    EXPECT_TRUE(dialog->labelText().startsWith(album + QStringLiteral(": ")))
        << dialog->labelText().toStdString();
    EXPECT_TRUE(dialog->labelText().contains(QStringLiteral(" %1 of ").arg(picturesDone)))
        << dialog->labelText().toStdString();
    EXPECT_EQ(dialog->windowTitle(), album + QStringLiteral(" - Quillmere"));
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->parentWidget(), &form_);
    ASSERT_TRUE(WaitUntil([dialog] { return QApplication::activeModalWidget() == dialog; }));

    way.act(dialog);
    gate_.Open();
    ASSERT_TRUE(FinishRun(form_));
    EXPECT_EQ(form_.progressDialog(), nullptr);
    EXPECT_TRUE(messages_.messages().empty());
    EXPECT_TRUE(generate_->isEnabled());
    EXPECT_FALSE(show_->isEnabled()) << "no run has completed";
    EXPECT_EQ(form_.siteFolder(), "");
    // The page in hand was dropped; the ones before it are new, the ones after it old.
    EXPECT_EQ(NewPagesInOrder(), kDoneWhenHeld);
  }
}

TEST_F(LongRun, ClosingTheWindowStopsTheRunAndClosesItOnceTheRunHasStopped) {
  StartHeldRun();
  form_.close();
  EXPECT_TRUE(form_.isVisible());
  EXPECT_TRUE(form_.running());
  gate_.Open();
  ASSERT_TRUE(WaitUntil([this] { return !form_.isVisible(); }));
  EXPECT_FALSE(form_.running());
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_EQ(NewPagesInOrder(), kDoneWhenHeld);
}

TEST_F(LongRun, SignalsStopTheRunSayItAndAskTheProgramToEnd) {
  const std::map<int, QString> names = {{SIGINT, QStringLiteral("SIGINT")},
                                        {SIGTERM, QStringLiteral("SIGTERM")},
                                        {SIGHUP, QStringLiteral("SIGHUP")}};
  for (const auto& [signal, name] : names) {
    SCOPED_TRACE(name.toStdString());
    const std::size_t shown = messages_.messages().size();
    StartHeldRun();
    QSignalSpy exits(&form_, &Form1::exitRequested);
    ASSERT_EQ(::raise(signal), 0);
    gate_.Open();
    ASSERT_TRUE(FinishRun(form_));
    ASSERT_EQ(messages_.messages().size(), shown + 1);
    EXPECT_EQ(messages_.messages().back().text,
              QStringLiteral("The run was stopped by ") + name + QStringLiteral(": page ") +
                  QString::fromStdString(site_ / "Image100.html") +
                  QStringLiteral(" and those after it were left as they were."));
    ASSERT_EQ(exits.size(), 1);
    EXPECT_EQ(exits.front().front().toInt(), 128 + signal);
    EXPECT_EQ(NewPagesInOrder(), kDoneWhenHeld);
    // Outside a run the signal ends the program as it did before.
    struct sigaction now {};
    ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
  }
}

TEST_F(LongRun, DestroyingTheWindowStopsItsRunAndWaitsForIt) {
  auto window = std::make_unique<Form1>(nullptr, &gate_);
  StartHeldRun(*window);
  gate_.Open();
  window.reset();
  const int newPages = NewPagesInOrder();
  EXPECT_GE(newPages, kDoneWhenHeld);
}

}  // namespace
}  // namespace quillmere
