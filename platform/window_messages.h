// Window message, notification and control-id numbers shared by the panel's
// message map on every platform. They keep their Win32 values so that the map
// is the same code whether the messages come from a real dialog or from the
// in-memory panel window.
#pragma once

#include <cstdint>

namespace tamborix {

// Window messages (names follow the Win32 macros, which windows.h owns).
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmSetFocus = 0x0007;
constexpr uint32_t kWmKillFocus = 0x0008;
constexpr uint32_t kWmSetText = 0x000C;
constexpr uint32_t kWmMouseActivate = 0x0021;
constexpr uint32_t kWmInitDialog = 0x0110;
constexpr uint32_t kWmCommand = 0x0111;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmCtlColorDlg = 0x0136;
constexpr uint32_t kWmCtlColorStatic = 0x0138;
constexpr uint32_t kMmMciNotify = 0x03B9;

// Button, combo box, trackbar and progress bar messages.
constexpr uint32_t kBmSetImage = 0x00F7;
constexpr uint32_t kCbAddString = 0x0143;
constexpr uint32_t kCbGetCurSel = 0x0147;
constexpr uint32_t kCbSetCurSel = 0x014E;
constexpr intptr_t kCbErr = -1;
constexpr uint32_t kTbmSetPos = 0x0405;
constexpr uint32_t kTbmSetRange = 0x0406;
constexpr uint32_t kTbmSetTicFreq = 0x0414;
constexpr uint32_t kPbmSetRange = 0x0401;
constexpr uint32_t kPbmSetPos = 0x0402;

// Notification codes (high word of WM_COMMAND's wParam).
constexpr uint32_t kBnClicked = 0;
constexpr uint32_t kCbnSelChange = 1;

// MM_MCINOTIFY's wParam.
constexpr uint32_t kMciNotifySuccessful = 0x0001;

// Panel control ids (dialog template 104).
enum ControlId : int {
  kTrackbar = 201,
  kRecButton = 202,
  kSizeLabel = 203,
  kStopButton = 205,
  kPlayButton = 206,
  kUploadButton = 207,
  kAbortButton = 208,
  kLengthCombo = 210,
  kStatusBox = 213,
  kLengthLabel = 215,
  kChooserButton = 216,
  kCaptionLabel = 217,
  kProgressBar = 218,
};

// Icon resources put on the buttons at start-up.
enum IconId : int {
  kRecIcon = 203,
  kStopIcon = 204,
  kPlayIcon = 205,
  kFolderIcon = 209,
};

// The panel's only timer: the one-second clock.
constexpr uint32_t kClockTimerId = 1;
constexpr uint32_t kClockPeriodMs = 1000;

// The window framework's own messages, which the host of the panel sees
// before the panel's message map: the background brush (WM_CTLCOLORDLG,
// WM_CTLCOLORSTATIC, answered from the container's ambient colour), focus
// and mouse activation (in-place activation).
inline bool IsFrameworkMessage(uint32_t message) {
  return message == kWmCtlColorDlg || message == kWmCtlColorStatic || message == kWmSetFocus ||
         message == kWmKillFocus || message == kWmMouseActivate;
}

inline uintptr_t MakeWParam(uint32_t low, uint32_t high) {
  return static_cast<uintptr_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
inline intptr_t MakeLParam(uint32_t low, uint32_t high) {
  return static_cast<intptr_t>(static_cast<uint32_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16)));
}

}  // namespace tamborix
