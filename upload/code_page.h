// Reading narrow texts in the system code page.
#pragma once

namespace tamborix {

// Tells whether a byte starts a double-byte character, whose second byte may
// then look like an ASCII character (a backslash, for instance).
using LeadBytePredicate = bool (*)(unsigned char byte);

// The system code page's rule: the ANSI code page's lead bytes on Windows;
// elsewhere narrow text is UTF-8, where no byte of a multi-byte character is
// below 0x80, so no byte needs to be skipped.
bool IsSystemLeadByte(unsigned char byte);

}  // namespace tamborix
