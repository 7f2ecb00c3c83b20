#include "platform/posix/posix_language.h"

#include <cctype>

namespace tamborix {
namespace {

constexpr uint16_t kEnglishUs = 0x0409;

struct Known {
  const char* name;  // "ll" or "ll_TT"
  uint16_t id;
};

// Exact language and territory pairs first, then each language's main form.
const Known kKnown[] = {
    {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_MO", 0x1404}, {"zh_CN", 0x0804}, {"zh_SG", 0x1004},
    {"zh", 0x0804},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en", 0x0409},
    {"ja", 0x0411},    {"ko", 0x0412},    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de", 0x0407},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr", 0x040C},    {"es_MX", 0x080A},
    {"es", 0x0C0A},    {"it", 0x0410},    {"pt_BR", 0x0416}, {"pt", 0x0816},    {"nl_BE", 0x0813},
    {"nl", 0x0413},    {"ru", 0x0419},    {"pl", 0x0415},    {"cs", 0x0405},    {"sv", 0x041D},
    {"da", 0x0406},    {"nb", 0x0414},    {"no", 0x0414},    {"fi", 0x040B},    {"tr", 0x041F},
    {"el", 0x0408},    {"hu", 0x040E},    {"he", 0x040D},    {"ar", 0x0401},    {"th", 0x041E},
    {"vi", 0x042A},    {"uk", 0x0422},    {"id", 0x0421},
};

uint16_t Lookup(const std::string& name) {
  for (const Known& known : kKnown) {
    if (name == known.name) {
      return known.id;
    }
  }
  return 0;
}

}  // namespace

uint16_t LanguageIdForLocale(const std::string& locale) {
  // ll[_TT][.codeset][@modifier]
  const size_t end = locale.find_first_of(".@");
  const std::string name = locale.substr(0, end);
  const size_t underscore = name.find('_');
  std::string language = name.substr(0, underscore);
  for (char& c : language) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  std::string territory;
  if (underscore != std::string::npos) {
    territory = name.substr(underscore + 1);
    for (char& c : territory) {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  if (!territory.empty()) {
    if (const uint16_t id = Lookup(language + "_" + territory)) {
      return id;
    }
  }
  if (const uint16_t id = Lookup(language)) {
    return id;
  }
  return kEnglishUs;
}

}  // namespace tamborix
