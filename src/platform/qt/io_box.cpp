// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/io_box.h"

#include <QDialog>
#include <QFileDialog>
#include <QWidget>
#include <utility>

#include "platform/qt/plain_icons.h"

namespace quillmere {
namespace {

// Spells each letter of `pattern` as a bracket of both cases: "*.txt" gives "*.[tT][xX][tT]".
// Some dialogs compare patterns with case, the file systems users come from mostly do not.
QString CaselessPattern(const QString& pattern) {
  if (pattern == QLatin1String("*.*")) return QStringLiteral("*");
  QString result;
  bool inBracket = false;
  for (const QChar c : pattern) {
    if (c == QLatin1Char('[')) inBracket = true;
    if (c == QLatin1Char(']')) inBracket = false;
    const QChar lower = c.toLower();
    const QChar upper = c.toUpper();
    if (inBracket || lower == upper) {
      result += c;
    } else {
      result += QLatin1Char('[') + lower + upper + QLatin1Char(']');
    }
  }
  return result;
}

}  // namespace

IOBox::IOBox(QWidget* owner) : owner_(owner) {}

void IOBox::setCancelError(bool on) {
  cancelError_ = on;
}

void IOBox::setFileName(const QString& name) {
  fileName_ = name;
}

QString IOBox::fileName() const {
  return fileName_;
}

void IOBox::setFilter(const QString& filter) {
  filter_ = filter;
}

void IOBox::setInitialFolder(const QString& folder) {
  initialFolder_ = folder;
}

void IOBox::setFlags(int flags) {
  flags_ = flags;
}

std::vector<IOBox::FileType> IOBox::FileTypes(const QString& filter) {
  std::vector<FileType> types;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (!trimmed.isEmpty()) patterns << CaselessPattern(trimmed);
    }
    if (!patterns.isEmpty()) types.push_back({parts[i].trimmed(), patterns});
  }
  return types;
}

QStringList IOBox::NameFilters(const QString& filter) {
  QStringList result;
  for (const FileType& type : FileTypes(filter)) {
    const QString bracket =
        QLatin1Char('(') + type.patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    result << (type.name.isEmpty() ? bracket : type.name + QLatin1Char(' ') + bracket);
  }
  return result;
}

QStringList IOBox::FileTypeNames(const QString& filter) {
  QStringList names;
  for (const FileType& type : FileTypes(filter)) names << type.name;
  return names;
}

void IOBox::QueueAnswer(Answer answer) {
  answers_.push_back(std::move(answer));
}

IOBox::ShowResult IOBox::ShowOpen() {
  if (!answers_.empty()) {
    showings_.push_back({FileTypeNames(filter_), fileName_, initialFolder_});
    const Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.result == ShowResult::kChosen) fileName_ = answer.fileName;
    return answer.result;
  }

  // No file name holds a NUL character; the dialog could not preselect it.
  if (fileName_.contains(QChar(u'\0'))) return ShowResult::kInvalidFileName;
  showings_.push_back({FileTypeNames(filter_), fileName_, initialFolder_});

  // Qt's own dialog answers at once in a folder of many files; the icons outlive the dialog.
  PlainIcons icons;
  QFileDialog dialog(owner_);
  dialog.setIconProvider(&icons);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Any name may be typed: whether the file exists is for the caller to find out.
  dialog.setFileMode(QFileDialog::AnyFile);
  // The type list shows the descriptions exactly as given; the patterns stay out of sight.
  QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
  if (flags_ & kFlagReadOnly) options |= QFileDialog::ReadOnly;
  dialog.setOptions(options);
  const QStringList nameFilters = NameFilters(filter_);
  if (!nameFilters.isEmpty()) {
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(nameFilters.front());
  }
  if (!initialFolder_.isEmpty()) dialog.setDirectory(initialFolder_);
  if (!fileName_.isEmpty()) dialog.selectFile(fileName_);

  if (dialog.exec() != QDialog::Accepted) {
    return cancelError_ ? ShowResult::kCancelled : ShowResult::kChosen;
  }
  const QStringList chosen = dialog.selectedFiles();
  fileName_ = chosen.isEmpty() ? QString() : chosen.front();
  return ShowResult::kChosen;
}

}  // namespace quillmere
