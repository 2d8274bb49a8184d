// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/message_box.h"

#include <QMessageBox>
#include <utility>

namespace quillmere {
namespace {

MessageRecorder* activeRecorder = nullptr;

}  // namespace

// Shows the boxes, or records them while a recorder exists.
class MessageBoxes {
 public:
  // Records the message and returns the recorder's answer when one exists; shows the box
  // otherwise.
  static QMessageBox::StandardButton Show(QWidget* owner, const QString& caption,
                                          const QString& text, MessageKind kind,
                                          bool yesByDefault) {
    if (activeRecorder != nullptr) return Record(*activeRecorder, {caption, text, kind});
    QMessageBox box(IconOf(kind), caption, text, ButtonsOf(kind), owner);
    // Paths may hold "<" and "&"; they are shown as they are.
    box.setTextFormat(Qt::PlainText);
    if (kind == MessageKind::kQuestion) {
      box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
    }
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    return pressed == QMessageBox::NoButton ? QMessageBox::No : pressed;
  }

 private:
  static QMessageBox::StandardButton Record(MessageRecorder& recorder,
                                            MessageRecorder::Message message) {
    const MessageKind kind = message.kind;
    recorder.messages_.push_back(std::move(message));
    if (kind != MessageKind::kQuestion) return QMessageBox::Ok;
    if (recorder.answers_.empty()) return QMessageBox::No;
    const bool yes = recorder.answers_.front();
    recorder.answers_.pop_front();
    return yes ? QMessageBox::Yes : QMessageBox::No;
  }

  static QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
      case MessageKind::kCritical:
        return QMessageBox::Critical;
      case MessageKind::kWarning:
        return QMessageBox::Warning;
      case MessageKind::kQuestion:
        return QMessageBox::Question;
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
  MessageBoxes::Show(owner, caption, text, MessageKind::kCritical, false);
}

void ShowWarningMessage(QWidget* owner, const QString& caption, const QString& text) {
  MessageBoxes::Show(owner, caption, text, MessageKind::kWarning, false);
}

bool AskYesOrNo(QWidget* owner, const QString& caption, const QString& text, bool yesByDefault) {
  return MessageBoxes::Show(owner, caption, text, MessageKind::kQuestion, yesByDefault) ==
         QMessageBox::Yes;
}

}  // namespace quillmere
