// ProxySettings from the user's internet settings (WinINet
// InternetQueryOption with INTERNET_OPTION_PROXY).
#pragma once

#include "platform/proxy_settings.h"
#include "platform/win32/win32_error.h"

namespace tamborix {

class Win32ProxySettings : public ProxySettings {
 public:
  // The calling thread's latest failure.
  Win32Error LastError() const;

  bool Read(ProxyConfiguration* config) override;
};

}  // namespace tamborix
