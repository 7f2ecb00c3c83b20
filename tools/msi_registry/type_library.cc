#include "type_library.h"

#include <cstdio>

namespace tamborix {
namespace {

constexpr uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr size_t kHeaderSize = 0x54;
constexpr size_t kTypeInfoSize = 0x64;
constexpr size_t kSegmentSize = 16;
constexpr int kSegments = 15;
constexpr int kTypeInfoSegment = 0;
constexpr int kGuidSegment = 5;
constexpr int kNameSegment = 7;
constexpr int kStringSegment = 8;
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr int kKindInterface = 3;
constexpr int kKindDispatch = 4;
constexpr uint32_t kFlagDual = 0x40;
constexpr uint32_t kFlagOleAutomation = 0x100;

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}

  bool Has(size_t at, size_t size) const {
    return at <= bytes_.size() && size <= bytes_.size() - at;
  }

  uint32_t U32(size_t at) {
    if (!Has(at, 4)) {
      ok_ = false;
      return 0;
    }
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
      v = v << 8 | static_cast<uint8_t>(bytes_[at + i]);
    }
    return v;
  }
  int32_t I32(size_t at) { return static_cast<int32_t>(U32(at)); }
  std::string Bytes(size_t at, size_t size) {
    if (!Has(at, size)) {
      ok_ = false;
      return std::string();
    }
    return bytes_.substr(at, size);
  }
  bool ok() const { return ok_; }

 private:
  const std::string& bytes_;
  bool ok_ = true;
};

std::string GuidText(Reader& in, size_t at) {
  char text[40];
  const uint32_t d1 = in.U32(at);
  const uint32_t d23 = in.U32(at + 4);
  const std::string d4 = in.Bytes(at + 8, 8);
  if (!in.ok()) {
    return std::string();
  }
  auto b = [&d4](int i) { return static_cast<unsigned>(static_cast<uint8_t>(d4[i])); };
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(d1), static_cast<unsigned>(d23 & 0xFFFF),
                static_cast<unsigned>(d23 >> 16), b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7));
  return text;
}

// Escapes text for a quoted token of a registry script.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') {
      out += '\'';
    } else if (c == '%') {
      out += '%';
    }
  }
  return out + "'";
}

const char* SyskindName(int syskind) {
  switch (syskind) {
    case 0:
      return "win16";
    case 3:
      return "win64";
    default:
      return "win32";
  }
}

}  // namespace

bool ReadTypeLibrary(const std::string& bytes, TypeLibraryFacts* facts, std::string* error) {
  Reader in(bytes);
  if (in.U32(0) != kMagic || !in.Has(0, kHeaderSize)) {
    *error = "not a type library";
    return false;
  }
  const int32_t libGuid = in.I32(0x08);
  const uint32_t varflags = in.U32(0x14);
  const uint32_t version = in.U32(0x18);
  const int32_t count = in.I32(0x20);
  const int32_t helpString = in.I32(0x24);
  const int32_t libName = in.I32(0x38);
  if (count < 0 || count > 4096) {
    *error = "implausible number of types";
    return false;
  }
  size_t segments = kHeaderSize + 4 * static_cast<size_t>(count);
  if (varflags & kHelpDllFlag) {
    segments += 4;
  }
  auto segment = [&](int n) { return static_cast<size_t>(in.U32(segments + n * kSegmentSize)); };
  if (!in.Has(segments, kSegments * kSegmentSize)) {
    *error = "truncated segment table";
    return false;
  }
  const size_t guids = segment(kGuidSegment);
  const size_t names = segment(kNameSegment);
  const size_t strings = segment(kStringSegment);
  const size_t types = segment(kTypeInfoSegment);
  auto name = [&](int32_t offset) {
    if (offset < 0) {
      return std::string();
    }
    const size_t at = names + static_cast<size_t>(offset);
    return in.Bytes(at + 12, in.U32(at + 8) & 0xFF);
  };
  auto string = [&](int32_t offset) {
    if (offset < 0) {
      return std::string();
    }
    const size_t at = strings + static_cast<size_t>(offset);
    return in.Bytes(at + 2, in.U32(at) & 0xFFFF);
  };

  facts->guid = GuidText(in, guids + static_cast<size_t>(libGuid));
  facts->lcid = in.U32(0x10);
  facts->syskind = static_cast<int>(varflags & 0x0F);
  facts->major = static_cast<uint16_t>(version & 0xFFFF);
  facts->minor = static_cast<uint16_t>(version >> 16);
  facts->flags = static_cast<uint16_t>(in.U32(0x1C) & 0xFFFF);
  facts->title = helpString >= 0 ? string(helpString) : name(libName);
  facts->interfaces.clear();
  for (int32_t i = 0; i < count && in.ok(); ++i) {
    const size_t at = types + static_cast<size_t>(i) * kTypeInfoSize;
    const int kind = static_cast<int>(in.U32(at) & 0x0F);
    const uint32_t flags = in.U32(at + 0x30);
    const bool registered =
        kind == kKindDispatch || (kind == kKindInterface && (flags & kFlagOleAutomation));
    if (!registered) {
      continue;
    }
    TypeLibraryInterface item;
    item.guid = GuidText(in, guids + static_cast<size_t>(in.I32(at + 0x2C)));
    item.name = name(in.I32(at + 0x34));
    item.dispatch = kind == kKindDispatch;
    item.dual = (flags & kFlagDual) != 0;
    facts->interfaces.push_back(item);
  }
  if (!in.ok() || facts->guid.empty()) {
    *error = "truncated type library";
    return false;
  }
  return true;
}

std::string TypeLibraryScript(const TypeLibraryFacts& facts) {
  // The marshalers: the type library one for interfaces with a vtable, the
  // IDispatch one for pure dispinterfaces.
  const std::string vtableProxy = "{00020424-0000-0000-C000-000000000046}";
  const std::string dispatchProxy = "{00020420-0000-0000-C000-000000000046}";
  char version[16];
  std::snprintf(version, sizeof version, "%x.%x", facts.major, facts.minor);
  char locale[16];
  std::snprintf(locale, sizeof locale, "%x", static_cast<unsigned>(facts.lcid));

  std::string s = "HKCR\n{\n NoRemove TypeLib\n {\n  " + Quoted(facts.guid) + "\n  {\n";
  s += "   " + Quoted(version) + " = s " + Quoted(facts.title) + "\n   {\n";
  s += "    " + Quoted(locale) + "\n    {\n     " + SyskindName(facts.syskind) +
       " = s '%MODULE%'\n    }\n";
  s += "    FLAGS = s " + Quoted(std::to_string(facts.flags)) + "\n";
  s += "    HELPDIR = s '%HELPDIR%'\n   }\n  }\n }\n";
  s += " NoRemove Interface\n {\n";
  for (const TypeLibraryInterface& item : facts.interfaces) {
    const std::string& proxy = item.dispatch && !item.dual ? dispatchProxy : vtableProxy;
    s += "  ForceRemove " + Quoted(item.guid) + " = s " + Quoted(item.name) + "\n  {\n";
    s += "   ProxyStubClsid = s " + Quoted(proxy) + "\n";
    s += "   ProxyStubClsid32 = s " + Quoted(proxy) + "\n";
    s += "   TypeLib = s " + Quoted(facts.guid) + "\n   {\n    val Version = s " + Quoted(version) +
         "\n   }\n  }\n";
  }
  s += " }\n}\n";
  return s;
}

}  // namespace tamborix
