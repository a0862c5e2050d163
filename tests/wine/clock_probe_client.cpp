// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "clock_probe_client.h"

#include <psapi.h>  // after <windows.h>

#include <algorithm>

#include "e2e_support.h"

namespace morv::e2e {

namespace {

bool RunRemote(HANDLE process, LPTHREAD_START_ROUTINE routine, void* parameter) {
  const HANDLE thread = CreateRemoteThread(process, nullptr, 0, routine, parameter, 0, nullptr);
  if (thread == nullptr) return false;
  const bool ended = WaitForSingleObject(thread, 15000) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

BYTE* FindModule(HANDLE process, const std::wstring& name) {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!EnumProcessModulesEx(process, modules, sizeof(modules), &needed, LIST_MODULES_ALL)) {
    return nullptr;
  }
  const DWORD count = std::min<DWORD>(static_cast<DWORD>(needed / sizeof(HMODULE)), 512);
  for (DWORD i = 0; i < count; ++i) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(file.find_last_of(L"\\/") + 1);
    if (CompareStringOrdinal(file.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) {
      return reinterpret_cast<BYTE*>(modules[i]);
    }
  }
  return nullptr;
}

}  // namespace

ClockProbe::ClockProbe(HANDLE process)
    : process_(process),
      mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(ClockProbeShared), kClockProbeMapping)) {
  if (mapping_ != nullptr) {
    shared_ = static_cast<ClockProbeShared*>(
        MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(ClockProbeShared)));
  }
}

ClockProbe::~ClockProbe() {
  if (shared_ != nullptr) UnmapViewOfFile(shared_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

std::string ClockProbe::Run(const char* probe, void* parameter) {
  if (shared_ == nullptr) return "no shared memory";
  const std::wstring dll = TestProgramFolder() + L"\\" + kClockProbeFile;
  if (remoteBase_ == nullptr) {
    // LoadLibraryW is at the same address in every process, as kernel32 is.
    // The cast through void(*)() keeps GCC's function-type-cast warning quiet.
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const std::size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
    void* remotePath =
        VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remotePath == nullptr ||
        !WriteProcessMemory(process_, remotePath, dll.c_str(), bytes, nullptr)) {
      return "could not write into the clock's process";
    }
    const bool loaded = RunRemote(process_, loadLibrary, remotePath);
    VirtualFreeEx(process_, remotePath, 0, MEM_RELEASE);
    if (!loaded) return "the probe did not load";
    remoteBase_ = FindModule(process_, kClockProbeFile);
    if (remoteBase_ == nullptr) return "the probe is not in the clock's process";
  }
  // The probe's entry point: the same offset from the library's base in every process.
  const HMODULE ours = LoadLibraryW(dll.c_str());
  if (ours == nullptr) return "clock_probe.dll not found";
  const auto offset = reinterpret_cast<const BYTE*>(GetProcAddress(ours, probe)) -
                      reinterpret_cast<const BYTE*>(ours);
  FreeLibrary(ours);
  shared_->done = 0;
  const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(remoteBase_ + offset);
  if (!RunRemote(process_, routine, parameter)) return std::string(probe) + " did not run";
  return shared_->done == 1 ? "" : std::string(probe) + " wrote nothing";
}

}  // namespace morv::e2e
