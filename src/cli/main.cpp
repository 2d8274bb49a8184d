// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

int main(int argc, char** argv) {
  return quillmere::RunProgram(argc, argv);
}
