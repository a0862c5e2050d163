// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/fake_code_page.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <stdexcept>

namespace morv::fake {

#ifdef _WIN32

// The system's own conversion, through UTF-16.
std::string Cp932ToUtf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int inLength = static_cast<int>(bytes.size());
  const int wideLength = MultiByteToWideChar(932, 0, bytes.data(), inLength, nullptr, 0);
  if (wideLength == 0) throw std::runtime_error("no code page 932");
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), inLength, wide.data(), wideLength);
  const int outLength =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string output(static_cast<std::size_t>(outLength), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, output.data(), outLength, nullptr,
                      nullptr);
  return output;
}

#else

// The C library's converter.
std::string Cp932ToUtf8(const std::string& bytes) {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
  std::string input = bytes;
  std::string output(input.size() * 4 + 4, '\0');
  char* in = input.data();
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
    ++in;
    --inLeft;
    *out++ = '?';
    --outLeft;
  }
  iconv_close(converter);
  output.resize(output.size() - outLeft);
  return output;
}

#endif

}  // namespace morv::fake
