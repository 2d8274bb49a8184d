#include "app_test_support.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>

namespace quillmere::apptest {

void WriteText(const QString& path, const char* bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write a test file");
  file.write(bytes);
}

QString Names(const QString& folder) {
  return QDir(folder)
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
      .join(QLatin1Char(' '));
}

std::string Local(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

UrlCatcher::UrlCatcher() {
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

UrlCatcher::~UrlCatcher() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void UrlCatcher::open(const QUrl& url) {
  urls_ << url;
}

}  // namespace quillmere::apptest
