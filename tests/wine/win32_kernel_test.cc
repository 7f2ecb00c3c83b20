// The Win32 kernel on a real (Wine) system: environment, files, text in the
// code page, the clock and the message box.
#include <ctime>
#include <fstream>
#include <string>

#include "platform/win32/win32_kernel.h"
#include "tests/wine/check.h"

#include <windows.h>

namespace tamborix_wine {
namespace {

using tamborix::Win32Kernel;

std::string TempFolder() {
  char base[MAX_PATH] = {0};
  GetTempPathA(sizeof base, base);
  return std::string(base) + "tamborix_kernel_" + std::to_string(GetCurrentProcessId()) + "\\";
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadAll(Win32Kernel& kernel, const std::string& path) {
  auto file = kernel.OpenForReading(path);
  if (!file) {
    return "<missing>";
  }
  std::string text;
  char buffer[3];
  for (size_t got; (got = file->Read(buffer, sizeof buffer)) > 0;) {
    text.append(buffer, got);
  }
  return file->Failed() ? "<failed>" : text;
}

TEST_GROUP(KernelEnvironment) {
  Win32Kernel kernel;
  std::string value = "untouched";
  SetEnvironmentVariableA("TAMBORIX_TEST_VALUE", "here");
  CHECK(kernel.GetEnvironment("TAMBORIX_TEST_VALUE", &value) && value == "here");
  const std::string longValue(1000, 'x');
  SetEnvironmentVariableA("TAMBORIX_TEST_VALUE", longValue.c_str());
  CHECK(kernel.GetEnvironment("TAMBORIX_TEST_VALUE", &value) && value == longValue);
  SetEnvironmentVariableA("TAMBORIX_TEST_VALUE", nullptr);
  value = "untouched";
  CHECK(!kernel.GetEnvironment("TAMBORIX_TEST_VALUE", &value));
  CHECK(value == "untouched");
  CHECK(kernel.LastError().code == ERROR_ENVVAR_NOT_FOUND);
}

TEST_GROUP(KernelFiles) {
  Win32Kernel kernel;
  const std::string folder = TempFolder();
  CHECK(kernel.MakeDirectory(folder));
  CHECK(!kernel.MakeDirectory(folder));
  CHECK(kernel.LastError().code == ERROR_ALREADY_EXISTS);
  CHECK(kernel.LastError().operation == "CreateDirectoryA " + folder);
  CHECK(!kernel.LastError().text.empty());

  const std::string target = folder + "take.wav";
  const std::string fresh = folder + "take.tmp";
  WriteText(target, "old");
  WriteText(fresh, "new recording");
  CHECK(kernel.MoveIntoPlace(fresh, target));
  CHECK(ReadAll(kernel, target) == "new recording");
  CHECK(ReadAll(kernel, fresh) == "<missing>");
  CHECK(kernel.LastError().code == ERROR_FILE_NOT_FOUND);
  CHECK(!kernel.MoveIntoPlace(fresh, target));
  WriteText(fresh, "newer");
  CHECK(!kernel.MoveWithoutReplacing(fresh, target));
  CHECK(kernel.LastError().code == ERROR_ALREADY_EXISTS);
  CHECK(kernel.MoveWithoutReplacing(fresh, folder + "take-2.wav"));
  CHECK(kernel.RemoveFile(folder + "take-2.wav"));

  auto file = kernel.OpenForReading(target);
  uint64_t size = 0;
  CHECK(file && file->Size(&size) && size == 13);
  file.reset();

  CHECK(kernel.RemoveFile(target));
  CHECK(!kernel.RemoveFile(target));
  CHECK(kernel.LastError().code == ERROR_FILE_NOT_FOUND);
  RemoveDirectoryA(folder.c_str());
}

TEST_GROUP(KernelText) {
  Win32Kernel kernel;
  CHECK(kernel.WideToNarrow(u"plain.wav") == "plain.wav");
  CHECK(kernel.NarrowToWide("plain.wav") == u"plain.wav");
  CHECK(kernel.WideToNarrow(u"").empty() && kernel.NarrowToWide("").empty());
  const std::string umlaut = kernel.WideToNarrow(u"\u00e4");
  CHECK(kernel.Utf8ToNarrow("\xc3\xa4") == umlaut);
  CHECK(kernel.WideToNarrow(std::u16string(u"ab\0c", 4)) == "ab");
  std::string narrow;
  CHECK(kernel.WideToNarrowExact(std::u16string(u"a.wav\0\u4F60", 7), &narrow) &&
        narrow == "a.wav");
  if (GetACP() == 1252) {
    CHECK(umlaut == "\xe4");
    CHECK(kernel.NarrowToWide("\xe4") == u"\u00e4");
    CHECK(kernel.WideToNarrowExact(u"\u00e4", &narrow) && narrow == "\xe4");
    // Best fit makes separators of the look-alikes; the exact conversion
    // reports them, and a character the code page has no form for.
    CHECK(kernel.WideToNarrow(u"\uFF3C\uFF0F\u2215\uFF1A\uFF0E") == "\\//:.");
    for (const char16_t* text :
         {u"\uFF3C", u"\uFF0F", u"\u2215", u"\uFF1A", u"\uFF0E", u"\u4F60"}) {
      CHECK(!kernel.WideToNarrowExact(text, &narrow));
    }
  }
}

TEST_GROUP(KernelClockAndLanguage) {
  Win32Kernel kernel;
  const int64_t now = kernel.Now();
  const int64_t reference = static_cast<int64_t>(std::time(nullptr));
  CHECK(now >= reference - 5 && now <= reference + 5);
  CHECK(kernel.DefaultLanguageId() != 0);
}

// The watcher of the test run answers the box; the runner checks its text.
TEST_GROUP(KernelMessageBox) {
  Win32Kernel kernel;
  kernel.ShowMessageBox("kernel message box");
  CHECK(kernel.LastError().operation != "MessageBoxA");
}

}  // namespace
}  // namespace tamborix_wine
