// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor's changes as steps that can be undone: a line typed, the title typed, a picture
// moved, a picture removed. Each finds its picture by its key, which a save does not change, and
// names it so that the editor can show the picture that an undo or a redo changed.
#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <functional>
#include <string>

#include "app/picture_list_model.h"

namespace quillmere {

// A step of the editor, which names the picture it changes.
class EditorCommand : public QUndoCommand {
 public:
  // The key of the picture the step changes; 0 for none.
  virtual std::int64_t picture() const = 0;
  // The row to show once the step is undone or made and the picture is no longer listed.
  virtual int rowHint() const { return -1; }
  // Whether the step removes a picture.
  virtual bool removes() const { return false; }
};

// One line of a picture changed; changes of the same line in a row merge into one step, as long
// as they were typed in the same `round` (a save begins a new one).
class LineCommand final : public EditorCommand {
 public:
  LineCommand(PictureListModel& model, std::int64_t number, PictureLine which, std::string before,
              std::string after, int round);
  void undo() override;
  void redo() override;
  int id() const override { return 1; }
  bool mergeWith(const QUndoCommand* other) override;
  std::int64_t picture() const override { return number_; }

 private:
  void Set(const std::string& line);

  PictureListModel& model_;
  std::int64_t number_;
  PictureLine which_;
  std::string before_;
  std::string after_;
  int round_;
};

// The album's title changed, through `set`; typing in a row merges as LineCommand does.
class TitleCommand final : public EditorCommand {
 public:
  TitleCommand(std::function<void(const std::string&)> set, std::string before, std::string after,
               int round);
  void undo() override { set_(before_); }
  void redo() override { set_(after_); }
  int id() const override { return 2; }
  bool mergeWith(const QUndoCommand* other) override;
  std::int64_t picture() const override { return 0; }

 private:
  std::function<void(const std::string&)> set_;
  std::string before_;
  std::string after_;
  int round_;
};

// A picture moved from one row to another.
class MoveCommand final : public EditorCommand {
 public:
  MoveCommand(PictureListModel& model, int from, int to);
  void undo() override { model_.Move(to_, from_); }
  void redo() override { model_.Move(from_, to_); }
  std::int64_t picture() const override { return number_; }

 private:
  PictureListModel& model_;
  int from_;
  int to_;
  std::int64_t number_;
};

// A picture removed from the album.
class RemoveCommand final : public EditorCommand {
 public:
  RemoveCommand(PictureListModel& model, int row);
  void undo() override { model_.Insert(row_, entry_); }
  void redo() override { entry_ = model_.Take(row_); }
  std::int64_t picture() const override { return entry_.number; }
  int rowHint() const override { return row_; }
  bool removes() const override { return true; }

 private:
  PictureListModel& model_;
  int row_;
  EditorEntry entry_;
};

}  // namespace quillmere
