// tamborix-msi-registry: prints the installer package's registry rows, made
// from the module's registry script and its type library by the module's own
// registrar, so that the package writes what self-registration writes.
//
//   tamborix-msi-registry <registry script> <type library> <module> <folder>
//
// <module> and <folder> are the installed module's path and its folder in
// the installer's formatted form, such as "[#tamborix.dll]" and "[INSTALLDIR]".
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "module/registrar_script.h"
#include "registry_rows.h"
#include "type_library.h"

namespace {

bool ReadFile(const char* path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  *bytes = text.str();
  return static_cast<bool>(in);
}

bool Parse(const std::string& what, const std::string& text, tamborix::registrar::Script* script) {
  const std::map<std::string, std::string> variables = {
      {"MODULE", std::string(1, tamborix::kModuleMark)},
      {"HELPDIR", std::string(1, tamborix::kFolderMark)}};
  tamborix::registrar::ParseResult parsed = tamborix::registrar::ParseScript(text, variables);
  if (!parsed.ok) {
    std::cerr << what << ": " << parsed.error << "\n";
    return false;
  }
  for (auto& root : parsed.script.roots) {
    script->roots.push_back(std::move(root));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: tamborix-msi-registry <registry script> <type library> <module> "
                 "<folder>\n";
    return 2;
  }
  std::string scriptText;
  std::string library;
  if (!ReadFile(argv[1], &scriptText) || !ReadFile(argv[2], &library)) {
    std::cerr << "cannot read " << argv[1] << " or " << argv[2] << "\n";
    return 1;
  }
  tamborix::TypeLibraryFacts facts;
  std::string error;
  if (!tamborix::ReadTypeLibrary(library, &facts, &error)) {
    std::cerr << argv[2] << ": " << error << "\n";
    return 1;
  }
  tamborix::registrar::Script script;
  if (!Parse(argv[1], scriptText, &script) ||
      !Parse("type library keys", tamborix::TypeLibraryScript(facts), &script)) {
    return 1;
  }
  const auto rows = tamborix::RowsOf(script);
  if (rows.empty()) {
    std::cerr << "the registrar wrote nothing\n";
    return 1;
  }
  std::cout << tamborix::RegistryElements(rows, argv[3], argv[4]);
  return 0;
}
