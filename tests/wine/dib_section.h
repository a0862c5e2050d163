// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A 32-bit top-down DIB section selected into a memory device context of its own: something to
// draw on, or to copy a window's pixels into, whose pixels are then read straight from memory.
// Header-only, so that clock_probe.dll, which runs inside the clock's process, can use it without
// the rest of the test support.
#pragma once

#include <windows.h>

#include <cstdint>

namespace morv::e2e {

class DibSection {
 public:
  DibSection(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    if (dc_ != nullptr) bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (bitmap_ != nullptr) {
      old_ = SelectObject(dc_, bitmap_);
      bits_ = static_cast<std::uint32_t*>(memory);
    }
  }
  ~DibSection() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixels as 0x00RRGGBB with an undefined top byte, row by row from the top; nullptr when
  // the section could not be made. GdiFlush first to see everything GDI has drawn.
  std::uint32_t* bits() const { return bits_; }

 private:
  int width_;
  int height_;
  HDC dc_ = CreateCompatibleDC(nullptr);
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace morv::e2e
