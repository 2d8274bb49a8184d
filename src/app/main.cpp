#include <QApplication>

#include "app/form1.h"
#include "app/program_icon.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  quillmere::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(quillmere::kProgramTitle));
  QApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION_TEXT));
  QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMERE_APP_ID));
  QApplication::setWindowIcon(quillmere::ProgramIcon(QStringLiteral(QUILLMERE_APP_ID)));
  quillmere::Form1 form;
  form.show();
  return QApplication::exec();
}
