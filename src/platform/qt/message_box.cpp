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

}  // namespace

// What one box says and offers.
struct BoxContent {
  QString caption;
  QString text;
  MessageKind kind = MessageKind::kCritical;
  QString details;
  // The text of the button of a box of work done.
  QString action;
  bool yesByDefault = false;
};

// Shows the boxes, or records them while a recorder exists.
class MessageBoxes {
 public:
  // Records the message and returns the recorder's answer when one exists; shows the box
  // otherwise. True for Yes, or for the action of a box of work done.
  static bool Show(QWidget* owner, const BoxContent& content) {
    if (activeRecorder != nullptr) return Record(*activeRecorder, owner, content);
    QMessageBox box(IconOf(content.kind), content.caption, content.text, ButtonsOf(content.kind),
                    owner);
    // Paths may hold "<" and "&"; they are shown as they are.
    box.setTextFormat(Qt::PlainText);
    if (!content.details.isEmpty()) box.setDetailedText(content.details);
    QPushButton* action = nullptr;
    if (content.kind == MessageKind::kDone) {
      action = box.addButton(content.action, QMessageBox::AcceptRole);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
    }
    if (content.kind == MessageKind::kQuestion) {
      box.setDefaultButton(content.yesByDefault ? QMessageBox::Yes : QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
    }
    box.exec();
    if (action != nullptr) return box.clickedButton() == action;
    return box.standardButton(box.clickedButton()) == QMessageBox::Yes;
  }

 private:
  static bool Record(MessageRecorder& recorder, QWidget* owner, const BoxContent& content) {
    const QWindow* window = owner != nullptr ? owner->window()->windowHandle() : nullptr;
    recorder.messages_.push_back({content.caption, content.text, content.kind, content.details,
                                  window != nullptr && window->isExposed()});
    if (content.kind == MessageKind::kDone) return recorder.pressActions_;
    if (content.kind != MessageKind::kQuestion || recorder.answers_.empty()) return false;
    const bool yes = recorder.answers_.front();
    recorder.answers_.pop_front();
    return yes;
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
    }
    return QMessageBox::Critical;
  }

  static QMessageBox::StandardButtons ButtonsOf(MessageKind kind) {
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
  return MessageBoxes::Show(owner, {caption, text, MessageKind::kDone, details, action, false});
}

}  // namespace quillmere
