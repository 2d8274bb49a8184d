// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Memory for index files: accounted for by the system when it is taken, so that a lack of memory
// is refused on the spot (and reported) rather than ending the program later.
#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace quillmere {
namespace {

// The flags that /proc/self/smaps gives the mapping that holds `address`.
std::string MappingFlags(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t start = 0, end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> start >> dash >> end && dash == '-') inside = start <= at && at < end;
    if (inside && line.rfind("VmFlags:", 0) == 0) return line;
  }
  return "<not found>";
}

TEST(LargeBuffer, IsAccountedForWhenTakenAndGrowsKeepingItsBytes) {
  LargeBuffer buffer(std::size_t{64} << 20);
  ASSERT_NE(buffer.data(), nullptr);
  const std::string flags = MappingFlags(buffer.data());
  ASSERT_NE(flags, "<not found>");
  // "nr": no swap space reserved, the system's promise that the memory will be there later.
  EXPECT_EQ((flags + " ").find(" nr "), std::string::npos) << flags;

  for (std::size_t i = 0; i < buffer.capacity(); i += 4096)
    buffer.data()[i] = static_cast<char>(i >> 12);
  const std::size_t before = buffer.capacity();
  ASSERT_TRUE(buffer.Grow(before * 4));
  EXPECT_GE(buffer.capacity(), before * 4);
  for (std::size_t i = 0; i < before; i += 4096) {
    ASSERT_EQ(buffer.data()[i], static_cast<char>(i >> 12)) << i;
  }
  EXPECT_EQ((MappingFlags(buffer.data()) + " ").find(" nr "), std::string::npos);
}

TEST(LargeBuffer, ARefusedSizeLeavesItAsItWas) {
  LargeBuffer buffer(4096);
  ASSERT_NE(buffer.data(), nullptr);
  buffer.data()[0] = 'x';
  const std::size_t capacity = buffer.capacity();
  EXPECT_FALSE(buffer.Grow(static_cast<std::size_t>(-1) / 2));
  EXPECT_EQ(buffer.capacity(), capacity);
  EXPECT_EQ(buffer.data()[0], 'x');
  EXPECT_EQ(LargeBuffer(static_cast<std::size_t>(-1) / 2).data(), nullptr);
}

}  // namespace
}  // namespace quillmere
