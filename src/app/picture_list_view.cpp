// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/picture_list_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <algorithm>

#include "app/picture_list_model.h"

namespace quillmere {
namespace {

// The kind of data a row dragged within the list carries: its row.
constexpr const char* kRowMime = "application/x-quillmere-picture-row";

// The thumbnail's box in a row, and the room around it.
constexpr int kThumbWidth = 96;
constexpr int kThumbHeight = 72;
constexpr int kMargin = 4;

// The room for a row's number: as wide as the widest number among the rows of `index`'s list.
int NumberWidth(const QFontMetrics& metrics, const QModelIndex& index) {
  const int rows = index.model() != nullptr ? index.model()->rowCount() : 0;
  return metrics.horizontalAdvance(QString::number(std::max(rows, 99))) + kMargin;
}

// The local files among `mime`'s URLs.
QStringList LocalFiles(const QMimeData* mime) {
  QStringList paths;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

void PictureRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  item.text.clear();
  item.icon = {};
  item.features &= ~QStyleOptionViewItem::HasDecoration;
  QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  QRect row = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  // The row's number, as the album's commands take it once the album is saved.
  const int numberWidth = NumberWidth(option.fontMetrics, index);
  painter->setPen(
      option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
  painter->drawText(QRect(row.left(), row.top(), numberWidth - kMargin, kThumbHeight),
                    Qt::AlignRight | Qt::AlignTop, QString::number(index.row() + 1));
  row.setLeft(row.left() + numberWidth);
  const QRect thumbBox(row.left(), row.top(), kThumbWidth, kThumbHeight);
  const QImage thumb = index.data(Qt::DecorationRole).value<QImage>();
  if (!thumb.isNull()) {
    const QSize size = thumb.size().scaled(thumbBox.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(thumbBox.center());
    painter->drawImage(target, thumb);
  } else {
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawRect(thumbBox.adjusted(0, 0, -1, -1));
  }
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  QRect text = row.adjusted(kThumbWidth + 2 * kMargin, 0, 0, 0);
  QFont bold = option.font;
  bold.setBold(true);
  const QFontMetrics boldMetrics(bold);
  QString caption = index.data(Qt::DisplayRole).toString();
  if (index.data(PictureListModel::kMarkupRole).toBool()) caption += QStringLiteral("  [markup]");
  // An album of a tree is marked as --list marks it; its thumbnail bears the stack of frames.
  const QString album = index.data(PictureListModel::kAlbumRole).toString();
  if (!album.isEmpty()) caption += QStringLiteral("  [album %1/]").arg(album);
  painter->setFont(bold);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignTop,
                    boldMetrics.elidedText(caption, Qt::ElideRight, text.width()));
  text.setTop(text.top() + boldMetrics.lineSpacing() + kMargin);
  painter->setFont(option.font);
  const QString description =
      index.data(PictureListModel::kDescriptionRole).toString().simplified();
  painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                    option.fontMetrics.elidedText(description, Qt::ElideRight, 2 * text.width()));
}

QSize PictureRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  return {NumberWidth(option.fontMetrics, index) + kThumbWidth + 120,
          std::max(kThumbHeight, 3 * option.fontMetrics.lineSpacing()) + 2 * kMargin};
}

PictureListView::PictureListView(QWidget* parent) : QListView(parent) {
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setItemDelegate(new PictureRowDelegate(this));
}

void PictureListView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Delete)) {
    event->accept();
    emit removeAsked();
    return;
  }
  QListView::keyPressEvent(event);
}

void PictureListView::startDrag(Qt::DropActions /*supportedActions*/) {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kRowMime), QByteArray::number(current.row()));
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  const QImage thumb = current.data(Qt::DecorationRole).value<QImage>();
  if (!thumb.isNull()) drag->setPixmap(QPixmap::fromImage(thumb));
  drag->exec(Qt::MoveAction);
}

void PictureListView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(kRowMime))) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else if (!LocalFiles(event->mimeData()).isEmpty()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void PictureListView::dragMoveEvent(QDragMoveEvent* event) {
  const bool row = event->mimeData()->hasFormat(QString::fromLatin1(kRowMime));
  event->setDropAction(row ? Qt::MoveAction : Qt::CopyAction);
  event->accept();
}

void PictureListView::dropEvent(QDropEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime->hasFormat(QString::fromLatin1(kRowMime))) {
    const int from = mime->data(QString::fromLatin1(kRowMime)).toInt();
    int to = TargetRow(event->position().toPoint());
    if (to > from) --to;
    event->setDropAction(Qt::MoveAction);
    event->accept();
    if (to != from) emit moveAsked(from, to);
    return;
  }
  const QStringList paths = LocalFiles(mime);
  if (paths.isEmpty()) return;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDropped(paths);
}

// The row before which a drop at `position` puts a picture: the row under it when it falls on
// that row's upper half, the next otherwise, the end below the last.
int PictureListView::TargetRow(QPoint position) const {
  const QModelIndex under = indexAt(position);
  if (!under.isValid()) return model()->rowCount();
  const QRect rect = visualRect(under);
  return position.y() < rect.center().y() ? under.row() : under.row() + 1;
}

}  // namespace quillmere
