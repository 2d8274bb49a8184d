// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/drop_plan.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QStandardPaths>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/album_in_folder.h"
#include "album/pictures/file_kind.h"
#include "app/local_text.h"

namespace quillmere {
namespace {

using Action = DropPlan::Action;

// What a dropped path is.
enum class Kind { kFolder, kPictureOrVideo, kIndexFile, kOther };

// Tells whether the file at `path` starts as a picture or a video, as the album tells them by
// their first bytes; only a regular file is read, so that a FIFO is never waited on.
bool StartsAsPictureOrVideo(const QString& path) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(static_cast<qint64>(kFileKindBytes));
  const std::string_view bytes(head.constData(), static_cast<std::size_t>(head.size()));
  return KindOfFile(bytes).kind != FileKind::Kind::kOther;
}

// The MIME type that the first bytes of the file at `path` show, which names what is refused.
QMimeType ContentType(const QString& path) {
  return QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchContent);
}

// Whether the file's bytes show something that is known and is no index file: a PDF, an archive,
// a picture or a video in a format the album does not make. Text, and bytes that show nothing
// known, are left for the run to judge.
bool IsKnownNonText(const QMimeType& type) {
  if (type.name().startsWith(QLatin1String("image/")) ||
      type.name().startsWith(QLatin1String("video/"))) {
    return true;
  }
  return !type.isDefault() && !type.inherits(QStringLiteral("text/plain")) &&
         type.name() != QLatin1String("application/x-zerosize");
}

Kind KindOf(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) return Kind::kFolder;
  if (!info.exists()) return Kind::kIndexFile;
  if (StartsAsPictureOrVideo(path)) return Kind::kPictureOrVideo;
  return IsKnownNonText(ContentType(path)) ? Kind::kOther : Kind::kIndexFile;
}

// Whether the folder holds a file that starts as a picture or a video does; the album then tells
// which of its files it can make.
bool HoldsPictureOrVideo(const QString& folder) {
  QDirIterator files(folder, QDir::Files);
  while (files.hasNext()) {
    if (StartsAsPictureOrVideo(files.next())) return true;
  }
  return false;
}

DropPlan Refused(const QString& refusal) {
  return {Action::kRefuse, {}, refusal};
}

DropPlan PlanFolder(const QString& folder, FileSystem& fs) {
  if (const std::optional<std::string> album = AlbumIndexIn(ToLocal(folder), fs)) {
    return {Action::kEditAlbum, {FromLocal(*album)}, {}};
  }
  if (!HoldsPictureOrVideo(folder)) {
    return Refused(QStringLiteral("The folder %1 holds no picture to make an album of; nothing "
                                  "was written. Drop a folder of pictures, or an index file.")
                       .arg(QDir::toNativeSeparators(folder)));
  }
  return {Action::kNewAlbum, {folder}, {}};
}

// Pictures dropped on a window that has made no site yet, which they could be added to.
DropPlan NoAlbumForPictures(const QStringList& files) {
  const QString what = files.size() == 1 ? QDir::toNativeSeparators(files.front())
                                         : QStringLiteral("These %1 files").arg(files.size());
  return Refused(
      QStringLiteral("%1 cannot be added to an album yet: pictures go to the album whose site the "
                     "window has made. Generate it first (with Generate, or by dropping its index "
                     "file), then drop them again; to make a new album, drop the folder of the "
                     "pictures. Nothing was written.")
          .arg(what));
}

DropPlan PlanOneFile(const QString& file, Kind kind, bool hasSite, FileSystem& fs) {
  switch (kind) {
    case Kind::kIndexFile:
      return {Action::kGenerate, {file}, {}};
    case Kind::kPictureOrVideo:
      return hasSite ? DropPlan{Action::kAddPictures, {file}, {}} : NoAlbumForPictures({file});
    case Kind::kFolder:
      return PlanFolder(file, fs);
    case Kind::kOther:
      break;
  }
  return Refused(QStringLiteral("%1 (%2) is neither an index file (a text file) nor a picture; "
                                "nothing was written.")
                     .arg(QDir::toNativeSeparators(file), ContentType(file).comment()));
}

// Whether a new album may be proposed in `folder`: it can be written there and it was not refused.
bool Welcomes(const QString& folder, const QStringList& refused) {
  const QString clean = QDir::cleanPath(folder);
  return QFileInfo(clean).isWritable() && !refused.contains(clean);
}

// Where an album goes when its pictures' folder does not welcome it: the user's Pictures folder,
// or else the home folder.
QString FallbackAlbumPlace(const QStringList& refused) {
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty() && QFileInfo(pictures).isDir() && Welcomes(pictures, refused)) {
    return pictures;
  }
  return QDir::homePath();
}

}  // namespace

DropPlan PlanDrop(const QStringList& paths, bool hasSite, FileSystem& fs) {
  if (paths.isEmpty()) return {};
  std::vector<Kind> kinds;
  for (const QString& path : paths) kinds.push_back(KindOf(path));
  if (paths.size() == 1) return PlanOneFile(paths.front(), kinds.front(), hasSite, fs);
  if (std::find(kinds.begin(), kinds.end(), Kind::kFolder) != kinds.end()) {
    return Refused(QStringLiteral(
        "Drop one folder of pictures at a time, without other files or folders; nothing was "
        "written."));
  }
  if (std::find(kinds.begin(), kinds.end(), Kind::kPictureOrVideo) == kinds.end()) {
    return Refused(
        QStringLiteral("Drop one index file at a time, or pictures; nothing was written."));
  }
  // The album tells which of the files it cannot take, as when pictures are added by command.
  return hasSite ? DropPlan{Action::kAddPictures, paths, {}} : NoAlbumForPictures(paths);
}

QString ProposedAlbumFolder(const QString& picturesFolder, const QStringList& refused) {
  const QFileInfo pictures(QDir::cleanPath(QFileInfo(picturesFolder).absoluteFilePath()));
  const QString name = pictures.fileName().isEmpty()
                           ? QStringLiteral("Album")
                           : pictures.fileName() + QStringLiteral(" album");
  QDir beside = pictures.dir();
  if (!Welcomes(beside.path(), refused)) beside = QDir(FallbackAlbumPlace(refused));
  QString proposed = beside.filePath(name);
  for (int n = 2; QFileInfo::exists(proposed) || QFileInfo(proposed).isSymLink(); ++n) {
    proposed = beside.filePath(name + QLatin1Char(' ') + QString::number(n));
  }
  return proposed;
}

}  // namespace quillmere
