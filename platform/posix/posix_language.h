// The Windows language id that stands for a POSIX locale name.
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

// "zh_TW.UTF-8" -> 0x0404, "zh_HK" -> 0x0C04, "zh_CN" -> 0x0804,
// "zh_SG" -> 0x1004, "en_GB" -> 0x0809, "de" -> 0x0407, ... A language
// without a known territory takes its main form; "C", "POSIX", "" and
// unknown languages give 0x0409 (English, United States).
uint16_t LanguageIdForLocale(const std::string& locale);

}  // namespace tamborix
