// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <optional>
#include <string>

#include "album/album_in_folder.h"
#include "album/pictures/picture_maker.h"
#include "app/album_editor.h"
#include "app/form1.h"
#include "app/local_text.h"
#include "app/program_identity.h"
#include "platform/file_system.h"
#include "platform/qt/folder_box.h"
#include "platform/qt/message_box.h"
#include "platform/signals.h"

namespace {

// The album `given` names (an index file or an album's folder; none asks for the folder) opened
// in the album editor alone; what the program then exits with.
int EditAlone(const QString& given) {
  QString path = given;
  if (path.isEmpty()) {
    quillmere::FolderBox box(nullptr);
    if (box.ShowChoose(QStringLiteral("Open an album"), QDir::homePath(), QString()) !=
        quillmere::FolderBox::ShowResult::kChosen) {
      return 0;
    }
    path = box.folder();
  }
  path = QDir::current().absoluteFilePath(path);
  if (QFileInfo(path).isDir()) {
    quillmere::PosixFileSystem fs;
    const std::optional<std::string> index = quillmere::AlbumIndexIn(quillmere::ToLocal(path), fs);
    if (!index) {
      quillmere::ShowCriticalMessage(
          nullptr, QString::fromLatin1(quillmere::kProgramTitle),
          QStringLiteral("The folder %1 holds no album: an album's folder holds its index file "
                         "(index.txt) beside the pages Quillmere made of it. Nothing was changed.")
              .arg(QDir::toNativeSeparators(path)));
      return 1;
    }
    path = quillmere::FromLocal(*index);
  }
  quillmere::AlbumEditor editor;
  if (!editor.Open(path)) return 1;
  editor.show();
  const int exitCode = QApplication::exec();
  quillmere::EndPictureLibrary();
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  quillmere::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  quillmere::SetProgramIdentity();
  // --edit [INDEX_FILE or ALBUM_FOLDER] opens the album editor alone.
  const QStringList arguments = QCoreApplication::arguments();
  if ((arguments.size() == 2 || arguments.size() == 3) && arguments[1] == QLatin1String("--edit")) {
    return EditAlone(arguments.size() == 3 ? arguments[2] : QString());
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
