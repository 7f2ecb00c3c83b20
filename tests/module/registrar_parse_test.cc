// The registrar's script parser: the module's own script, the token rules and
// the refusals.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "module/registrar_script.h"

namespace tamborix {
namespace {

using registrar::Key;
using registrar::KeyRule;
using registrar::ParseResult;
using registrar::ParseScript;
using registrar::Value;

const std::map<std::string, std::string> kModule = {
    {"MODULE", "C:\\Program Files\\t\\tamborix.dll"}};

std::string ReadModuleScript() {
  std::ifstream in(TAMBORIX_REGISTRY_SCRIPT, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const Key* Find(const std::vector<Key>& keys, const std::string& name) {
  for (const Key& key : keys) {
    if (key.name == name) {
      return &key;
    }
  }
  return nullptr;
}

TEST(RegistrarParse, ModuleScriptHasTheClassKeysAndRules) {
  const ParseResult parsed = ParseScript(ReadModuleScript(), kModule);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  ASSERT_EQ(parsed.script.roots.size(), 1u);
  EXPECT_EQ(parsed.script.roots[0].root, registrar::RootKey::kClassesRoot);
  const std::vector<Key>& top = parsed.script.roots[0].keys;
  ASSERT_EQ(top.size(), 3u);

  const Key* clsid = Find(top, "CLSID");
  ASSERT_NE(clsid, nullptr);
  EXPECT_EQ(clsid->rule, KeyRule::kNoRemove);
  EXPECT_FALSE(clsid->hasDefault);
  const Key* klass = Find(clsid->subkeys, "{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}");
  ASSERT_NE(klass, nullptr);
  EXPECT_EQ(klass->rule, KeyRule::kForceRemove);
  EXPECT_EQ(klass->defaultValue.text, "RecorderDialog Class");

  const Key* server = Find(klass->subkeys, "InprocServer32");
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(server->rule, KeyRule::kNormal);
  EXPECT_EQ(server->defaultValue.text, "C:\\Program Files\\t\\tamborix.dll");
  ASSERT_EQ(server->values.size(), 1u);
  EXPECT_EQ(server->values[0].name, "ThreadingModel");
  EXPECT_EQ(server->values[0].text, "Apartment");

  const Key* toolbox = Find(klass->subkeys, "ToolboxBitmap32");
  ASSERT_NE(toolbox, nullptr);
  EXPECT_EQ(toolbox->rule, KeyRule::kForceRemove);
  EXPECT_EQ(toolbox->defaultValue.text, "C:\\Program Files\\t\\tamborix.dll, 102");

  for (const char* name : {"Programmable", "Control", "Insertable"}) {
    const Key* bare = Find(klass->subkeys, name);
    ASSERT_NE(bare, nullptr) << name;
    EXPECT_EQ(bare->rule, KeyRule::kForceRemove) << name;
    EXPECT_FALSE(bare->hasDefault) << name;
  }
  const Key* misc = Find(klass->subkeys, "MiscStatus");
  ASSERT_NE(misc, nullptr);
  EXPECT_EQ(misc->defaultValue.text, "0");
  ASSERT_EQ(misc->subkeys.size(), 1u);
  EXPECT_EQ(misc->subkeys[0].name, "1");
  EXPECT_EQ(misc->subkeys[0].defaultValue.text, "131473");
}

TEST(RegistrarParse, QuotesVariablesAndKeywords) {
  const ParseResult parsed = ParseScript(
      "hkcu { 'it''s' = s '100%% %NAME%' { val 'v' = d '0x1F' val w = D 42 } "
      "'NoRemove' forceremove x }",
      {{"NAME", "a 'b'"}});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.script.roots[0].root, registrar::RootKey::kCurrentUser);
  const std::vector<Key>& keys = parsed.script.roots[0].keys;
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].name, "it's");
  EXPECT_EQ(keys[0].defaultValue.text, "100% a 'b'");
  ASSERT_EQ(keys[0].values.size(), 2u);
  EXPECT_EQ(keys[0].values[0].kind, Value::Kind::kNumber);
  EXPECT_EQ(keys[0].values[0].number, 0x1Fu);
  EXPECT_EQ(keys[0].values[1].number, 42u);
  // A quoted keyword is a name; keywords are case-insensitive.
  EXPECT_EQ(keys[1].name, "NoRemove");
  EXPECT_EQ(keys[1].rule, KeyRule::kNormal);
  EXPECT_EQ(keys[2].name, "x");
  EXPECT_EQ(keys[2].rule, KeyRule::kForceRemove);
}

TEST(RegistrarParse, RefusesBrokenScripts) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"HKXX { a }", "unknown root"},
      {"HKCR { a = s 'open }", "unterminated"},
      {"HKCR { a = s '%NOPE%' }", "unknown variable"},
      {"HKCR { a = s '50%' }", "closing '%'"},
      {"HKCR { val a = s 'b' }", "'val' outside a key"},
      {"HKCR { a = d '12x' }", "not a 32-bit number"},
      {"HKCR { a = d '4294967296' }", "not a 32-bit number"},
      {"HKCR { a = b '00' }", "unsupported value type"},
      {"HKCR { a { b }", "end of the script"},
      {"HKCR a", "expected '{'"},
      {"HKCR { 'x\\y' }", "one non-empty level"},
      {"HKCR { '' }", "one non-empty level"},
  };
  for (const auto& c : cases) {
    const ParseResult parsed = ParseScript(c.first, kModule);
    EXPECT_FALSE(parsed.ok) << c.first;
    EXPECT_NE(parsed.error.find(c.second), std::string::npos) << c.first << " -> " << parsed.error;
    EXPECT_TRUE(parsed.script.roots.empty()) << c.first;
  }
}

// `depth` keys, each inside the one before.
std::string Nested(int depth) {
  std::string text = "HKCR {";
  for (int i = 1; i < depth; ++i) {
    text += " k {";
  }
  text += " k";
  for (int i = 0; i < depth; ++i) {
    text += " }";
  }
  return text;
}

// Nesting is bounded so that a hostile script cannot exhaust the stack.
TEST(RegistrarParse, NestingIsBounded) {
  const ParseResult deep = ParseScript(Nested(64), kModule);
  ASSERT_TRUE(deep.ok) << deep.error;

  for (int depth : {65, 50000}) {
    const ParseResult parsed = ParseScript(Nested(depth), kModule);
    EXPECT_FALSE(parsed.ok) << depth;
    EXPECT_NE(parsed.error.find("nested too deeply"), std::string::npos) << parsed.error;
    EXPECT_TRUE(parsed.script.roots.empty());
  }
}

TEST(RegistrarParse, ErrorNamesTheLine) {
  const ParseResult parsed = ParseScript("HKCR\n{\n  a = s 'ok'\n  b = q 'no'\n}\n", kModule);
  ASSERT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error.rfind("line 4:", 0), 0u) << parsed.error;
}

}  // namespace
}  // namespace tamborix
