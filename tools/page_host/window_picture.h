// A picture of a window's client area as it shows on the screen, 24 bits a
// pixel: the page host's screenshot and the tests' pictures of the panel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tamborix {

class WindowPicture {
 public:
  // Copies the window's client area from the screen as it shows now; a
  // caller that changed it redraws it and lets the paint messages through
  // first.
  explicit WindowPicture(HWND window);
  // The colour at a point of the client area; CLR_INVALID outside it.
  COLORREF At(int x, int y) const;
  // The colour at the centre of dialog item `id`.
  COLORREF ItemCentre(int id) const;
  // Writes the picture as a BMP file; false when it cannot.
  bool Save(const std::wstring& path) const;

 private:
  HWND window_;
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> rows_;  // bottom-up BGR rows, each padded to 4 bytes
};

}  // namespace tamborix
