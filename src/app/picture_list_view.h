// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The list of the album editor: one row a picture (thumbnail, caption, description), rows of one
// height so that a list of any length is laid out at once, dragged within the list to move a
// picture, and files dropped on it from the desktop to add them.
#pragma once

#include <QListView>
#include <QStringList>
#include <QStyledItemDelegate>

namespace quillmere {

// Paints a picture's row: its number, its thumbnail, its caption, its description on a line below
// and a "markup" tag where its lines hold markup.
class PictureRowDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class PictureListView final : public QListView {
  Q_OBJECT

 public:
  explicit PictureListView(QWidget* parent = nullptr);

 signals:
  // The picture in row `from` was dragged so that it is to end in row `to`.
  void moveAsked(int from, int to);
  // Files were dropped from outside, by their local paths.
  void filesDropped(const QStringList& paths);
  // Delete was pressed on the list.
  void removeAsked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  int TargetRow(QPoint position) const;
};

}  // namespace quillmere
