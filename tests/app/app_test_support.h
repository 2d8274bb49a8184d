// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Helpers for the window's tests: scratch files, captured URLs and modal dialogs.
#pragma once

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <ostream>
#include <string>

#include "app/form1.h"

// Prints a QString readably in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace quillmere::apptest {

// An index file with a header and two pictures.
inline constexpr const char* kTwoPictures =
    "Holiday\r\nthumbs/t\r\npictures/p\r\nsupport\r\n3\r\n"
    "Beach\r\nThe beach at noon\r\nHill\r\nThe hill at dusk\r\n";

// An index file with `pictures` pictures, whose captions and descriptions carry `edition`.
inline std::string ManyPictures(int pictures, const std::string& edition) {
  std::string text = "Many " + edition + "\nthumbs/t\npictures/p\nsupport\n5\n";
  for (int n = 1; n <= pictures; ++n) {
    text += "Picture " + std::to_string(n) + " " + edition + "\nThe picture numbered " +
            std::to_string(n) + ", " + edition + ".\n";
  }
  return text;
}

// How long a test waits for what must happen before it fails.
inline constexpr int kPatienceMs = 60000;

// Lets the event loop turn until `condition` holds; false when it still does not at the end of
// the test's patience.
inline bool WaitUntil(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, kPatienceMs);
}

// Waits until the run of `form`, if one goes on, has ended and said what it had to say.
inline bool FinishRun(Form1& form) {
  if (!form.running()) return true;
  QSignalSpy ended(&form, &Form1::runEnded);
  return ended.wait(kPatienceMs);
}

// Writes `bytes` to the file at `path`, replacing it.
inline void WriteText(const QString& path, const char* bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write a test file");
  file.write(bytes);
}

// The names in `folder`, sorted and joined by spaces.
inline QString Names(const QString& folder) {
  return QDir(folder)
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
      .join(QLatin1Char(' '));
}

// A path in the form the core library takes it.
inline std::string Local(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// Receives what is handed to the desktop to open, in place of the desktop, while it exists.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

  const QList<QUrl>& urls() const { return urls_; }

 public slots:
  void open(const QUrl& url) { urls_ << url; }

 private:
  QList<QUrl> urls_;
};

// Watches for a modal dialog for as long as it exists.
class ModalWatch {
 public:
  explicit ModalWatch(QTimer* poll) : poll_(poll) {}
  ModalWatch(ModalWatch&&) = default;
  ModalWatch& operator=(ModalWatch&&) = default;
  ~ModalWatch() { delete poll_.data(); }

 private:
  QPointer<QTimer> poll_;
};

// Runs `act` on the first modal dialog of type T that appears while the returned watch exists,
// as soon as it is the active window and so takes keys. A dialog still open some seconds after
// `act` is rejected, so that a failing test does not hang.
template <class T>
[[nodiscard]] ModalWatch WhenModalAppears(std::function<void(T*)> act) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog != nullptr && dialog->isActiveWindow()) {
      poll->stop();
      QTimer::singleShot(8000, dialog, [dialog] { dialog->reject(); });
      act(dialog);
    }
  });
  poll->start();
  return ModalWatch(poll);
}

}  // namespace quillmere::apptest
