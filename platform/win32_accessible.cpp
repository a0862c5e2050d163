// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_accessible.h"

#include <ole2.h>
#include <oleacc.h>

#include <string>

#include "platform/win32_library.h"
#include "platform/win32_text.h"

namespace morv::win32 {

namespace {

// The calls this needs from the accessibility and COM libraries. They are looked up, not
// imported: an import would load the libraries into every running clock, and a screen reader
// is rare.
struct OleCalls {
  LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
  HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
  HRESULT(WINAPI* coDisconnectObject)(LPUNKNOWN, DWORD) = nullptr;
  BSTR(WINAPI* sysAllocString)(const OLECHAR*) = nullptr;
};

template <typename Function>
bool Find(HMODULE library, const char* name, Function& function) {
  function = LibraryFunction<Function>(library, name);
  return function != nullptr;
}

// Loads the libraries from the system folder and starts COM on this (the user-interface)
// thread, at the first call; nullptr when anything of it is refused, then and ever after.
const OleCalls* Ole() {
  static OleCalls calls;
  static enum { NotTried, Ready, Refused } state = NotTried;
  if (state == NotTried) {
    state = Refused;
    const HMODULE oleacc = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const HMODULE oleaut32 = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HRESULT(WINAPI * coInitializeEx)(LPVOID, DWORD) = nullptr;
    if (oleacc != nullptr && ole32 != nullptr && oleaut32 != nullptr &&
        Find(oleacc, "LresultFromObject", calls.lresultFromObject) &&
        Find(oleacc, "CreateStdAccessibleObject", calls.createStdAccessibleObject) &&
        Find(ole32, "CoDisconnectObject", calls.coDisconnectObject) &&
        Find(ole32, "CoInitializeEx", coInitializeEx) &&
        Find(oleaut32, "SysAllocString", calls.sysAllocString) &&
        SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
      state = Ready;
    }
  }
  return state == Ready ? &calls : nullptr;
}

LONG RoleOf(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::Clock:
      return ROLE_SYSTEM_CLOCK;
  }
  return ROLE_SYSTEM_CLIENT;
}

// What VariantInit does, written out: a call would import the automation library.
void SetEmpty(VARIANT* variant) { variant->vt = VT_EMPTY; }

void SetLong(VARIANT* variant, LONG value) {
  variant->vt = VT_I4;
  variant->lVal = value;
}

}  // namespace

// The client area as an IAccessible without children. It holds the window handle and the
// describing function only while the window lives; once cut off, every call but the reference
// counting answers CO_E_OBJNOTCONNECTED.
class AccessibleClient final : public IAccessible {
 public:
  AccessibleClient(const OleCalls& ole, HWND window, AccessibleRole role,
                   std::function<AccessibleText()> describe)
      : ole_(ole), window_(window), role_(role), describe_(std::move(describe)) {}
  AccessibleClient(const AccessibleClient&) = delete;
  AccessibleClient& operator=(const AccessibleClient&) = delete;

  void CutOff() {
    window_ = nullptr;
    describe_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: readers call the interface itself; there is no type information to script it.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return window_ ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return window_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return window_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return window_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
  }

  // IAccessible: the texts.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, &AccessibleText::name, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, &AccessibleText::value, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Text(child, &AccessibleText::description, description);
  }

  // IAccessible: what it is and where.
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    SetEmpty(role);
    const HRESULT checked = Check(child);
    if (FAILED(checked)) return checked;
    SetLong(role, RoleOf(role_));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    SetEmpty(state);
    const HRESULT checked = Check(child);
    if (FAILED(checked)) return checked;
    LONG flags = STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE;
    if (Active()) flags |= STATE_SYSTEM_FOCUSED;
    if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
    SetLong(state, flags);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
      return E_POINTER;
    *left = *top = *width = *height = 0;
    const HRESULT checked = Check(child);
    if (FAILED(checked)) return checked;
    const RECT client = ClientOnScreen();
    *left = client.left;
    *top = client.top;
    *width = client.right - client.left;
    *height = client.bottom - client.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* found) override {
    if (found == nullptr) return E_POINTER;
    SetEmpty(found);
    if (window_ == nullptr) return CO_E_OBJNOTCONNECTED;
    const RECT client = ClientOnScreen();
    if (!PtInRect(&client, POINT{x, y})) return S_FALSE;
    SetLong(found, CHILDID_SELF);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    SetEmpty(focus);
    if (window_ == nullptr) return CO_E_OBJNOTCONNECTED;
    if (!Active()) return S_FALSE;
    SetLong(focus, CHILDID_SELF);
    return S_OK;
  }

  // IAccessible: the family. The parent is the window's standard object, as for any client
  // area; there are no children.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (window_ == nullptr) return CO_E_OBJNOTCONNECTED;
    return ole_.createStdAccessibleObject(window_, OBJID_WINDOW, __uuidof(IDispatch),
                                          reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return window_ ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** found) override {
    if (found == nullptr) return E_POINTER;
    *found = nullptr;
    return window_ ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    SetEmpty(end);
    const HRESULT checked = Check(start);
    return FAILED(checked) ? checked : S_FALSE;
  }

  // IAccessible: what a clock does not have.
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return Nothing(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Nothing(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Nothing(child, action);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (topic != nullptr) *topic = 0;
    return Nothing(child, file);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selected) override {
    if (selected == nullptr) return E_POINTER;
    SetEmpty(selected);
    return window_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT child) override { return Unsupported(child); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Unsupported(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR) override { return Unsupported(child); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR) override {
    return Unsupported(child);
  }

 private:
  ~AccessibleClient() = default;  // through Release only

  // The object itself is the one child id a caller may name.
  HRESULT Check(const VARIANT& child) const {
    if (window_ == nullptr) return CO_E_OBJNOTCONNECTED;
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
  }
  HRESULT Unsupported(const VARIANT& child) const {
    const HRESULT checked = Check(child);
    return FAILED(checked) ? checked : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT Nothing(const VARIANT& child, BSTR* text) const {
    if (text == nullptr) return E_POINTER;
    *text = nullptr;
    const HRESULT checked = Check(child);
    return FAILED(checked) ? checked : S_FALSE;
  }
  // One of the texts the program describes the area by, as it is now. Nothing the program
  // raises may leave through the reader's call.
  using TextMember = std::string AccessibleText::*;
  HRESULT Text(const VARIANT& child, TextMember member, BSTR* text) const {
    if (text == nullptr) return E_POINTER;
    *text = nullptr;
    const HRESULT checked = Check(child);
    if (FAILED(checked)) return checked;
    try {
      const std::wstring wide = Widen(describe_().*member);
      *text = ole_.sysAllocString(wide.c_str());
      return *text != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  bool Active() const { return GetForegroundWindow() == window_; }
  RECT ClientOnScreen() const {
    RECT client{};
    GetClientRect(window_, &client);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
  }

  const OleCalls& ole_;
  HWND window_;
  const AccessibleRole role_;
  std::function<AccessibleText()> describe_;
  LONG references_ = 1;
};

void ScreenReaderAccess::Describe(AccessibleRole role, std::function<AccessibleText()> describe) {
  role_ = role;
  describe_ = std::move(describe);
}

bool ScreenReaderAccess::Answer(HWND window, WPARAM flags, LPARAM objectId, LRESULT& result) {
  // The object id comes as a 32-bit value, whatever the width of LPARAM.
  if (!describe_ || static_cast<LONG>(static_cast<DWORD>(objectId)) != OBJID_CLIENT) return false;
  const OleCalls* ole = Ole();
  if (ole == nullptr) return false;
  if (object_ == nullptr) {
    object_ = new (std::nothrow) AccessibleClient(*ole, window, role_, describe_);
    if (object_ == nullptr) return false;
  }
  // A reference for the reader, marshalled to its process when it lives in another.
  const LRESULT answer = ole->lresultFromObject(__uuidof(IAccessible), flags, object_);
  if (answer < 0) return false;  // an error: the system's default object stands in
  result = answer;
  return true;
}

void ScreenReaderAccess::Disconnect() {
  describe_ = nullptr;
  if (object_ == nullptr) return;
  object_->CutOff();
  // Readers in other processes lose their connection; one in this process keeps a reference
  // to an object that now only answers that it is cut off.
  if (const OleCalls* ole = Ole()) ole->coDisconnectObject(object_, 0);
  object_->Release();
  object_ = nullptr;
}

}  // namespace morv::win32
