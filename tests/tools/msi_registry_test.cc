// The installer package's registry rows: what the registrar's rules make of
// a script, and the text the package gets.
#include <gtest/gtest.h>

#include <string>

#include "registry_rows.h"
#include "type_library.h"

namespace tamborix {
namespace {

std::string ElementsOf(const std::string& text) {
  const std::map<std::string, std::string> variables = {{"MODULE", std::string(1, kModuleMark)}};
  const registrar::ParseResult parsed = registrar::ParseScript(text, variables);
  EXPECT_TRUE(parsed.ok) << parsed.error;
  return RegistryElements(RowsOf(parsed.script), "[#m.dll]", "[DIR]");
}

// Only what unregistration removes is the package's to remove: a shared key
// above it gets no row (a '*' row would delete it with everything below).
TEST(MsiRegistryRows, EmptyKeysOfOurOwnOnlyAreRemovedWithThePackage) {
  const std::string rows = ElementsOf(
      "HKCR { NoRemove CLSID { ForceRemove {X} = s 'Name' { ForceRemove Control "
      "Count = d '7' } } }");
  EXPECT_EQ(rows.find("Key=\"Software\\Classes\\CLSID\" "), std::string::npos) << rows;
  EXPECT_NE(rows.find("Key=\"Software\\Classes\\CLSID\\{X}\\Control\" Name=\"*\""),
            std::string::npos)
      << rows;
  EXPECT_NE(rows.find("Key=\"Software\\Classes\\CLSID\\{X}\\Count\" Type=\"integer\" Value=\"7\""),
            std::string::npos)
      << rows;
}

// Brackets are the installer's property syntax: literal ones are escaped,
// and the module's path is the installer's file reference.
TEST(MsiRegistryRows, TextIsInstallerFormattedAndXmlEscaped) {
  const std::string rows = ElementsOf("HKCR { K = s '%MODULE%, [1] <a&b>' { val 'n\"' = s 'x' } }");
  EXPECT_NE(rows.find("Value=\"[#m.dll], [\\[]1[\\]] &lt;a&amp;b&gt;\""), std::string::npos)
      << rows;
  EXPECT_NE(rows.find("Name=\"n&quot;\""), std::string::npos) << rows;
}

TEST(MsiRegistryTypeLibrary, RefusesWhatIsNotAWholeLibrary) {
  TypeLibraryFacts facts;
  std::string error;
  EXPECT_FALSE(ReadTypeLibrary("not a library", &facts, &error));
  std::string header = "MSFT" + std::string(0x50, '\0');
  header[0x20] = 1;  // one type, and no segment table after the header
  EXPECT_FALSE(ReadTypeLibrary(header, &facts, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tamborix
