// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A plain, slow model of the reader and the pages, written line by line from the rules, that
// the real streaming code is compared against.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::testing {

struct ReferenceIndex {
  std::string title, thumbPrefix, imagePrefix, supportFolder;
  long long picsPerRow = 6;
  // The whole file is UTF-8 with at least one byte beyond ASCII: every page declares UTF-8.
  bool utf8 = false;
  std::vector<std::pair<std::string, std::string>> pictures;  // short, long
};

// Tells whether the index page declares UTF-8 for index file bytes: the whole file is UTF-8
// with at least one byte beyond ASCII.
bool ReferenceDeclaresUtf8(const std::string& bytes);

// Reads index file bytes by the rules; the thumbnails-per-row number is not range-checked, nor
// are the bytes checked for being text.
ReferenceIndex ReferenceRead(const std::string& bytes);

// The index page's bytes.
std::string ReferenceIndexPage(const ReferenceIndex& index);

// Picture page `n`'s bytes (n from 1).
std::string ReferencePicturePage(const ReferenceIndex& index, int n);

// Every page the model gives for index file bytes, by file name.
std::map<std::string, std::string> ReferencePages(const std::string& bytes);

}  // namespace quillmere::testing
