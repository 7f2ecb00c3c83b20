// The control's take uploaded to the multipart parsers that storage services
// run (tests/wine/peers.sh starts them, and squid as the user's proxy for a
// second run): each writes what it parsed, and that must be what the page
// set, byte for byte in the system code page, and the take's bytes.
//
// TAMBORIX_PEERS names the peers as "<name>=<address>" separated by commas;
// a peer that writes what it parsed leaves it in TAMBORIX_PEER_DUMPS\<name>.txt
// (lines "query <key> <hex>", "field <name> <hex>", "file file <hex name>
// <size> <sha256>"); the others are only uploaded to.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

#include <wincrypt.h>

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kUpload = 207;

// ASCII specials and Latin-1 letters in every value that a parser decodes.
const wchar_t kSession[] = L"s\xE9ss 'x' #1";
const wchar_t kUser[] = L"Zo\xEB's \"x\" & = % # + ;";
const wchar_t kDomain[] = L"d\xFCm\xE9.example";
const wchar_t kTargetDir[] =
    L"Gr\xF6\xDF"
    L"e \xC9 'x' \"y\" & = % # + ;";
const wchar_t kFileName[] = L"Zo\xEB's #1 & \xE9=\xDF+\xFC;\xC9%.wav";
const wchar_t kPDrive[] = L"P";
// The target folder as the control encodes it (code page 1252).
const char kEncodedTargetDir[] =
    "Gr%f6%dfe%20%c9%20'x'%20%22y%22%20%26%20%3d%20%25%20%23%20%2b%20;";

std::string Ansi(const std::wstring& text) {
  char narrow[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[c & 0x0F];
  }
  return hex;
}

std::string Sha256(const std::string& bytes) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  BYTE digest[32] = {};
  DWORD size = sizeof digest;
  const bool done =
      CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                    static_cast<DWORD>(bytes.size()), 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
  if (hash != 0) {
    CryptDestroyHash(hash);
  }
  if (provider != 0) {
    CryptReleaseContext(provider, 0);
  }
  return done ? Hex(std::string(reinterpret_cast<char*>(digest), size)) : "";
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) {
    parts.push_back(part);
  }
  return parts;
}

// What every parser must have read from the upload of `take`; "*" stands
// for the client address, which is the machine's.
std::vector<std::string> ExpectedDump(const std::string& take) {
  const std::string session = Hex(Ansi(kSession)), user = Hex(Ansi(kUser)),
                    domain = Hex(Ansi(kDomain)), folder = Hex(Ansi(kTargetDir)),
                    name = Hex(Ansi(kFileName));
  return {"query asession " + session,
          "query auser " + user,
          "query adomain " + domain,
          "query taction " + Hex("user_uploadx_action"),
          "query pdrive " + Hex(Ansi(kPDrive)),
          "query target_dir " + folder,
          "field taction " + Hex("user_uploadx_action"),
          "field target_dir " + folder,
          "field encode_target_dir " + Hex(kEncodedTargetDir),
          "field filename " + name,
          "field auser " + user,
          "field adomain " + domain,
          "field asession " + session,
          "field client_ip *",
          "field prog_ver " + Hex("   2.6"),
          "field prog_name " + Hex("   recorder_upload"),
          "file file " + name + " " + std::to_string(take.size()) + " " + Sha256(take)};
}

// The first line where `dump` differs from `expected`, or "" when none does.
std::string FirstDifference(const std::vector<std::string>& expected, const std::string& dump) {
  const std::vector<std::string> lines = Split(dump, '\n');
  for (size_t i = 0; i < expected.size() || i < lines.size(); ++i) {
    const std::string want = i < expected.size() ? expected[i] : "(nothing)";
    const std::string got = i < lines.size() ? lines[i] : "(nothing)";
    const bool any = want.size() > 1 && want.back() == '*' &&
                     got.compare(0, want.size() - 1, want, 0, want.size() - 1) == 0;
    if (want != got && !any) {
      return "line " + std::to_string(i + 1) + ": want [" + want + "] got [" + got + "]";
    }
  }
  return "";
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

TEST_GROUP(PeersParseTheTakeByteForByte) {
  REQUIRE(GetACP() == 1252);  // kEncodedTargetDir is the Western code page's
  const std::vector<std::string> peers = Split(Environment("TAMBORIX_PEERS"), ',');
  const std::string dumps = Environment("TAMBORIX_PEER_DUMPS");
  REQUIRE(!peers.empty() && !dumps.empty());

  const std::vector<std::pair<const wchar_t*, const wchar_t*>> params = {
      {L"Session", kSession},     {L"User", kUser},         {L"Domain", kDomain},
      {L"TargetDir", kTargetDir}, {L"Host", L"127.0.80.1"}, {L"FileName", kFileName},
      {L"PDrive", kPDrive}};
  BoxWatcher boxes;
  Hosted host(params);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  Ref<IRecorderDialog> dialog;
  REQUIRE(dialog.From(host.object.get()));
  Click(panel, kRec);
  PumpFor(1500);
  Click(panel, kStop);
  const std::string take = ReadBytes(LocalFullFileName(host.object.get()));
  REQUIRE(take.size() > 44);
  const std::vector<std::string> expected = ExpectedDump(take);

  for (const std::string& peer : peers) {
    const size_t equals = peer.find('=');
    REQUIRE(equals != std::string::npos);
    const std::string name = peer.substr(0, equals);
    const std::string address = peer.substr(equals + 1);
    const std::string dump = dumps + "\\" + name + ".txt";
    DeleteFileA(dump.c_str());
    Bstr hostName(std::wstring(address.begin(), address.end()).c_str());
    CHECK_HR(dialog->SetHost(hostName.get()), S_OK);
    const int succeeded = host.events.counts[kOnOKDone];
    Click(panel, kUpload);  // returns when the upload has ended
    PumpMessages();
    if (host.events.counts[kOnOKDone] != succeeded + 1) {
      Fail(__FILE__, __LINE__, name + ": no OnOKDone");
      continue;
    }
    if (name == "service") {
      continue;  // the reference service keeps no dump; the script checks its store
    }
    const std::string parsed = ReadBytes(std::wstring(dump.begin(), dump.end()));
    const std::string difference = FirstDifference(expected, parsed);
    if (!difference.empty()) {
      Fail(__FILE__, __LINE__, name + ": " + difference);
    }
  }
  CHECK(host.events.counts[kOnAbort] == 0);
  for (const std::string& text : boxes.Texts()) {
    Fail(__FILE__, __LINE__, "message box: " + text);
  }
}

}  // namespace
}  // namespace tamborix_wine
