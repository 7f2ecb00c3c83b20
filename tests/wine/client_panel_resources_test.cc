// The panel's resources in the module: dialog template 104 read field by
// field, the banner and the button icons, and the string table in both
// languages against the panel's own table.
#include <cstring>

#include "panel_view/string_table.h"
#include "tests/wine/client_util.h"

#include <commctrl.h>

namespace tamborix_wine {
namespace {

// A template item as the table of the panel's layout gives it.
struct Item {
  int id;
  const wchar_t* className;
  const wchar_t* text;  // "#n" for a resource ordinal
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
};

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
const Item kPanelItems[] = {
    {210, L"COMBOBOX", L"", kShown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 0, 175,
     87, 32, 63},
    {202, L"BUTTON", L"REC", kShown | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, 0, 26, 127, 32, 14},
    {205, L"BUTTON", L"STOP", kShown | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, 0, 63, 127, 32, 14},
    {206, L"BUTTON", L"PLAY", kShown | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, 0, 100, 127, 32, 14},
    {207, L"BUTTON", L"UPLOAD", kShown | WS_TABSTOP | BS_PUSHBUTTON, 0, 137, 127, 32, 14},
    {208, L"BUTTON", L"ABORT", kShown | WS_TABSTOP | BS_PUSHBUTTON, 0, 174, 127, 32, 14},
    {-1, L"STATIC", L"#201", kShown | SS_BITMAP | SS_CENTERIMAGE, WS_EX_CLIENTEDGE, 15, 8, 209, 31},
    {201, L"MSCTLS_TRACKBAR32", L"Slider1", kShown | WS_TABSTOP | TBS_AUTOTICKS | TBS_BOTH, 0, 21,
     103, 189, 17},
    {-1, L"BUTTON", L"", kShown | BS_GROUPBOX, 0, 15, 42, 209, 109},
    {203, L"STATIC", L"File Size :", kShown | WS_GROUP | SS_LEFT, 0, 23, 90, 81, 8},
    {215, L"STATIC", L"Max Rec (min) :", kShown | WS_GROUP | SS_LEFT, 0, 108, 90, 54, 8},
    {213, L"EDIT", L"", kShown | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 23,
     55, 184, 22},
    {216, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, 0, 175, 55, 32, 14},
    {217, L"STATIC", L"Lumo Recorder v 1.1", kShown | WS_GROUP | SS_LEFT, 0, 16, 154, 72, 8},
    {218, L"MSCTLS_PROGRESS32", L"Progress1", WS_CHILD | WS_BORDER, 0, 20, 55, 193, 23},
};

// Reads a name-or-ordinal field of a dialog template and moves past it.
std::wstring ReadNameOrOrdinal(const WORD** at) {
  const WORD* p = *at;
  if (*p == 0xFFFF) {
    *at = p + 2;
    const wchar_t* builtIn[] = {L"BUTTON",  L"EDIT",      L"STATIC",
                                L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
    if (p[1] >= 0x80 && p[1] <= 0x85) {
      return builtIn[p[1] - 0x80];
    }
    return L"#" + std::to_wstring(p[1]);
  }
  std::wstring text(reinterpret_cast<const wchar_t*>(p));
  *at = p + text.size() + 1;
  return text;
}

const WORD* AlignToDword(const WORD* p, const void* base) {
  const size_t offset = reinterpret_cast<const BYTE*>(p) - static_cast<const BYTE*>(base);
  return reinterpret_cast<const WORD*>(static_cast<const BYTE*>(base) +
                                       ((offset + 3) & ~size_t{3}));
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) {
    c = static_cast<wchar_t>(towupper(c));
  }
  return text;
}

const void* LockedResource(HMODULE module, int id, const wchar_t* type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  return found == nullptr ? nullptr : LockResource(LoadResource(module, found));
}

TEST_GROUP(PanelDialogTemplate) {
  HMODULE module = LoadLibraryW(gModulePath.c_str());
  REQUIRE(module != nullptr);
  const auto* base = static_cast<const BYTE*>(LockedResource(module, 104, RT_DIALOG));
  REQUIRE(base != nullptr);
  const WORD* p = reinterpret_cast<const WORD*>(base);
  REQUIRE(p[0] == 1 && p[1] == 0xFFFF);  // DLGTEMPLATEEX
  DWORD exStyle = 0, style = 0;
  std::memcpy(&exStyle, base + 8, 4);
  std::memcpy(&style, base + 12, 4);
  const WORD count = p[8];
  const auto* box = reinterpret_cast<const short*>(base + 18);
  CHECK(style == (WS_CHILD | DS_SETFONT));
  CHECK(exStyle == WS_EX_CONTROLPARENT);
  CHECK(box[2] == 236 && box[3] == 168);
  p = reinterpret_cast<const WORD*>(base + 26);
  CHECK(ReadNameOrOrdinal(&p).empty());  // no menu
  CHECK(ReadNameOrOrdinal(&p).empty());  // no class of its own
  CHECK(ReadNameOrOrdinal(&p).empty());  // no caption
  CHECK(p[0] == 8);                      // points
  p += 3;
  CHECK(ReadNameOrOrdinal(&p) == L"Verdana");
  REQUIRE(count == sizeof kPanelItems / sizeof kPanelItems[0]);

  for (const Item& want : kPanelItems) {
    p = AlignToDword(p, base);
    const auto* item = reinterpret_cast<const BYTE*>(p);
    DWORD itemExStyle = 0, itemStyle = 0;
    LONG id = 0;
    short place[4] = {};
    std::memcpy(&itemExStyle, item + 4, 4);
    std::memcpy(&itemStyle, item + 8, 4);
    std::memcpy(place, item + 12, 8);
    std::memcpy(&id, item + 20, 4);
    p = reinterpret_cast<const WORD*>(item + 24);
    const std::wstring className = Upper(ReadNameOrOrdinal(&p));
    const std::wstring text = ReadNameOrOrdinal(&p);
    p += 1 + (*p + 1) / 2;  // creation data
    const bool same = id == want.id && className == want.className && text == want.text &&
                      itemStyle == want.style && itemExStyle == want.exStyle &&
                      place[0] == want.x && place[1] == want.y && place[2] == want.cx &&
                      place[3] == want.cy;
    if (!same) {
      Fail(__FILE__, __LINE__,
           "template item " + std::to_string(want.id) + " at " + std::to_string(want.x) + "," +
               std::to_string(want.y));
    }
  }
  FreeLibrary(module);
}

// The colour at the icon's centre, and whether its corner is transparent.
bool IconLooks(HICON icon, COLORREF* centre, bool* cornerClear) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    return false;
  }
  HDC dc = GetDC(nullptr);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = 32;
  format.bmiHeader.biHeight = -32;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  DWORD colour[32 * 32] = {};
  DWORD mask[32 * 32] = {};
  const bool read = GetDIBits(dc, info.hbmColor, 0, 32, colour, &format, DIB_RGB_COLORS) == 32 &&
                    GetDIBits(dc, info.hbmMask, 0, 32, mask, &format, DIB_RGB_COLORS) == 32;
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  const DWORD pixel = colour[16 * 32 + 16];
  *centre = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  *cornerClear = (mask[0] & 0xFFFFFF) != 0;
  return read;
}

TEST_GROUP(PanelImages) {
  HMODULE module = LoadLibraryW(gModulePath.c_str());
  REQUIRE(module != nullptr);
  const auto* banner = static_cast<const BITMAPINFOHEADER*>(LockedResource(module, 201, RT_BITMAP));
  CHECK(banner != nullptr && banner->biWidth == 117 && banner->biHeight == 39 &&
        banner->biBitCount == 8);
  const struct {
    int id;
    COLORREF centre;
  } kIcons[] = {
      {203, RGB(255, 0, 0)}, {204, RGB(0, 0, 255)}, {205, RGB(0, 255, 0)}, {209, RGB(255, 255, 0)}};
  for (const auto& want : kIcons) {
    // As the panel loads them: the default icon size.
    auto icon = static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(want.id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    COLORREF centre = 0;
    bool cornerClear = false;
    if (icon == nullptr || !IconLooks(icon, &centre, &cornerClear) || centre != want.centre ||
        !cornerClear) {
      Fail(__FILE__, __LINE__, "icon " + std::to_string(want.id) + " centre " + Hex(centre));
    }
    if (icon != nullptr) {
      DestroyIcon(icon);
    }
    const auto* group = static_cast<const BYTE*>(LockedResource(module, want.id, RT_GROUP_ICON));
    // GRPICONDIR: one 32 x 32 image of 16 colours.
    CHECK(group != nullptr && group[4] == 1 && group[6] == 32 && group[7] == 32 && group[8] == 16);
  }
  FreeLibrary(module);
}

TEST_GROUP(PanelStringTable) {
  HMODULE module = LoadLibraryW(gModulePath.c_str());
  REQUIRE(module != nullptr);
  const int kBases[] = {0, 10000, 20000};
  for (int base : kBases) {
    for (int id = base + 1; id <= base + 6; ++id) {
      const char* utf8 = tamborix::FindString(id);
      wchar_t want[64] = {};
      wchar_t got[64] = {};
      MultiByteToWideChar(CP_UTF8, 0, utf8 == nullptr ? "" : utf8, -1, want, 64);
      const int length = LoadStringW(module, static_cast<UINT>(id), got, 64);
      if (utf8 == nullptr || length == 0 || std::wcscmp(want, got) != 0) {
        Fail(__FILE__, __LINE__, "string " + std::to_string(id));
      }
    }
  }
  wchar_t none[8] = {};
  CHECK(LoadStringW(module, 7, none, 8) == 0);
  FreeLibrary(module);
}

}  // namespace
}  // namespace tamborix_wine
