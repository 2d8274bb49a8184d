// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The lines of the index page and of the picture pages, sent piece by piece to a sink.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "index/index_file.h"
#include "site/album_entries.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {

// The head element that declares UTF-8 text, on a picture page whose index file is UTF-8.
inline constexpr std::string_view kUtf8Declaration =
    "<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">";

// What a click on an album entry's picture does: it opens the sub-album in the window that opened
// the picture page (the grid's), and closes the picture page's own, when there is such a window;
// otherwise the link opens the sub-album where the page is.
inline constexpr std::string_view kOpenInOpener =
    "try { if (window.opener &amp;&amp; !window.opener.closed) { "
    "window.opener.location.href = this.href; window.close(); return false; } } catch (e) {} "
    "return true;";

// Sends the pieces of one line, then the line end.
template <class Sink, class... Pieces>
void Line(Sink& sink, const Pieces&... pieces) {
  (sink.Put(std::string_view(pieces)), ...);
  sink.Put(kLineEnd);
}

// The number of grid cells: PictureCount raised to the next multiple of PicsPerRow.
inline std::int64_t CellCount(std::int64_t pictureCount, std::int32_t picsPerRow) {
  std::int64_t rest = pictureCount % picsPerRow;
  return rest > 0 ? pictureCount + picsPerRow - rest : pictureCount;
}

template <class Sink>
void EmitIndexHead(Sink& out, const IndexFile& index) {
  Line(out, "<HTML><HEAD><TITLE>", index.head.SiteTitle, "</TITLE>");
  Line(out, "<META http-equiv=Content-Type content=", Q,
       index.head.utf8 ? "text/html; charset=utf-8" : "text/html; charset=iso-8859-1", Q, ">");
  Line(out, "<style type=", Q, "text/css", Q, "><!--");
  Line(out,
       "#pictitle {FONT-WEIGHT: bold; FONT-SIZE: 12px; COLOR: #000000; LINE-HEIGHT: 16px; "
       "FONT-FAMILY: Verdana, Arial, Helvetica, sans-serif; TEXT-DECORATION: none}");
  Line(out,
       "#piclist {FONT-WEIGHT: bold; FONT-SIZE: 12px; COLOR: #000000; FONT-FAMILY: Verdana, "
       "Arial, Helvetica, sans-serif; TEXT-DECORATION: none}");
  Line(out,
       "#picheader {FONT-WEIGHT: bold; FONT-SIZE: 18px; COLOR: #330099; FONT-FAMILY: Verdana, "
       "Arial,Helvetica}");
  Line(out, "--></style>");
  Line(out, "</HEAD>");
  Line(out, "<body>");
}

template <class Sink>
void EmitPopupScript(Sink& out) {
  Line(out, "<script language=", Q, "JavaScript", Q, "> <!--");
  Line(out, "function show_foto(id) {");
  Line(out, "  winleft = (window.screen.availWidth - 825) /2;");
  Line(out, "  wintop = (window.screen.availHeight - 650) /2;");
  Line(out, "  if (winleft < 0) { winleft=0 }");
  Line(out, "  if (wintop < 0) { wintop=0 }");
  Line(out, "  newwin = window.open(", Q, "Image", Q, "+id+", Q, ".html", Q, ",", Q, "Image", Q,
       "+id,", Q, "left=", Q, "+winleft+", Q, ",top=", Q, "+wintop+", Q,
       ",height=650,width=825,locationbar=no,menubar=no,resizable=yes,status=no", Q, ");");
  Line(out, "}");
  Line(out, "--></script>");
}

// The title of the index page in its header box, after a link up to the parent album where the
// index file is an album of a tree that names one.
template <class Sink>
void EmitIndexTitle(Sink& out, const IndexHead& head) {
  if (head.albums && !head.parent.empty()) {
    Line(out, "    <TD width=606 bgColor=#CDDBEB rowSpan=3><A href=", Q, head.parent, Q,
         "><IMG src=", Q, head.SupportFolder, "/previmg.gif", Q, " border=0 alt=", Q, "Up", Q,
         " align=middle></A> <SPAN id=picheader>", head.SiteTitle, "</SPAN></TD>");
  } else {
    Line(out, "    <TD width=606 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>", head.SiteTitle,
         "</SPAN></TD>");
  }
}

template <class Sink>
void EmitIndexHeaderBox(Sink& out, const IndexFile& index) {
  const std::string_view support = index.head.SupportFolder;
  Line(out, "<CENTER>");
  Line(out, "<TABLE cellSpacing=0 cellPadding=0 border=0>");
  Line(out, "  <TBODY>");
  Line(out, "    <TR><TD width=7><IMG height=10 src=", Q, support, "/rondtl.gif", Q,
       " width=10></TD>");
  EmitIndexTitle(out, index.head);
  Line(out, "    <TD width=7><IMG height=10 src=", Q, support, "/rondtr.gif", Q,
       " width=10></TD></TR>");
  Line(out, "    <TR><TD width=7 bgColor=#CDDBEB><IMG height=1 src=", Q, support, "/x.gif", Q,
       " width=1></TD>");
  Line(out, "    <TD width=7 bgColor=#CDDBEB><IMG height=1 src=", Q, support, "/x.gif", Q,
       " width=1></TD></TR>");
  Line(out, "    <TR><TD width=7><IMG height=10 src=", Q, support, "/rondbl.gif", Q,
       " width=10></TD>");
  Line(out, "    <TD width=7><IMG height=10 src=", Q, support, "/rondbr.gif", Q,
       " width=10></TD></TR>");
  Line(out, "  </TBODY>");
  Line(out, "</TABLE>");
}

// The thumbnail of entry `n`, which opens its picture page in the pop-up, or, when `album` is the
// entry's sub-album, that album in the same window.
template <class Sink>
void EmitThumbnail(Sink& out, const IndexFile& index, std::int64_t n, const AlbumEntry* album) {
  const std::string_view support = index.head.SupportFolder;
  const PageNumber number(n);
  Line(out, "        <TR vAlign=top>");
  Line(out, "        <TD align=middle height=100>");
  Line(out, "        <TABLE cellSpacing=0 cellPadding=0 bgColor=#ffffff border=0>");
  Line(out, "          <TBODY>");
  Line(out, "            <TR vAlign=top>");
  if (album != nullptr) {
    Line(out, "            <TD><A href=", Q, AlbumEntryLink(album->folder), Q, ">");
  } else {
    Line(out, "            <TD><A href=", Q, "javascript:show_foto(", number, ")", Q, ">");
  }
  Line(out, "            <IMG src=", Q, index.head.ThumbPrefix, number, kPictureFileExtension, Q,
       ";border=1></A></TD>");
  Line(out, "            <TD background=", Q, support, "/s6.gif", Q, "><IMG height=13 src=", Q,
       support, "/s6a.gif", Q, " width=9></TD></TR>");
  Line(out, "            <TR><TD align=left background=", Q, support, "/s8.gif", Q,
       "><IMG height=9 src=", Q, support, "/s8a.gif", Q, " width=14></TD>");
  Line(out, "            <TD><IMG height=9 src=", Q, support, "/s9.gif", Q, " width=9></TD></TR>");
  Line(out, "          </TBODY>");
  Line(out, "        </TABLE></TD></TR>");
}

// One grid cell, of which `albums` tells the entries that are albums; cells past the last picture
// are empty white boxes.
template <class Sink>
void EmitCell(Sink& out, const IndexFile& index, std::int64_t n, const AlbumEntries& albums) {
  const bool isPicture = n <= index.PictureCount();
  Line(out, "    <TD width=134><IMG height=1 src=", Q, index.head.SupportFolder, "/x.gif", Q,
       " width=134><BR>");
  Line(out,
       "    <TABLE height=100 cellSpacing=0 cellPadding=0 width=100 bgColor=#ffffff border=0>");
  Line(out, "      <TBODY>");
  if (isPicture) EmitThumbnail(out, index, n, albums.Of(n));
  Line(out, "      </TBODY>");
  Line(out, "    </TABLE>");
  if (isPicture) {
    Line(out, "    <SPAN id=pictitle>", index.Pictures[static_cast<std::size_t>(n - 1)].shortText,
         " </SPAN></TD>");
  }
}

template <class Sink>
void EmitGrid(Sink& out, const IndexFile& index, const AlbumEntries& albums) {
  const std::int64_t cells = CellCount(index.PictureCount(), index.head.PicsPerRow);
  for (std::int64_t n = 1; n <= cells; ++n) {
    if ((n - 1) % index.head.PicsPerRow == 0) {
      Line(out, "<TABLE cellSpacing=0 cellPadding=0 border=0>");
      Line(out, "  <TBODY>");
      Line(out, "    <TR vAlign=top><TD colSpan=5><BR></TD></TR><TR vAlign=top>");
    }
    EmitCell(out, index, n, albums);
    if (n % index.head.PicsPerRow == 0) {
      Line(out, "    </TR>");
      Line(out, "  </TBODY>");
      Line(out, "</TABLE>");
    }
  }
}

// The whole index page, whose thumbnails of the entries in `albums` open those albums.
template <class Sink>
void EmitIndexPage(Sink& out, const IndexFile& index, const AlbumEntries& albums = {}) {
  EmitIndexHead(out, index);
  EmitPopupScript(out);
  EmitIndexHeaderBox(out, index);
  EmitGrid(out, index, albums);
  Line(out, "</CENTER>");
  Line(out, "</BODY></HTML>");
}

// The picture cell of an entry that is a video: the video with its controls, its poster and the
// poster's size, and no link around it.
template <class Sink>
void EmitVideo(Sink& out, std::string_view imagePrefix, const PageNumber& number,
               const VideoEntry& video) {
  if (video.width > 0 && video.height > 0) {
    Line(out, "<TR vAlign=top><TD><VIDEO src=", Q, imagePrefix, number, video.extension, Q,
         " poster=", Q, imagePrefix, number, kPictureFileExtension, Q,
         " width=", PageNumber(video.width), " height=", PageNumber(video.height),
         " controls></VIDEO></TD>");
  } else {
    Line(out, "<TR vAlign=top><TD><VIDEO src=", Q, imagePrefix, number, video.extension, Q,
         " poster=", Q, imagePrefix, number, kPictureFileExtension, Q, " controls></VIDEO></TD>");
  }
}

// The picture cell of an entry that is an album: its cover, linked to the album so that it opens
// in the grid's window.
template <class Sink>
void EmitAlbumCover(Sink& out, std::string_view imagePrefix, const PageNumber& number,
                    const AlbumEntry& album) {
  Line(out, "<TR vAlign=top><TD><A href=", Q, AlbumEntryLink(album.folder), Q, " onclick=", Q,
       kOpenInOpener, Q, "><IMG src=", Q, imagePrefix, number, kPictureFileExtension, Q,
       " border=1 alt=", Q, "Album", Q, "></A></TD>");
}

// The whole page of picture `n`, with arrows to its neighbours; `video` is the entry's video,
// shown in place of the picture, or none; `album` is the entry's sub-album, to which its picture
// links, or none (an entry with both is an album).
template <class Sink>
void EmitPicturePage(Sink& out, const IndexFile& index, std::int64_t n,
                     const VideoEntry* video = nullptr, const AlbumEntry* album = nullptr) {
  const std::string_view support = index.head.SupportFolder;
  const Picture& picture = index.Pictures[static_cast<std::size_t>(n - 1)];
  const PageNumber number(n);
  const bool hasPrevious = n > 1;
  const bool hasNext = n < index.PictureCount();
  // A UTF-8 index file's text is declared before the title, so that a browser knows it first.
  Line(out, "<HTML><HEAD>", index.head.utf8 ? kUtf8Declaration : "", "<TITLE>", picture.shortText,
       "</TITLE></HEAD><BODY>");
  Line(out, "<CENTER><TABLE cellSpacing=0 cellPadding=0 border=0><TBODY>");
  if (hasPrevious) {
    Line(out, "<TR><TD width=40 rowSpan=3><A href=", Q, kPicturePagePrefix, PageNumber(n - 1),
         kPageExtension, Q, "><IMG src=", Q, support, "/previmg.gif", Q, " border=0 alt=", Q,
         "Previous", Q, "></A></TD>");
  } else {
    Line(out, "<TR><TD width=40 rowSpan=3></TD>");
  }
  Line(out, "<TD width=7><IMG src=", Q, support, "/rondtl.gif", Q, " width=10></TD>");
  Line(out, "<TD width=646 bgColor=#CDDBEB rowSpan=3><SPAN id=picheader>", picture.longText,
       "</SPAN></TD>");
  Line(out, "<TD width=7><IMG src=", Q, support, "/rondtr.gif", Q, " width=10></TD>");
  if (hasNext) {
    Line(out, "<TD width=40 rowSpan=3><A href=", Q, kPicturePagePrefix, PageNumber(n + 1),
         kPageExtension, Q, "><IMG src=", Q, support, "/nextimg.gif", Q, " border=0 alt=", Q,
         "Next", Q, "></A></TD></TR>");
  } else {
    Line(out, "<TD width=40 rowSpan=3></TD></TR>");
  }
  Line(out, "<TR><TD width=7 height=5 bgColor=#CDDBEB><IMG height=1 src=", Q, support, "/x.gif", Q,
       " width=1></TD>");
  Line(out, "<TD width=7 height=5 bgColor=#CDDBEB><IMG height=1 src=", Q, support, "/x.gif", Q,
       " width=1></TD></TR>");
  Line(out, "<TR><TD width=7><IMG height=10 src=", Q, support, "/rondbl.gif", Q, " width=10></TD>");
  Line(out, "<TD width=7><IMG height=10 src=", Q, support, "/rondbr.gif", Q,
       " width=10></TD></TR><TR height=2></TR></TBODY></TABLE></CENTER>");
  Line(out, "<TABLE cellSpacing=0 cellPadding=0 bgColor=#ffffff border=0><TBODY>");
  if (album != nullptr) {
    EmitAlbumCover(out, index.head.ImagePrefix, number, *album);
  } else if (video != nullptr) {
    EmitVideo(out, index.head.ImagePrefix, number, *video);
  } else if (hasNext) {
    Line(out, "<TR vAlign=top><TD><A href=", Q, kPicturePagePrefix, PageNumber(n + 1),
         kPageExtension, Q, "><IMG src=", Q, index.head.ImagePrefix, number, kPictureFileExtension,
         Q, " border=1 alt=", Q, "Next", Q, "></A></TD>");
  } else {
    Line(out, "<TR vAlign=top><TD><IMG src=", Q, index.head.ImagePrefix, number,
         kPictureFileExtension, Q, " border=1></TD>");
  }
  Line(out, "<TD background=", Q, support, "/s6.gif", Q, "><IMG height=13 src=", Q, support,
       "/s6a.gif", Q, " width=9></TD></TR>");
  Line(out, "<TR><TD align=left background=", Q, support, "/s8.gif", Q, "><IMG height=9 src=", Q,
       support, "/s8a.gif", Q, " width=14></TD>");
  Line(out, "<TD><IMG height=9 src=", Q, support, "/s9.gif", Q,
       " width=9></TD></TR></TBODY></TABLE></BODY></HTML>");
}

}  // namespace quillmere
