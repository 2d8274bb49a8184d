// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Whether the texts of the window's controls fit their places, and the places scaled.
#pragma once

#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;

namespace quillmere {

// Whether the word-wrapped text of `label`, in its font, fits a box of `size` whole.
bool LabelTextFits(const QLabel& label, QSize size);

// Whether the text of `button`, in its font, fits inside the frame of a button of `size` as
// its style draws it.
bool ButtonTextFits(const QPushButton& button, QSize size);

// The place `design` with every coordinate multiplied by `scale`. Each edge is rounded on its
// own, so that places that meet or line up in the design still do.
QRect ScaledRect(const QRect& design, double scale);

}  // namespace quillmere
