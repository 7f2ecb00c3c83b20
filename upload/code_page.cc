#include "upload/code_page.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tamborix {

bool IsSystemLeadByte(unsigned char byte) {
#ifdef _WIN32
  return IsDBCSLeadByte(byte) != FALSE;
#else
  (void)byte;
  return false;
#endif
}

}  // namespace tamborix
