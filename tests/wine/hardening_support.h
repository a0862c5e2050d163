// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Support for the hardening tests: a scratch folder to plant files in, and what another
// process was started with and has loaded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace morv::e2e {

// A new, empty folder under the temporary folder, deleted with everything in it when this
// object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Copies source into this folder under the given name; false on failure.
  bool Copy(const std::wstring& source, const std::wstring& name) const;

 private:
  std::wstring path_;
};

bool FileExists(const std::wstring& path);
// The whole file as UTF-16 text (as the planted programs write it); empty if it cannot be read.
std::wstring ReadWideFile(const std::wstring& path);

// The command line another process was started with, read from its process parameters.
std::wstring ProcessCommandLine(HANDLE process);
// The full path of another process's executable.
std::wstring ProcessImagePath(HANDLE process);
// Full paths of the modules loaded in another process.
std::vector<std::wstring> LoadedModules(HANDLE process);
// The full path of the loaded module with this file name (any case), or "" if none.
std::wstring LoadedModule(HANDLE process, const std::wstring& fileName);

std::wstring SystemFolder();
std::wstring WindowsFolder();
// True when path names a file directly inside folder (compared without regard to case).
bool IsInFolder(const std::wstring& path, const std::wstring& folder);

}  // namespace morv::e2e
