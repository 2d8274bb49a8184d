// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Runs the window's tests inside one application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // Without a display of their own the tests draw off screen.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The settings the window keeps go to a scratch folder, never to the user's own; a test that
  // starts this program again names the folder for its child in QUILLMERE_TEST_CONFIG_HOME.
  const QTemporaryDir scratch;
  if (!scratch.isValid()) qFatal("no scratch folder for the settings");
  const QByteArray given = qgetenv("QUILLMERE_TEST_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", given.isEmpty() ? QFile::encodeName(scratch.path()) : given);
  // New albums take the bundled support images from the example album of the source tree.
  if (!qEnvironmentVariableIsSet("QUILLMERE_DATA_DIR")) {
    qputenv("QUILLMERE_DATA_DIR", QUILLMERE_EXAMPLE_ALBUM);
  }
  // The tests drive Qt's own dialogs, whatever the desktop offers.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
