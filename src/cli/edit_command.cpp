// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/edit_command.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "album/commands/edit_in_editor.h"
#include "cli/console_words.h"
#include "platform/run_program.h"
#include "platform/signals.h"
#include "run/message_text.h"
#include "run/progress_text.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Id = OptionId;

// Tells whether the editor command `command` needs the shell to read it: it has options, quotes
// or other characters the shell gives a meaning; a bare program name or path does not.
bool NeedsShell(std::string_view command) {
  return command.find_first_of("|&;<>()$`\\\"' \t\n*?[#~=%") != std::string_view::npos;
}

// The person's text editor as $VISUAL, else $EDITOR, names it; none when neither does.
std::optional<std::string> ChosenEditor() {
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    const char* editor = std::getenv(variable);
    if (editor != nullptr && *editor != '\0') return std::string(editor);
  }
  return std::nullopt;
}

// How the person's text editor is run on the file at `path`: $VISUAL, else $EDITOR (each a
// command the shell reads, which may carry options), else `editor`, else `vi`.
std::vector<std::string> EditorArguments(const std::string& path) {
  if (const std::optional<std::string> editor = ChosenEditor()) {
    if (!NeedsShell(*editor)) return {*editor, path};
    return {"/bin/sh", "-c", *editor + " \"$@\"", "editor", path};
  }
  return {"/bin/sh", "-c",
          "if command -v editor >/dev/null 2>&1; then exec editor \"$1\"; else exec vi \"$1\"; fi",
          "editor", path};
}

// The program that the person's editor command starts with, where its first word is a plain
// name or path that can be looked for before the shell is asked; none otherwise.
std::optional<std::string> EditorProgram() {
  const std::optional<std::string> editor = ChosenEditor();
  if (!editor) return std::nullopt;
  const std::string first = editor->substr(0, editor->find_first_of(" \t"));
  if (first.empty() || NeedsShell(first)) return std::nullopt;
  return first;
}

// The status by which the shell tells that a command was not found, and that it could not be
// run.
constexpr int kShellNotFound = 127;
constexpr int kShellNotRun = 126;

// Runs the person's text editor on the file at `path`; the error that keeps it from starting
// where its program is not there (looked for first, or as the shell tells it).
Result<int> RunEditorOn(const std::string& path) {
  const std::optional<std::string> program = EditorProgram();
  if (program && !CanRun(*program)) return SystemError(ENOENT);
  const std::vector<std::string> arguments = EditorArguments(path);
  Result<int> status = RunInForeground(arguments);
  if (!status || arguments.front() != "/bin/sh") return status;
  if (status.value() == kShellNotFound) return SystemError(ENOENT);
  if (status.value() == kShellNotRun) return SystemError(EACCES);
  return status;
}

// The line that tells that the editor could not be started, for `error`.
std::string EditorNotStarted(std::error_code error) {
  const std::string why =
      error == std::errc::no_such_file_or_directory ? "it was not found" : ErrorText(error);
  return "The text editor " + Visible(ChosenEditor().value_or("editor (else vi)")) +
         " could not be started: " + why +
         "; nothing was changed. VISUAL or EDITOR names the editor to use.";
}

}  // namespace

// --edit: the album of `indexPath` edited in the person's text editor, then its site written.
int Edit(const std::string& indexPath, const ParsedOptions& options, const Console& console,
         FileSystem& fs) {
  std::ostream& err = console.err;
  const std::optional<std::string> folder = EditFileFolder();
  if (!folder) {
    Tell(err, "No folder for the edit file: neither XDG_RUNTIME_DIR nor HOME is set.");
    return kExitFailure;
  }
  StopRequest stop;
  WaitingMessage waiting(err, console.errIsTerminal);
  AlbumOptions album;
  album.deleteRemoved = options.Has(Id::kDelete);
  album.run = RunOptionsFrom(options, stop, nullptr, &waiting);
  EditOutcome edit;
  {
    const StopOnSignals stopOnSignals(stop);
    edit =
        EditInEditor(indexPath, *folder, TextEditor{RunEditorOn, console.inIsTerminal}, fs, album);
  }
  const AlbumOutcome& outcome = edit.album;
  if (outcome.failure) {
    const auto* editor = outcome.failure->As<AlbumFailure::EditorFailed>();
    if (editor != nullptr && editor->error) {
      Tell(err, EditorNotStarted(editor->error));
      return ExitCodeOf(*outcome.failure);
    }
    Tell(err, Visible(Describe(*outcome.failure, CommandLineWords())));
    if (outcome.failure->Is<AlbumFailure::EditFileFaulty>()) {
      for (const EditFileError& error : edit.errors) Tell(err, Visible(Describe(error)));
    }
    if (edit.editorStatus != 0) {
      Tell(err, "the editor ended with status " + std::to_string(edit.editorStatus));
    }
    if (!edit.keptEditFile.empty()) Tell(err, "the edit is kept in " + Visible(edit.keptEditFile));
    PrintHints(outcome, err);
    return ExitCodeOf(*outcome.failure);
  }
  if (!options.Has(Id::kQuiet)) {
    const std::string name = AlbumNameOf(outcome.site.title, indexPath);
    console.out << Visible(edit.unchanged ? AlbumNameOf(indexPath) : name) << ": "
                << (edit.unchanged ? "nothing changed"
                                   : "edited, site in " + Visible(outcome.site.siteFolder +
                                                                  std::string(kIndexPageName)))
                << "\n";
  }
  return kExitOk;
}

}  // namespace quillmere
