// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor's changes as steps that can be undone: a line typed, a picture moved, a picture
// removed. Each finds its picture by the number it had when the album was read.
#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <string>

#include "app/picture_list_model.h"

namespace quillmere {

// One line of a picture changed; changes of the same line in a row merge into one step.
class LineCommand final : public QUndoCommand {
 public:
  LineCommand(PictureListModel& model, std::int64_t number, PictureLine which, std::string before,
              std::string after);
  void undo() override;
  void redo() override;
  int id() const override { return 1; }
  bool mergeWith(const QUndoCommand* other) override;

 private:
  void Set(const std::string& line);

  PictureListModel& model_;
  std::int64_t number_;
  PictureLine which_;
  std::string before_;
  std::string after_;
};

// A picture moved from one row to another.
class MoveCommand final : public QUndoCommand {
 public:
  MoveCommand(PictureListModel& model, int from, int to);
  void undo() override { model_.Move(to_, from_); }
  void redo() override { model_.Move(from_, to_); }

 private:
  PictureListModel& model_;
  int from_;
  int to_;
};

// A picture removed from the album.
class RemoveCommand final : public QUndoCommand {
 public:
  RemoveCommand(PictureListModel& model, int row);
  void undo() override { model_.Insert(row_, entry_); }
  void redo() override { entry_ = model_.Take(row_); }

 private:
  PictureListModel& model_;
  int row_;
  EditorEntry entry_;
};

}  // namespace quillmere
