// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/album_report.h"

#include <QByteArray>
#include <algorithm>

namespace quillmere {
namespace {

QString FromLocal(const std::string& text) {
  return QString::fromLocal8Bit(QByteArray::fromStdString(text));
}

}  // namespace

QString LeftOutText(const std::vector<PictureProblem>& problems) {
  if (problems.empty()) return {};
  QString text = problems.size() == 1
                     ? QStringLiteral("1 file was left out:")
                     : QStringLiteral("%1 files were left out:").arg(problems.size());
  const std::size_t named = std::min(problems.size(), kNamedLeftOut);
  for (std::size_t i = 0; i < named; ++i) {
    text += QLatin1Char('\n') + FromLocal(problems[i].file + " " + Describe(problems[i]));
  }
  if (problems.size() > named) {
    text += QStringLiteral("\nand %1 more.").arg(problems.size() - named);
  }
  return text;
}

}  // namespace quillmere
