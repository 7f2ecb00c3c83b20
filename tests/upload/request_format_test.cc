// The upload request's bytes: lengths, layout, encoding and the areas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "upload/upload_request.h"

namespace tamborix {
namespace {

constexpr int64_t kStamp = 1700000000;

// The settings of one request with what the transfer adds.
struct RequestParts : UploadSettings {
  UploadRequestInput transfer;
};

RequestParts WorkedExample() {
  RequestParts input;
  input.transfer.stamp = kStamp;
  input.targetDir = "voice memos";
  input.path = "C:\\Users\\someon\\My Documents\\LumoRecorder\\lumo_default.wav";
  input.user = "jo";
  input.domain = "example";
  input.session = "0123456789abcdef0123456789abcdef";
  input.transfer.clientAddress = "192.168.1.23";
  input.host = "drive.example.com";
  input.pDrive = "p";
  input.transfer.fileSize = 96044;
  return input;
}

UploadRequest Build(const RequestParts& input) {
  UploadRequest request;
  EXPECT_EQ(RequestRefusal::kNone, BuildUploadRequest(input, input.transfer, &request));
  return request;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
  return lines;
}

TEST(RequestLengths, WorkedExampleGivesContentLength97252) {
  RequestParts input = WorkedExample();
  ASSERT_EQ(11u, input.targetDir.size());
  ASSERT_EQ(58u, input.path.size());
  UploadRequest request = Build(input);
  EXPECT_EQ(1173u, request.bodyPrefix.size());
  EXPECT_EQ(35u, request.closing.size());
  EXPECT_NE(std::string::npos, request.head.find("\r\nContent-Length: 97252\r\n"));
}

TEST(RequestLengths, BodyPrefixFollowsTheFormulaForAnyStampWidth) {
  for (int64_t stamp : {int64_t{0}, int64_t{999999999}, kStamp, int64_t{99999999999}}) {
    RequestParts input = WorkedExample();
    input.transfer.stamp = stamp;
    const size_t digits = std::to_string(stamp).size();
    UploadRequest request = Build(input);
    const size_t variable = input.targetDir.size() + 13 + 16 + input.user.size() +
                            input.domain.size() + input.session.size() +
                            input.transfer.clientAddress.size() + input.path.size();
    EXPECT_EQ(912 + 11 * digits + variable, request.bodyPrefix.size()) << stamp;
    EXPECT_EQ(25 + digits, request.closing.size()) << stamp;
    EXPECT_EQ("\r\n--" + UploadBoundary(stamp) + "--\r\n", request.closing);
  }
}

TEST(RequestLengths, ZeroLengthFileCountsOnlyPrefixAndClosing) {
  RequestParts input = WorkedExample();
  input.transfer.fileSize = 0;
  UploadRequest request = Build(input);
  const size_t expected = request.bodyPrefix.size() + request.closing.size();
  EXPECT_NE(std::string::npos,
            request.head.find("\r\nContent-Length: " + std::to_string(expected) + "\r\n"));
  // With no file bytes the closing delimiter follows the part's empty line.
  const std::string body = request.bodyPrefix + request.closing;
  EXPECT_NE(std::string::npos, body.find("Content-Type: application/octet-stream\r\n\r\n\r\n--" +
                                         UploadBoundary(kStamp) + "--\r\n"));
}

TEST(RequestLayout, WholeMessageLineByLine) {
  RequestParts input = WorkedExample();
  input.transfer.fileSize = 8;
  UploadRequest request = Build(input);
  const std::string message = request.head + request.bodyPrefix + "RIFFDATA" + request.closing;
  const std::string delimiter = "----lumoxx1700000000--lumozed";
  const std::string contentLength = std::to_string(request.bodyPrefix.size() + 8 + 35);
  const std::string requestLine =
      "POST /workdesk/handle?asession=0123456789abcdef0123456789abcdef&auser=jo"
      "&adomain=example&taction=user_uploadx_action&pdrive=p&target_dir=voice%20memos HTTP/1.1";
  std::vector<std::string> expected = {
      requestLine,
      "Host: drive.example.com",
      "Connection: close",
      "Content-Type: multipart/form-data; boundary=--lumoxx1700000000--lumozed",
      "Content-Length: " + contentLength,
      "",
      delimiter,
  };
  const std::pair<const char*, std::string> fields[] = {
      {"taction", "user_uploadx_action"},
      {"target_dir", "voice memos"},
      {"encode_target_dir", "voice%20memos"},
      {"filename", "lumo_default.wav"},
      {"auser", "jo"},
      {"adomain", "example"},
      {"asession", "0123456789abcdef0123456789abcdef"},
      {"client_ip", "192.168.1.23"},
      {"prog_ver", "   2.6"},
      {"prog_name", "   recorder_upload"},
  };
  for (const auto& [name, value] : fields) {
    expected.push_back(std::string("Content-Disposition: form-data; name=\"") + name + "\"");
    expected.push_back("");
    expected.push_back(value);
    expected.push_back(delimiter);
  }
  expected.push_back(
      "Content-Disposition: form-data; name=\"file\"; "
      "filename=\"C:\\Users\\someon\\My Documents\\LumoRecorder\\lumo_default.wav\"");
  expected.push_back("Content-Type: application/octet-stream");
  expected.push_back("");
  expected.push_back("RIFFDATA");
  expected.push_back(delimiter + "--");
  EXPECT_EQ(expected, Lines(message));
  EXPECT_EQ(50u, Lines(request.head + request.bodyPrefix).size());
}

TEST(RequestLayout, EmptyTargetFolderAndClientAddress) {
  RequestParts input = WorkedExample();
  input.targetDir = "";
  input.transfer.clientAddress = "";
  UploadRequest request = Build(input);
  EXPECT_NE(std::string::npos, request.head.find("&target_dir= HTTP/1.1\r\n"));
  for (const char* name : {"target_dir", "encode_target_dir", "client_ip"}) {
    EXPECT_NE(std::string::npos,
              request.bodyPrefix.find(std::string("name=\"") + name + "\"\r\n\r\n\r\n----lumoxx"))
        << name;
  }
}

TEST(RequestLayout, FileNameFieldAndFilenameParameter) {
  RequestParts input = WorkedExample();
  input.path = "take1.wav";
  UploadRequest request = Build(input);
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("name=\"filename\"\r\n\r\ntake1.wav\r\n"));
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("filename=\"take1.wav\"\r\n"));
}

TEST(RequestPieces, FieldAndFileHeadLengths) {
  EXPECT_EQ(45u + 5 + 3, BuildFormField("auser", "abc").size());
  EXPECT_EQ("Content-Disposition: form-data; name=\"a\"\r\n\r\nv\r\n", BuildFormField("a", "v"));
  EXPECT_EQ(100u + 7, BuildFileFieldHead("file", "c:\\x.wa").size());
  EXPECT_EQ(27u, UploadBoundary(kStamp).size());
}

TEST(QueryEncoding, TargetFolderTable) {
  EXPECT_EQ("a%20b%26c%3dd%2be%25f%23g", EncodeQueryValue("a b&c=d+e%f#g"));
  EXPECT_EQ("%2520", EncodeQueryValue("%20"));
  EXPECT_EQ("/%5c?:;,%e4%b8%ad~", EncodeQueryValue("/\\?:;,\xE4\xB8\xAD~"));
  EXPECT_EQ("", EncodeQueryValue(""));
}

// What a URI's query may not hold, and what Latin-1 names are made of.
TEST(QueryEncoding, BytesAUriDoesNotAllowAreEncoded) {
  EXPECT_EQ("%22%3c%3e%5c%5e%60%7b%7c%7d%5b%5d", EncodeQueryValue("\"<>\\^`{|}[]"));
  EXPECT_EQ("Zo%eb%20%c9%df%e9%fc%80%ff", EncodeQueryValue("Zo\xEB \xC9\xDF\xE9\xFC\x80\xFF"));
  const std::string kept = "azAZ09-._~!$'()*,;:@/?";
  EXPECT_EQ(kept, EncodeQueryValue(kept));
  // Every byte is either kept or written as three characters.
  size_t keptCount = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string encoded = EncodeQueryValue(std::string(1, static_cast<char>(byte)));
    keptCount += encoded.size() == 1 ? 1 : 0;
    EXPECT_TRUE(encoded.size() == 1 || encoded.size() == 3) << byte;
  }
  EXPECT_EQ(62u + 16u, keptCount);  // letters, digits and - . _ ~ ! $ ' ( ) * , ; : @ / ?
}

TEST(QueryEncoding, ControlBytesAreEncodedInLowerCaseHex) {
  EXPECT_EQ("%09%1f%7f%01", EncodeQueryValue(std::string("\t\x1f\x7f\x01")));
  EXPECT_EQ("%00", EncodeQueryValue(std::string(1, '\0')));
}

TEST(QueryEncoding, EveryQueryValueIsEncodedButFormFieldsStayAsGiven) {
  RequestParts input = WorkedExample();
  input.session = "s 1&x=2";
  input.user = "ann&bob";
  input.domain = "d+e";
  input.pDrive = "p#1\t\xE9";
  input.targetDir = "a b&c=d+e%f#g\xDF";
  UploadRequest request = Build(input);
  const std::string line = request.head.substr(0, request.head.find("\r\n"));
  EXPECT_EQ(
      "POST /workdesk/handle?asession=s%201%26x%3d2&auser=ann%26bob&adomain=d%2be"
      "&taction=user_uploadx_action&pdrive=p%231%09%e9"
      "&target_dir=a%20b%26c%3dd%2be%25f%23g%df HTTP/1.1",
      line);
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("name=\"asession\"\r\n\r\ns 1&x=2\r\n"));
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("name=\"auser\"\r\n\r\nann&bob\r\n"));
  EXPECT_NE(std::string::npos,
            request.bodyPrefix.find("name=\"target_dir\"\r\n\r\na b&c=d+e%f#g\xDF\r\n"));
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("name=\"encode_target_dir\"\r\n\r\n"
                                                       "a%20b%26c%3dd%2be%25f%23g%df\r\n"));
}

TEST(RequestLayout, ProxyIsToldTheWholeUrlAndTheHostLineStays) {
  RequestParts input = WorkedExample();
  const std::string direct = Build(input).head;
  input.transfer.throughProxy = true;
  const std::string proxied = Build(input).head;
  EXPECT_EQ(0u, direct.find("POST /workdesk/handle?asession=0123"));
  EXPECT_EQ(0u, proxied.find("POST http://drive.example.com/workdesk/handle?asession=0123"));
  // Everything after the request target is the same.
  EXPECT_EQ(direct.substr(direct.find('?')), proxied.substr(proxied.find('?')));
}

// A value that begins with the delimiter would end its part early: the
// stamp moves on until no value holds the delimiter.
TEST(RequestLayout, BoundaryMovesPastEveryDelimiterAValueHolds) {
  RequestParts input = WorkedExample();
  EXPECT_EQ(UploadBoundary(kStamp), Build(input).boundary);
  input.session = "--" + UploadBoundary(kStamp) + "--";
  input.path = "c:\\rec\\----lumoxx" + std::to_string(kStamp + 1) + "--lumozed.wav";
  UploadRequest request = Build(input);
  const std::string boundary = UploadBoundary(kStamp + 2);
  EXPECT_EQ(boundary, request.boundary);
  EXPECT_NE(std::string::npos, request.head.find("; boundary=" + boundary + "\r\n"));
  EXPECT_EQ("\r\n--" + boundary + "--\r\n", request.closing);
  EXPECT_NE(std::string::npos, request.bodyPrefix.find("name=\"asession\"\r\n\r\n" + input.session +
                                                       "\r\n--" + boundary + "\r\n"));
  // A stamp at the top of its range moves on to 0.
  input = WorkedExample();
  input.transfer.stamp = INT64_MAX;
  input.user = "--" + UploadBoundary(INT64_MAX);
  EXPECT_EQ(UploadBoundary(0), Build(input).boundary);
}

TEST(RequestRefusals, LineBreakingBytesInAnyValueAreRefused) {
  const char* names[] = {"session",   "user", "domain",   "pDrive",
                         "targetDir", "host", "sentPath", "clientAddress"};
  for (const std::string& bad :
       {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)}) {
    for (size_t i = 0; i < 8; ++i) {
      const std::string name = names[i];
      RequestParts input = WorkedExample();
      std::string* fields[] = {
          &input.session,   &input.user, &input.domain, &input.pDrive,
          &input.targetDir, &input.host, &input.path,   &input.transfer.clientAddress};
      *fields[i] = bad;
      UploadRequest request;
      request.head = "untouched";
      std::string refused;
      EXPECT_EQ(RequestRefusal::kUnsafeValue,
                BuildUploadRequest(input, input.transfer, &request, &refused));
      EXPECT_EQ(name, refused);
      EXPECT_EQ("untouched", request.head);
    }
  }
}

TEST(RequestRefusals, HeadAreaHoldsAtMost29999Bytes) {
  RequestParts input = WorkedExample();
  input.session = std::string(7900, 's');
  input.user = std::string(7900, 'u');
  input.domain = std::string(7900, 'd');
  input.pDrive = "";
  const size_t base = Build(input).head.size();
  input.pDrive = std::string(kHeadArea - 1 - base, 'p');
  UploadRequest request = Build(input);
  EXPECT_EQ(kHeadArea - 1, request.head.size());

  input.pDrive += 'p';
  std::string refused;
  EXPECT_EQ(RequestRefusal::kTooLarge,
            BuildUploadRequest(input, input.transfer, &request, &refused));
  EXPECT_EQ("request", refused);
}

TEST(RequestRefusals, BodyPrefixAreaHoldsAtMost29999Bytes) {
  RequestParts input = WorkedExample();
  input.session = std::string(7000, 's');
  input.user = std::string(7000, 'u');
  input.domain = std::string(7000, 'd');
  input.transfer.clientAddress = "";
  const size_t base = Build(input).bodyPrefix.size();
  input.transfer.clientAddress = std::string(kBodyPrefixArea - 1 - base, 'c');
  EXPECT_EQ(kBodyPrefixArea - 1, Build(input).bodyPrefix.size());

  input.transfer.clientAddress += 'c';
  UploadRequest request;
  EXPECT_EQ(RequestRefusal::kTooLarge, BuildUploadRequest(input, input.transfer, &request));
}

TEST(RequestRefusals, FieldEncodedValueAndFileNameAreas) {
  RequestParts input = WorkedExample();
  // A form field holds 45 bytes of framing plus name and value.
  input.session = std::string(kFormFieldArea - 1 - 45 - 8, 's');
  UploadRequest request;
  EXPECT_EQ(RequestRefusal::kNone, BuildUploadRequest(input, input.transfer, &request));
  input.session += 's';
  std::string refused;
  EXPECT_EQ(RequestRefusal::kTooLarge,
            BuildUploadRequest(input, input.transfer, &request, &refused));
  EXPECT_EQ("session", refused);

  // Encoding may triple a value past its area.
  input = WorkedExample();
  input.pDrive = std::string(kEncodedValueArea / 3 + 1, ' ');
  EXPECT_EQ(RequestRefusal::kTooLarge,
            BuildUploadRequest(input, input.transfer, &request, &refused));
  EXPECT_EQ("pDrive", refused);

  input = WorkedExample();
  input.path = "c:\\rec\\" + std::string(kFileNameArea - 1, 'n');
  EXPECT_EQ(RequestRefusal::kNone, BuildUploadRequest(input, input.transfer, &request));
  input.path += 'n';
  EXPECT_EQ(RequestRefusal::kTooLarge,
            BuildUploadRequest(input, input.transfer, &request, &refused));
  EXPECT_EQ("sentPath", refused);
}

bool DoubleByteLead(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

TEST(PathComponent, LastBackslashWins) {
  EXPECT_EQ("a.wav", LastPathComponent("c:\\x\\y\\a.wav"));
  EXPECT_EQ("a.wav", LastPathComponent("a.wav"));
  EXPECT_EQ("", LastPathComponent("c:\\x\\"));
  EXPECT_EQ("", LastPathComponent(""));
}

TEST(PathComponent, TrailByteThatLooksLikeBackslashIsNotASeparator) {
  const std::string path =
      "c:\\rec\\\xB1\x5C"
      "a.wav";
  EXPECT_EQ(
      "\xB1\x5C"
      "a.wav",
      LastPathComponent(path, DoubleByteLead));
  EXPECT_EQ("a.wav", LastPathComponent(path, nullptr));
  // A lead byte at the very end has no trail byte to swallow.
  EXPECT_EQ("\xB1", LastPathComponent("c:\\\xB1", DoubleByteLead));
}

}  // namespace
}  // namespace tamborix
