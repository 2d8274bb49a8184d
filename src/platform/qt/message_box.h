// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The modal message boxes with which a window reports a failure, lists what it left out and asks
// before it writes.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <deque>
#include <vector>

class QWidget;

namespace quillmere {

// What a message box tells, by its icon and buttons.
enum class MessageKind {
  // A failure: the critical icon and one OK button.
  kCritical,
  // Work done with something left out: the warning icon and one OK button.
  kWarning,
  // A question: the question icon and the Yes and No buttons.
  kQuestion,
  // Work done: the information icon, an OK button and a button that opens what was made.
  kDone,
  // Work done with files that failed: as kDone, with the warning icon.
  kDoneWithFailures,
  // Changes not saved: the warning icon and the Save, Discard and Cancel buttons.
  kUnsaved,
};

// What is to become of changes not saved.
enum class UnsavedAnswer { kSave, kDiscard, kCancel };

// Shows `text` as plain text in a modal box with the critical icon, one OK button and
// `caption` as its title, and waits until it is closed.
void ShowCriticalMessage(QWidget* owner, const QString& caption, const QString& text);

// Shows `text` as plain text in a modal box with the warning icon, one OK button and `caption`
// as its title, and waits until it is closed.
void ShowWarningMessage(QWidget* owner, const QString& caption, const QString& text);

// Asks `text`, as plain text, in a modal box with the Yes and No buttons, Yes the default button
// when `yesByDefault`; true when Yes was pressed. Esc and closing the box answer No.
bool AskYesOrNo(QWidget* owner, const QString& caption, const QString& text, bool yesByDefault);

// Shows `text` as plain text in a modal box with the information icon, `caption` as its title,
// `details` (where not empty) behind its Details button, an OK button and a button `action`, and
// waits until it is closed; true when `action` was pressed.
bool ShowDoneMessage(QWidget* owner, const QString& caption, const QString& text,
                     const QString& details, const QString& action);

// Shows `text` as ShowDoneMessage does, with a button for each of `actions` beside OK, and the
// warning icon when `someFailed`; the index of the action pressed, or -1 for OK.
int ShowDoneChoice(QWidget* owner, const QString& caption, const QString& text,
                   const QString& details, const QStringList& actions, bool someFailed = false);

// Asks `text`, as plain text, in a modal box with the Save, Discard and Cancel buttons, Save the
// default; Esc and closing the box answer Cancel.
UnsavedAnswer AskToSaveChanges(QWidget* owner, const QString& caption, const QString& text);

// While one exists, the boxes record their messages here and return at once; questions take the
// answers queued here, in their order, and No when none is left.
class MessageRecorder {
 public:
  struct Message {
    QString caption;
    QString text;
    MessageKind kind = MessageKind::kCritical;
    QString details;
    // Whether the window of the box's owner was on the screen when the box came.
    bool ownerShown = false;
  };

  MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  ~MessageRecorder();

  const std::vector<Message>& messages() const { return messages_; }

  // Makes the next question that is not answered yet answered Yes when `yes`, else No.
  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  std::size_t queuedAnswers() const { return answers_.size(); }

  // Makes the next question about changes not saved answered `answer`; Cancel when none is left.
  void QueueUnsavedAnswer(UnsavedAnswer answer) { unsavedAnswers_.push_back(answer); }

 private:
  friend class MessageBoxes;

  MessageRecorder* previous_;
  std::vector<Message> messages_;
  std::deque<bool> answers_;
  std::deque<UnsavedAnswer> unsavedAnswers_;
};

}  // namespace quillmere
