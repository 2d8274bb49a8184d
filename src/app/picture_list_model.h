// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pictures of the album being edited, in their order, as a list for a view: each known by the
// number it had when the editor read the album (its key, which a save does not change), with the
// number its files have now, its caption and description lines and its thumbnail.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "album/text/edit_file.h"
#include "app/thumbnail_loader.h"

namespace quillmere {

// One picture of the album being edited: its key in `number`, and its lines in UTF-8, as the index
// file is to hold them.
using EditorEntry = EditedPicture;

// Which of a picture's two lines.
enum class PictureLine { kCaption, kDescription };

class PictureListModel final : public QAbstractListModel {
  Q_OBJECT

 public:
  // The roles beside the caption shown (DisplayRole) and the thumbnail (DecorationRole).
  enum Role {
    kDescriptionRole = Qt::UserRole,
    // Whether either line holds markup.
    kMarkupRole,
    // The picture's key.
    kNumberRole,
    // The folder of the album the entry opens, relative to the index file's; empty for a
    // picture or a video.
    kAlbumRole,
  };

  explicit PictureListModel(QObject* parent = nullptr);

  // Shows `entries`, whose thumbnails are the files that the pages name with the prefix
  // `thumbPrefix` (a path in UTF-8), each numbered by its key; the entry with key k opens the
  // album in the folder `albums[k - 1]`, where that is not empty.
  void Reset(std::vector<EditorEntry> entries, std::string thumbPrefix,
             std::vector<std::string> albums = {});

  // After a save, the files of the picture with key k have the number `fileNumbers[k]` (0 when
  // they are gone); the thumbnails are read again.
  void SetFileNumbers(std::vector<std::int64_t> fileNumbers);

  // The number the files of the picture with key `key` have now; 0 when they are gone.
  std::int64_t FileNumberOf(std::int64_t key) const;

  // The pictures as they stand, each numbered by its files' number now, as an edit of the album
  // on disk takes them.
  std::vector<EditorEntry> EntriesOnDisk() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const std::vector<EditorEntry>& entries() const { return entries_; }
  const EditorEntry& entry(int row) const { return entries_[static_cast<std::size_t>(row)]; }

  // The row of the picture with the key `number`; -1 when it is removed.
  int RowOf(std::int64_t number) const;

  // Sets one line of the picture in `row`.
  void SetLine(int row, PictureLine which, std::string line);
  // Moves the picture in `from` so that it ends in `to`.
  void Move(int from, int to);
  // Takes the picture in `row` out of the list.
  EditorEntry Take(int row);
  // Puts `entry` back in `row`.
  void Insert(int row, EditorEntry entry);

 private:
  void ThumbnailLoaded(std::int64_t number);

  std::vector<EditorEntry> entries_;
  // The folder of the album each key's entry opens, by key.
  std::vector<std::string> albums_;
  std::string thumbPrefix_;
  // The files' number of each key, when a save has renumbered them; empty while they are the keys.
  std::vector<std::int64_t> fileNumbers_;
  ThumbnailLoader* thumbnails_;
  // The row of each number, made again after the order changes.
  mutable std::vector<int> rows_;
  mutable bool rowsStale_ = true;
};

}  // namespace quillmere
