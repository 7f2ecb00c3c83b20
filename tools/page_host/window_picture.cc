#include "tools/page_host/window_picture.h"

#include <cstdio>

namespace tamborix {

WindowPicture::WindowPicture(HWND window) : window_(window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  width_ = rect.right;
  height_ = rect.bottom;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const size_t stride = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
    const auto* first = static_cast<const uint8_t*>(bits);
    rows_.assign(first, first + stride * static_cast<size_t>(height_));
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

COLORREF WindowPicture::At(int x, int y) const {
  if (rows_.empty() || x < 0 || y < 0 || x >= width_ || y >= height_) {
    return CLR_INVALID;
  }
  const size_t stride = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
  const uint8_t* pixel =
      &rows_[static_cast<size_t>(height_ - 1 - y) * stride + static_cast<size_t>(x) * 3];
  return RGB(pixel[2], pixel[1], pixel[0]);
}

COLORREF WindowPicture::ItemCentre(int id) const {
  RECT rect = {};
  GetWindowRect(GetDlgItem(window_, id), &rect);
  MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&rect), 2);
  return At((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

bool WindowPicture::Save(const std::wstring& path) const {
  if (rows_.empty()) {
    return false;
  }
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width_;
  header.biHeight = height_;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows_.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) {
    return false;
  }
  const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                       std::fwrite(&header, sizeof header, 1, out) == 1 &&
                       std::fwrite(rows_.data(), rows_.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}

}  // namespace tamborix
