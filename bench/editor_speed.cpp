// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the album editor answers on an album of many pictures: the time until its list is first
// painted, the longest a key takes to be handled and painted while PageDown, End and Home go from
// the top to the bottom and back, the longest the window's event loop is kept from turning
// meanwhile, and the memory the program holds. Run under an X server (Xvfb); bench/editor-speed
// does that. Given quillmere-cli, it then times the editor's Save of a removal and of one caption
// against the command line doing the same, interleaved, each on a fresh copy of the album.
//
//   quillmere-editor-speed FOLDER [PICTURES [QUILLMERE_CLI]]
//
// FOLDER gets an index.txt of PICTURES pictures (default 100,000) and the thumbnails of the first
// few alone, unless it has them already: missing thumbnails must cost nothing.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/album_editor.h"
#include "app/picture_list_model.h"
#include "app/picture_list_view.h"

namespace {

// The targets: the first paint, one key, and the memory held.
constexpr qint64 kFirstPaintTargetMs = 1000;
constexpr qint64 kKeyTargetMs = 50;
constexpr qint64 kMemoryTargetMb = 300;
// The editor's Save against the command line doing the same, at most.
constexpr double kSaveTargetRatio = 1.2;
// How many times each Save and command is timed, alternately.
constexpr int kSaveRuns = 3;
// The picture whose caption is changed.
constexpr int kEditedPicture = 5000;

// How many of the pictures have a thumbnail.
constexpr int kThumbnails = 40;

// Writes a small thumbnail of one colour, with its number drawn on it, to `path`.
void WriteThumbnail(const QString& path, int n) {
  QImage image(96, 72, QImage::Format_RGB32);
  image.fill(QColor::fromHsv((n * 37) % 360, 160, 200));
  QPainter painter(&image);
  painter.drawText(image.rect(), Qt::AlignCenter, QString::number(n));
  painter.end();
  image.save(path, "JPEG");
}

// Makes the album in `folder`, unless its index file is there already.
void MakeAlbum(const QString& folder, int pictures) {
  QDir().mkpath(folder + QStringLiteral("/thumbs"));
  QDir().mkpath(folder + QStringLiteral("/pictures"));
  QFile index(folder + QStringLiteral("/index.txt"));
  if (index.exists()) return;
  std::fprintf(stderr, "making an album of %d pictures in %s\n", pictures, qPrintable(folder));
  std::string text = "Many pictures\nthumbs/t\npictures/p\nsupport\n5\n";
  for (int n = 1; n <= pictures; ++n) {
    const std::string number = std::to_string(n);
    text += "Picture " + number + " &amp; its caf&eacute;\n";
    text += n % 3 == 0 ? "The <I>picture</I> numbered " + number + "\n"
                       : "The picture numbered " + number + ", by the sea\n";
  }
  if (index.open(QIODevice::WriteOnly)) index.write(text.data(), static_cast<qint64>(text.size()));
  for (int n = 1; n <= kThumbnails; ++n) {
    WriteThumbnail(folder + QStringLiteral("/thumbs/t%1.jpg").arg(n), n);
  }
}

// The memory the program holds now and at its peak, in MB, from the kernel's account of it.
std::pair<qint64, qint64> MemoryMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  qint64 now = 0;
  qint64 peak = 0;
  if (!status.open(QIODevice::ReadOnly)) return {now, peak};
  for (const QByteArray& line : status.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 2) continue;
    if (fields[0] == "VmRSS:") now = fields[1].toLongLong() / 1024;
    if (fields[0] == "VmHWM:") peak = fields[1].toLongLong() / 1024;
  }
  return {now, peak};
}

// The longest the event loop went without turning while it is watched.
class StallWatch {
 public:
  StallWatch() {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout,
                     [this] { longest_ = std::max(longest_, clock_.restart()); });
  }
  void Start() {
    clock_.start();
    timer_.start();
  }
  qint64 longest() const { return longest_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

// Presses `key` on `list` and lets the window paint; the time that took.
qint64 Press(quillmere::PictureListView& list, Qt::Key key) {
  QElapsedTimer clock;
  clock.start();
  QTest::keyClick(&list, key);
  QApplication::processEvents();
  return clock.elapsed();
}

// The processor seconds spent by `who` (RUSAGE_SELF or RUSAGE_CHILDREN) so far, in user and
// system time together.
double ProcessorSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The processor seconds of the last timed Save or command, beside the time it took: on a loaded
// machine the time waited for the disk varies far more than the work done.
double lastProcessorSeconds = 0;

// Runs `program` with `arguments` and `environment` added; the seconds it took, or -1 when it
// failed.
double TimedProcess(const QString& program, const QStringList& arguments,
                    const QStringList& environment = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& setting : environment) {
    env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
  }
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer clock;
  clock.start();
  const double processorBefore = ProcessorSeconds(RUSAGE_CHILDREN);
  process.start(program, arguments);
  const bool ended = process.waitForFinished(-1);
  const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  lastProcessorSeconds = ProcessorSeconds(RUSAGE_CHILDREN) - processorBefore;
  return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? seconds
                                                                                          : -1;
}

// A fresh copy of the album of `from` (its index file and thumbnails) in `to`, with its site
// written by `cli`; the copy's index file.
QString FreshCopy(const QString& from, const QString& to, const QString& cli) {
  QDir(to).removeRecursively();
  QDir().mkpath(to + QStringLiteral("/thumbs"));
  QDir().mkpath(to + QStringLiteral("/pictures"));
  QFile::copy(from + QStringLiteral("/index.txt"), to + QStringLiteral("/index.txt"));
  for (int n = 1; n <= kThumbnails; ++n) {
    QFile::copy(from + QStringLiteral("/thumbs/t%1.jpg").arg(n),
                to + QStringLiteral("/thumbs/t%1.jpg").arg(n));
  }
  const QString index = to + QStringLiteral("/index.txt");
  TimedProcess(cli, {QStringLiteral("-q"), index});
  // The pages just written reach the disk now, so that the Save or command timed next does not
  // wait for them.
  ::sync();
  return index;
}

// The seconds the editor's Save of the album of `index` takes once `change` is made in it; -1
// when it failed.
double TimedSave(const QString& index, const std::function<void(quillmere::AlbumEditor&)>& change) {
  quillmere::AlbumEditor editor;
  if (!editor.Open(index)) return -1;
  editor.show();
  change(editor);
  QSignalSpy ended(&editor, &quillmere::AlbumEditor::workEnded);
  QElapsedTimer clock;
  clock.start();
  const double processorBefore = ProcessorSeconds(RUSAGE_SELF);
  editor.Save();
  if (ended.count() == 0 && !ended.wait(3600 * 1000)) return -1;
  const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  lastProcessorSeconds = ProcessorSeconds(RUSAGE_SELF) - processorBefore;
  return ended.first().first().toBool() ? seconds : -1;
}

// The middle of `values`.
double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Times the editor's Save of picture 1 removed, and of one caption changed, against
// quillmere-cli --remove-pictures and --edit with a script for an editor; true when both are met.
bool MeasureSaves(const QString& folder, const QString& cli) {
  const QString work = folder + QStringLiteral("-saves");
  QDir().mkpath(work + QStringLiteral("/runtime"));
  const QString script = work + QStringLiteral("/edit-caption");
  {
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("#!/bin/sh\n# Adds \" (edited)\" to the caption of picture %1.\n"
                              "sed -i 's/^Picture %1 .*/& (edited)/' \"$1\"\n")
                   .arg(kEditedPicture)
                   .toUtf8());
  }
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QStringList editEnv = {
      QStringLiteral("EDITOR=") + script,
      QStringLiteral("XDG_RUNTIME_DIR=") + work + QStringLiteral("/runtime")};
  const auto removeFirst = [](quillmere::AlbumEditor& editor) {
    editor.list().setCurrentIndex(editor.pictures().index(0));
    editor.RemoveSelected();
  };
  const auto editCaption = [](quillmere::AlbumEditor& editor) {
    editor.list().setCurrentIndex(editor.pictures().index(kEditedPicture - 1));
    editor.captionField().setText(editor.captionField().text() + QStringLiteral(" (edited)"));
  };
  // The times of each, then its processor seconds.
  struct Timed {
    std::vector<double> seconds;
    std::vector<double> processor;
    void Add(double taken) {
      seconds.push_back(taken);
      processor.push_back(lastProcessorSeconds);
    }
  };
  Timed removeSaved, removeCommand, editSaved, editCommand;
  for (int run = 0; run < kSaveRuns; ++run) {
    std::fprintf(stderr, "saves, run %d of %d\n", run + 1, kSaveRuns);
    removeSaved.Add(TimedSave(FreshCopy(folder, work + QStringLiteral("/a"), cli), removeFirst));
    removeCommand.Add(TimedProcess(
        cli, {QStringLiteral("-q"), QStringLiteral("--remove-pictures"),
              FreshCopy(folder, work + QStringLiteral("/b"), cli), QStringLiteral("1")}));
    editSaved.Add(TimedSave(FreshCopy(folder, work + QStringLiteral("/a"), cli), editCaption));
    editCommand.Add(TimedProcess(cli,
                                 {QStringLiteral("-q"), QStringLiteral("--edit"),
                                  FreshCopy(folder, work + QStringLiteral("/b"), cli)},
                                 editEnv));
  }
  QDir(work).removeRecursively();
  bool met = true;
  const auto row = [&met](const char* what, const Timed& saved, const Timed& command) {
    const auto failedIn = [](const Timed& timed) {
      return std::find(timed.seconds.begin(), timed.seconds.end(), -1.0) != timed.seconds.end();
    };
    const bool failed = failedIn(saved) || failedIn(command);
    const double ratio = failed ? 0 : Median(saved.seconds) / Median(command.seconds);
    const bool ok = !failed && ratio <= kSaveTargetRatio;
    std::printf("%-30s %8.2fs %8.2fs %6.2fx %5s   %7.2fs %7.2fs\n", what, Median(saved.seconds),
                Median(command.seconds), ratio,
                failed ? "FAILED"
                : ok   ? "yes"
                       : "NO",
                Median(saved.processor), Median(command.processor));
    met = met && ok;
  };
  std::printf("%-30s %9s %9s %7s %5s   %8s %8s   (target <= %.1fx)\n", "Save in the editor",
              "editor", "command", "ratio", "met", "cpu ed.", "cpu cmd.", kSaveTargetRatio);
  row("picture 1 removed", removeSaved, removeCommand);
  row("one caption changed", editSaved, editCommand);
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: quillmere-editor-speed FOLDER [PICTURES]\n");
    return 2;
  }
  const QString folder = QDir(args[1]).absolutePath();
  const int pictures = args.size() > 2 ? args[2].toInt() : 100000;
  MakeAlbum(folder, pictures);

  QElapsedTimer clock;
  clock.start();
  quillmere::AlbumEditor editor;
  if (!editor.Open(folder + QStringLiteral("/index.txt"))) return 1;
  editor.show();
  if (!QTest::qWaitForWindowExposed(&editor)) return 1;
  QApplication::processEvents();
  const qint64 firstPaint = clock.elapsed();

  quillmere::PictureListView& list = editor.list();
  list.setFocus();
  StallWatch stalls;
  stalls.Start();
  qint64 slowestKey = 0;
  int keys = 0;
  const int last = editor.pictures().rowCount() - 1;
  // PageDown from the top for a while, with pauses in which thumbnails arrive, then End and Home
  // and End again: every key is handled while thumbnails are read.
  for (int n = 0; n < 200 && list.currentIndex().row() < last; ++n, ++keys) {
    slowestKey = std::max(slowestKey, Press(list, Qt::Key_PageDown));
    QTest::qWait(5);
  }
  for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp}) {
    slowestKey = std::max(slowestKey, Press(list, key));
    QTest::qWait(20);
    ++keys;
  }
  QTest::qWait(200);
  const bool atEnd = list.currentIndex().row() >= last - 100;
  // The saves below wait for other processes, which is no stall of the window's keys.
  const qint64 longestStall = stalls.longest();
  const bool savesMet = args.size() > 3 ? MeasureSaves(folder, args[3]) : true;
  const auto [memoryNow, memoryPeak] = MemoryMb();

  std::printf("The album editor on %d pictures (%d with thumbnails), %d keys\n", pictures,
              kThumbnails, keys);
  std::printf("%-30s %10s %10s %5s\n", "", "measured", "target", "met");
  const auto row = [](const char* what, qint64 value, qint64 target, const char* unit) {
    const std::string measured = std::to_string(value) + " " + unit;
    const std::string wanted = "< " + std::to_string(target) + " " + unit;
    std::printf("%-30s %10s %10s %5s\n", what, measured.c_str(), wanted.c_str(),
                value < target ? "yes" : "NO");
    return value < target;
  };
  bool met = row("first paint", firstPaint, kFirstPaintTargetMs, "ms");
  met = row("slowest key, painted", slowestKey, kKeyTargetMs, "ms") && met;
  met = row("longest stall of the window", longestStall, kKeyTargetMs, "ms") && met;
  met = row("memory held (peak)", memoryPeak, kMemoryTargetMb, "MB") && met;
  std::printf("memory held at the end: %lld MB; the keys reached the bottom: %s\n", memoryNow,
              atEnd ? "yes" : "NO");
  return met && atEnd && savesMet ? 0 : 1;
}
