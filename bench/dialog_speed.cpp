// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How long Qt's own open-file dialog, as Generate sets it up, keeps a user waiting in a folder of
// many pages: the dialog is shown, a path is typed a key at a time at a typist's pace, and Enter
// is pressed. Run under an X server (Xvfb) without a desktop, so that Qt's own dialog is the one
// shown; bench/dialog-speed does that.
//
//   quillmere-dialog-speed FOLDER [FILES] [RUNS]
//
// FOLDER gets FILES pages (default 100,000) and an index.txt, unless it has them already. The
// user's wait is the time from the first key to the dialog's end, less the typist's own pauses;
// it must stay under a second.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/io_box.h"

namespace {

// The file types of Generate's dialog, as the window gives them.
constexpr const char* kIndexFileTypes = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

// The pause between two keys of a quick typist.
constexpr int kKeyPauseMs = 40;

// The longest a user may wait for the dialog, in milliseconds.
constexpr qint64 kTargetMs = 1000;

// One way of typing a path into the dialog.
struct Case {
  const char* what;
  // The folder the dialog starts in, and what is typed into its file name field.
  QString startFolder;
  QString typed;
};

// What one showing of the dialog cost, in milliseconds.
struct Timing {
  // From the call until the dialog takes keys.
  qint64 shown = 0;
  // From the first key to the dialog's close, less the typist's own pauses.
  qint64 waited = 0;
  // From Enter to the dialog's close.
  qint64 enterToClose = 0;
  // The longest a single key took to be handled.
  qint64 slowestKey = 0;
  bool chosen = false;
  // When the first key and Enter were pressed, and the typist's pauses in between.
  qint64 firstKeyAt = 0;
  qint64 enterAt = 0;
  qint64 pauses = 0;
};

// Makes `files` pages and an index file in `folder`, unless it holds them already.
void MakeFolder(const QString& folder, int files) {
  QDir().mkpath(folder);
  if (QDir(folder).count() >= static_cast<uint>(files) + 1) return;
  std::fprintf(stderr, "making %d pages in %s\n", files, qPrintable(folder));
  for (int n = 1; n <= files; ++n) {
    QFile page(folder + QStringLiteral("/Image%1.html").arg(n));
    if (page.open(QIODevice::WriteOnly)) page.write("<HTML></HTML>\r\n");
  }
  QFile index(folder + QStringLiteral("/index.txt"));
  if (index.open(QIODevice::WriteOnly)) index.write("Many\nthumbs/t\npictures/p\nsupport\n5\n");
}

// Types `text` into the file name field at the typist's pace, presses Enter, and notes the times.
void TypeAndAccept(QFileDialog* dialog, const QString& text, Timing& timing, QElapsedTimer& clock) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (edit == nullptr) {
    std::fprintf(stderr, "the dialog is not Qt's own\n");
    std::exit(2);
  }
  edit->setFocus();
  edit->clear();
  timing.firstKeyAt = clock.elapsed();
  for (const QChar c : text) {
    const qint64 before = clock.elapsed();
    QTest::keyClick(edit, c.toLatin1());
    timing.slowestKey = std::max(timing.slowestKey, clock.elapsed() - before);
    QTest::qWait(kKeyPauseMs);
    timing.pauses += kKeyPauseMs;
  }
  // The completion list would take the Enter key, as it takes a user's first Enter.
  if (edit->completer() != nullptr) edit->completer()->popup()->hide();
  timing.enterAt = clock.elapsed();
  QTest::keyClick(edit, Qt::Key_Return);
}

Timing Measure(const Case& c) {
  quillmere::IOBox box(nullptr);
  box.setCancelError(true);
  box.setFilter(QString::fromLatin1(kIndexFileTypes));
  box.setFlags(quillmere::IOBox::kFlagReadOnly);
  box.setInitialFolder(c.startFolder);

  Timing timing;
  QElapsedTimer clock;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isActiveWindow()) return;
    poll.stop();
    timing.shown = clock.elapsed();
    TypeAndAccept(dialog, c.typed, timing, clock);
  });
  poll.start();
  clock.start();
  const quillmere::IOBox::ShowResult result = box.ShowOpen();
  const qint64 closed = clock.elapsed();
  timing.enterToClose = closed - timing.enterAt;
  timing.waited = closed - timing.firstKeyAt - timing.pauses;
  timing.chosen = result == quillmere::IOBox::ShowResult::kChosen &&
                  QDir::cleanPath(box.fileName()) ==
                      QDir::cleanPath(QDir(c.startFolder).absoluteFilePath(c.typed));
  return timing;
}

qint64 Median(std::vector<qint64> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: quillmere-dialog-speed FOLDER [FILES] [RUNS]\n");
    return 2;
  }
  const QString folder = QDir(args[1]).absolutePath();
  const int files = args.size() > 2 ? args[2].toInt() : 100000;
  const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 3;
  MakeFolder(folder, files);
  const QString small = folder + QStringLiteral("-small");
  QDir().mkpath(small);
  const QString index = folder + QStringLiteral("/index.txt");

  bool met = true;
  const std::vector<Case> cases = {
      {"its name, in the folder", folder, QStringLiteral("index.txt")},
      {"its path, in the folder", folder, index},
      {"its path, from a small folder", small, index},
  };
  std::printf("Qt's own open-file dialog in a folder of %d files, median of %d runs, in ms\n",
              files, runs);
  std::printf("%-34s %8s %8s %8s %8s %8s %5s\n", "typed", "shown", "waited", "enter", "one key",
              "target", "met");
  for (const Case& c : cases) {
    std::vector<qint64> shown, waited, enter, slowest;
    for (int run = 0; run < runs; ++run) {
      const Timing timing = Measure(c);
      if (!timing.chosen) {
        std::fprintf(stderr, "%s: the dialog did not return the file typed\n", c.what);
        return 1;
      }
      shown.push_back(timing.shown);
      waited.push_back(timing.waited);
      enter.push_back(timing.enterToClose);
      slowest.push_back(timing.slowestKey);
    }
    const qint64 wait = Median(waited);
    std::printf("%-34s %8lld %8lld %8lld %8lld %8s %5s\n", c.what, Median(shown), wait,
                Median(enter), Median(slowest), "< 1000", wait < kTargetMs ? "yes" : "NO");
    met = met && wait < kTargetMs;
  }
  return met ? 0 : 1;
}
