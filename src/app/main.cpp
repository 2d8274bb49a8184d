// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QDir>
#include <QStringList>

#include "album/pictures/picture_maker.h"
#include "app/album_editor.h"
#include "app/form1.h"
#include "app/program_identity.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  quillmere::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  quillmere::SetProgramIdentity();
  // --edit INDEX_FILE opens the album editor alone.
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("--edit")) {
    quillmere::AlbumEditor editor;
    if (!editor.Open(QDir::current().absoluteFilePath(arguments[2]))) return 1;
    editor.show();
    const int exitCode = QApplication::exec();
    quillmere::EndPictureLibrary();
    return exitCode;
  }
  quillmere::Form1 form;
  QObject::connect(&form, &quillmere::Form1::exitRequested, &app,
                   [](int exitCode) { QCoreApplication::exit(exitCode); });
  // The files or folders named after Qt's own options, as a file manager's "Open with" gives
  // them, are taken up once the window is on the screen.
  QStringList paths = QCoreApplication::arguments().mid(1);
  for (QString& path : paths) path = QDir::current().absoluteFilePath(path);
  form.OpenAtStart(paths);
  form.show();
  const int exitCode = QApplication::exec();
  // The image library's threads end before the program does.
  quillmere::EndPictureLibrary();
  return exitCode;
}
