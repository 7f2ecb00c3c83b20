// The kernel and wave device contracts on the Win32 implementations, under
// Wine; the wave device records the tone of the private sound server
// (tests/wine/sound.sh runs this program).
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/win32_kernel.h"
#include "platform/win32/win32_wave_device.h"
#include "tests/contracts/kernel_contract.h"
#include "tests/contracts/wave_device_contract.h"
#include "tests/wine/notice_window.h"

namespace tamborix {
namespace {

// A fresh folder under the temporary folder, for one case.
std::string ScratchFolder(const char* kind) {
  static int made = 0;
  char base[MAX_PATH] = {0};
  GetTempPathA(sizeof base, base);
  const std::string folder = std::string(base) + "tamborix_" + kind + "_" +
                             std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made) +
                             "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

struct Win32KernelUnderTest {
  Kernel& kernel() { return win32; }
  std::string Path(const std::string& name) const { return folder + name; }
  static void Put(const std::string& path, const std::string& bytes) { WriteBytes(path, bytes); }

  Win32Kernel win32;
  std::string folder = ScratchFolder("kernel");
};

using Kernels = ::testing::Types<Win32KernelUnderTest>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, KernelContract, Kernels);

struct Win32WaveDeviceUnderTest {
  // The private sound server hands a new capture stream its first sound
  // within a tenth of a second; Wine's driver adds a buffer or two.
  static constexpr int kStartMs = 600;

  ~Win32WaveDeviceUnderTest() {
    // Whatever a failed case left open.
    for (MciDeviceId id = 1; id < 64; ++id) {
      win32.Close(id, kCloseFlags);
    }
  }

  WaveDevice& device() { return win32; }
  PanelWindow* window() { return &keeper; }
  const std::vector<Notice>& notices() const { return keeper.notices(); }
  std::string Path(const std::string& name) const { return folder + name; }
  static void Put(const std::string& path, const std::string& bytes) { WriteBytes(path, bytes); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      return "<none>";
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static bool Remove(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }
  static void Let(int ms) { tamborix_wine::NoticeWindow::Pump(static_cast<DWORD>(ms)); }

  Win32WaveDevice win32;
  tamborix_wine::NoticeWindow keeper;
  std::string folder = ScratchFolder("wave");
};

using Devices = ::testing::Types<Win32WaveDeviceUnderTest>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WaveDeviceContract, Devices);

}  // namespace
}  // namespace tamborix
