// The English texts that mciGetErrorString gives for the MCI error numbers.
#pragma once

#include <map>

#include "platform/mci.h"

namespace tamborix {

// Number -> text, for 0 and every MCIERR_* number the system defines a text
// for. Every text is shorter than 128 bytes.
const std::map<MciError, const char*>& MciErrorTexts();

}  // namespace tamborix
