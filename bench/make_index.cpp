// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Writes a synthetic index file of N pictures, for benchmarks.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make-index PICTURES OUTPUT [EDIT_TAG]\n");
    return 2;
  }
  const long pictures = std::strtol(argv[1], nullptr, 10);
  const std::string editTag = argc == 4 ? argv[3] : "";
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  std::fputs("; benchmark album\nBenchmark album\nthumbs/t\npictures/p\nsupport\n5\n", out);
  for (long n = 1; n <= pictures; ++n) {
    // The edit tag changes the long description of the middle picture only.
    const char* tag = n == pictures / 2 + 1 ? editTag.c_str() : "";
    std::fprintf(out, "Picture %ld\nA <B>long</B> description of picture number %ld%s.\n", n, n,
                 tag);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
