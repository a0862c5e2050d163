// icon_probe.dll: loaded into a running morvtime.exe by resources_test, it reads the clock
// window's icon where it lives and hands its size and pixels back (see icon_probe.h).
#include "icon_probe.h"

#include "dib_section.h"

namespace {

using morv::e2e::IconProbeResult;
using morv::e2e::kIconProbeMaxSize;

void DrawOver(HICON icon, int width, int height, DWORD background, DWORD* out) {
  const morv::e2e::DibSection canvas(kIconProbeMaxSize, kIconProbeMaxSize);
  std::uint32_t* pixels = canvas.bits();
  if (pixels == nullptr) return;
  constexpr int kPixels = kIconProbeMaxSize * kIconProbeMaxSize;
  for (int i = 0; i < kPixels; ++i) pixels[i] = background;
  DrawIconEx(canvas.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  GdiFlush();
  for (int i = 0; i < kPixels; ++i) out[i] = pixels[i] & 0x00FFFFFF;
}

}  // namespace

// The thread routine the test starts in the clock's process; parameter is the clock window.
extern "C" __declspec(dllexport) DWORD WINAPI ProbeWindowIcon(void* parameter) {
  const HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, morv::e2e::kIconProbeMapping);
  if (mapping == nullptr) return 1;
  auto* result = static_cast<IconProbeResult*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(IconProbeResult)));
  if (result == nullptr) {
    CloseHandle(mapping);
    return 1;
  }
  const auto window = static_cast<HWND>(parameter);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  auto icon = reinterpret_cast<HICON>(answer);
  result->source = icon != nullptr ? 1 : 0;
  if (icon == nullptr) {
    icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
    if (icon != nullptr) result->source = 2;
  }
  ICONINFO info{};
  if (icon != nullptr && GetIconInfo(icon, &info)) {
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    result->width = mask.bmWidth;
    // A monochrome icon keeps its image and its mask in one bitmap of twice the height.
    result->height = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    if (result->width <= kIconProbeMaxSize && result->height <= kIconProbeMaxSize) {
      for (int i = 0; i < 2; ++i) {
        DrawOver(icon, result->width, result->height, result->background[i], result->pixels[i]);
      }
    }
  }
  InterlockedExchange(&result->done, 1);
  UnmapViewOfFile(result);
  CloseHandle(mapping);
  return 0;
}
