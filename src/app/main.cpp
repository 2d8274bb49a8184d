#include <QApplication>

#include "app/form1.h"
#include "app/program_icon.h"
#include "platform/signals.h"
#include "version/version.h"

int main(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  quillmere::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(quillmere::kProgramTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(quillmere::kVersionText));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(quillmere::kApplicationId));
  QApplication::setWindowIcon(
      quillmere::ProgramIcon(QString::fromLatin1(quillmere::kApplicationId)));
  quillmere::Form1 form;
  form.show();
  return QApplication::exec();
}
