// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// read_face: the time that the clock's face shows in a picture of the clock window with its frame
// (a BMP file), read with the end-to-end tests' face reader, pixel by pixel. scripts/run tells
// the time on its screenshot with it.
//   read_face PICTURE DPI   prints hh:mm:ss; exits 1, saying why, when no whole face is there
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "clock_face_pixels.h"

int wmain(int argc, wchar_t** argv) {
  using namespace morv::e2e;
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: read_face PICTURE DPI\n");
    return 2;
  }
  const ClockFacePixels face(_wtoi(argv[2]));
  const Pixels client = ClientAreaInPicture(argv[1], face.Width(), face.Height());
  const std::optional<SideMask> sides = face.ReadSides(client);
  if (!sides) {
    std::fwprintf(stderr, L"read_face: no clock face in %ls\n", argv[1]);
    return 1;
  }
  const std::string mismatch = face.Compare(client, *sides);
  if (!mismatch.empty()) {
    std::fprintf(stderr, "read_face: not a whole face: %s\n", mismatch.c_str());
    return 1;
  }
  std::printf("%s\n", TimeForSides(*sides).Text().c_str());
  return 0;
}
