// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <QApplication>

#include "app/form1.h"
#include "app/program_identity.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  quillmere::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  quillmere::SetProgramIdentity();
  quillmere::Form1 form;
  QObject::connect(&form, &quillmere::Form1::exitRequested, &app,
                   [](int exitCode) { QCoreApplication::exit(exitCode); });
  form.show();
  return QApplication::exec();
}
