// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album_index.h"

#include "album/album_files.h"
#include "index/picture_section.h"
#include "paths/paths.h"
#include "run/generate.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

AlbumFailure IndexFailed(RunFailure run) {
  return AlbumFailedFor(Kind::kIndex, std::move(run));
}

}  // namespace

Result<ChosenIndex, AlbumFailure> LoadAlbumIndex(const std::string& indexPath, AlbumFolder& album,
                                                 FileSystem& fs) {
  Result<IndexText, RunFailure> loaded = LoadChosenIndexFile(indexPath, fs);
  if (auto* failure = loaded.failure()) return IndexFailed(std::move(*failure));
  ChosenIndex chosen{std::move(loaded).value(), {}, {}};
  chosen.name = indexPath.substr(indexPath.rfind(kSeparator) + 1);
  Result<EntryInfo> entry = album.folder->Inspect(chosen.name);
  if (!entry) return AlbumFailed(Kind::kNotWritten, indexPath, entry.error());
  if (entry.value().kind == EntryInfo::Kind::kSymlink) {
    return AlbumFailed(Kind::kIndexIsLink, indexPath);
  }
  // What was read must be what the folder holds under the name, not a file put in its place.
  if (entry.value().device != chosen.text.source.device ||
      entry.value().inode != chosen.text.source.inode) {
    return AlbumFailed(Kind::kNotWritten, indexPath, SystemError(ESTALE));
  }
  Result<IndexHead, IndexError> head = ParseIndexHead(chosen.text.bytes());
  if (auto* error = head.failure()) {
    return IndexFailed(IndexFailure(indexPath, *error));
  }
  chosen.head = head.value();
  return chosen;
}

PictureLineNumbers PictureLinesOf(const ChosenIndex& index) {
  PictureLineNumbers numbers;
  PairReader pairs(PictureLines(index.text.bytes(), index.head));
  for (LinePair pair; pairs.Next(pair);) {
    if (!pair.dropped()) {
      numbers.lines.push_back(pair.firstLineNumber);
    } else if (numbers.firstDroppedLine == 0 && !TrimSpaces(pair.secondLine).empty() &&
               !pair.secondLine.starts_with(';')) {
      numbers.firstDroppedLine = pair.firstLineNumber;
    }
    numbers.lastPairOpen = pair.secondLineNumber == 0;
  }
  return numbers;
}

Result<HeldAlbum, AlbumFailure> HoldAlbum(const std::string& indexPath, FileSystem& fs,
                                          const AlbumOptions& options) {
  auto opened = OpenAlbumFolder(FolderAsGiven(indexPath), fs, options);
  if (auto* failure = opened.failure()) return std::move(*failure);
  auto loaded = LoadAlbumIndex(indexPath, opened.value(), fs);
  if (auto* failure = loaded.failure()) return std::move(*failure);
  return HeldAlbum{std::move(opened.value()), std::move(loaded.value())};
}

Placement IndexPlacement(const ChosenIndex& index) {
  Placement placement;
  placement.mode = index.text.source.mode & 0777;
  placement.owner = Owner{index.text.source.user, index.text.source.group};
  return placement;
}

}  // namespace quillmere
