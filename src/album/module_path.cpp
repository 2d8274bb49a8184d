// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/module_path.h"

#include <filesystem>

#include "platform/program_folder.h"

namespace quillmere {

std::string ModulePath(std::string_view name) {
  const std::string program = ProgramFolder();
  if (program.empty()) return "";
  return (std::filesystem::path(program) / QUILLMERE_PROGRAM_TO_MODULES / name)
      .lexically_normal()
      .string();
}

}  // namespace quillmere
