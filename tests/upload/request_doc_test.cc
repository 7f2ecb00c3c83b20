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

}  // namespace
}  // namespace tamborix
