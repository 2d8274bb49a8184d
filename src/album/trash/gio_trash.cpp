// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module that moves files to the desktop's trash with GIO: each file goes to the trash of its
// file system, with where it came from and when written beside it, where file managers find it.
#include <gio/gio.h>

#include <cerrno>

#include "album/trash/trash_module.h"

namespace {

// The errno value nearest to what `error` says.
int ErrnoOf(const GError* error) {
  if (error == nullptr || error->domain != G_IO_ERROR) return EIO;
  switch (error->code) {
    case G_IO_ERROR_NOT_FOUND:
      return ENOENT;
    case G_IO_ERROR_EXISTS:
      return EEXIST;
    case G_IO_ERROR_PERMISSION_DENIED:
      return EACCES;
    case G_IO_ERROR_NO_SPACE:
      return ENOSPC;
    case G_IO_ERROR_READ_ONLY:
      return EROFS;
    case G_IO_ERROR_IS_DIRECTORY:
      return EISDIR;
    case G_IO_ERROR_NOT_SUPPORTED:
      return ENOTSUP;
    default:
      return EIO;
  }
}

// 0 when `file` went to the trash, or why it did not.
int MoveToTrash(GFile* file) {
  GError* error = nullptr;
  if (g_file_trash(file, nullptr, &error)) return 0;
  const int number = ErrnoOf(error);
  g_error_free(error);
  return number;
}

}  // namespace

// Called by the album layer through kTrashFileSymbol. The local file system is used as it is,
// without the modules that would let GIO reach other places.
extern "C" __attribute__((visibility("default"))) int QuillmereTrashFile(const char* path) {
  GFile* file = g_vfs_get_file_for_path(g_vfs_get_local(), path);
  const int result = MoveToTrash(file);
  g_object_unref(file);
  return result;
}
