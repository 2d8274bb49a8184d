// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_commands.h"

#include <utility>

namespace quillmere {

LineCommand::LineCommand(PictureListModel& model, std::int64_t number, PictureLine which,
                         std::string before, std::string after, int round)
    : model_(model),
      number_(number),
      which_(which),
      before_(std::move(before)),
      after_(std::move(after)),
      round_(round) {
  setText(which == PictureLine::kCaption ? QStringLiteral("Caption")
                                         : QStringLiteral("Description"));
}

void LineCommand::undo() {
  Set(before_);
}

void LineCommand::redo() {
  Set(after_);
}

bool LineCommand::mergeWith(const QUndoCommand* other) {
  const auto* line = static_cast<const LineCommand*>(other);
  if (line->number_ != number_ || line->which_ != which_ || line->round_ != round_) return false;
  after_ = line->after_;
  // Typing a line back as it was leaves no step.
  setObsolete(after_ == before_);
  return true;
}

void LineCommand::Set(const std::string& line) {
  const int row = model_.RowOf(number_);
  if (row >= 0) model_.SetLine(row, which_, line);
}

TitleCommand::TitleCommand(std::function<void(const std::string&)> set, std::string before,
                           std::string after, int round)
    : set_(std::move(set)), before_(std::move(before)), after_(std::move(after)), round_(round) {
  setText(QStringLiteral("Title"));
}

bool TitleCommand::mergeWith(const QUndoCommand* other) {
  const auto* title = static_cast<const TitleCommand*>(other);
  if (title->round_ != round_) return false;
  after_ = title->after_;
  setObsolete(after_ == before_);
  return true;
}

MoveCommand::MoveCommand(PictureListModel& model, int from, int to)
    : model_(model), from_(from), to_(to), number_(model.entry(from).number) {
  setText(QStringLiteral("Move"));
}

RemoveCommand::RemoveCommand(PictureListModel& model, int row)
    : model_(model), row_(row), entry_(model.entry(row)) {
  setText(QStringLiteral("Remove"));
}

}  // namespace quillmere
