// The registrar's key rules on an in-memory registry, with the module's own
// script: what registration writes, what a second registration replaces and
// what unregistration leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "module/registrar_script.h"
#include "tests/module/fake_registry.h"

namespace tamborix {
namespace {

constexpr char kClassKey[] = "HKCR\\CLSID\\{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}";
constexpr char kModulePath[] = "C:\\t\\tamborix.dll";

registrar::Script ModuleScript() {
  std::ifstream in(TAMBORIX_REGISTRY_SCRIPT, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  registrar::ParseResult parsed = registrar::ParseScript(text.str(), {{"MODULE", kModulePath}});
  EXPECT_TRUE(parsed.ok) << parsed.error;
  return parsed.script;
}

std::string Sub(const std::string& name) {
  return std::string(kClassKey) + "\\" + name;
}

TEST(RegistrarRules, RegistrationWritesEveryEntry) {
  FakeRegistry registry;
  ASSERT_EQ(registrar::Register(ModuleScript(), registry), kSOk);

  const std::map<std::string, FakeRegistry::Values> expected = {
      {"HKCR\\Tamborix.RecorderDialog.1", {{"", "RecorderDialog Class"}}},
      {"HKCR\\Tamborix.RecorderDialog.1\\CLSID", {{"", "{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}"}}},
      {"HKCR\\Tamborix.RecorderDialog", {{"", "RecorderDialog Class"}}},
      {"HKCR\\Tamborix.RecorderDialog\\CLSID", {{"", "{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}"}}},
      {"HKCR\\Tamborix.RecorderDialog\\CurVer", {{"", "Tamborix.RecorderDialog.1"}}},
      {"HKCR\\CLSID", {}},
      {kClassKey, {{"", "RecorderDialog Class"}}},
      {Sub("ProgID"), {{"", "Tamborix.RecorderDialog.1"}}},
      {Sub("VersionIndependentProgID"), {{"", "Tamborix.RecorderDialog"}}},
      {Sub("Programmable"), {}},
      {Sub("InprocServer32"), {{"", kModulePath}, {"ThreadingModel", "Apartment"}}},
      {Sub("Control"), {}},
      {Sub("Insertable"), {}},
      {Sub("ToolboxBitmap32"), {{"", std::string(kModulePath) + ", 102"}}},
      {Sub("MiscStatus"), {{"", "0"}}},
      {Sub("MiscStatus\\1"), {{"", "131473"}}},
      {Sub("TypeLib"), {{"", "{7B60D0F9-8292-4A5D-AD56-F53F30E0590B}"}}},
      {Sub("Version"), {{"", "1.0"}}},
  };
  std::set<std::string> all = registry.Subtree("HKCR");
  all.erase("HKCR");
  std::set<std::string> expectedKeys;
  for (const auto& entry : expected) {
    expectedKeys.insert(entry.first);
    ASSERT_TRUE(registry.Has(entry.first)) << entry.first;
    EXPECT_EQ(registry.ValuesOf(entry.first), entry.second) << entry.first;
  }
  EXPECT_EQ(all, expectedKeys);
}

TEST(RegistrarRules, SecondRegistrationReplacesForceRemoveKeys) {
  FakeRegistry registry;
  const registrar::Script script = ModuleScript();
  ASSERT_EQ(registrar::Register(script, registry), kSOk);
  registry.Add(Sub("Stale"), "", "old");
  registry.Add(Sub("Control\\Stale"));
  registry.Add(Sub("InprocServer32"), "Extra", "x");
  registry.Add("HKCR\\Tamborix.RecorderDialog\\Foreign");

  ASSERT_EQ(registrar::Register(script, registry), kSOk);
  EXPECT_FALSE(registry.Has(Sub("Stale")));
  EXPECT_FALSE(registry.Has(Sub("Control\\Stale")));
  EXPECT_EQ(registry.ValuesOf(Sub("InprocServer32")).count("Extra"), 0u);
  EXPECT_EQ(registry.Subtree(kClassKey).size(), 12u);
  // A normal key is written over, not deleted first.
  EXPECT_TRUE(registry.Has("HKCR\\Tamborix.RecorderDialog\\Foreign"));
}

TEST(RegistrarRules, UnregistrationKeepsClsidAndForeignKeys) {
  FakeRegistry registry;
  registry.Add("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}", "", "other");
  const registrar::Script script = ModuleScript();
  ASSERT_EQ(registrar::Register(script, registry), kSOk);
  registry.Add("HKCR\\Tamborix.RecorderDialog.1\\Shell");

  ASSERT_EQ(registrar::Unregister(script, registry), kSOk);
  EXPECT_TRUE(registry.Has("HKCR\\CLSID"));
  EXPECT_TRUE(registry.Has("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}"));
  EXPECT_TRUE(registry.Subtree(kClassKey).empty());
  EXPECT_TRUE(registry.Subtree("HKCR\\Tamborix.RecorderDialog").empty());
  EXPECT_FALSE(registry.Has("HKCR\\Tamborix.RecorderDialog.1\\CLSID"));
  // A key that holds a key the script did not write stays.
  EXPECT_TRUE(registry.Has("HKCR\\Tamborix.RecorderDialog.1\\Shell"));

  // Unregistering again finds nothing to do and still succeeds.
  EXPECT_EQ(registrar::Unregister(script, registry), kSOk);
}

TEST(RegistrarRules, RegistrationStopsAtTheFirstFailure) {
  FakeRegistry registry;
  constexpr Result kAccessDenied = static_cast<Result>(0x80070005u);
  registry.FailCall(3, kAccessDenied);
  EXPECT_EQ(registrar::Register(ModuleScript(), registry), kAccessDenied);
  EXPECT_EQ(registry.log().size(), 3u);
}

TEST(RegistrarRules, UnregistrationTriesEveryStep) {
  FakeRegistry registry;
  const registrar::Script script = ModuleScript();
  ASSERT_EQ(registrar::Register(script, registry), kSOk);
  const size_t before = registry.log().size();
  constexpr Result kAccessDenied = static_cast<Result>(0x80070005u);
  registry.FailCall(before + 1, kAccessDenied);
  EXPECT_EQ(registrar::Unregister(script, registry), kAccessDenied);
  EXPECT_TRUE(registry.Subtree(kClassKey).empty());
  EXPECT_TRUE(registry.Subtree("HKCR\\Tamborix.RecorderDialog").empty());
}

TEST(RegistrarRules, DeleteKeywordRemovesOnRegistrationOnly) {
  registrar::ParseResult parsed =
      registrar::ParseScript("HKCU { Delete Old NoRemove Soft { val V = s 'x' } }", {});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  FakeRegistry registry;
  registry.Add("HKCU\\Old\\Child");
  ASSERT_EQ(registrar::Register(parsed.script, registry), kSOk);
  EXPECT_FALSE(registry.Has("HKCU\\Old"));
  EXPECT_EQ(registry.ValuesOf("HKCU\\Soft").at("V"), "x");
  ASSERT_EQ(registrar::Unregister(parsed.script, registry), kSOk);
  EXPECT_TRUE(registry.Has("HKCU\\Soft"));  // no-remove key stays, its value goes
  EXPECT_EQ(registry.ValuesOf("HKCU\\Soft").count("V"), 0u);
}

}  // namespace
}  // namespace tamborix
