// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_registry.h"

#include <windows.h>

#include "platform/win32_text.h"

namespace morv::win32 {

namespace {

// Root keys are 32-bit values that Windows sign-extends to a handle.
HKEY ToHkey(RegKey key) {
  if (key >= 0x80000000u && key <= 0xFFFFFFFFu) {
    return reinterpret_cast<HKEY>(
        static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(key))));
  }
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

long Win32Registry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t options,
                            std::uint32_t access, RegKey* key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(ToHkey(root), ToAnsi(subKey).c_str(), options, access, &opened);
  *key = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
  return result;
}

long Win32Registry::QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                               unsigned char* data, std::uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = *size;
  const LONG result = RegQueryValueExA(ToHkey(key), ToAnsi(valueName).c_str(), nullptr, &valueType,
                                       data, &valueSize);
  *type = valueType;
  *size = valueSize;
  return result;
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(ToHkey(key)); }

}  // namespace morv::win32
