// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/album_report.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>

#include "app/local_text.h"
#include "app/window_words.h"

namespace quillmere {
namespace {

// The groups of what the work left out, in the order they are told.
enum class Group { kFailed, kNoted, kOther };

Group GroupOf(const PictureProblem& problem) {
  if (problem.kind == PictureProblem::Kind::kOtherFile) return Group::kOther;
  return problem.note() ? Group::kNoted : Group::kFailed;
}

// The problems of `group`.
std::vector<const PictureProblem*> InGroup(const std::vector<PictureProblem>& problems,
                                           Group group) {
  std::vector<const PictureProblem*> found;
  for (const PictureProblem& problem : problems) {
    if (GroupOf(problem) == group) found.push_back(&problem);
  }
  return found;
}

// "1 file could not be taken as a picture", "3 files ...": the count of `group`.
QString CountOf(Group group, std::size_t count) {
  const bool one = count == 1;
  switch (group) {
    case Group::kFailed:
      return one ? QStringLiteral("1 file could not be taken as a picture")
                 : QStringLiteral("%1 files could not be taken as pictures").arg(count);
    case Group::kNoted:
      return one ? QStringLiteral("1 file was left out or has a note")
                 : QStringLiteral("%1 files were left out or have notes").arg(count);
    case Group::kOther:
      return one ? QStringLiteral("1 other file was left out")
                 : QStringLiteral("%1 other files were left out").arg(count);
  }
  return {};
}

constexpr Group kGroups[] = {Group::kFailed, Group::kNoted, Group::kOther};

}  // namespace

QString LeftOutText(const std::vector<PictureProblem>& problems) {
  QStringList sections;
  for (Group group : kGroups) {
    const std::vector<const PictureProblem*> members = InGroup(problems, group);
    if (members.empty()) continue;
    QString text = CountOf(group, members.size()) + QLatin1Char(':');
    const std::size_t named = std::min(members.size(), kNamedLeftOut);
    for (std::size_t i = 0; i < named; ++i) {
      const PictureProblem& problem = *members[i];
      text +=
          QLatin1Char('\n') +
          FromLocal(group == Group::kOther ? problem.file
                                           : problem.file + " " + Describe(problem, WindowWords()));
    }
    if (members.size() > named) {
      text += QStringLiteral("\nand %1 more.").arg(members.size() - named);
    }
    sections.push_back(text);
  }
  return sections.join(QStringLiteral("\n\n"));
}

QString LeftOutSummary(const std::vector<PictureProblem>& problems) {
  QStringList counts;
  for (Group group : kGroups) {
    const std::size_t count = InGroup(problems, group).size();
    if (count != 0) counts.push_back(CountOf(group, count));
  }
  if (counts.isEmpty()) return {};
  return counts.join(QStringLiteral("; ")) + QStringLiteral(". Details says which.");
}

bool OnlyOtherFiles(const std::vector<PictureProblem>& problems) {
  return std::all_of(problems.begin(), problems.end(), [](const PictureProblem& problem) {
    return GroupOf(problem) == Group::kOther;
  });
}

bool AnyFileFailed(const std::vector<PictureProblem>& problems) {
  return std::any_of(problems.begin(), problems.end(), [](const PictureProblem& problem) {
    return GroupOf(problem) == Group::kFailed;
  });
}

}  // namespace quillmere
