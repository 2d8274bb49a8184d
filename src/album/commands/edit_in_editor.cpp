// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/edit_in_editor.h"

#include <cstdlib>

#include "album/cache/made_pictures_cache.h"
#include "album/commands/edit_file_claim.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"

namespace quillmere {
namespace {

// The edit file's folder and name, and its path.
struct EditFilePlace {
  std::unique_ptr<Folder> folder;
  std::string name;
  std::string path;
  // This run's claim on the file, let go of before the folder.
  std::unique_ptr<EditFileClaim> claim;
};

// Writes `text` as the edit file `name` of `folder`, readable by its owner alone; replaces what
// has the name only when `replace`.
Result<void> WriteEditFile(Folder& folder, const std::string& name, std::string_view text,
                           bool replace) {
  Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
  if (!file) return file.error();
  if (std::error_code error = file.value()->Write(text.data(), text.size()).error()) return error;
  Placement placement;
  placement.mode = 0600;
  placement.replace = replace;
  return file.value()->PutInPlace(name, placement);
}

// Writes the first edit file, `text`, in `folder`, under a name no file has.
Result<EditFilePlace, AlbumFailure> StartEditFile(const std::string& folder, std::string_view text,
                                                  FileSystem& fs) {
  if (std::error_code error = fs.CreateFolders(folder).error()) {
    return AlbumFailure::FolderNotMade{folder, error};
  }
  Result<std::unique_ptr<Folder>> opened = fs.OpenFolder(folder);
  if (!opened) return AlbumFailure::FolderNotOpened{folder, opened.error()};
  RemoveEndedEditFiles(*opened.value());
  auto claim = std::make_unique<EditFileClaim>(*opened.value());
  for (int count = 1;; ++count) {
    std::string name = "quillmere-edit";
    if (count > 1) name.append("-").append(std::to_string(count));
    name += ".txt";
    claim->Claim(name);
    std::error_code error = WriteEditFile(*opened.value(), name, text, /*replace=*/false).error();
    if (error == std::errc::file_exists && count < 100) continue;
    std::string path = folder;
    path.append("/").append(name);
    if (error) return AlbumFailure::NotWritten{path, error};
    return EditFilePlace{std::move(opened.value()), name, path, std::move(claim)};
  }
}

// Tells whether `edit` of an album of `count` pictures changes nothing.
bool ChangesNothing(const AlbumEdit& edit, std::size_t count) {
  return !edit.text.title && edit.text.pairs.empty() &&
         KeepsOrder(static_cast<std::int64_t>(count), edit.text.order);
}

// Runs `editor` on the edit file at `place` until what it holds can be applied to `album`, or it
// comes back unchanged since its errors were shown, or may not be run again; the edit, or why
// there is none.
Result<AlbumEdit, AlbumFailure> EditUntilApplicable(EditFilePlace& place,
                                                    const AlbumForEditing& album,
                                                    const TextEditor& editor,
                                                    EditOutcome& outcome) {
  std::optional<std::string> shownWithErrors;
  for (;;) {
    Result<int> status = editor.run(place.path);
    if (!status) return AlbumFailure::EditorFailed{place.path, status.error()};
    if (status.value() != 0) {
      outcome.editorStatus = status.value();
      return AlbumFailure::EditorFailed{place.path};
    }
    Result<WholeFile> edited = ReadWholeFile(*place.folder, place.name);
    if (!edited) return AlbumFailure::EditFileLost{place.path, edited.error()};
    const std::string& bytes = edited.value().bytes;
    auto parsed = ParseEditFile(bytes, album);
    if (parsed) return std::move(parsed.value());
    if (shownWithErrors == bytes) {
      outcome.errors = std::move(*parsed.failure());
      return AlbumFailure::EditFileFaulty{place.path, outcome.errors.size()};
    }
    shownWithErrors = EditFileTextWithErrors(bytes, *parsed.failure());
    outcome.errors = NumberedAsReopened(bytes, std::move(*parsed.failure()));
    if (std::error_code error =
            WriteEditFile(*place.folder, place.name, *shownWithErrors, true).error()) {
      return AlbumFailure::NotWritten{place.path, error};
    }
    if (!editor.again) return AlbumFailure::EditFileFaulty{place.path, outcome.errors.size()};
  }
}

// Tells whether the edit file at `place` holds what the person wrote: it is there, and not as it
// was first written (`first`).
bool HoldsTheirWork(const EditFilePlace& place, std::string_view first) {
  Result<WholeFile> now = ReadWholeFile(*place.folder, place.name);
  return now && now.value().bytes != first;
}

}  // namespace

std::optional<std::string> EditFileFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime == '/') return std::string(runtime);
  std::optional<std::string> cache = UserCacheFolder();
  if (!cache) return std::nullopt;
  return *cache + "/quillmere";
}

EditOutcome EditInEditor(const std::string& indexPath, const std::string& folder,
                         const TextEditor& editor, FileSystem& fs, const AlbumOptions& options) {
  EditOutcome outcome;
  outcome.album.indexPath = indexPath;
  WithinMemory(outcome.album, [&] {
    auto album = ReadForEditing(indexPath, fs, options);
    if (auto* failure = album.failure()) {
      outcome.album.failure = std::move(*failure);
      return;
    }
    const std::string first = EditFileText(album.value(), indexPath);
    auto place = StartEditFile(folder, first, fs);
    if (auto* failure = place.failure()) {
      outcome.album.failure = std::move(*failure);
      return;
    }
    auto edit = EditUntilApplicable(place.value(), album.value(), editor, outcome);
    if (auto* failure = edit.failure()) {
      outcome.album.failure = std::move(*failure);
    } else {
      outcome.unchanged = ChangesNothing(edit.value(), album.value().pictures.size());
      if (!outcome.unchanged) outcome.album = EditAlbum(indexPath, edit.value(), fs, options);
    }
    // The file is kept only where an edit the person wrote was not applied.
    if (!outcome.album.ok() && HoldsTheirWork(place.value(), first)) {
      outcome.keptEditFile = place.value().path;
    } else {
      static_cast<void>(place.value().folder->Remove(place.value().name));
    }
  });
  return outcome;
}

}  // namespace quillmere
