// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a run's failure is about, as one path, for tests that check which file a failure names.
#pragma once

#include <string>
#include <variant>

#include "run/run_failure.h"

namespace quillmere::testing {

// The file, page or folder that `failure` names first.
inline std::string SubjectOf(const RunFailure& failure) {
  return std::visit(
      [](const auto& kind) -> std::string {
        if constexpr (requires { kind.path; }) {
          return kind.path;
        } else if constexpr (requires { kind.page; }) {
          return kind.page;
        } else if constexpr (requires { kind.folder; }) {
          return kind.folder;
        } else if constexpr (requires { kind.indexPath; }) {
          return kind.indexPath;
        } else {
          return kind.journal;
        }
      },
      failure.why);
}

}  // namespace quillmere::testing
