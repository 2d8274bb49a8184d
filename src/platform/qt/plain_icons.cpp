// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/plain_icons.h"

#include <QFileInfo>

namespace quillmere {

PlainIcons::PlainIcons()
    : folder_(QFileIconProvider::icon(QAbstractFileIconProvider::Folder)),
      file_(QFileIconProvider::icon(QAbstractFileIconProvider::File)) {}

QIcon PlainIcons::icon(IconType type) const {
  return type == QAbstractFileIconProvider::Folder ? folder_ : file_;
}

QIcon PlainIcons::icon(const QFileInfo& info) const {
  return info.isDir() ? folder_ : file_;
}

QString PlainIcons::type(const QFileInfo& info) const {
  if (info.isDir()) return QStringLiteral("Folder");
  const QString suffix = info.suffix();
  return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
}

}  // namespace quillmere
