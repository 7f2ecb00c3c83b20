// UploadSettings: what one upload sends and where. The panel fills one record
// for each press of UPLOAD; RunUpload moves it into the job, and the request
// builder and the transfer read it there.
#pragma once

#include <string>

namespace tamborix {

// The port of the service host on a direct connection.
constexpr int kServicePort = 80;

struct UploadSettings {
  std::string session;
  std::string user;
  std::string domain;
  std::string pDrive;
  std::string targetDir;
  std::string host;
  // The recorded file: read from here, and named in the request.
  std::string path;
  // The service host's port on a direct connection; the proxy has its own.
  int servicePort = kServicePort;
};

}  // namespace tamborix
