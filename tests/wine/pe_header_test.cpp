// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The executable as the Windows loader sees it: a 64-bit GUI image that asks for ASLR with
// high-entropy addresses and for DEP, keeps the relocations that ASLR needs, and imports only
// libraries of the operating system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace morv::e2e {
namespace {

// A bounds-checked view of a PE file read into memory.
class PeFile {
 public:
  explicit PeFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto* dos = At<IMAGE_DOS_HEADER>(0);
    if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    nt_ = At<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos->e_lfanew));
    if (nt_ == nullptr || nt_->Signature != IMAGE_NT_SIGNATURE) {
      nt_ = nullptr;
      return;
    }
    const std::size_t sections = static_cast<std::size_t>(dos->e_lfanew) + sizeof(DWORD) +
                                 sizeof(IMAGE_FILE_HEADER) + nt_->FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
      const auto* section = At<IMAGE_SECTION_HEADER>(sections + i * sizeof(IMAGE_SECTION_HEADER));
      if (section == nullptr) break;
      sections_.push_back(*section);
    }
  }

  bool Valid() const { return nt_ != nullptr; }
  const IMAGE_NT_HEADERS64& nt() const { return *nt_; }
  std::size_t size() const { return bytes_.size(); }

  const IMAGE_DATA_DIRECTORY& Directory(int index) const {
    return nt_->OptionalHeader.DataDirectory[index];
  }

  // The file offset of a relative virtual address, if a section holds it.
  std::optional<std::size_t> Offset(DWORD rva) const {
    for (const auto& section : sections_) {
      const DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + extent) {
        return static_cast<std::size_t>(rva - section.VirtualAddress) + section.PointerToRawData;
      }
    }
    return std::nullopt;
  }

  template <typename T>
  const T* At(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return nullptr;
    return reinterpret_cast<const T*>(bytes_.data() + offset);
  }
  template <typename T>
  const T* AtRva(DWORD rva) const {
    const auto offset = Offset(rva);
    return offset ? At<T>(*offset) : nullptr;
  }

  std::string StringAtRva(DWORD rva) const {
    const auto offset = Offset(rva);
    if (!offset || *offset >= bytes_.size()) return {};
    const char* begin = bytes_.data() + *offset;
    const char* end = static_cast<const char*>(std::memchr(begin, 0, bytes_.size() - *offset));
    return end ? std::string(begin, end) : std::string();
  }

  // Names of the libraries in the import table, or in the delay-load table.
  std::vector<std::string> Imports() const {
    std::vector<std::string> names;
    const auto& directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (DWORD rva = directory.VirtualAddress; directory.Size != 0;
         rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto* entry = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva);
      if (entry == nullptr) {
        names.push_back("<import table out of bounds>");
        break;
      }
      if (entry->Name == 0) break;
      names.push_back(StringAtRva(entry->Name));
    }
    return names;
  }
  std::vector<std::string> DelayImports() const {
    std::vector<std::string> names;
    const auto& directory = Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
    for (DWORD rva = directory.VirtualAddress; directory.Size != 0;
         rva += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
      const auto* entry = AtRva<IMAGE_DELAYLOAD_DESCRIPTOR>(rva);
      if (entry == nullptr || entry->DllNameRVA == 0) break;
      names.push_back(StringAtRva(entry->DllNameRVA));
    }
    return names;
  }

 private:
  std::vector<char> bytes_;
  const IMAGE_NT_HEADERS64* nt_ = nullptr;
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Libraries that every Windows has in its system folder, and the universal C runtime's
// API sets that stand for them.
bool IsSystemLibrary(const std::string& name) {
  static const char* const kSystem[] = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                        "advapi32.dll", "comctl32.dll", "msvcrt.dll",
                                        "ucrtbase.dll", "shell32.dll",  "ntdll.dll"};
  const std::string lower = Lower(name);
  if (lower.rfind("api-ms-win-", 0) == 0) return true;
  return std::find(std::begin(kSystem), std::end(kSystem), lower) != std::end(kSystem);
}

class PeHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(file_.Valid()) << "not a 64-bit PE file: morvtime.exe, " << file_.size()
                               << " bytes";
  }
  PeFile file_{MorvTimePath()};
};

TEST_F(PeHeader, IsA64BitWindowsGuiProgram) {
  EXPECT_EQ(file_.nt().FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  EXPECT_EQ(file_.nt().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  EXPECT_EQ(file_.nt().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_TRUE(file_.nt().FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
  EXPECT_FALSE(file_.nt().FileHeader.Characteristics & IMAGE_FILE_DLL);
}

// And Terminal-Server awareness, which MSVC builds carry too: without it a Remote Desktop host
// gives the program a private Windows folder.
TEST_F(PeHeader, AsksForAslrWithHighEntropyForDepAndIsTerminalServerAware) {
  const WORD flags = file_.nt().OptionalHeader.DllCharacteristics;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << std::hex << flags;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) << std::hex << flags;
  // High-entropy addresses only apply to an image that takes addresses above 2 GiB.
  EXPECT_TRUE(file_.nt().FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

// An image whose relocations were stripped cannot be moved, whatever its flags ask for.
TEST_F(PeHeader, KeepsTheRelocationsThatAslrNeeds) {
  EXPECT_FALSE(file_.nt().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
  const auto& relocations = file_.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
  EXPECT_NE(relocations.VirtualAddress, 0u);
  EXPECT_GT(relocations.Size, 0u);
  const auto* block = file_.AtRva<IMAGE_BASE_RELOCATION>(relocations.VirtualAddress);
  ASSERT_NE(block, nullptr);
  EXPECT_GT(block->SizeOfBlock, sizeof(IMAGE_BASE_RELOCATION));
}

TEST_F(PeHeader, ImportsOnlySystemLibrariesThatTheSystemFolderHolds) {
  const std::vector<std::string> imports = file_.Imports();
  ASSERT_FALSE(imports.empty());
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_GT(length, 0u);
  for (const std::string& name : imports) {
    EXPECT_TRUE(IsSystemLibrary(name)) << name << " is not a library of the operating system";
    const std::wstring path =
        std::wstring(system, length) + L"\\" + std::wstring(name.begin(), name.end());
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << name << " is not in the system folder";
  }
  for (const std::string& name : file_.DelayImports()) {
    EXPECT_TRUE(IsSystemLibrary(name))
        << name << " (delay-loaded) is not a library of the operating system";
  }
}

}  // namespace
}  // namespace morv::e2e
