// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A stand-in screen reader for the end-to-end tests: one accessible object of a window, as
// Microsoft Active Accessibility gives it to a reader (across processes, or in this one).
// Header-only; a test program that includes it links oleacc, ole32 and oleaut32.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <string>

namespace morv::e2e {

class ReaderView {
 public:
  ReaderView(HWND window, LONG objectId) {
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(com)) {
      // __uuidof, not the import library's IID_IAccessible, which MinGW resolves to a thunk.
      AccessibleObjectFromWindow(window, static_cast<DWORD>(objectId), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&object_));
    }
  }
  explicit ReaderView(IAccessible* object) : object_(object) {}
  ~ReaderView() {
    if (object_ != nullptr) object_->Release();
  }
  ReaderView(const ReaderView&) = delete;
  ReaderView& operator=(const ReaderView&) = delete;

  IAccessible* get() const { return object_; }
  static VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }
  HRESULT Text(HRESULT (STDMETHODCALLTYPE IAccessible::*read)(VARIANT, BSTR*),
               std::wstring& text) const {
    BSTR answer = nullptr;
    const HRESULT result = (object_->*read)(Self(), &answer);
    // cppcheck-suppress knownConditionTrueFalse ; the call through the member pointer sets it
    text = answer != nullptr ? std::wstring(answer, SysStringLen(answer)) : L"";
    SysFreeString(answer);
    return result;
  }
  std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*read)(VARIANT, BSTR*)) const {
    std::wstring text;
    Text(read, text);
    return text;
  }
  // A role or state; -1 when the object gives none.
  LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*read)(VARIANT, VARIANT*)) const {
    VARIANT answer;
    VariantInit(&answer);
    const HRESULT result = (object_->*read)(Self(), &answer);
    return SUCCEEDED(result) && answer.vt == VT_I4 ? answer.lVal : -1;
  }
  RECT Location() const {
    LONG left = 0, top = 0, width = 0, height = 0;
    object_->accLocation(&left, &top, &width, &height, Self());
    return {left, top, left + width, top + height};
  }

 private:
  IAccessible* object_ = nullptr;
};

}  // namespace morv::e2e
