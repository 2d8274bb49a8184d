// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures read and scaled down on threads of their own as the window asks for them, the newest
// asks first, and the last ones kept in a small cache, so that the window never waits for a file.
#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

namespace quillmere {

class ThumbnailLoader final : public QObject {
  Q_OBJECT

 public:
  // A loader that fits the pictures within `box`, and keeps about `cacheBytes` of them.
  ThumbnailLoader(QSize box, qsizetype cacheBytes, QObject* parent = nullptr);
  ThumbnailLoader(const ThumbnailLoader&) = delete;
  ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;
  // Drops the asks not yet taken up and waits for those being read.
  ~ThumbnailLoader() override;

  // The picture known by `key` when it is in the cache (a null image when its file could not be
  // read); otherwise a null image, and the file at `path` is read and `loaded` sent.
  QImage Image(std::int64_t key, const QString& path);

  // Whether the picture known by `key` has been read, or found unreadable.
  bool Has(std::int64_t key) const { return cache_.contains(key); }

  // Forgets every picture, for files that have taken other numbers.
  void Clear();

 signals:
  // The picture known by `key` has been read, or found unreadable.
  void loaded(std::int64_t key);
  // Sent on a reading thread with what it read for the Clear count `generation`; for the loader
  // itself.
  void read(qint64 key, int generation, const QImage& image);

 private:
  // One picture asked for.
  struct Ask {
    std::int64_t key;
    QString path;
    // The Clear count when asked; a picture read for an earlier one is dropped.
    int generation;
  };
  // How many asks wait at most; older ones are dropped, as the view has moved past them.
  static constexpr std::size_t kMaxWaiting = 256;

  void ReadNewest();
  void Store(qint64 key, int generation, const QImage& image);

  QSize box_;
  QCache<std::int64_t, QImage> cache_;
  std::set<std::int64_t> asked_;
  int generation_ = 0;
  std::mutex mutex_;
  std::vector<Ask> waiting_;
  QThreadPool pool_;
};

}  // namespace quillmere
