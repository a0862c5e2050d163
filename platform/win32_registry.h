// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/registry.h"

namespace morv::win32 {

// advapi32's ANSI registry calls; names go to the system in its code page.
class Win32Registry final : public Registry {
 public:
  long OpenKey(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
               RegKey* key) override;
  long QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                  unsigned char* data, std::uint32_t* size) override;
  long CloseKey(RegKey key) override;
};

}  // namespace morv::win32
