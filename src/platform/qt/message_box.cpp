// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace quillmere {
namespace {

MessageRecorder* activeRecorder = nullptr;

// Whether a box of `kind` tells of work done, with its actions.
bool IsDone(MessageKind kind) {
  return kind == MessageKind::kDone || kind == MessageKind::kDoneWithFailures;
}

}  // namespace

// What one box says and offers.
struct BoxContent {
  QString caption;
  QString text;
  MessageKind kind = MessageKind::kCritical;
  QString details;
  // The texts of the buttons of a box of work done.
  QStringList actions;
  bool yesByDefault = false;
};

// Shows the boxes, or records them while a recorder exists.
class MessageBoxes {
 public:
  // Records the message and returns the recorder's answer when one exists; shows the box
  // otherwise. True for Yes, or for the first action of a box of work done.
  static bool Show(QWidget* owner, const BoxContent& content) {
    return Choose(owner, content) == 0;
  }

  // Records the message and returns the recorder's answer when one exists; shows the box
  // otherwise. 0 for Yes, the index of the action of a box of work done, -1 for No or OK.
  static int Choose(QWidget* owner, const BoxContent& content) {
    if (activeRecorder != nullptr) return Record(*activeRecorder, owner, content);
    QMessageBox box(IconOf(content.kind), content.caption, content.text, ButtonsOf(content.kind),
                    owner);
    // Paths may hold "<" and "&"; they are shown as they are.
    box.setTextFormat(Qt::PlainText);
    if (!content.details.isEmpty()) box.setDetailedText(content.details);
    QList<QPushButton*> actions;
    if (IsDone(content.kind)) {
      for (const QString& action : content.actions) {
        actions << box.addButton(action, QMessageBox::AcceptRole);
      }
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
    }
    if (content.kind == MessageKind::kQuestion) {
      box.setDefaultButton(content.yesByDefault ? QMessageBox::Yes : QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
    }
    if (content.kind == MessageKind::kUnsaved) {
      box.setDefaultButton(QMessageBox::Save);
      box.setEscapeButton(QMessageBox::Cancel);
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    if (IsDone(content.kind)) {
      return static_cast<int>(actions.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    }
    if (content.kind == MessageKind::kUnsaved) {
      return clicked == QMessageBox::Save ? 0 : clicked == QMessageBox::Discard ? 1 : 2;
    }
    return clicked == QMessageBox::Yes ? 0 : -1;
  }

 private:
  static int Record(MessageRecorder& recorder, QWidget* owner, const BoxContent& content) {
    const QWindow* window = owner != nullptr ? owner->window()->windowHandle() : nullptr;
    recorder.messages_.push_back({content.caption, content.text, content.kind, content.details,
                                  window != nullptr && window->isExposed()});
    // A box of work done is closed with OK.
    if (IsDone(content.kind)) return -1;
    if (content.kind == MessageKind::kUnsaved) {
      if (recorder.unsavedAnswers_.empty()) return 2;
      const UnsavedAnswer answer = recorder.unsavedAnswers_.front();
      recorder.unsavedAnswers_.pop_front();
      return static_cast<int>(answer);
    }
    if (content.kind != MessageKind::kQuestion || recorder.answers_.empty()) return -1;
    const bool yes = recorder.answers_.front();
    recorder.answers_.pop_front();
    return yes ? 0 : -1;
  }

  static QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
      case MessageKind::kCritical:
        return QMessageBox::Critical;
      case MessageKind::kWarning:
        return QMessageBox::Warning;
      case MessageKind::kQuestion:
        return QMessageBox::Question;
      case MessageKind::kDone:
        return QMessageBox::Information;
      case MessageKind::kDoneWithFailures:
      case MessageKind::kUnsaved:
        return QMessageBox::Warning;
    }
    return QMessageBox::Critical;
  }

  static QMessageBox::StandardButtons ButtonsOf(MessageKind kind) {
    if (kind == MessageKind::kUnsaved) {
      return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    }
    return kind == MessageKind::kQuestion ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  }
};

MessageRecorder::MessageRecorder() : previous_(activeRecorder) {
  activeRecorder = this;
}

MessageRecorder::~MessageRecorder() {
  activeRecorder = previous_;
}

void ShowCriticalMessage(QWidget* owner, const QString& caption, const QString& text) {
  MessageBoxes::Show(owner, {caption, text, MessageKind::kCritical, {}, {}, false});
}

void ShowWarningMessage(QWidget* owner, const QString& caption, const QString& text) {
  MessageBoxes::Show(owner, {caption, text, MessageKind::kWarning, {}, {}, false});
}

bool AskYesOrNo(QWidget* owner, const QString& caption, const QString& text, bool yesByDefault) {
  return MessageBoxes::Show(owner, {caption, text, MessageKind::kQuestion, {}, {}, yesByDefault});
}

bool ShowDoneMessage(QWidget* owner, const QString& caption, const QString& text,
                     const QString& details, const QString& action) {
  return MessageBoxes::Show(owner, {caption, text, MessageKind::kDone, details, {action}, false});
}

int ShowDoneChoice(QWidget* owner, const QString& caption, const QString& text,
                   const QString& details, const QStringList& actions, bool someFailed) {
  const MessageKind kind = someFailed ? MessageKind::kDoneWithFailures : MessageKind::kDone;
  return MessageBoxes::Choose(owner, {caption, text, kind, details, actions, false});
}

UnsavedAnswer AskToSaveChanges(QWidget* owner, const QString& caption, const QString& text) {
  const int answer =
      MessageBoxes::Choose(owner, {caption, text, MessageKind::kUnsaved, {}, {}, false});
  return answer == 0   ? UnsavedAnswer::kSave
         : answer == 1 ? UnsavedAnswer::kDiscard
                       : UnsavedAnswer::kCancel;
}

}  // namespace quillmere
