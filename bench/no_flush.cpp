// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Loaded into a program with LD_PRELOAD, makes every flush to the disk return at once without
// doing it: what the program's time would be without the flushes it makes.
extern "C" {

__attribute__((visibility("default"))) int fsync(int /*fd*/) {
  return 0;
}

__attribute__((visibility("default"))) int fdatasync(int /*fd*/) {
  return 0;
}

__attribute__((visibility("default"))) int syncfs(int /*fd*/) {
  return 0;
}

__attribute__((visibility("default"))) void sync() {}
}
