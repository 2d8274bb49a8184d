// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/thumbnail_loader.h"

#include <QImageReader>
#include <algorithm>
#include <optional>
#include <utility>

namespace quillmere {
namespace {

// The picture at `path` fitted within `box`, read at that size where its format allows; a null
// image when it cannot be read.
QImage ReadFitted(const QString& path, QSize box) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > box.width() || size.height() > box.height())) {
    reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
  }
  QImage image = reader.read();
  if (!image.isNull() && (image.width() > box.width() || image.height() > box.height())) {
    image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  return image;
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QSize box, qsizetype cacheBytes, QObject* parent)
    : QObject(parent), box_(box), cache_(cacheBytes) {
  pool_.setMaxThreadCount(2);
  connect(this, &ThumbnailLoader::read, this, &ThumbnailLoader::Store, Qt::QueuedConnection);
}

ThumbnailLoader::~ThumbnailLoader() {
  {
    const std::lock_guard lock(mutex_);
    waiting_.clear();
  }
  pool_.waitForDone();
}

QImage ThumbnailLoader::Image(std::int64_t key, const QString& path) {
  if (const QImage* image = cache_.object(key)) return *image;
  if (!asked_.insert(key).second) return {};
  {
    const std::lock_guard lock(mutex_);
    waiting_.push_back({key, path, generation_});
    if (waiting_.size() > kMaxWaiting) {
      asked_.erase(waiting_.front().key);
      waiting_.erase(waiting_.begin());
    }
  }
  pool_.start([this] { ReadNewest(); });
  return {};
}

void ThumbnailLoader::Clear() {
  const std::lock_guard lock(mutex_);
  waiting_.clear();
  asked_.clear();
  cache_.clear();
  ++generation_;
}

void ThumbnailLoader::ReadNewest() {
  std::optional<Ask> ask;
  {
    const std::lock_guard lock(mutex_);
    if (waiting_.empty()) return;
    ask = std::move(waiting_.back());
    waiting_.pop_back();
  }
  const QImage image = ReadFitted(ask->path, box_);
  emit read(ask->key, ask->generation, image);
}

void ThumbnailLoader::Store(qint64 key, int generation, const QImage& image) {
  if (generation != generation_ || asked_.erase(key) == 0) return;
  cache_.insert(key, new QImage(image), std::max<qsizetype>(image.sizeInBytes(), 64));
  emit loaded(key);
}

}  // namespace quillmere
