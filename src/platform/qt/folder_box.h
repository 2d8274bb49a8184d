// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The dialog that asks where a new folder goes: set up with a place and a proposed name, then
// shown with ShowChoose.
#pragma once

#include <QPointer>
#include <QString>
#include <cstddef>
#include <deque>
#include <vector>

class QWidget;

namespace quillmere {

class FolderBox {
 public:
  // How one showing of the dialog ended.
  enum class ShowResult {
    // A folder was chosen: one that exists, or the name of one to make.
    kChosen,
    // The dialog was cancelled or closed.
    kCancelled,
  };

  // What one showing of the dialog offered the user.
  struct Showing {
    QString title;
    // The folder the dialog started in, and the new folder's name it proposed there.
    QString startFolder;
    QString proposedName;
  };

  // A prepared outcome that takes the place of one showing of the dialog.
  struct Answer {
    ShowResult result = ShowResult::kCancelled;
    // The chosen folder, when `result` is kChosen.
    QString folder;
  };

  // The dialog will be modal to `owner`'s window.
  explicit FolderBox(QWidget* owner);

  // Shows the dialog titled `title` in `startFolder` with the new folder `proposedName` filled
  // in, and waits until it is closed. The desktop's own dialog is used where it offers one.
  ShowResult ShowChoose(const QString& title, const QString& startFolder,
                        const QString& proposedName);

  // The folder chosen at the last showing that chose one, as an absolute path; it need not
  // exist.
  QString folder() const { return folder_; }

  // Makes the next showing return `answer` at once instead of showing the dialog; answers are
  // used in the order they were queued.
  void QueueAnswer(Answer answer);
  std::size_t queuedAnswers() const { return answers_.size(); }

  // What each showing so far offered the user, a queued answer's showings included.
  const std::vector<Showing>& showings() const { return showings_; }

 private:
  QPointer<QWidget> owner_;
  QString folder_;
  std::deque<Answer> answers_;
  std::vector<Showing> showings_;
};

}  // namespace quillmere
