// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The names by which the desktop knows the window, and its desktop file.
#include "app/program_identity.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QSettings>

namespace quillmere {
namespace {

// Expected: a dock groups the window with its launcher. On X11 the window's class is the
// application's name, which the desktop file's StartupWMClass must name; on Wayland the
// window's application id is the desktop file's name.
TEST(ProgramIdentity, DesktopFileNamesTheWindowsClassAndId) {
  SetProgramIdentity();
  const QSettings desktopFile(QStringLiteral(QUILLMERE_DESKTOP_FILE), QSettings::IniFormat);
  ASSERT_EQ(desktopFile.status(), QSettings::NoError);
  EXPECT_EQ(desktopFile.value(QStringLiteral("Desktop Entry/StartupWMClass")).toString(),
            QGuiApplication::applicationName());
  EXPECT_EQ(QFileInfo(QStringLiteral(QUILLMERE_DESKTOP_FILE)).fileName(),
            QGuiApplication::desktopFileName() + QStringLiteral(".desktop"));
}

// Expected: "Open with" in a file manager hands the file to the program, and no kind of text
// file is claimed, so that the program never becomes the one that opens them.
TEST(ProgramIdentity, DesktopFileTakesOneFileAndClaimsNoTextFiles) {
  const QSettings desktopFile(QStringLiteral(QUILLMERE_DESKTOP_FILE), QSettings::IniFormat);
  ASSERT_EQ(desktopFile.status(), QSettings::NoError);
  EXPECT_EQ(desktopFile.value(QStringLiteral("Desktop Entry/Exec")).toString(),
            QStringLiteral("quillmere %f"));
  const QStringList claimed = desktopFile.value(QStringLiteral("Desktop Entry/MimeType"))
                                  .toString()
                                  .split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (const QString& type : claimed) {
    EXPECT_FALSE(QMimeDatabase().mimeTypeForName(type).inherits(QStringLiteral("text/plain")))
        << type.toStdString();
  }
}

}  // namespace
}  // namespace quillmere
