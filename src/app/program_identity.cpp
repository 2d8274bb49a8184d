// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/program_identity.h"

#include <QApplication>

#include "app/form1.h"
#include "app/program_icon.h"
#include "version/version.h"

namespace quillmere {

void SetProgramIdentity() {
  QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  QApplication::setWindowIcon(ProgramIcon(QString::fromLatin1(kApplicationId)));
}

}  // namespace quillmere
