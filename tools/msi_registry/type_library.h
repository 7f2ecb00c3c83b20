// Reads what registering a type library writes from the library's file (the
// binary form widl makes): its identifier, version, locale, platform, flags
// and title, and the interfaces that get Interface keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamborix {

struct TypeLibraryInterface {
  std::string guid;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  std::string name;
  bool dispatch = false;  // a dispinterface or dual interface (else a plain one)
  bool dual = false;
};

struct TypeLibraryFacts {
  std::string guid;
  uint16_t major = 0;
  uint16_t minor = 0;
  uint32_t lcid = 0;
  int syskind = 0;  // 0 win16, 1 win32, 3 win64
  uint16_t flags = 0;
  std::string title;  // the help string, else the library's name
  // Interfaces registered with the library: dispinterfaces, dual ones and
  // those marked oleautomation.
  std::vector<TypeLibraryInterface> interfaces;
};

// False, with `error` set, when `bytes` is not a type library of that form.
bool ReadTypeLibrary(const std::string& bytes, TypeLibraryFacts* facts, std::string* error);

// The keys registering the library writes, as a registry script (the
// registrar's form): %MODULE% is the file that holds the library, %HELPDIR%
// its folder.
std::string TypeLibraryScript(const TypeLibraryFacts& facts);

}  // namespace tamborix
