// The rule for a file name that a page gives the control (SetFileName and
// the property bag's "FileName"): the recording stays in its folder.
#pragma once

#include <string>

namespace tamborix {

class Kernel;

// True for a name the control accepts as a file name, with its narrow copy
// in *narrow: no folder parts (no backslash, slash or colon), no control
// characters, not "." or "..". The empty name is accepted. The name is
// judged as the file system will see it: every character must have an exact
// form in the code page (a look-alike such as a fullwidth backslash would
// become a backslash), and the narrow copy is checked as well as the wide
// name.
bool ToPlainFileName(Kernel& kernel, const std::u16string& name, std::string* narrow);

}  // namespace tamborix
