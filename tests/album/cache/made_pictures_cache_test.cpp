// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The cache of pictures made before: what a later load finds of what runs remembered, looked up
// and saved, and the hash that tells originals apart.
#include "album/cache/made_pictures_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "album/cache/content_hash.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

// One step of a run of the cache (two runs, 0 and 1, load it first), at the time `at`.
struct Step {
  enum class Kind { kRemember, kLookUp, kSave };
  Kind kind = Kind::kSave;
  int run = 0;
  std::string original = {};
  std::int64_t at = 0;
};

// What these tests take to be made of the original `name`.
MadeMark MarkOf(const std::string& name) {
  return {name.size(), HashOfContent("made of " + name)};
}

// The line of the cache file for the original `name`, last used at `used`.
std::string LineOf(const std::string& name, std::int64_t used) {
  return HexText(HashOfContent(name)) + " " + std::to_string(name.size()) + " " +
         HexText(MarkOf(name).hash) + " " + std::to_string(used) + "\n";
}

TEST(MadePicturesCache, ALaterLoadFindsWhatWasSavedAndUsedLast) {
  using K = Step::Kind;
  const std::string first = "quillmere made-pictures 1\n";
  struct Case {
    std::string name;
    std::optional<std::string> file;
    std::size_t most;
    std::vector<Step> steps;
    std::vector<std::string> found;
  };
  const std::vector<Case> cases = {
      {"no file is an empty cache", std::nullopt, 9, {{K::kLookUp, 0, "a"}, {K::kSave}}, {}},
      {"a save is found again",
       std::nullopt,
       9,
       {{K::kRemember, 0, "a", 1}, {K::kRemember, 0, "b", 2}, {K::kSave}},
       {"a", "b"}},
      {"two runs that save in turn keep both",
       std::nullopt,
       9,
       {{K::kRemember, 0, "a", 1}, {K::kRemember, 1, "b", 2}, {K::kSave, 0}, {K::kSave, 1}},
       {"a", "b"}},
      {"the one used longest ago is forgotten first",
       std::nullopt,
       2,
       {{K::kRemember, 0, "a", 1},
        {K::kRemember, 0, "b", 2},
        {K::kRemember, 0, "c", 3},
        {K::kLookUp, 0, "a", 4},
        {K::kSave}},
       {"a", "c"}},
      {"saved ones are forgotten by the same order",
       first + LineOf("a", 1) + LineOf("b", 5),
       2,
       {{K::kRemember, 0, "c", 3}, {K::kSave}},
       {"b", "c"}},
      {"lines that do not read are skipped",
       first + LineOf("a", 1) + "damaged\n" + LineOf("b", 1).substr(0, 40) + "\nx y z w\n" +
           LineOf("c", 1),
       9,
       {},
       {"a", "c"}},
      {"another version is an empty cache",
       "quillmere made-pictures 2\n" + LineOf("a", 1),
       9,
       {},
       {}},
  };
  for (const Case& c : cases) {
    const testing::TempFolder temp;
    const std::string home = temp / "cache";
    if (c.file) {
      std::filesystem::create_directories(temp / "cache/quillmere");
      testing::WriteFile(temp / "cache/quillmere/made-pictures", *c.file);
    }
    PosixFileSystem fs;
    std::int64_t now = 0;
    const MadePicturesSettings settings{c.most, [&now] { return now; }};
    std::vector<MadePicturesCache> runs(2, MadePicturesCache::Load(fs, home, settings));
    for (const Step& step : c.steps) {
      now = step.at;
      MadePicturesCache& run = runs[static_cast<std::size_t>(step.run)];
      switch (step.kind) {
        case K::kRemember:
          run.Remember(HashOfContent(step.original), MarkOf(step.original));
          break;
        case K::kLookUp:
          run.Lookup(HashOfContent(step.original));
          break;
        case K::kSave:
          EXPECT_TRUE(run.Save(fs)) << c.name;
          break;
      }
    }
    MadePicturesCache later = MadePicturesCache::Load(fs, home, settings);
    for (const std::string name : {"a", "b", "c", "d"}) {
      const bool kept = std::find(c.found.begin(), c.found.end(), name) != c.found.end();
      EXPECT_EQ(later.Lookup(HashOfContent(name)),
                kept ? std::optional(MarkOf(name)) : std::nullopt)
          << c.name << ": " << name;
    }
  }
}

TEST(ContentHash, BytesThatDifferHashApart) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", std::string(1, '\0')},
      {"abc", "abd"},
      {std::string(16, '\0'), std::string(17, '\0')},
      {std::string(64, 'x'), "y" + std::string(63, 'x')},
      {std::string(1000, 'x'), std::string(999, 'x') + "y"}};
  for (const auto& [one, other] : cases) {
    const ContentHash hash = HashOfContent(one);
    EXPECT_NE(hash, HashOfContent(other)) << one.size() << " and " << other.size();
    EXPECT_EQ(ContentHashFromHex(HexText(hash)), hash);
    // Taken in parts of 16 bytes and a last one, the bytes hash the same as whole.
    ContentHasher parts(other.size());
    for (std::size_t at = 0; at < other.size(); at += 16)
      parts.Add(std::string_view(other).substr(at, 16));
    EXPECT_EQ(parts.Finish(), HashOfContent(other)) << other.size();
  }
}

}  // namespace
}  // namespace quillmere
