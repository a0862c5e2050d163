// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog's system information launcher: find the tool through the registry, start
// it, or tell the user it cannot be used.
#include <algorithm>
#include <array>
#include <stdexcept>

#include "about/about_layout.h"
#include "about/frmAbout.h"

namespace morv {

namespace {

// A value that fills the whole buffer without a terminating zero cannot be trusted as text.
class UnterminatedValue : public std::runtime_error {
 public:
  UnterminatedValue() : std::runtime_error("registry value without a terminating zero") {}
};

// Closes an opened key on every way out of the reader.
class OpenKey {
 public:
  explicit OpenKey(Registry& registry) : registry_(registry) {}
  ~OpenKey() {
    if (key_ != 0) registry_.CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  RegKey* out() { return &key_; }
  RegKey get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_ = 0;
};

// Whether a path the registry gives, the tool's or its folder's, is a full one: from a drive's
// root ("C:\Tools") or on a share ("\\server\tools"). The system completes any other from the
// clock's current drive and folder, where anyone may have put a program of that name: a tool's
// path of "MSINFO32.EXE" would start the one in the folder the clock was started from, and an
// empty folder would make the path "\MSINFO32.EXE", the root of that drive (a USB stick, say).
bool IsFullPath(const std::string& folder) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (folder.size() < 3) return false;
  if (letter(folder[0]) && folder[1] == ':' && separator(folder[2])) return true;
  return separator(folder[0]) && separator(folder[1]) && !separator(folder[2]);
}

}  // namespace

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
  try {
    std::string path;
    bool found = GetKeyValue(kHkeyLocalMachine, sysinfo::kPathKey, sysinfo::kPathValue, path);
    if (!found &&
        GetKeyValue(kHkeyLocalMachine, sysinfo::kFolderKey, sysinfo::kFolderValue, path) &&
        IsFullPath(path)) {
      const std::string tool = path + sysinfo::kToolFile;
      if (!platform_.FindFile(tool).empty()) {
        path = tool;
        found = true;
      }
    }
    // The path is started as the program itself, so one with spaces is never split into a
    // shorter program name and arguments; and only a full one, never one the system would look
    // for in the current folder.
    if (found && IsFullPath(path) && platform_.StartProgram(path, "", ProgramSearch::AsGiven)) {
      return;
    }
  } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): deliberate
    // Any failure on the way ends in the one message below.
  }
  platform_.ShowMessage(sysinfo::kUnavailable);
}

bool frmAbout::GetKeyValue(RegKey KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
  Registry& registry = platform_.registry();
  OpenKey key(registry);
  // Read access is all this needs, and all a standard user has under HKEY_LOCAL_MACHINE.
  if (registry.OpenKey(KeyRoot, KeyName, 0, kKeyQueryValue, key.out()) != kErrorSuccess) {
    KeyVal.clear();
    return false;
  }
  std::array<unsigned char, sysinfo::kBufferSize> buffer{};
  auto size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t type = 0;
  if (registry.QueryValue(key.get(), SubKeyRef, &type, buffer.data(), &size) != kErrorSuccess) {
    KeyVal.clear();
    return false;
  }
  const auto end = std::find(buffer.begin(), buffer.end(), static_cast<unsigned char>(0));
  if (end == buffer.end()) throw UnterminatedValue();

  if (type == kRegSz) {
    KeyVal = platform_.FromSystemCodePage(std::string(buffer.begin(), end));
  } else if (type == kRegDword) {
    // The number's decimal text, from all four bytes (little-endian), zero bytes included.
    const std::uint32_t value =
        static_cast<std::uint32_t>(buffer[0]) | static_cast<std::uint32_t>(buffer[1]) << 8 |
        static_cast<std::uint32_t>(buffer[2]) << 16 | static_cast<std::uint32_t>(buffer[3]) << 24;
    KeyVal = std::to_string(value);
  }
  // A value of any other type counts as read and leaves KeyVal as it was.
  return true;
}

}  // namespace morv
