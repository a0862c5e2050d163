// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// UTF-8 text (as the program's sources and layout tables hold it, and as the stand-in tool
// records its starts) to and from UTF-16. Header-only, so that the stand-in programs can use it
// without the rest of the test support.
#pragma once

#include <windows.h>

#include <string>

namespace morv::e2e {

inline std::wstring FromUtf8(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                      nullptr, nullptr);
  return utf8;
}

}  // namespace morv::e2e
