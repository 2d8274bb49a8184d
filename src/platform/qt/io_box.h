// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The open-file dialog of a window: set up through its properties, then shown with ShowOpen.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QWidget;

namespace quillmere {

class IOBox {
 public:
  // How one showing of the dialog ended.
  enum class ShowResult {
    // A file was chosen, or the dialog was closed without a choice while CancelError is off
    // (the file name is then left as it was).
    kChosen,
    // The user cancelled while CancelError is on.
    kCancelled,
    // The preset file name cannot be used (the dialog's error 20477); nothing was shown.
    kInvalidFileName,
    // The dialog could not be shown.
    kFailed,
  };

  // Bits of Flags.
  // The file list of the dialog is read-only: no renaming, deleting or new folders from it.
  static constexpr int kFlagReadOnly = 1;

  // What one showing of the dialog offered the user.
  struct Showing {
    // The names of the file types, in their order; the first is in effect.
    QStringList fileTypes;
    // The file name the dialog started with.
    QString presetName;
    // The folder the dialog started in; empty for the process's working folder.
    QString startFolder;
  };

  // A prepared outcome that takes the place of one showing of the dialog.
  struct Answer {
    ShowResult result = ShowResult::kCancelled;
    // The chosen file, taken as the file name when `result` is kChosen.
    QString fileName;
  };

  // The dialog will be modal to `owner`'s window.
  explicit IOBox(QWidget* owner);

  // When on, cancelling the dialog is reported as kCancelled.
  void setCancelError(bool on);

  // The preset file name before showing; the chosen file afterwards.
  void setFileName(const QString& name);
  QString fileName() const;

  // The list of file types, as "description|patterns" pairs joined by "|", patterns
  // separated by ";". The first type is in effect when the dialog opens.
  void setFilter(const QString& filter);

  // The folder the dialog starts in; empty for the process's working folder.
  void setInitialFolder(const QString& folder);

  // Further options, a combination of the kFlag bits; other bits are kept but have no effect.
  void setFlags(int flags);

  // Shows the dialog and waits until it is closed.
  ShowResult ShowOpen();

  // Turns a "|" filter list into name filters for QFileDialog, one per file type, each the
  // description followed by its patterns in brackets. Patterns match regardless of case, and
  // "*.*" becomes "*" so that names without a dot are listed too.
  static QStringList NameFilters(const QString& filter);

  // The names of the file types of a "|" filter list, as the dialog shows them.
  static QStringList FileTypeNames(const QString& filter);

  // Makes the next showing return `answer` at once instead of showing the dialog; answers are
  // used in the order they were queued.
  void QueueAnswer(Answer answer);
  std::size_t queuedAnswers() const { return answers_.size(); }

  // What each showing so far offered the user, a queued answer's showings included.
  const std::vector<Showing>& showings() const { return showings_; }

 private:
  // One file type of a filter list: its name and its patterns, each matching in any case.
  struct FileType {
    QString name;
    QStringList patterns;
  };
  static std::vector<FileType> FileTypes(const QString& filter);

  QPointer<QWidget> owner_;
  bool cancelError_ = false;
  QString fileName_;
  QString filter_;
  QString initialFolder_;
  int flags_ = 0;
  std::deque<Answer> answers_;
  std::vector<Showing> showings_;
};

}  // namespace quillmere
