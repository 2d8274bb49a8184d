// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Paths and messages between the core, which holds them as bytes in the system's encoding, and
// the window's strings.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

namespace quillmere {

// `text` from the core (a path or a message) as the window shows it.
inline QString FromLocal(const std::string& text) {
  return QString::fromLocal8Bit(QByteArray::fromStdString(text));
}

// `path` as the core takes it.
inline std::string ToLocal(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace quillmere
