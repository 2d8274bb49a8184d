// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// File systems and folders that pass every call on, for tests to change one call of.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace quillmere::testing {

// A folder that passes every call to `inner`.
class ForwardingFolder : public Folder {
 public:
  explicit ForwardingFolder(std::unique_ptr<Folder> inner) : inner_(std::move(inner)) {}
  Result<EntryInfo> Inspect(std::string_view name) override { return inner_->Inspect(name); }
  Result<std::unique_ptr<ReadableFile>> OpenForReading(std::string_view name) override {
    return inner_->OpenForReading(name);
  }
  Result<std::unique_ptr<ReadableFile>> OpenThroughLinkForReading(std::string_view name) override {
    return inner_->OpenThroughLinkForReading(name);
  }
  Result<std::unique_ptr<NewFile>> CreateFile() override { return inner_->CreateFile(); }
  void RemoveLeftovers() override { inner_->RemoveLeftovers(); }
  Result<std::vector<std::string>> List() override { return inner_->List(); }
  Result<std::unique_ptr<Folder>> OpenFolder(std::string_view name) override {
    return inner_->OpenFolder(name);
  }
  Result<std::unique_ptr<Folder>> MakeFolder(std::string_view name) override {
    return inner_->MakeFolder(name);
  }
  Result<void> Rename(std::string_view from, std::string_view to, bool replace) override {
    return inner_->Rename(from, to, replace);
  }
  Result<void> Remove(std::string_view name) override { return inner_->Remove(name); }
  Result<void> RemoveFolder(std::string_view name) override { return inner_->RemoveFolder(name); }
  Result<void> Sync() override { return inner_->Sync(); }
  Result<void> SyncFileSystem() override { return inner_->SyncFileSystem(); }
  Result<std::unique_ptr<FolderLock>> TryLock() override { return inner_->TryLock(); }

 protected:
  Folder& inner() { return *inner_; }

 private:
  std::unique_ptr<Folder> inner_;
};

// A file system that passes every call to `inner`.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}
  Result<EntryInfo> Inspect(const std::string& path, bool follow) override {
    return inner_.Inspect(path, follow);
  }
  Result<std::vector<std::string>> ListFolder(const std::string& folder) override {
    return inner_.ListFolder(folder);
  }
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override {
    return inner_.OpenForReading(path);
  }
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override {
    return inner_.OpenFolder(path);
  }
  Result<void> CreateFolders(const std::string& path) override {
    return inner_.CreateFolders(path);
  }

 protected:
  FileSystem& inner() { return inner_; }

 private:
  FileSystem& inner_;
};

}  // namespace quillmere::testing
