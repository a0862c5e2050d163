// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// morvtime.exe's resources as Windows reads them: the version resource and the program icon,
// and the icon the running clock window carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "clock_probe_client.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

// ---- Version resource ----

class VersionResource : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = MorvTimePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data_.data()));
  }

  // The string of the Japanese Unicode block, or nullopt when it is missing.
  std::optional<std::wstring> String(const wchar_t* name) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), query.c_str(), &value, &length) || value == nullptr) {
      return std::nullopt;
    }
    std::wstring text(static_cast<const wchar_t*>(value), length);
    return text.substr(0, text.find(L'\0'));
  }

  std::vector<BYTE> data_;
};

TEST_F(VersionResource, FixedPartIsVersion1100OfAPlainApplication) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // 1.1.0.0: major and minor in the high word, revision and build in the low one.
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
  // Every standard flag is declared meaningful and none is set: not a debug, pre-release,
  // patched, private or special build.
  EXPECT_EQ(fixed->dwFileFlagsMask, static_cast<DWORD>(VS_FFI_FILEFLAGSMASK));
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 4u);    // VOS__WINDOWS32
  EXPECT_EQ(fixed->dwFileType, 1u);  // VFT_APP
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
}

TEST_F(VersionResource, JapaneseUnicodeStringBlockNamesTheProduct) {
  EXPECT_FALSE(String(L"CompanyName").value_or(L"").empty());
  EXPECT_EQ(String(L"ProductName"), L"MORVTIME");
  EXPECT_EQ(String(L"FileVersion"), L"1.01");
  EXPECT_EQ(String(L"ProductVersion"), L"1.01");
  EXPECT_EQ(String(L"InternalName"), L"morvtime");
  EXPECT_EQ(String(L"OriginalFilename"), L"morvtime.exe");
}

TEST_F(VersionResource, TranslationIsJapaneseUnicodeOnly) {
  WORD* pairs = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&pairs), &length));
  ASSERT_EQ(length, 2 * sizeof(WORD)) << "exactly one language and code page pair";
  EXPECT_EQ(pairs[0], 0x0411);  // Japanese
  EXPECT_EQ(pairs[1], 0x04B0);  // Unicode
}

// The resource's tree, walked by hand: VerQueryValue finds a block by name but cannot tell
// whether there are others.
struct VersionNode {
  std::wstring key;
  std::vector<VersionNode> children;
};

std::size_t AlignTo4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// Reads the node at offset (each node: length, value length, type, key, padding, value,
// padding, children); false when the data is malformed.
bool ReadVersionNode(const std::vector<BYTE>& data, std::size_t offset, std::size_t end,
                     VersionNode& node) {
  WORD header[3];
  if (offset + sizeof(header) > end) return false;
  std::memcpy(header, &data[offset], sizeof(header));
  const std::size_t nodeEnd = offset + header[0];
  if (header[0] < sizeof(header) || nodeEnd > end) return false;
  std::size_t p = offset + sizeof(header);
  for (;;) {
    if (p + 2 > nodeEnd) return false;
    wchar_t c = 0;
    std::memcpy(&c, &data[p], 2);
    p += 2;
    if (c == L'\0') break;
    node.key.push_back(c);
  }
  const std::size_t valueBytes = header[2] == 1 ? header[1] * 2u : header[1];  // text or binary
  p = AlignTo4(AlignTo4(p) + valueBytes);
  while (p < nodeEnd) {
    VersionNode child;
    if (!ReadVersionNode(data, p, nodeEnd, child)) return false;
    WORD childLength = 0;
    std::memcpy(&childLength, &data[p], 2);
    node.children.push_back(std::move(child));
    p = AlignTo4(p + childLength);
  }
  return true;
}

TEST_F(VersionResource, HasExactlyOneStringBlock) {
  VersionNode root;
  ASSERT_TRUE(ReadVersionNode(data_, 0, data_.size(), root));
  EXPECT_EQ(root.key, L"VS_VERSION_INFO");
  int stringFileInfos = 0;
  for (const VersionNode& child : root.children) {
    if (child.key != L"StringFileInfo") continue;
    ++stringFileInfos;
    ASSERT_EQ(child.children.size(), 1u);
    EXPECT_EQ(child.children[0].key, L"041104B0");
  }
  EXPECT_EQ(stringFileInfos, 1);
}

// ---- Icon ----

constexpr int kIconSize = 32;

// The X: in row r (0 = top), 1 <= r <= 30, columns r-1..r+1 and 30-r..32-r within columns
// 1..30 are opaque; rows 0 and 31 and every other pixel are transparent.
bool OpaqueInTheX(int row, int column) {
  if (row < 1 || row > 30 || column < 1 || column > 30) return false;
  return (column >= row - 1 && column <= row + 1) || (column >= 30 - row && column <= 32 - row);
}

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInResource;
  WORD id;
};
#pragma pack(pop)

struct ResourceBytes {
  const BYTE* data = nullptr;
  DWORD size = 0;
};

ResourceBytes FindResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, found);
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

class ProgramIcon : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(MorvTimePath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  static BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    auto* names = reinterpret_cast<std::vector<std::wstring>*>(param);
    names->push_back(IS_INTRESOURCE(name)
                         ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                         : std::wstring(name));
    return TRUE;
  }
  std::vector<std::wstring> Names(LPCWSTR type) const {
    std::vector<std::wstring> names;
    EnumResourceNamesW(module_, type, CollectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
  }

  HMODULE module_ = nullptr;
};

TEST_F(ProgramIcon, IsOne32By32ImageWith16Colours) {
  ASSERT_EQ(Names(RT_GROUP_ICON).size(), 1u) << "the executable has one icon";
  const ResourceBytes group = FindResourceBytes(module_, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_NE(group.data, nullptr) << "the icon is resource 1, which the windows load";
  ASSERT_GE(group.size, sizeof(GroupIconHeader));
  GroupIconHeader header{};
  std::memcpy(&header, group.data, sizeof(header));
  EXPECT_EQ(header.type, 1);  // icon, not cursor
  ASSERT_EQ(header.count, 1) << "exactly one image";
  ASSERT_GE(group.size, sizeof(GroupIconHeader) + sizeof(GroupIconEntry));
  GroupIconEntry entry{};
  std::memcpy(&entry, group.data + sizeof(GroupIconHeader), sizeof(entry));
  EXPECT_EQ(entry.width, kIconSize);
  EXPECT_EQ(entry.height, kIconSize);
  EXPECT_EQ(entry.colourCount, 16);
  EXPECT_EQ(entry.planes, 1);
  EXPECT_EQ(entry.bitCount, 4);
  EXPECT_EQ(Names(RT_ICON).size(), 1u);
  const ResourceBytes image = FindResourceBytes(module_, MAKEINTRESOURCEW(entry.id), RT_ICON);
  ASSERT_NE(image.data, nullptr);
  EXPECT_EQ(image.size, entry.bytesInResource);
}

TEST_F(ProgramIcon, DrawsABlackXWithATransparentMargin) {
  const ResourceBytes group = FindResourceBytes(module_, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_GE(group.size, sizeof(GroupIconHeader) + sizeof(GroupIconEntry));
  GroupIconEntry entry{};
  std::memcpy(&entry, group.data + sizeof(GroupIconHeader), sizeof(entry));
  const ResourceBytes image = FindResourceBytes(module_, MAKEINTRESOURCEW(entry.id), RT_ICON);
  ASSERT_NE(image.data, nullptr);

  // A device-independent bitmap: header, palette, colour bits, then the mask, both bottom-up.
  constexpr std::size_t kPalette = 16 * sizeof(RGBQUAD);
  constexpr std::size_t kColourRow = kIconSize * 4 / 8;  // 4 bits a pixel, already 4-aligned
  constexpr std::size_t kMaskRow = kIconSize / 8;        // 1 bit a pixel, already 4-aligned
  ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER info{};
  std::memcpy(&info, image.data, sizeof(info));
  EXPECT_EQ(info.biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(info.biWidth, kIconSize);
  EXPECT_EQ(info.biHeight, 2 * kIconSize);  // colour bits and mask together
  EXPECT_EQ(info.biPlanes, 1);
  ASSERT_EQ(info.biBitCount, 4);
  ASSERT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
  ASSERT_TRUE(info.biClrUsed == 0 || info.biClrUsed == 16);
  ASSERT_EQ(image.size, sizeof(info) + kPalette + kIconSize * (kColourRow + kMaskRow));

  // The standard 16-colour palette.
  const std::array<std::uint32_t, 16> standard{
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  std::array<std::uint32_t, 16> palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    RGBQUAD quad{};
    std::memcpy(&quad, image.data + sizeof(info) + i * sizeof(RGBQUAD), sizeof(quad));
    palette[i] = (static_cast<std::uint32_t>(quad.rgbRed) << 16) |
                 (static_cast<std::uint32_t>(quad.rgbGreen) << 8) | quad.rgbBlue;
    EXPECT_EQ(palette[i], standard[i]) << "palette entry " << i;
  }

  const BYTE* colours = image.data + sizeof(info) + kPalette;
  const BYTE* mask = colours + kIconSize * kColourRow;
  int wrong = 0;
  for (int row = 0; row < kIconSize; ++row) {
    const std::size_t stored = static_cast<std::size_t>(kIconSize - 1 - row);  // bottom-up
    for (int column = 0; column < kIconSize; ++column) {
      const bool transparent =
          (mask[stored * kMaskRow + column / 8] >> (7 - column % 8)) & 1;  // mask 1: screen shows
      const BYTE pair = colours[stored * kColourRow + column / 2];
      const int index = column % 2 == 0 ? pair >> 4 : pair & 0xF;
      const bool shouldBeOpaque = OpaqueInTheX(row, column);
      // Opaque pixels are black; transparent ones are black in the colour bits too, since a
      // coloured pixel under a set mask bit would invert the screen behind it.
      if (transparent == shouldBeOpaque || palette[static_cast<std::size_t>(index)] != 0) {
        ++wrong;
        ADD_FAILURE() << "pixel row " << row << ", column " << column << ": "
                      << (transparent ? "transparent" : "opaque") << ", colour index " << index;
        if (wrong > 10) return;
      }
    }
  }
}

// Whether the pixels of the 32 x 32 image that a pixel (row, column) of the image scaled to
// size x size covers are all opaque (1), all transparent (0) or some of each (-1).
int CoveredOpacity(int row, int column, int size) {
  int opaque = 0, all = 0;
  for (int r = row * kIconSize / size; r * size < (row + 1) * kIconSize; ++r) {
    for (int c = column * kIconSize / size; c * size < (column + 1) * kIconSize; ++c) {
      opaque += OpaqueInTheX(r, c);
      ++all;
    }
  }
  return opaque == all ? 1 : opaque == 0 ? 0 : -1;
}

// The running clock window carries the program icon at the size the window's DPI asks for (the
// system would otherwise scale it where it shows it, and blur it): the same X, scaled without
// blurring, opaque pixels black and the others letting whatever is behind show through (checked
// over two different backgrounds). Where a pixel covers both kinds of the image's pixels, either
// is right.
TEST(ClockWindowIcon, IsTheProgramIconAtTheSizeOfTheWindowsDpi) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  ClockProbe probe(clock.process.handle());
  const std::array<std::uint32_t, 2> backgrounds{0x00FF00FFu, 0x0000C000u};
  probe.shared().icon.background[0] = backgrounds[0];
  probe.shared().icon.background[1] = backgrounds[1];
  ASSERT_EQ(probe.Run(kProbeWindowIcon, clock.window), "");
  const IconReport& result = probe.shared().icon;
  ASSERT_NE(result.source, 0) << "the window has no icon";
  const int size = GetSystemMetricsForDpi(SM_CXICON, 120);
  EXPECT_EQ(result.width, size);
  EXPECT_EQ(result.height, size);
  if (result.width != size || result.height != size) return;
  for (std::size_t b = 0; b < backgrounds.size(); ++b) {
    int wrong = 0;
    for (int row = 0; row < size; ++row) {
      for (int column = 0; column < size; ++column) {
        const int opacity = CoveredOpacity(row, column, size);
        const std::uint32_t expected = opacity == 1 ? 0u : backgrounds[b];
        const std::uint32_t seen = result.pixels[b][row * kIconProbeMaxSize + column];
        const bool right = opacity < 0 ? seen == 0u || seen == backgrounds[b] : seen == expected;
        if (!right && ++wrong <= 10) {
          ADD_FAILURE() << "row " << row << ", column " << column << ": " << std::hex << seen
                        << " instead of " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
}  // namespace morv::e2e
