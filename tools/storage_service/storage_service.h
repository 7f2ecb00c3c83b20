// The reference storage service: a small HTTP server that accepts the
// recorder's uploads (POST /workdesk/handle, multipart/form-data), checks the
// query and the form fields against each other, and stores the file under
// <root>/<user>/<target folder>/<file name>.
//
// Replies: 200 "OK ..." when the file is stored; 200 "lumo_quota_full" when
// the user's stored bytes plus this file would pass the quota; 400 with the
// reason when the request is malformed or its body did not arrive whole; 408
// when it did not arrive within the time limit; 404 for any other path. A
// refused upload leaves the stored files as they were.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tamborix {

struct StorageServiceOptions {
  std::string address = "127.0.0.1";
  int port = 0;  // 0: any free port
  std::string root;
  uint64_t quotaBytes = UINT64_MAX;  // per user
  // Each request must arrive whole within this time, counted from when a
  // worker takes its connection; a slower one is cut off.
  std::chrono::milliseconds requestTimeLimit{std::chrono::minutes(2)};
  size_t workers = 64;       // connections served at once
  size_t recordLimit = 100;  // upload records kept, the latest ones
};

// What the service saw of one upload request, for the tests. Each text keeps
// at most its first kRecordedTextLimit bytes.
constexpr size_t kRecordedTextLimit = 512;
struct UploadRecord {
  int status = 0;
  std::string reason;  // why it was refused; "" when stored
  std::string hostHeader;
  std::map<std::string, std::string> query;   // decoded query values
  std::map<std::string, std::string> fields;  // form fields other than the file
  std::string fileParameter;                  // the file part's filename parameter
  uint64_t fileBytes = 0;
  std::string storedPath;  // "" unless stored
};

// Decodes %xx (either letter case) and nothing else.
std::string PercentDecode(const std::string& text);

class StorageService {
 public:
  explicit StorageService(StorageServiceOptions options);
  ~StorageService();
  StorageService(const StorageService&) = delete;
  StorageService& operator=(const StorageService&) = delete;

  // Binds the address and port and serves on a thread of its own; false
  // when the address cannot be bound.
  bool Start();
  // Stops serving; requests in progress are finished first.
  void Stop();
  // The port bound by Start.
  int port() const;

  // The latest upload requests seen (at most options.recordLimit), oldest first.
  std::vector<UploadRecord> Records() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tamborix
