// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "support/reference_site.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace quillmere::testing {
namespace {

const std::string Q = "\"";

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::string Trim(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

long long NumberOf(const std::string& text) {
  std::string packed;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') packed += c;
  }
  if (packed.size() >= 2 && packed[0] == '&' && (packed[1] == 'H' || packed[1] == 'h')) {
    std::size_t end = 2;
    while (end < packed.size() && std::isxdigit(static_cast<unsigned char>(packed[end]))) ++end;
    return end == 2 ? 0 : std::stoll(packed.substr(2, end - 2), nullptr, 16);
  }
  if (packed.size() >= 2 && packed[0] == '&' && (packed[1] == 'O' || packed[1] == 'o')) {
    std::size_t end = 2;
    while (end < packed.size() && packed[end] >= '0' && packed[end] <= '7') ++end;
    return end == 2 ? 0 : std::stoll(packed.substr(2, end - 2), nullptr, 8);
  }
  std::size_t end = 0;
  if (end < packed.size() && (packed[end] == '+' || packed[end] == '-')) ++end;
  bool point = false;
  while (end < packed.size() && (std::isdigit(static_cast<unsigned char>(packed[end])) ||
                                 (packed[end] == '.' && !point))) {
    point = point || packed[end] == '.';
    ++end;
  }
  std::string number = packed.substr(0, end);
  if (number.find_first_of("0123456789") == std::string::npos) return 0;
  return std::llrint(std::stold(number));  // the default rounding sends halves to even
}

// Decodes code point after code point by the letter of RFC 3629.
bool IsUtf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    int length = lead < 0x80         ? 1
                 : (lead >> 5) == 6  ? 2
                 : (lead >> 4) == 14 ? 3
                 : (lead >> 3) == 30 ? 4
                                     : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    unsigned long code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string page;
  for (const std::string& line : lines) page += line + "\r\n";
  return page;
}

}  // namespace

bool ReferenceDeclaresUtf8(const std::string& bytes) {
  return IsUtf8(bytes) && std::any_of(bytes.begin(), bytes.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 128; });
}

ReferenceIndex ReferenceRead(const std::string& bytes) {
  const bool bom = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  std::vector<std::string> lines = SplitLines(bom ? bytes.substr(3) : bytes);
  std::size_t next = 0;
  std::string head[5];
  for (std::string& value : head) {
    while (value.empty() && next < lines.size()) {
      value = Trim(lines[next++]);
      if (!value.empty() && value[0] == ';') value.clear();
    }
  }
  ReferenceIndex index;
  index.utf8 = ReferenceDeclaresUtf8(bytes);
  index.title = head[0];
  index.thumbPrefix = head[1];
  index.imagePrefix = head[2];
  index.supportFolder = head[3];
  if (!head[4].empty()) index.picsPerRow = NumberOf(head[4]);
  if (index.picsPerRow < 1) index.picsPerRow = 1;
  while (next < lines.size()) {
    std::string shortLine = lines[next++];
    std::string longLine = next < lines.size() ? lines[next++] : "";
    if (!shortLine.empty() && shortLine[0] == ';') shortLine.clear();
    shortLine = Trim(shortLine);
    if (!shortLine.empty()) index.pictures.emplace_back(shortLine, longLine);
  }
  return index;
}

std::string ReferenceIndexPage(const ReferenceIndex& index) {
  const std::string& sf = index.supportFolder;
  std::vector<std::string> p = {
      "<HTML><HEAD><TITLE>" + index.title + "</TITLE>",
      "<META http-equiv=Content-Type content=" + Q +
          "text/html; charset=" + (index.utf8 ? "utf-8" : "iso-8859-1") + Q + ">",
      "<style type=" + Q + "text/css" + Q + "><!--",
      "#pictitle {FONT-WEIGHT: bold; FONT-SIZE: 12px; COLOR: #000000; LINE-HEIGHT: 16px; "
      "FONT-FAMILY: Verdana, Arial, Helvetica, sans-serif; TEXT-DECORATION: none}",
      "#piclist {FONT-WEIGHT: bold; FONT-SIZE: 12px; COLOR: #000000; FONT-FAMILY: Verdana, Arial, "
      "Helvetica, sans-serif; TEXT-DECORATION: none}",
      "#picheader {FONT-WEIGHT: bold; FONT-SIZE: 18px; COLOR: #330099; FONT-FAMILY: Verdana, "
      "Arial,Helvetica}",
      "--></style>",
      "</HEAD>",
      "<body>",
      "<script language=" + Q + "JavaScript" + Q + "> <!--",
      "function show_foto(id) {",
      "  winleft = (window.screen.availWidth - 825) /2;",
      "  wintop = (window.screen.availHeight - 650) /2;",
      "  if (winleft < 0) { winleft=0 }",
      "  if (wintop < 0) { wintop=0 }",
      "  newwin = window.open(" + Q + "Image" + Q + "+id+" + Q + ".html" + Q + "," + Q + "Image" +
          Q + "+id," + Q + "left=" + Q + "+winleft+" + Q + ",top=" + Q + "+wintop+" + Q +
          ",height=650,width=825,locationbar=no,menubar=no,resizable=yes,status=no" + Q + ");",
      "}",
      "--></script>",
      "<CENTER>",
      "<TABLE cellSpacing=0 cellPadding=0 border=0>",
      "  <TBODY>",
      "    <TR><TD width=7><IMG height=10 src=" + Q + sf + "/rondtl.gif" + Q + " width=10></TD>",
      "    <TD width=606 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>" + index.title +
          "</SPAN></TD>",
      "    <TD width=7><IMG height=10 src=" + Q + sf + "/rondtr.gif" + Q + " width=10></TD></TR>",
      "    <TR><TD width=7 bgColor=#CDDBEB><IMG height=1 src=" + Q + sf + "/x.gif" + Q +
          " width=1></TD>",
      "    <TD width=7 bgColor=#CDDBEB><IMG height=1 src=" + Q + sf + "/x.gif" + Q +
          " width=1></TD></TR>",
      "    <TR><TD width=7><IMG height=10 src=" + Q + sf + "/rondbl.gif" + Q + " width=10></TD>",
      "    <TD width=7><IMG height=10 src=" + Q + sf + "/rondbr.gif" + Q + " width=10></TD></TR>",
      "  </TBODY>",
      "</TABLE>"};
  long long count = static_cast<long long>(index.pictures.size());
  long long perRow = index.picsPerRow;
  long long cells = count % perRow > 0 ? count + perRow - count % perRow : count;
  for (long long n = 1; n <= cells; ++n) {
    std::string num = std::to_string(n);
    if (n % perRow == 1 || perRow == 1) {
      p.push_back("<TABLE cellSpacing=0 cellPadding=0 border=0>");
      p.push_back("  <TBODY>");
      p.push_back("    <TR vAlign=top><TD colSpan=5><BR></TD></TR><TR vAlign=top>");
    }
    p.push_back("    <TD width=134><IMG height=1 src=" + Q + sf + "/x.gif" + Q + " width=134><BR>");
    p.push_back(
        "    <TABLE height=100 cellSpacing=0 cellPadding=0 width=100 bgColor=#ffffff border=0>");
    p.push_back("      <TBODY>");
    if (n <= count) {
      p.push_back("        <TR vAlign=top>");
      p.push_back("        <TD align=middle height=100>");
      p.push_back("        <TABLE cellSpacing=0 cellPadding=0 bgColor=#ffffff border=0>");
      p.push_back("          <TBODY>");
      p.push_back("            <TR vAlign=top>");
      p.push_back("            <TD><A href=" + Q + "javascript:show_foto(" + num + ")" + Q + ">");
      p.push_back("            <IMG src=" + Q + index.thumbPrefix + num + ".jpg" + Q +
                  ";border=1></A></TD>");
      p.push_back("            <TD background=" + Q + sf + "/s6.gif" + Q +
                  "><IMG height=13 src=" + Q + sf + "/s6a.gif" + Q + " width=9></TD></TR>");
      p.push_back("            <TR><TD align=left background=" + Q + sf + "/s8.gif" + Q +
                  "><IMG height=9 src=" + Q + sf + "/s8a.gif" + Q + " width=14></TD>");
      p.push_back("            <TD><IMG height=9 src=" + Q + sf + "/s9.gif" + Q +
                  " width=9></TD></TR>");
      p.push_back("          </TBODY>");
      p.push_back("        </TABLE></TD></TR>");
    }
    p.push_back("      </TBODY>");
    p.push_back("    </TABLE>");
    if (n <= count) {
      p.push_back("    <SPAN id=pictitle>" + index.pictures[n - 1].first + " </SPAN></TD>");
    }
    if (n % perRow == 0) {
      p.push_back("    </TR>");
      p.push_back("  </TBODY>");
      p.push_back("</TABLE>");
    }
  }
  p.push_back("</CENTER>");
  p.push_back("</BODY></HTML>");
  return Lines(p);
}

std::string ReferencePicturePage(const ReferenceIndex& index, int n) {
  const std::string& sf = index.supportFolder;
  const int count = static_cast<int>(index.pictures.size());
  const std::string prev = std::to_string(n - 1), num = std::to_string(n),
                    next = std::to_string(n + 1);
  std::vector<std::string> p;
  // A UTF-8 index file's picture pages declare it, as its index page does, before the title.
  const std::string declaration = index.utf8 ? "<META http-equiv=Content-Type content=" + Q +
                                                   "text/html; charset=utf-8" + Q + ">"
                                             : "";
  p.push_back("<HTML><HEAD>" + declaration + "<TITLE>" + index.pictures[n - 1].first +
              "</TITLE></HEAD><BODY>");
  p.push_back("<CENTER><TABLE cellSpacing=0 cellPadding=0 border=0><TBODY>");
  p.push_back(n > 1 ? "<TR><TD width=40 rowSpan=3><A href=" + Q + "Image" + prev + ".html" + Q +
                          "><IMG src=" + Q + sf + "/previmg.gif" + Q + " border=0 alt=" + Q +
                          "Previous" + Q + "></A></TD>"
                    : "<TR><TD width=40 rowSpan=3></TD>");
  p.push_back("<TD width=7><IMG src=" + Q + sf + "/rondtl.gif" + Q + " width=10></TD>");
  p.push_back("<TD width=646 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>" +
              index.pictures[n - 1].second + "</SPAN></TD>");
  p.push_back("<TD width=7><IMG src=" + Q + sf + "/rondtr.gif" + Q + " width=10></TD>");
  p.push_back(n < count ? "<TD width=40 rowSpan=3><A href=" + Q + "Image" + next + ".html" + Q +
                              "><IMG src=" + Q + sf + "/nextimg.gif" + Q + " border=0 alt=" + Q +
                              "Next" + Q + "></A></TD></TR>"
                        : "<TD width=40 rowSpan=3></TD></TR>");
  p.push_back("<TR><TD width=7 height=5 bgColor=#CDDBEB><IMG height=1 src=" + Q + sf + "/x.gif" +
              Q + " width=1></TD>");
  p.push_back("<TD width=7 height=5 bgColor=#CDDBEB><IMG height=1 src=" + Q + sf + "/x.gif" + Q +
              " width=1></TD></TR>");
  p.push_back("<TR><TD width=7><IMG height=10 src=" + Q + sf + "/rondbl.gif" + Q +
              " width=10></TD>");
  p.push_back("<TD width=7><IMG height=10 src=" + Q + sf + "/rondbr.gif" + Q +
              " width=10></TD></TR><TR height=2></TR></TBODY></TABLE></CENTER>");
  p.push_back("<TABLE cellSpacing=0 cellPadding=0 bgColor=#ffffff border=0><TBODY>");
  p.push_back(n < count ? "<TR vAlign=top><TD><A href=" + Q + "Image" + next + ".html" + Q +
                              "><IMG src=" + Q + index.imagePrefix + num + ".jpg" + Q +
                              " border=1 alt=" + Q + "Next" + Q + "></A></TD>"
                        : "<TR vAlign=top><TD><IMG src=" + Q + index.imagePrefix + num + ".jpg" +
                              Q + " border=1></TD>");
  p.push_back("<TD background=" + Q + sf + "/s6.gif" + Q + "><IMG height=13 src=" + Q + sf +
              "/s6a.gif" + Q + " width=9></TD></TR>");
  p.push_back("<TR><TD align=left background=" + Q + sf + "/s8.gif" + Q +
              "><IMG height=9 src=" + Q + sf + "/s8a.gif" + Q + " width=14></TD>");
  p.push_back("<TD><IMG height=9 src=" + Q + sf + "/s9.gif" + Q +
              " width=9></TD></TR></TBODY></TABLE></BODY></HTML>");
  return Lines(p);
}

std::map<std::string, std::string> ReferencePages(const std::string& bytes) {
  ReferenceIndex model = ReferenceRead(bytes);
  std::map<std::string, std::string> pages{{"index.html", ReferenceIndexPage(model)}};
  for (int n = 1; n <= static_cast<int>(model.pictures.size()); ++n) {
    pages["Image" + std::to_string(n) + ".html"] = ReferencePicturePage(model, n);
  }
  return pages;
}

}  // namespace quillmere::testing
