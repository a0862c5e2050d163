// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "hardening_support.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cwctype>

#include "e2e_support.h"

namespace morv::e2e {

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// A UNICODE_STRING of another process, read from its memory.
std::wstring ReadRemoteString(HANDLE process, const BYTE* address) {
  UNICODE_STRING text{};
  if (!ReadProcessMemory(process, address, &text, sizeof(text), nullptr) ||
      text.Buffer == nullptr) {
    return {};
  }
  std::wstring value(text.Length / sizeof(wchar_t), L'\0');
  if (!value.empty() &&
      !ReadProcessMemory(process, text.Buffer, value.data(), text.Length, nullptr)) {
    return {};
  }
  return value;
}

// The address of another process's RTL_USER_PROCESS_PARAMETERS.
const BYTE* RemoteParameters(HANDLE process) {
  const BYTE* peb = RemotePeb(process);
  if (peb == nullptr) return nullptr;
  const BYTE* parameters = nullptr;
  if (!ReadProcessMemory(process, peb + offsetof(PEB, ProcessParameters),
                         static_cast<void*>(&parameters), sizeof(parameters), nullptr)) {
    return nullptr;
  }
  return parameters;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& prefix) {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp, length);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = base;
    candidate += L"\\" + prefix + L"-" + std::to_wstring(GetCurrentProcessId());
    candidate += L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) DeleteTree(path_);
}

bool ScratchFolder::Copy(const std::wstring& source, const std::wstring& name) const {
  return !path_.empty() && CopyFileW(source.c_str(), (*this / name).c_str(), FALSE) != FALSE;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ReadWideFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
  DWORD read = 0;
  if (!text.empty()) {
    ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
  }
  CloseHandle(file);
  text.resize(read / sizeof(wchar_t));
  return text;
}

std::wstring ProcessCommandLine(HANDLE process) {
  const BYTE* parameters = RemoteParameters(process);
  if (parameters == nullptr) return {};
  return ReadRemoteString(process, parameters + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine));
}

std::wstring ProcessImagePath(HANDLE process) {
  wchar_t path[MAX_PATH];
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process, 0, path, &length)) return {};
  return std::wstring(path, length);
}

std::vector<std::wstring> LoadedModules(HANDLE process) {
  std::vector<HMODULE> modules(512);
  DWORD needed = 0;
  if (!EnumProcessModules(process, modules.data(),
                          static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed)) {
    return {};
  }
  modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::vector<std::wstring> paths;
  for (HMODULE module : modules) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameExW(process, module, path, MAX_PATH);
    if (length > 0) paths.emplace_back(path, length);
  }
  return paths;
}

std::wstring LoadedModule(HANDLE process, const std::wstring& fileName) {
  const std::wstring wanted = Lower(fileName);
  for (const std::wstring& path : LoadedModules(process)) {
    const std::wstring name = Lower(path.substr(path.find_last_of(L"\\/") + 1));
    if (name == wanted) return path;
  }
  return {};
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

bool IsInFolder(const std::wstring& path, const std::wstring& folder) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  return Lower(path.substr(0, slash)) == Lower(folder);
}

}  // namespace morv::e2e
