// The installer package's registry rows, got by running the module's own
// registrar on a registry script with a registry that only records: the
// values registration writes, and the keys it makes that unregistration
// removes again.
#pragma once

#include <string>
#include <vector>

#include "module/registrar_script.h"

namespace tamborix {

struct RegistryRow {
  std::string key;   // below HKEY_CLASSES_ROOT
  std::string name;  // "" the default value; "*" an empty key of the package's own
  bool number = false;
  std::string value;  // text, or the number in decimal
};

// The rows for `script`, in the order registration writes them.
std::vector<RegistryRow> RowsOf(const registrar::Script& script);

// Stand-ins for the installed module's path and its folder in the texts given
// to the registrar: the package fills them in at install time.
constexpr char kModuleMark = '\x01';
constexpr char kFolderMark = '\x02';

// The rows as the package's RegistryValue elements, below HKLM\Software\Classes.
// Text goes into the installer's formatted form (brackets escaped), and the
// stand-ins become `module` and `folder`, given in that form already.
std::string RegistryElements(const std::vector<RegistryRow>& rows, const std::string& module,
                             const std::string& folder);

}  // namespace tamborix
