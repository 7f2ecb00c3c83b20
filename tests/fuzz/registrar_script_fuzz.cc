// Fuzzes the registrar's script parser. The input is a script. A script that
// parses is written back out in quoted form, which must parse to the same
// keys, and is applied to a registry that checks every path it is given.
//
// The parser recurses once per level of braces, so tools/fuzz.sh keeps the
// inputs of this target short (-max_len) until the nesting has a limit.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "module/registrar_script.h"
#include "tests/fuzz/fuzz_check.h"

namespace tamborix {
namespace {

using registrar::Key;
using registrar::KeyRule;
using registrar::ParseResult;
using registrar::RegistryEditor;
using registrar::Root;
using registrar::RootKey;
using registrar::Script;
using registrar::Value;

const std::map<std::string, std::string>& Variables() {
  static const std::map<std::string, std::string> variables = {
      {"MODULE", "C:\\Program Files\\Tamborix\\tamborix.dll"}, {"SHARE", "50% 'quoted'"}};
  return variables;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? "''" : c == '%' ? "%%" : std::string(1, c);
  }
  return quoted + "'";
}

std::string Written(const Value& value) {
  return value.kind == Value::Kind::kString ? "s " + Quoted(value.text)
                                            : "d '" + std::to_string(value.number) + "'";
}

const char* RuleWord(KeyRule rule) {
  switch (rule) {
    case KeyRule::kForceRemove:
      return "ForceRemove ";
    case KeyRule::kNoRemove:
      return "NoRemove ";
    case KeyRule::kDelete:
      return "Delete ";
    case KeyRule::kNormal:
      break;
  }
  return "";
}

void WriteKeys(const std::vector<Key>& keys, std::string* out) {
  for (const Key& key : keys) {
    *out += RuleWord(key.rule) + Quoted(key.name);
    if (key.hasDefault) {
      *out += " = " + Written(key.defaultValue);
    }
    *out += "\n{\n";
    for (const Value& value : key.values) {
      *out += "val " + Quoted(value.name) + " = " + Written(value) + "\n";
    }
    WriteKeys(key.subkeys, out);
    *out += "}\n";
  }
}

std::string Written(const Script& script) {
  static const char* const kRootNames[] = {"HKCR", "HKCU", "HKLM", "HKU"};
  std::string text;
  for (const Root& root : script.roots) {
    text += kRootNames[static_cast<int>(root.root)] + std::string("\n{\n");
    WriteKeys(root.keys, &text);
    text += "}\n";
  }
  return text;
}

bool Same(const Value& a, const Value& b) {
  return a.name == b.name && a.kind == b.kind &&
         (a.kind == Value::Kind::kString ? a.text == b.text : a.number == b.number);
}

bool Same(const Key& a, const Key& b) {
  bool same = a.name == b.name && a.rule == b.rule && a.hasDefault == b.hasDefault &&
              (!a.hasDefault || Same(a.defaultValue, b.defaultValue)) &&
              a.values.size() == b.values.size() && a.subkeys.size() == b.subkeys.size();
  for (size_t i = 0; same && i < a.values.size(); ++i) {
    same = Same(a.values[i], b.values[i]);
  }
  for (size_t i = 0; same && i < a.subkeys.size(); ++i) {
    same = Same(a.subkeys[i], b.subkeys[i]);
  }
  return same;
}

bool Same(const Script& a, const Script& b) {
  bool same = a.roots.size() == b.roots.size();
  for (size_t r = 0; same && r < a.roots.size(); ++r) {
    same = a.roots[r].root == b.roots[r].root && a.roots[r].keys.size() == b.roots[r].keys.size();
    for (size_t k = 0; same && k < a.roots[r].keys.size(); ++k) {
      same = Same(a.roots[r].keys[k], b.roots[r].keys[k]);
    }
  }
  return same;
}

void CheckNames(const std::vector<Key>& keys) {
  for (const Key& key : keys) {
    FUZZ_CHECK(!key.name.empty() && key.name.find('\\') == std::string::npos);
    for (const Value& value : key.values) {
      FUZZ_CHECK(!value.name.empty());
    }
    CheckNames(key.subkeys);
  }
}

// A registry that accepts every call and checks that each path names keys
// one level at a time: no empty level and no backslash at either end.
class PathCheckingRegistry : public RegistryEditor {
 public:
  Result CreateKey(RootKey root, const std::string& path) override { return Check(path); }
  Result SetString(RootKey root, const std::string& path, const std::string& name,
                   const std::string& data) override {
    return Check(path);
  }
  Result SetNumber(RootKey root, const std::string& path, const std::string& name,
                   uint32_t data) override {
    return Check(path);
  }
  Result DeleteTree(RootKey root, const std::string& path) override { return Check(path); }
  Result DeleteKeyIfLeaf(RootKey root, const std::string& path) override { return Check(path); }
  Result DeleteValue(RootKey root, const std::string& path, const std::string& name) override {
    return Check(path);
  }

 private:
  static Result Check(const std::string& path) {
    FUZZ_CHECK(!path.empty() && path.front() != '\\' && path.back() != '\\');
    FUZZ_CHECK(path.find("\\\\") == std::string::npos);
    return kSOk;
  }
};

void FuzzOne(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ParseResult parsed = registrar::ParseScript(text, Variables());
  if (!parsed.ok) {
    FUZZ_CHECK(!parsed.error.empty() && parsed.script.roots.empty());
    return;
  }
  FUZZ_CHECK(parsed.error.empty());
  for (const Root& root : parsed.script.roots) {
    CheckNames(root.keys);
  }

  const ParseResult reparsed = registrar::ParseScript(Written(parsed.script), Variables());
  FUZZ_CHECK(reparsed.ok);
  FUZZ_CHECK(Same(reparsed.script, parsed.script));

  PathCheckingRegistry registry;
  FUZZ_CHECK(registrar::Register(parsed.script, registry) == kSOk);
  FUZZ_CHECK(registrar::Unregister(parsed.script, registry) == kSOk);
}

}  // namespace
}  // namespace tamborix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamborix::FuzzOne(data, size);
  return 0;
}
