// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/folder_box.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QWidget>
#include <utility>

#include "platform/qt/plain_icons.h"

namespace quillmere {
namespace {

// Whether `path` names no entry yet, in a folder that exists: a folder that can be made.
bool IsNewFolderName(const QString& path) {
  const QFileInfo info(path);
  return !info.exists() && !info.isSymLink() && QFileInfo(info.absolutePath()).isDir();
}

// A file dialog that chooses a folder: an existing one, or a new one by its name.
class NewFolderDialog final : public QFileDialog {
 public:
  NewFolderDialog(QWidget* owner, const QString& title) : QFileDialog(owner, title) {
    setAcceptMode(QFileDialog::AcceptSave);
    // The desktop's dialogs then choose a folder and make new ones.
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    // Qt's own dialog takes a name that is no folder yet only in the mode that names files, and
    // lists only folders there too.
    if (usesOwnWidgets()) {
      setFileMode(QFileDialog::AnyFile);
      setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
      setOption(QFileDialog::DontConfirmOverwrite);
      setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
      setLabelText(QFileDialog::FileName, QStringLiteral("Folder name:"));
    }
  }

  // A typed name that is no folder yet is the new folder; a typed folder is taken as chosen
  // instead of being opened. A double click still opens a folder.
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (chosen.size() == 1 &&
        (IsNewFolderName(chosen.front()) || QFileInfo(chosen.front()).isDir())) {
      done(QDialog::Accepted);
      return;
    }
    QFileDialog::accept();
  }

 private:
  // Whether Qt's own widgets make up the dialog, rather than the desktop's.
  bool usesOwnWidgets() const {
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) != nullptr;
  }
};

}  // namespace

FolderBox::FolderBox(QWidget* owner) : owner_(owner) {}

void FolderBox::QueueAnswer(Answer answer) {
  answers_.push_back(std::move(answer));
}

FolderBox::ShowResult FolderBox::ShowChoose(const QString& title, const QString& startFolder,
                                            const QString& proposedName) {
  showings_.push_back({title, startFolder, proposedName});
  if (!answers_.empty()) {
    const Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.result == ShowResult::kChosen) folder_ = QFileInfo(answer.folder).absoluteFilePath();
    return answer.result;
  }

  // Qt's own dialog answers at once beside a folder of many files; the icons outlive the dialog.
  PlainIcons icons;
  NewFolderDialog dialog(owner_, title);
  dialog.setIconProvider(&icons);
  dialog.setDirectory(startFolder);
  if (!proposedName.isEmpty()) dialog.selectFile(QDir(startFolder).filePath(proposedName));
  if (dialog.exec() != QDialog::Accepted) return ShowResult::kCancelled;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return ShowResult::kCancelled;
  folder_ = QDir::cleanPath(QFileInfo(chosen.front()).absoluteFilePath());
  return ShowResult::kChosen;
}

}  // namespace quillmere
