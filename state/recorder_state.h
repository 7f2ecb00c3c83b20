// The control's settings, paths, flags and counters.
//
// Every setting is held twice: as the wide text the page gave (null and empty
// are different there) and as a narrow copy in the system code page, which is
// what the recorder, the panel and the upload use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tamborix {

// A COM string as the page hands it over: UTF-16, or null. Null reads as "".
using WideString = std::optional<std::u16string>;

inline const std::u16string& WideText(const WideString& s) {
  static const std::u16string empty;
  return s ? *s : empty;
}

constexpr char16_t kDefaultFileName[] = u"lumo_default.wav";
constexpr char16_t kDefaultMaxLength[] = u"120";

struct RecorderState {
  // Wide forms, as the page supplied them.
  struct Wide {
    WideString targetDir;
    WideString fileName = std::u16string(kDefaultFileName);
    WideString maxLength = std::u16string(kDefaultMaxLength);
    WideString fullPath;
    WideString session;
    WideString domain;
    WideString user;
    WideString host;
    WideString pDrive;
  } wide;

  // Narrow copies, never null, "" when unset.
  std::string domain;
  std::string user;
  std::string host;
  std::string targetDir;
  std::string session;
  std::string fileName;
  std::string maxLength;
  std::string folder;    // local recordings folder, ends with a backslash
  std::string fullPath;  // folder followed by fileName
  std::string pDrive;

  int32_t isRecording = 0;
  int32_t isPlaying = 0;
  uint32_t deviceId = 0xFFFFFFFFu;  // -1: no device opened yet
  int32_t elapsedSeconds = 0;
  int32_t maxSeconds = 0;
  int32_t bagDirty = 0;
};

// The decimal number at the start of `text`: leading white space skipped, an
// optional sign, then digits up to the first other character; 0 without
// digits. Saturates instead of overflowing.
int32_t ReadDecimal(const std::string& text);

}  // namespace tamborix
