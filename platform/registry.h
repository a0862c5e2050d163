// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The registry as the program reads it: advapi32's ANSI calls, reduced to the three it makes.
// Each returns a Windows error code, 0 for success, as the system call does; how the program
// reads a value (its buffer, the value types it knows, what a failure means) is the reading
// form's own business, not this layer's.
#pragma once

#include <cstdint>
#include <string>

namespace morv {

// A key handle as the registry hands it out; 0 is no key. Root keys are the predefined
// 32-bit handles that Windows gives them.
using RegKey = std::uintptr_t;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

// Value types and access rights, as Windows numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;

// The error codes the program and its tests meet.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorMoreData = 234;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA. Texts are UTF-8 here; a backend passes them to the system in its ANSI code
  // page.
  virtual long OpenKey(RegKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* key) = 0;
  // RegQueryValueExA: fills at most *size bytes of data, sets *type and sets *size to the bytes
  // written, or to the bytes needed when it answers kErrorMoreData. Strings need not end in a
  // zero byte.
  virtual long QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                          unsigned char* data, std::uint32_t* size) = 0;
  // RegCloseKey.
  virtual long CloseKey(RegKey key) = 0;
};

}  // namespace morv
