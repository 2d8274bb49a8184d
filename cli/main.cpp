#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  quillmere::PosixFileSystem fs;
  return quillmere::RunCommandLine(args, std::cout, std::cerr, fs);
}
