// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/picture_list_model.h"

#include <utility>

#include "album/text/caption_text.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The size thumbnails are shown at, at most.
constexpr QSize kThumbnailBox{96, 72};

// How much memory the thumbnails kept may take.
constexpr qsizetype kThumbnailCacheBytes = qsizetype{24} * 1024 * 1024;

QString Shown(const std::string& line) {
  return QString::fromStdString(ShownText(line));
}

}  // namespace

PictureListModel::PictureListModel(QObject* parent)
    : QAbstractListModel(parent),
      thumbnails_(new ThumbnailLoader(kThumbnailBox, kThumbnailCacheBytes, this)) {
  connect(thumbnails_, &ThumbnailLoader::loaded, this, &PictureListModel::ThumbnailLoaded);
}

void PictureListModel::Reset(std::vector<EditorEntry> entries, std::string thumbPrefix,
                             std::vector<std::string> albums) {
  beginResetModel();
  entries_ = std::move(entries);
  thumbPrefix_ = std::move(thumbPrefix);
  albums_ = std::move(albums);
  fileNumbers_.clear();
  thumbnails_->Clear();
  rowsStale_ = true;
  endResetModel();
}

int PictureListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant PictureListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const EditorEntry& picture = entry(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return Shown(picture.caption);
    case kDescriptionRole:
      return Shown(picture.description);
    case kMarkupRole:
      return HoldsMarkup(picture.caption) || HoldsMarkup(picture.description);
    case kNumberRole:
      return QVariant::fromValue<qint64>(picture.number);
    case kAlbumRole: {
      const auto k = static_cast<std::size_t>(picture.number - 1);
      return picture.number > 0 && k < albums_.size() ? QString::fromStdString(albums_[k])
                                                      : QString();
    }
    case Qt::DecorationRole:
      return thumbnails_->Image(picture.number, QString::fromStdString(PictureFileName(
                                                    thumbPrefix_, FileNumberOf(picture.number))));
    default:
      return {};
  }
}

Qt::ItemFlags PictureListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void PictureListModel::SetFileNumbers(std::vector<std::int64_t> fileNumbers) {
  fileNumbers_ = std::move(fileNumbers);
  thumbnails_->Clear();
  if (!entries_.empty()) {
    emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
  }
}

std::int64_t PictureListModel::FileNumberOf(std::int64_t key) const {
  if (fileNumbers_.empty()) return key;
  const auto k = static_cast<std::size_t>(key);
  return key > 0 && k < fileNumbers_.size() ? fileNumbers_[k] : 0;
}

std::vector<EditorEntry> PictureListModel::EntriesOnDisk() const {
  std::vector<EditorEntry> onDisk;
  onDisk.reserve(entries_.size());
  for (const EditorEntry& picture : entries_) {
    const std::int64_t number = FileNumberOf(picture.number);
    if (number > 0) onDisk.push_back({number, picture.caption, picture.description});
  }
  return onDisk;
}

int PictureListModel::RowOf(std::int64_t number) const {
  if (rowsStale_) {
    rows_.assign(entries_.size() + 1, -1);
    for (std::size_t row = 0; row < entries_.size(); ++row) {
      const auto n = static_cast<std::size_t>(entries_[row].number);
      if (n >= rows_.size()) rows_.resize(n + 1, -1);
      rows_[n] = static_cast<int>(row);
    }
    rowsStale_ = false;
  }
  const auto n = static_cast<std::size_t>(number);
  return number > 0 && n < rows_.size() ? rows_[n] : -1;
}

void PictureListModel::SetLine(int row, PictureLine which, std::string line) {
  EditorEntry& picture = entries_[static_cast<std::size_t>(row)];
  (which == PictureLine::kCaption ? picture.caption : picture.description) = std::move(line);
  emit dataChanged(index(row), index(row));
}

void PictureListModel::Move(int from, int to) {
  if (from == to) return;
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
  EditorEntry moved = std::move(entries_[static_cast<std::size_t>(from)]);
  entries_.erase(entries_.begin() + from);
  entries_.insert(entries_.begin() + to, std::move(moved));
  rowsStale_ = true;
  endMoveRows();
}

EditorEntry PictureListModel::Take(int row) {
  beginRemoveRows({}, row, row);
  EditorEntry taken = std::move(entries_[static_cast<std::size_t>(row)]);
  entries_.erase(entries_.begin() + row);
  rowsStale_ = true;
  endRemoveRows();
  return taken;
}

void PictureListModel::Insert(int row, EditorEntry entry) {
  beginInsertRows({}, row, row);
  entries_.insert(entries_.begin() + row, std::move(entry));
  rowsStale_ = true;
  endInsertRows();
}

void PictureListModel::ThumbnailLoaded(std::int64_t number) {
  const int row = RowOf(number);
  if (row >= 0) emit dataChanged(index(row), index(row), {Qt::DecorationRole});
}

}  // namespace quillmere
