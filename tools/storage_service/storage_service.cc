#include "tools/storage_service/storage_service.h"

#include <httplib.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "tools/storage_service/timed_server.h"

namespace tamborix {
namespace {

namespace fs = std::filesystem;

constexpr char kAction[] = "user_uploadx_action";
constexpr char kProgramVersion[] = "   2.6";
constexpr char kProgramName[] = "   recorder_upload";
constexpr size_t kFieldLimit = 8192;
constexpr size_t kPartLimit = 32;
// Where files wait until they arrived whole; no user name can reach it.
constexpr char kIncomingFolder[] = ".incoming";

const char* const kQueryKeys[] = {"asession", "auser",  "adomain",
                                  "taction",  "pdrive", "target_dir"};
const char* const kFormFields[] = {"taction",  "target_dir", "encode_target_dir", "filename",
                                   "auser",    "adomain",    "asession",          "client_ip",
                                   "prog_ver", "prog_name"};

// A folder or file name that stays where it is put.
bool IsPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") {
    return false;
  }
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') {
      return false;
    }
  }
  return true;
}

// A plain name that cannot be one of the service's own folders, which start
// with a dot.
bool IsStorableName(const std::string& name) {
  return IsPlainName(name) && name[0] != '.';
}

// The target folder's parts, split at slashes and backslashes; false when a
// part is not a storable name.
bool FolderParts(const std::string& folder, std::vector<std::string>* parts) {
  std::string part;
  for (size_t i = 0; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/' || folder[i] == '\\') {
      if (!part.empty()) {
        if (!IsStorableName(part)) {
          return false;
        }
        parts->push_back(part);
      }
      part.clear();
    } else {
      part += folder[i];
    }
  }
  return true;
}

bool IsDottedAddress(const std::string& text) {
  int parts = 0;
  int digits = 0;
  int value = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (digits == 0 || value > 255) {
        return false;
      }
      ++parts;
      digits = 0;
      value = 0;
    } else if (text[i] >= '0' && text[i] <= '9' && digits < 3) {
      value = value * 10 + (text[i] - '0');
      ++digits;
    } else {
      return false;
    }
  }
  return parts == 4;
}

std::string AfterLastBackslash(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

uint64_t BytesStoredUnder(const fs::path& folder, const fs::path& except) {
  uint64_t total = 0;
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return 0;
  }
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file(error) && it->path() != except) {
      total += it->file_size(error);
    }
  }
  return total;
}

// One upload request while its body streams in.
struct Incoming {
  std::map<std::string, std::string> fields;
  std::string currentField;
  bool inFile = false;
  bool fileSeen = false;
  std::string problem;  // the first thing wrong with the body
  std::string fileParameter;
  bool skipping = false;  // inside a part past kPartLimit
  uint64_t fileBytes = 0;
  std::string tempPath;
  std::FILE* temp = nullptr;

  ~Incoming() {
    if (temp != nullptr) {
      std::fclose(temp);
    }
    if (!tempPath.empty()) {
      ::unlink(tempPath.c_str());
    }
  }
};

std::string Clipped(const std::string& text) {
  return text.substr(0, kRecordedTextLimit);
}

std::map<std::string, std::string> Clipped(const std::map<std::string, std::string>& values) {
  std::map<std::string, std::string> clipped;
  for (const auto& [key, value] : values) {
    clipped.emplace(Clipped(key), Clipped(value));
  }
  return clipped;
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') {
      return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
      return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
      return c - 'A' + 10;
    }
    return -1;
  };
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

class StorageService::Impl {
 public:
  explicit Impl(StorageServiceOptions options)
      : options_(std::move(options)), http_(options_.requestTimeLimit, options_.workers) {
    // Only SO_REUSEADDR: with SO_REUSEPORT a second service could share the
    // address and take half of the connections.
    http_.set_socket_options([](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    http_.Post("/workdesk/handle",
               [this](const httplib::Request& request, httplib::Response& response,
                      const httplib::ContentReader& reader) { Handle(request, response, reader); });
  }

  bool Start() {
    std::error_code error;
    fs::create_directories(fs::path(options_.root) / kIncomingFolder, error);
    if (error) {
      return false;
    }
    if (options_.port == 0) {
      port_ = http_.bind_to_any_port(options_.address);
      if (port_ <= 0) {
        return false;
      }
    } else if (http_.bind_to_port(options_.address, options_.port)) {
      port_ = options_.port;
    } else {
      return false;
    }
    http_.WidenBacklog();
    serving_ = std::thread([this] { http_.listen_after_bind(); });
    // stop() is lost on a server that does not run yet, so Start returns
    // only once it does.
    while (!http_.is_running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  void Stop() {
    if (serving_.joinable()) {
      http_.stop();
      serving_.join();
    }
  }

  int port() const { return port_; }

  std::vector<UploadRecord> Records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<UploadRecord>(records_.begin(), records_.end());
  }

 private:
  void Handle(const httplib::Request& request, httplib::Response& response,
              const httplib::ContentReader& reader) {
    UploadRecord record;
    record.hostHeader = Clipped(request.get_header_value("Host"));
    for (const auto& [key, value] : request.params) {
      record.query[Clipped(key)] = Clipped(value);
    }
    Incoming incoming;
    bool whole = false;
    if (request.is_multipart_form_data()) {
      // False unless the body arrived to its last byte and the form ended
      // with its closing delimiter.
      whole =
          reader([&](const httplib::MultipartFormData& part) { return BeginPart(part, &incoming); },
                 [&](const char* data, size_t size) { return TakeData(data, size, &incoming); });
    } else {
      whole = reader([](const char*, size_t) { return true; });
      incoming.problem = "the body is not multipart/form-data";
    }
    if (incoming.temp != nullptr) {
      if (std::fclose(incoming.temp) != 0 && incoming.problem.empty()) {
        incoming.problem = "cannot write the file";
      }
      incoming.temp = nullptr;
    }
    record.fields = Clipped(incoming.fields);
    record.fileParameter = Clipped(incoming.fileParameter);
    record.fileBytes = incoming.fileBytes;

    std::lock_guard<std::mutex> lock(mutex_);
    if (!whole) {
      bool late = TimedServer::RequestTimedOut();
      Refuse(late ? 408 : 400,
             late ? "the request took longer than the time limit" : "the body is incomplete",
             &record, &response);
    } else if (std::string reason =
                   incoming.problem.empty() ? CheckRequest(request, incoming) : incoming.problem;
               !reason.empty()) {
      Refuse(400, reason, &record, &response);
    } else {
      Store(incoming, &record, &response);
    }
    records_.push_back(std::move(record));
    while (records_.size() > options_.recordLimit) {
      records_.pop_front();
    }
  }

  static void Refuse(int status, const std::string& reason, UploadRecord* record,
                     httplib::Response* response) {
    record->status = status;
    record->reason = Clipped(reason);
    response->status = status;
    response->set_content("bad upload: " + reason + "\n", "text/plain");
  }

  bool BeginPart(const httplib::MultipartFormData& part, Incoming* incoming) {
    incoming->skipping = incoming->fields.size() + (incoming->fileSeen ? 1 : 0) >= kPartLimit;
    if (incoming->skipping) {
      incoming->problem = "the form has too many parts";
      return true;
    }
    incoming->inFile = part.name == "file";
    if (incoming->inFile) {
      if (incoming->fileSeen) {
        incoming->problem = "more than one file part";
        return true;
      }
      incoming->fileSeen = true;
      incoming->fileParameter = part.filename;
      std::string pattern = (fs::path(options_.root) / kIncomingFolder / "upload-XXXXXX").string();
      int fd = mkstemp(pattern.data());
      if (fd < 0) {
        incoming->problem = "cannot create a temporary file";
        return true;
      }
      incoming->tempPath = pattern;
      incoming->temp = fdopen(fd, "wb");
      if (incoming->temp == nullptr) {
        ::close(fd);
        incoming->problem = "cannot create a temporary file";
      }
      return true;
    }
    incoming->currentField = part.name;
    if (incoming->fields.count(part.name) != 0) {
      incoming->problem = "the field " + part.name + " comes twice";
    }
    incoming->fields[part.name];
    return true;
  }

  static bool TakeData(const char* data, size_t size, Incoming* incoming) {
    if (incoming->skipping) {
      return true;
    }
    if (incoming->inFile) {
      incoming->fileBytes += size;
      if (incoming->temp != nullptr && std::fwrite(data, 1, size, incoming->temp) != size &&
          incoming->problem.empty()) {
        incoming->problem = "cannot write the file";
      }
      return true;
    }
    std::string& value = incoming->fields[incoming->currentField];
    if (value.size() + size > kFieldLimit) {
      incoming->problem = "the field " + incoming->currentField + " is too long";
    } else {
      value.append(data, size);
    }
    return true;
  }

  static std::string CheckRequest(const httplib::Request& request, const Incoming& incoming) {
    for (const char* key : kQueryKeys) {
      if (request.get_param_value_count(key) != 1) {
        return std::string("the query needs exactly one ") + key;
      }
    }
    if (request.params.size() != sizeof kQueryKeys / sizeof kQueryKeys[0]) {
      return "the query holds unknown keys";
    }
    if (request.get_param_value("taction") != kAction) {
      return "the query's taction is not " + std::string(kAction);
    }
    for (const char* field : kFormFields) {
      if (incoming.fields.count(field) == 0) {
        return std::string("the form lacks the field ") + field;
      }
    }
    if (!incoming.fileSeen) {
      return "the form lacks the file";
    }
    const auto& f = incoming.fields;
    if (f.at("taction") != kAction) {
      return "the form's taction is not " + std::string(kAction);
    }
    const std::pair<const char*, const char*> pairs[] = {{"auser", "auser"},
                                                         {"adomain", "adomain"},
                                                         {"asession", "asession"},
                                                         {"target_dir", "target_dir"}};
    for (const auto& [queryKey, field] : pairs) {
      if (request.get_param_value(queryKey) != f.at(field)) {
        return std::string("query and form disagree on ") + field;
      }
    }
    if (PercentDecode(f.at("encode_target_dir")) != f.at("target_dir")) {
      return "encode_target_dir does not decode to target_dir";
    }
    if (f.at("prog_ver") != kProgramVersion || f.at("prog_name") != kProgramName) {
      return "unknown program";
    }
    if (f.at("filename") != AfterLastBackslash(incoming.fileParameter)) {
      return "filename does not end the file's path";
    }
    if (!f.at("client_ip").empty() && !IsDottedAddress(f.at("client_ip"))) {
      return "client_ip is not an IPv4 address";
    }
    if (!IsStorableName(f.at("auser"))) {
      return "the user is not a plain name or starts with a dot";
    }
    if (!IsPlainName(f.at("filename"))) {
      return "the file name is not a plain name";
    }
    std::vector<std::string> parts;
    if (!FolderParts(f.at("target_dir"), &parts)) {
      return "the target folder leaves the user's folder or has a part starting with a dot";
    }
    return "";
  }

  // Under mutex_.
  void Store(Incoming& incoming, UploadRecord* record, httplib::Response* response) {
    const auto& f = incoming.fields;
    fs::path userFolder = fs::path(options_.root) / f.at("auser");
    fs::path folder = userFolder;
    std::vector<std::string> parts;
    FolderParts(f.at("target_dir"), &parts);
    for (const std::string& part : parts) {
      folder /= part;
    }
    fs::path target = folder / f.at("filename");

    uint64_t used = BytesStoredUnder(userFolder, target);
    if (used > options_.quotaBytes || incoming.fileBytes > options_.quotaBytes - used) {
      record->status = 200;
      record->reason = "quota";
      response->status = 200;
      response->set_content("lumo_quota_full\n", "text/plain");
      return;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) {
      fs::rename(incoming.tempPath, target, error);
    }
    if (error) {
      record->status = 500;
      record->reason = "cannot store the file: " + error.message();
      response->status = 500;
      response->set_content(record->reason + "\n", "text/plain");
      return;
    }
    incoming.tempPath.clear();
    record->status = 200;
    record->storedPath = target.string();
    response->status = 200;
    response->set_content("OK stored " + std::to_string(incoming.fileBytes) + " bytes\n",
                          "text/plain");
  }

  StorageServiceOptions options_;
  TimedServer http_;
  int port_ = 0;
  std::thread serving_;
  mutable std::mutex mutex_;          // guards records_ and the files under the root
  std::deque<UploadRecord> records_;  // the latest options_.recordLimit
};

StorageService::StorageService(StorageServiceOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

StorageService::~StorageService() {
  impl_->Stop();
}

bool StorageService::Start() {
  return impl_->Start();
}

void StorageService::Stop() {
  impl_->Stop();
}

int StorageService::port() const {
  return impl_->port();
}

std::vector<UploadRecord> StorageService::Records() const {
  return impl_->Records();
}

}  // namespace tamborix
