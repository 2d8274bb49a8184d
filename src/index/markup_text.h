// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The lines of an index file are HTML: whether a line holds markup, its character references
// decoded, and plain text escaped to be such a line. A line whose only tags are line breaks
// ("<BR>") is plain text: its breaks are shown as line ends, and line ends typed are written back
// as "<BR>", so that text reopens as it was typed.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Tells whether `line` holds markup: a "<" followed by a letter, "/" or "!", that starts no line
// break ("<BR>", "<br/>" in any case).
bool HoldsMarkup(std::string_view line);

// `line` with its character references (numeric ones and the common named ones) as the
// characters they stand for, in UTF-8; a reference it does not know stays as it is.
std::string DecodeReferences(std::string_view line);

// `text` with "&", "<" and ">" written as character references.
std::string EscapeMarkup(std::string_view text);

// `text` with each line end (LF, CR LF or CR) as `replacement`.
std::string LineEndsAs(std::string_view text, std::string_view replacement);

// The line that the plain text `text` is written as: "&", "<" and ">" as character references,
// each line end as "<BR>".
std::string PlainLine(std::string_view text);

// The text a person sees of the UTF-8 `line`: markup as it is; plain text as the page shows it,
// each line break as LF; PlainLine gives the line back.
std::string ShownText(std::string_view line);

// ShownText on one line, for a list: each control character (a line break, a tab) as a space.
std::string ShownOnOneLine(std::string_view line);

// The UTF-8 `line` as a file of one line per text shows it to be edited: markup as it is; plain
// text as ShownText shows it, but each line break as "<BR>" and a reference to a control
// character as it is.
std::string EditableOnOneLine(std::string_view line);

// The line that `text`, edited as EditableOnOneLine shows a line, is written as: markup as it is;
// plain text with "&", "<" and ">" escaped but each line break ("<BR>") kept as one.
std::string LineOfEditable(std::string_view text);

}  // namespace quillmere
