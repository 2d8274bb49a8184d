// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/program_icon.h"

#include <QDir>
#include <QFileInfo>

namespace quillmere {

QIcon ProgramIcon(const QString& appId) {
  QIcon icon;
  const QDir images(QStringLiteral(":/icons"));
  for (const QFileInfo& image : images.entryInfoList(QDir::Files, QDir::Name)) {
    icon.addFile(image.filePath());
  }
  if (icon.isNull()) icon = QIcon::fromTheme(appId);
  return icon;
}

}  // namespace quillmere
