// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module that moves files to the desktop's trash with GIO: each file goes to the trash of its
// file system, with where it came from and when written beside it, where file managers find it.
#include <gio/gio.h>

#include <cerrno>

#include "album/trash_module.h"

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

// 0 when GIO finds a trash that takes `file`, ENOTSUP when it finds none, or why it cannot tell.
int CheckTrash(GFile* file) {
  GError* error = nullptr;
  GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                                      G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, &error);
  if (info == nullptr) {
    const int number = ErrnoOf(error);
    g_error_free(error);
    return number;
  }
  const bool canTrash = g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH);
  g_object_unref(info);
  return canTrash ? 0 : ENOTSUP;
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
extern "C" __attribute__((visibility("default"))) int QuillmereTrashFile(const char* path,
                                                                         int onlyCheck) {
  GFile* file = g_vfs_get_file_for_path(g_vfs_get_local(), path);
  const int result = onlyCheck != 0 ? CheckTrash(file) : MoveToTrash(file);
  g_object_unref(file);
  return result;
}
