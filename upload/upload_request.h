// The bytes of the upload request: an HTTP/1.1 POST to /workdesk/handle with
// a multipart/form-data body. Pure functions; nothing here touches the
// network or the file.
//
// The request goes out as three blocks with the file's bytes between the
// second and the third: the head (request line, header lines, empty line),
// the body prefix (every form field and the head of the file part) and the
// closing delimiter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "upload/upload_settings.h"

namespace tamborix {

// Tells whether a byte starts a double-byte character of the system code
// page (Kernel::IsLeadByte); null when no byte does, as in UTF-8.
using LeadBytePredicate = std::function<bool(unsigned char byte)>;

// Each block is built within a fixed area that also counts a terminating
// zero byte; a request whose parts would not fit is refused.
constexpr size_t kHeadArea = 30000;
constexpr size_t kBodyPrefixArea = 30000;
constexpr size_t kFormFieldArea = 8192;
constexpr size_t kEncodedValueArea = 8192;
constexpr size_t kFileNameArea = 260;
constexpr size_t kClosingArea = 1024;

// What the transfer adds to the settings.
struct UploadRequestInput {
  std::string clientAddress;  // dotted IPv4 address or ""
  int64_t stamp = 0;          // seconds since 1970-01-01 00:00:00 UTC
  uint64_t fileSize = 0;
  // The connection goes to an HTTP proxy: the request line names the whole
  // URL (http://<host>/workdesk/handle?...), which a proxy needs to forward
  // it; a direct request names the path and query alone.
  bool throughProxy = false;
};

struct UploadRequest {
  std::string head;
  std::string bodyPrefix;
  std::string closing;
  // The boundary the body is framed with (UploadBoundary of the stamp, or of
  // a later one when a value held the delimiter of an earlier one).
  std::string boundary;
};

enum class RequestRefusal {
  kNone,
  kUnsafeValue,  // a value holds CR, LF or NUL, which would split a line
  kTooLarge,     // a part would not fit its area
};

// Builds the three blocks. On a refusal `request` is left unchanged and
// `refusedInput` (when given) names the input: "session", "user", "domain",
// "pDrive", "targetDir", "host", "sentPath" (the settings' path),
// "clientAddress", or "request" when the parts together are too large.
RequestRefusal BuildUploadRequest(const UploadSettings& settings, const UploadRequestInput& input,
                                  UploadRequest* request, std::string* refusedInput = nullptr,
                                  const LeadBytePredicate& isLeadByte = nullptr);

// "--lumoxx<stamp>--lumozed".
std::string UploadBoundary(int64_t stamp);

// The boundary of the first stamp from `stamp` on whose delimiter ("--" and
// the boundary) occurs in none of `values`, so that no value can end its
// part early.
std::string FreeUploadBoundary(int64_t stamp, const std::vector<const std::string*>& values);

// Percent-encodes, with lower-case hex digits, every byte that may not stand
// in a URI's query as it is (control bytes, blank, " # % < > [ \ ] ^ ` { | }
// DEL and every byte from 0x80 up) and the bytes that would change a query
// value's meaning (& + =). Letters, digits and - . _ ~ ! $ ' ( ) * , ; : @ /
// ? are copied.
std::string EncodeQueryValue(const std::string& text);

// One simple form field: its Content-Disposition line, an empty line, the
// value and CR LF.
std::string BuildFormField(const std::string& name, const std::string& value);

// The head of the file part: Content-Disposition with the filename
// parameter, Content-Type application/octet-stream and the empty line.
std::string BuildFileFieldHead(const std::string& name, const std::string& path);

// The text after the last backslash of `path`, or the whole path without
// one. A backslash that is the second byte of a double-byte character does
// not count.
std::string LastPathComponent(const std::string& path,
                              const LeadBytePredicate& isLeadByte = nullptr);

}  // namespace tamborix
