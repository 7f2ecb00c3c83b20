// The request that docs/receiving.md shows, byte for byte, is the one the
// control builds from the values the page names there.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "upload/upload_request.h"

namespace tamborix {
namespace {

constexpr char kFileLine[] = "<37484 bytes: the WAV file>";
constexpr uint64_t kFileSize = 37484;

std::string ReadDoc(const std::string& relative) {
  std::ifstream in(std::string(TAMBORIX_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The fenced block after the marker, each line ended with CR LF, and the
// line that stands for the file replaced by `file`.
std::string DocumentedRequest(const std::string& doc, const std::string& file) {
  const std::string marker = "<!-- request-example -->\n```\n";
  const size_t start = doc.find(marker);
  if (start == std::string::npos) {
    return "";
  }
  const size_t end = doc.find("```", start + marker.size());
  std::istringstream block(doc.substr(start + marker.size(), end - start - marker.size()));
  std::string request;
  for (std::string line; std::getline(block, line);) {
    request += line == kFileLine ? file : line;
    request += "\r\n";
  }
  return request;
}

TEST(RequestDoc, ReceivingShowsTheRequestTheControlBuilds) {
  UploadSettings settings;
  settings.session = "demo-session-0001";
  settings.user = "ann";
  settings.domain = "example.org";
  settings.pDrive = "P";
  settings.targetDir = "voice memos";
  settings.host = "127.0.80.1";
  settings.path = "C:\\users\\ann\\My Documents\\LumoRecorder\\hello.wav";
  UploadRequestInput input;
  input.clientAddress = "10.0.0.7";
  input.stamp = 1765200000;
  input.fileSize = kFileSize;
  UploadRequest request;
  ASSERT_EQ(RequestRefusal::kNone, BuildUploadRequest(settings, input, &request));

  const std::string file(kFileSize, 'w');
  const std::string documented = DocumentedRequest(ReadDoc("docs/receiving.md"), file);
  ASSERT_FALSE(documented.empty()) << "docs/receiving.md has no request example";
  EXPECT_EQ(request.head + request.bodyPrefix + file + request.closing, documented);
}

// The bytes the doc says stand as they are in the query: the letters, the
// digits and the marks it lists in backquotes after "and the digits, and".
std::string DocumentedPlainBytes(const std::string& doc) {
  std::string plain;
  for (char c = 'A'; c <= 'Z'; ++c) {
    plain += c;
    plain += static_cast<char>(c - 'A' + 'a');
  }
  for (char c = '0'; c <= '9'; ++c) {
    plain += c;
  }
  const std::string lead = "the digits,\nand `";
  const size_t start = doc.find(lead);
  if (start == std::string::npos) {
    return "";
  }
  const size_t end = doc.find('`', start + lead.size());
  for (size_t i = start + lead.size(); i < end; ++i) {
    if (doc[i] != ' ') {
      plain += doc[i];
    }
  }
  return plain;
}

TEST(RequestDoc, ReceivingNamesEveryByteTheQueryLeavesPlain) {
  const std::string plain = DocumentedPlainBytes(ReadDoc("docs/receiving.md"));
  ASSERT_GT(plain.size(), 62U) << "docs/receiving.md lists no plain marks";
  static const char kHex[] = "0123456789abcdef";
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const std::string encoded{'%', kHex[byte >> 4], kHex[byte & 15]};
    const bool documentedPlain = byte != 0 && plain.find(one) != std::string::npos;
    EXPECT_EQ(documentedPlain ? one : encoded, EncodeQueryValue(one)) << "byte " << byte;
  }
}

}  // namespace
}  // namespace tamborix
