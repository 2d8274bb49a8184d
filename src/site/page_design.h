// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The design of the pages this program writes, as far as other code needs to know it: the names
// of its pages, the support images its pages name, and the bytes that start and end each of its
// pages, by which a later run knows them as this program's. The lines themselves are emitted by
// site/pages.h; a second design would be one more such description beside its own emitters.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace quillmere {

// What code outside the emitters knows of a design of pages.
struct PageDesign {
  // The index page's file name, and the parts of a picture page's: prefix, number, extension.
  std::string_view indexPageName;
  std::string_view picturePagePrefix;
  std::string_view pageExtension;
  // The support images the pages name, each written right after the support folder.
  std::span<const std::string_view> supportImages;
  // Every page of the design starts with one of `starts` and ends with one of `ends`, from any
  // index file; hand-written pages almost never do both.
  std::span<const std::string_view> starts;
  std::span<const std::string_view> ends;
};

// The twelve support images of the pages: rounded corners, a filler, shadows and arrows.
inline constexpr std::array<std::string_view, 12> kSupportImageNames = {
    "/rondtl.gif", "/rondtr.gif", "/rondbl.gif", "/rondbr.gif", "/x.gif",       "/s6.gif",
    "/s6a.gif",    "/s8.gif",     "/s8a.gif",    "/s9.gif",     "/previmg.gif", "/nextimg.gif"};

// How the pages start: the title first in upper case on the first line, or, on a picture page
// of a UTF-8 index file, the character set declared before it.
inline constexpr std::array<std::string_view, 2> kPageStarts = {
    "<HTML><HEAD><TITLE>",
    "<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=utf-8\"><TITLE>"};

// How the pages end: the index page with its last table, centred block and page, each line ended
// with CR LF; a picture page with the shadow's corner image on its last line.
inline constexpr std::array<std::string_view, 2> kPageEnds = {
    "</TABLE>\r\n</CENTER>\r\n</BODY></HTML>\r\n",
    "/s9.gif\" width=9></TD></TR></TBODY></TABLE></BODY></HTML>\r\n"};

// The design of the pages this program writes.
inline constexpr PageDesign kPageDesign{"index.html",       "Image",     ".html",
                                        kSupportImageNames, kPageStarts, kPageEnds};

}  // namespace quillmere
