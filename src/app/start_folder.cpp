// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/start_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "version/version.h"

namespace quillmere {
namespace {

constexpr const char* kLastIndexFolderKey = "LastIndexFolder";

// The program's settings of this user: in the configuration folder, under the program's id.
QSettings ProgramSettings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                   QString::fromLatin1(kApplicationId));
}

bool IsFolder(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace

QString IndexStartFolder() {
  QString last = ProgramSettings().value(QLatin1String(kLastIndexFolderKey)).toString();
  if (IsFolder(last)) return last;
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (IsFolder(pictures)) return pictures;
  return QDir::homePath();
}

void RememberIndexFile(const QString& chosen) {
  QSettings settings = ProgramSettings();
  settings.setValue(QLatin1String(kLastIndexFolderKey), QFileInfo(chosen).absolutePath());
  settings.sync();
}

}  // namespace quillmere
