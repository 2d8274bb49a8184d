// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// New files made durable in groups: their data flushed with one call for the whole group, then
// each put in place, then each folder that got a name flushed once.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// New files waiting to be put in place once their data is on the disk. Not for more than one
// thread at a time.
class FileBatch {
 public:
  // Told of a file that could not be put in place, its name and why; the others still are.
  using FileFailed = std::function<void(const std::string& name, std::error_code error)>;

  // Holds up to `size` files before it puts them in place by itself. Without `fileFailed`, the
  // first file that cannot be put in place fails the batch, and the files after it are dropped.
  explicit FileBatch(std::size_t size = 64, FileFailed fileFailed = {})
      : size_(size), fileFailed_(std::move(fileFailed)) {}
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Takes `file`, written whole, to be put in place as `name` of `folder` (which must outlive
  // the batch) as `placement` says; puts the whole group in place when it is full.
  [[nodiscard]] Result<void> Add(std::unique_ptr<NewFile> file, Folder& folder, std::string name,
                                 const Placement& placement);

  // Flushes the data of the files waiting, then puts each in place, in the order they came.
  [[nodiscard]] Result<void> PutInPlace();

  // Puts the files waiting in place, then flushes every folder that got a name.
  [[nodiscard]] Result<void> Finish();

  // Drops the files waiting: none of them takes a name.
  void Drop() { waiting_.clear(); }

  // How many files were put in place so far.
  std::size_t placed() const { return placed_; }

 private:
  struct Waiting {
    std::unique_ptr<NewFile> file;
    Folder* folder;
    std::string name;
    Placement placement;
  };

  std::size_t size_;
  FileFailed fileFailed_;
  std::vector<Waiting> waiting_;
  std::vector<Folder*> touched_;
  std::size_t placed_ = 0;
};

}  // namespace quillmere
