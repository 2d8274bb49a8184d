// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/qt/message_box.h"

#include <QMessageBox>

namespace quillmere {
namespace {

MessageRecorder* activeRecorder = nullptr;

}  // namespace

MessageRecorder::MessageRecorder() : previous_(activeRecorder) {
  activeRecorder = this;
}

MessageRecorder::~MessageRecorder() {
  activeRecorder = previous_;
}

void ShowCriticalMessage(QWidget* owner, const QString& caption, const QString& text) {
  if (activeRecorder != nullptr) {
    activeRecorder->messages_.push_back({caption, text});
    return;
  }
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
  // Paths may hold "<" and "&"; they are shown as they are.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace quillmere
