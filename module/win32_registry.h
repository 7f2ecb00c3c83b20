// The registrar's RegistryEditor on the Windows registry (advapi32). Names
// and data arrive as UTF-8 and are written as UTF-16.
#pragma once

#include "module/registrar_script.h"

namespace tamborix {

class Win32Registry : public registrar::RegistryEditor {
 public:
  Result CreateKey(registrar::RootKey root, const std::string& path) override;
  Result SetString(registrar::RootKey root, const std::string& path, const std::string& name,
                   const std::string& data) override;
  Result SetNumber(registrar::RootKey root, const std::string& path, const std::string& name,
                   uint32_t data) override;
  Result DeleteTree(registrar::RootKey root, const std::string& path) override;
  Result DeleteKeyIfLeaf(registrar::RootKey root, const std::string& path) override;
  Result DeleteValue(registrar::RootKey root, const std::string& path,
                     const std::string& name) override;
};

}  // namespace tamborix
