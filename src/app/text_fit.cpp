// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/text_fit.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace quillmere {

bool LabelTextFits(const QLabel& label, QSize size) {
  const QMargins margins = label.contentsMargins();
  const QRectF box(0, 0, size.width() - margins.left() - margins.right(),
                   size.height() - margins.top() - margins.bottom());
  // The flags with which the label draws its text.
  const int flags = Qt::TextWordWrap | static_cast<int>(label.alignment());
  const QRectF needed = QFontMetricsF(label.font()).boundingRect(box, flags, label.text());
  return needed.width() <= box.width() && needed.height() <= box.height();
}

bool ButtonTextFits(const QPushButton& button, QSize size) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.rect = QRect(QPoint(0, 0), size);
  option.text = button.text();
  if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
  if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
  const QRect inside =
      button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  const QSize text = QFontMetrics(button.font()).size(Qt::TextShowMnemonic, button.text());
  return text.width() <= inside.width() && text.height() <= inside.height();
}

QRect ScaledRect(const QRect& design, double scale) {
  const auto scaled = [scale](int coordinate) { return qRound(coordinate * scale); };
  const int left = scaled(design.x());
  const int top = scaled(design.y());
  return {left, top, scaled(design.x() + design.width()) - left,
          scaled(design.y() + design.height()) - top};
}

}  // namespace quillmere
