#include "upload/upload_request.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace tamborix {
namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kAction[] = "user_uploadx_action";
constexpr char kProgramVersion[] = "   2.6";
constexpr char kProgramName[] = "   recorder_upload";
// Names a refusal that no single input caused.
constexpr char kWholeRequest[] = "request";

bool Fits(const std::string& text, size_t area) {
  return text.size() + 1 <= area;
}

// The bytes a query value keeps as they are: those a URI's query allows,
// less & + = (and %, which starts an escape).
bool IsKeptInQuery(unsigned char byte) {
  if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
      (byte >= '0' && byte <= '9')) {
    return true;
  }
  return byte != 0 && std::strchr("-._~!$'()*,;:@/?", byte) != nullptr;
}

bool HasLineBreakingByte(const std::string& text) {
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string UploadBoundary(int64_t stamp) {
  return "--lumoxx" + std::to_string(stamp) + "--lumozed";
}

std::string FreeUploadBoundary(int64_t stamp, const std::vector<const std::string*>& values) {
  for (;;) {
    std::string boundary = UploadBoundary(stamp);
    const std::string delimiter = "--" + boundary;
    bool held = false;
    for (const std::string* value : values) {
      held = held || value->find(delimiter) != std::string::npos;
    }
    if (!held) {
      return boundary;
    }
    // Each value holds only a bounded number of delimiters, so this ends.
    stamp = stamp == INT64_MAX ? 0 : stamp + 1;
  }
}

std::string EncodeQueryValue(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (IsKeptInQuery(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string BuildFormField(const std::string& name, const std::string& value) {
  return "Content-Disposition: form-data; name=\"" + name + "\"" + kCrLf + kCrLf + value + kCrLf;
}

std::string BuildFileFieldHead(const std::string& name, const std::string& path) {
  return "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"" + path + "\"" +
         kCrLf + "Content-Type: application/octet-stream" + kCrLf + kCrLf;
}

std::string LastPathComponent(const std::string& path, const LeadBytePredicate& isLeadByte) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    auto byte = static_cast<unsigned char>(path[i]);
    if (isLeadByte != nullptr && isLeadByte(byte) && i + 1 < path.size()) {
      ++i;  // the trail byte is part of this character
    } else if (byte == '\\') {
      start = i + 1;
    }
  }
  return path.substr(start);
}

RequestRefusal BuildUploadRequest(const UploadSettings& settings, const UploadRequestInput& input,
                                  UploadRequest* request, std::string* refusedInput,
                                  const LeadBytePredicate& isLeadByte) {
  auto refuse = [refusedInput](RequestRefusal refusal, const char* name) {
    if (refusedInput != nullptr) {
      *refusedInput = name;
    }
    return refusal;
  };

  const std::pair<const char*, const std::string*> values[] = {
      {"session", &settings.session},     {"user", &settings.user},
      {"domain", &settings.domain},       {"pDrive", &settings.pDrive},
      {"targetDir", &settings.targetDir}, {"host", &settings.host},
      {"sentPath", &settings.path},       {"clientAddress", &input.clientAddress},
  };
  for (const auto& [name, value] : values) {
    if (HasLineBreakingByte(*value)) {
      return refuse(RequestRefusal::kUnsafeValue, name);
    }
  }

  // The query values, each encoded within its own area.
  const std::pair<const char*, const std::string*> queryValues[] = {
      {"session", &settings.session},     {"user", &settings.user},
      {"domain", &settings.domain},       {"pDrive", &settings.pDrive},
      {"targetDir", &settings.targetDir},
  };
  std::string encoded[5];
  for (size_t i = 0; i < 5; ++i) {
    encoded[i] = EncodeQueryValue(*queryValues[i].second);
    if (!Fits(encoded[i], kEncodedValueArea)) {
      return refuse(RequestRefusal::kTooLarge, queryValues[i].first);
    }
  }
  const std::string& encodedTargetDir = encoded[4];

  std::string fileName = LastPathComponent(settings.path, isLeadByte);
  if (!Fits(fileName, kFileNameArea)) {
    return refuse(RequestRefusal::kTooLarge, "sentPath");
  }

  // The file part's filename parameter is the whole path.
  const std::string boundary = FreeUploadBoundary(
      input.stamp, {&settings.targetDir, &encodedTargetDir, &fileName, &settings.user,
                    &settings.domain, &settings.session, &input.clientAddress, &settings.path});
  const std::string delimiter = "--" + boundary + kCrLf;

  // The body prefix: the ten simple fields, then the head of the file part.
  const std::string action = kAction;
  const std::string programVersion = kProgramVersion;
  const std::string programName = kProgramName;
  const struct {
    const char* field;
    const std::string& value;
    const char* input;
  } fields[] = {
      {"taction", action, kWholeRequest},
      {"target_dir", settings.targetDir, "targetDir"},
      {"encode_target_dir", encodedTargetDir, "targetDir"},
      {"filename", fileName, "sentPath"},
      {"auser", settings.user, "user"},
      {"adomain", settings.domain, "domain"},
      {"asession", settings.session, "session"},
      {"client_ip", input.clientAddress, "clientAddress"},
      {"prog_ver", programVersion, kWholeRequest},
      {"prog_name", programName, kWholeRequest},
  };
  std::string bodyPrefix = delimiter;
  for (const auto& field : fields) {
    std::string text = BuildFormField(field.field, field.value);
    if (!Fits(text, kFormFieldArea)) {
      return refuse(RequestRefusal::kTooLarge, field.input);
    }
    bodyPrefix += text;
    bodyPrefix += delimiter;
  }
  std::string fileHead = BuildFileFieldHead("file", settings.path);
  if (!Fits(fileHead, kFormFieldArea)) {
    return refuse(RequestRefusal::kTooLarge, "sentPath");
  }
  bodyPrefix += fileHead;
  if (!Fits(bodyPrefix, kBodyPrefixArea)) {
    return refuse(RequestRefusal::kTooLarge, kWholeRequest);
  }

  std::string closing = std::string(kCrLf) + "--" + boundary + "--" + kCrLf;
  if (!Fits(closing, kClosingArea)) {
    return refuse(RequestRefusal::kTooLarge, kWholeRequest);
  }

  const uint64_t contentLength = bodyPrefix.size() + input.fileSize + closing.size();
  // A proxy is told the whole URL; the Host line names the host either way.
  const std::string target = input.throughProxy ? "http://" + settings.host + "/workdesk/handle"
                                                : std::string("/workdesk/handle");
  std::string head = "POST " + target + "?asession=" + encoded[0] + "&auser=" + encoded[1] +
                     "&adomain=" + encoded[2] + "&taction=" + kAction + "&pdrive=" + encoded[3] +
                     "&target_dir=" + encodedTargetDir + " HTTP/1.1" + kCrLf;
  head += "Host: " + settings.host + kCrLf;
  head += std::string("Connection: close") + kCrLf;
  head += "Content-Type: multipart/form-data; boundary=" + boundary + kCrLf;
  head += "Content-Length: " + std::to_string(contentLength) + kCrLf;
  head += kCrLf;
  if (!Fits(head, kHeadArea)) {
    return refuse(RequestRefusal::kTooLarge, kWholeRequest);
  }

  request->head = std::move(head);
  request->bodyPrefix = std::move(bodyPrefix);
  request->closing = std::move(closing);
  request->boundary = boundary;
  return RequestRefusal::kNone;
}

}  // namespace tamborix
