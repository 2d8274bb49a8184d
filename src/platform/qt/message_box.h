// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The modal message box with which a window reports a failure.
#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace quillmere {

// Shows `text` as plain text in a modal box with the critical icon, one OK button and
// `caption` as its title, and waits until it is closed.
void ShowCriticalMessage(QWidget* owner, const QString& caption, const QString& text);

// While one exists, ShowCriticalMessage records its messages here and returns at once.
class MessageRecorder {
 public:
  struct Message {
    QString caption;
    QString text;
  };

  MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  ~MessageRecorder();

  const std::vector<Message>& messages() const { return messages_; }

 private:
  friend void ShowCriticalMessage(QWidget*, const QString&, const QString&);

  MessageRecorder* previous_;
  std::vector<Message> messages_;
};

}  // namespace quillmere
