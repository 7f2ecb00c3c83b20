// Fuzzes the upload request's builder and its encoders.
//
// Input fields (separated by 0x1F): session, user, domain, pDrive, targetDir,
// host, sentPath, clientAddress, stamp, file size, options. The options are
// "d" for a double-byte code page (lead bytes 0x81-0xFE), then "p" for a
// request sent through a proxy, followed by how many times each value is
// repeated (1-64), so that the areas' limits are reached.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_fields.h"
#include "upload/upload_request.h"
#include "upload/upload_settings.h"

namespace tamborix {
namespace {

// Everything a request is built from, in one record: the settings a page
// gives and the values the transfer adds.
struct FuzzedRequest {
  std::string session;
  std::string user;
  std::string domain;
  std::string pDrive;
  std::string targetDir;
  std::string host;
  std::string sentPath;
  std::string clientAddress;
  int64_t stamp = 0;
  uint64_t fileSize = 0;
  bool throughProxy = false;
};

RequestRefusal Build(const FuzzedRequest& fuzzed, UploadRequest* request, std::string* refused,
                     const LeadBytePredicate& isLeadByte) {
  UploadSettings settings;
  settings.session = fuzzed.session;
  settings.user = fuzzed.user;
  settings.domain = fuzzed.domain;
  settings.pDrive = fuzzed.pDrive;
  settings.targetDir = fuzzed.targetDir;
  settings.host = fuzzed.host;
  settings.path = fuzzed.sentPath;
  UploadRequestInput input;
  input.clientAddress = fuzzed.clientAddress;
  input.stamp = fuzzed.stamp;
  input.fileSize = fuzzed.fileSize;
  input.throughProxy = fuzzed.throughProxy;
  return BuildUploadRequest(settings, input, request, refused, isLeadByte);
}

using fuzz::FieldAt;
using fuzz::LeadingNumber;

bool IsLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

struct Case {
  FuzzedRequest input;
  LeadBytePredicate isLeadByte;
};

Case ReadCase(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::SplitFields(data, size);
  const std::string options = FieldAt(fields, 10);
  const bool doubleByte = !options.empty() && options[0] == 'd';
  const size_t proxyAt = doubleByte ? 1 : 0;
  const bool throughProxy = options.size() > proxyAt && options[proxyAt] == 'p';
  const uint64_t repeat = LeadingNumber(options.substr(proxyAt + (throughProxy ? 1 : 0)), 64, 1);
  auto value = [&](size_t index) {
    std::string repeated;
    for (uint64_t i = 0; i < repeat; ++i) {
      repeated += FieldAt(fields, index);
    }
    return repeated;
  };
  Case c;
  c.input.session = value(0);
  c.input.user = value(1);
  c.input.domain = value(2);
  c.input.pDrive = value(3);
  c.input.targetDir = value(4);
  c.input.host = value(5);
  c.input.sentPath = value(6);
  c.input.clientAddress = value(7);
  c.input.throughProxy = throughProxy;
  const std::string stamp = FieldAt(fields, 8);
  const bool negative = !stamp.empty() && stamp[0] == '-';
  const auto magnitude = static_cast<int64_t>(LeadingNumber(
      stamp.substr(negative ? 1 : 0), std::numeric_limits<int64_t>::max(), 1700000000));
  c.input.stamp = negative ? -magnitude : magnitude;
  // A file's size is a signed 64-bit count on every platform.
  c.input.fileSize = LeadingNumber(FieldAt(fields, 9), std::numeric_limits<int64_t>::max(), 0);
  if (doubleByte) {
    c.isLeadByte = IsLeadByte;
  }
  return c;
}

std::vector<std::pair<const char*, const std::string*>> NamedValues(const FuzzedRequest& input) {
  return {{"session", &input.session},     {"user", &input.user},
          {"domain", &input.domain},       {"pDrive", &input.pDrive},
          {"targetDir", &input.targetDir}, {"host", &input.host},
          {"sentPath", &input.sentPath},   {"clientAddress", &input.clientAddress}};
}

bool BreaksLine(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;  // lower case only
}

// The bytes a query may hold as they are (RFC 3986: unreserved, sub-delims,
// ':' '@' '/' '?'), less those that change a value's meaning (& + =).
bool AllowedInQueryValue(unsigned char byte) {
  const std::string others = "-._~!$'()*,;:@/?";
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') ||
         (byte != 0 && others.find(static_cast<char>(byte)) != std::string::npos);
}

// Undoes EncodeQueryValue, checking that every byte left unencoded is one a
// query value may hold.
std::string DecodeQueryValue(const std::string& encoded) {
  std::string decoded;
  for (size_t i = 0; i < encoded.size(); ++i) {
    const auto byte = static_cast<unsigned char>(encoded[i]);
    FUZZ_CHECK(byte == '%' || AllowedInQueryValue(byte));
    if (byte != '%') {
      decoded += encoded[i];
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = HexDigit(encoded[i + 1]);
    const int low = HexDigit(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

void CheckLastPathComponent(const std::string& path, const LeadBytePredicate& isLeadByte) {
  const std::string name = LastPathComponent(path, isLeadByte);
  FUZZ_CHECK(EndsWith(path, name));
  FUZZ_CHECK(name.size() == path.size() || path[path.size() - name.size() - 1] == '\\');
  if (isLeadByte == nullptr) {
    FUZZ_CHECK(name.find('\\') == std::string::npos);
  }
}

// The boundary keeps its form, with the stamp or a later one (past the top
// of the range, from 0 on), and no value in the body holds its delimiter.
void CheckBoundary(const FuzzedRequest& input, const std::string& boundary) {
  const std::string prefix = "--lumoxx";
  const std::string suffix = "--lumozed";
  FUZZ_CHECK(StartsWith(boundary, prefix) && EndsWith(boundary, suffix));
  const std::string digits =
      boundary.substr(prefix.size(), boundary.size() - prefix.size() - suffix.size());
  int64_t stamp = 0;
  FUZZ_CHECK(!digits.empty());
  if (boundary != UploadBoundary(input.stamp)) {
    const size_t first = digits[0] == '-' ? 1 : 0;
    FUZZ_CHECK(digits.size() > first && digits.size() <= 20 &&
               digits.find_first_not_of("0123456789", first) == std::string::npos);
    stamp = std::stoll(digits);
    FUZZ_CHECK(boundary == UploadBoundary(stamp));
    FUZZ_CHECK(stamp > input.stamp || stamp < 1000000);
  }
  const std::string delimiter = "--" + boundary;
  // The host and pDrive stand in the head alone.
  for (const auto& [name, value] : NamedValues(input)) {
    const std::string which = name;
    FUZZ_CHECK(which == "host" || which == "pDrive" || value->find(delimiter) == std::string::npos);
  }
}

// The head: five header lines and the empty line, each ended by CR LF and
// holding no other CR or LF; the query gives back every value.
void CheckHead(const FuzzedRequest& input, const UploadRequest& request) {
  std::vector<std::string> lines;
  const std::string& head = request.head;
  size_t start = 0;
  for (size_t end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(head.substr(start, end - start));
    FUZZ_CHECK(lines.back().find_first_of("\r\n") == std::string::npos);
  }
  FUZZ_CHECK(start == head.size());
  FUZZ_CHECK(lines.size() == 6 && lines[5].empty());

  const std::string requestLinePrefix = input.throughProxy
                                            ? "POST http://" + input.host + "/workdesk/handle?"
                                            : std::string("POST /workdesk/handle?");
  const std::string requestLineSuffix = " HTTP/1.1";
  FUZZ_CHECK(StartsWith(lines[0], requestLinePrefix) && EndsWith(lines[0], requestLineSuffix));
  const std::string query =
      lines[0].substr(requestLinePrefix.size(),
                      lines[0].size() - requestLinePrefix.size() - requestLineSuffix.size());
  const std::pair<const char*, std::string> expected[] = {
      {"asession", input.session}, {"auser", input.user},
      {"adomain", input.domain},   {"taction", "user_uploadx_action"},
      {"pdrive", input.pDrive},    {"target_dir", input.targetDir}};
  size_t from = 0;
  for (const auto& [name, value] : expected) {
    FUZZ_CHECK(from <= query.size());
    size_t to = query.find('&', from);
    to = to == std::string::npos ? query.size() : to;
    const std::string pair = query.substr(from, to - from);
    FUZZ_CHECK(StartsWith(pair, std::string(name) + "="));
    FUZZ_CHECK(DecodeQueryValue(pair.substr(std::string(name).size() + 1)) == value);
    from = to + 1;
  }
  FUZZ_CHECK(from == query.size() + 1);

  FUZZ_CHECK(lines[1] == "Host: " + input.host);
  FUZZ_CHECK(lines[3] == "Content-Type: multipart/form-data; boundary=" + request.boundary);
  const std::string lengthName = "Content-Length: ";
  FUZZ_CHECK(StartsWith(lines[4], lengthName));
  const std::string digits = lines[4].substr(lengthName.size());
  FUZZ_CHECK(!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos);
  FUZZ_CHECK(digits ==
             std::to_string(request.bodyPrefix.size() + input.fileSize + request.closing.size()));
}

// The body (with an empty file) read the way a multipart parser reads it:
// eleven parts with the expected names and values, then the closing delimiter.
void CheckBody(const FuzzedRequest& input, const LeadBytePredicate& isLeadByte,
               const UploadRequest& request) {
  const std::string& boundary = request.boundary;
  const std::string body = request.bodyPrefix + request.closing;
  const std::string first = "--" + boundary + "\r\n";
  const std::string delimiter = "\r\n--" + boundary;
  FUZZ_CHECK(StartsWith(body, first));
  std::vector<std::string> parts;
  size_t pos = first.size();
  for (;;) {
    const size_t found = body.find(delimiter, pos);
    FUZZ_CHECK(found != std::string::npos);
    parts.push_back(body.substr(pos, found - pos));
    const size_t after = found + delimiter.size();
    if (body.compare(after, 2, "--") == 0) {
      FUZZ_CHECK(body.size() == after + 4 && EndsWith(body, "\r\n"));
      break;
    }
    FUZZ_CHECK(body.compare(after, 2, "\r\n") == 0);
    pos = after + 2;
  }

  const std::pair<const char*, std::string> fields[] = {
      {"taction", "user_uploadx_action"},
      {"target_dir", input.targetDir},
      {"encode_target_dir", EncodeQueryValue(input.targetDir)},
      {"filename", LastPathComponent(input.sentPath, isLeadByte)},
      {"auser", input.user},
      {"adomain", input.domain},
      {"asession", input.session},
      {"client_ip", input.clientAddress},
      {"prog_ver", "   2.6"},
      {"prog_name", "   recorder_upload"},
      {"file", ""}};
  FUZZ_CHECK(parts.size() == 11);
  for (size_t i = 0; i < parts.size(); ++i) {
    const size_t headEnd = parts[i].find("\r\n\r\n");
    FUZZ_CHECK(headEnd != std::string::npos);
    const std::string disposition =
        "Content-Disposition: form-data; name=\"" + std::string(fields[i].first) + "\"";
    FUZZ_CHECK(StartsWith(parts[i], disposition));
    FUZZ_CHECK(parts[i].substr(headEnd + 4) == fields[i].second);
  }
  FUZZ_CHECK(parts[10].substr(0, parts[10].find("\r\n")) ==
             "Content-Disposition: form-data; name=\"file\"; filename=\"" + input.sentPath + "\"");
  FUZZ_CHECK(parts[10].find("\r\nContent-Type: application/octet-stream\r\n") != std::string::npos);
}

void FuzzOne(const uint8_t* data, size_t size) {
  const Case c = ReadCase(data, size);
  const FuzzedRequest& input = c.input;
  CheckLastPathComponent(input.sentPath, c.isLeadByte);
  if (c.isLeadByte != nullptr) {
    CheckLastPathComponent(input.sentPath, nullptr);
  }

  const UploadRequest untouched{"head", "prefix", "closing", "boundary"};
  UploadRequest request = untouched;
  std::string refusedInput;
  const RequestRefusal refusal = Build(input, &request, &refusedInput, c.isLeadByte);

  // Refused as unsafe exactly when a value holds CR, LF or NUL, naming the
  // first such value.
  const char* unsafe = nullptr;
  size_t total = 0;
  for (const auto& [name, value] : NamedValues(input)) {
    total += value->size();
    if (unsafe == nullptr && BreaksLine(*value)) {
      unsafe = name;
    }
  }
  FUZZ_CHECK((refusal == RequestRefusal::kUnsafeValue) == (unsafe != nullptr));
  if (unsafe != nullptr) {
    FUZZ_CHECK(refusedInput == unsafe);
  }

  // A value whose encoding or a file name that exceeds its area is refused;
  // a small request never is.
  bool exceeds = LastPathComponent(input.sentPath, c.isLeadByte).size() >= kFileNameArea;
  for (const std::string* value :
       {&input.session, &input.user, &input.domain, &input.pDrive, &input.targetDir}) {
    exceeds = exceeds || EncodeQueryValue(*value).size() >= kEncodedValueArea;
  }
  if (unsafe == nullptr && exceeds) {
    FUZZ_CHECK(refusal == RequestRefusal::kTooLarge);
  }
  if (unsafe == nullptr && total <= 1000 && input.sentPath.size() < kFileNameArea) {
    FUZZ_CHECK(refusal == RequestRefusal::kNone);
  }

  if (refusal != RequestRefusal::kNone) {
    FUZZ_CHECK(request.head == untouched.head && request.bodyPrefix == untouched.bodyPrefix &&
               request.closing == untouched.closing);
    bool named = refusedInput == "request";
    for (const auto& entry : NamedValues(input)) {
      named = named || refusedInput == entry.first;
    }
    FUZZ_CHECK(named);
    return;
  }
  FUZZ_CHECK(request.head.size() < kHeadArea && request.bodyPrefix.size() < kBodyPrefixArea &&
             request.closing.size() < kClosingArea);
  CheckBoundary(input, request.boundary);
  CheckHead(input, request);
  CheckBody(input, c.isLeadByte, request);
}

}  // namespace
}  // namespace tamborix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamborix::FuzzOne(data, size);
  return 0;
}
