// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A screen reader's one request, for the memory benchmark: asks the window with the given
// caption for its client area's accessible object, as a reader does when it lands on it, and
// reads its role, name and value. Prints "value TEXT" (UTF-8); exits non-zero when the window or
// its object cannot be had.
//
//   reader_bench CAPTION
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: reader_bench CAPTION\n");
    return 2;
  }
  const HWND window = FindWindowW(nullptr, argv[1]);
  if (window == nullptr || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IAccessible* object = nullptr;
  // __uuidof, not the import library's IID_IAccessible, which MinGW resolves to a thunk.
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    return 1;
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  VariantInit(&role);
  BSTR name = nullptr;
  BSTR value = nullptr;
  const bool read = SUCCEEDED(object->get_accRole(self, &role)) &&
                    SUCCEEDED(object->get_accName(self, &name)) &&
                    SUCCEEDED(object->get_accValue(self, &value));
  if (read) {
    char text[64] = {};
    WideCharToMultiByte(CP_UTF8, 0, value != nullptr ? value : L"", -1, text, sizeof(text) - 1,
                        nullptr, nullptr);
    std::printf("value %s\n", text);
  }
  SysFreeString(name);
  SysFreeString(value);
  object->Release();
  CoUninitialize();
  return read ? 0 : 1;
}
