// The wave device contract on the in-memory device.
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "tests/contracts/notice_keeper.h"
#include "tests/contracts/wave_device_contract.h"

namespace tamborix {
namespace {

struct MemoryWaveDeviceUnderTest {
  static constexpr int kStartMs = 0;

  MemoryWaveDeviceUnderTest() { p.kernel.AddDirectory("c:\\contract"); }

  WaveDevice& device() { return p.device; }
  PanelWindow* window() { return &keeper; }
  const std::vector<Notice>& notices() const { return keeper.notices(); }
  static std::string Path(const std::string& name) { return "c:\\contract\\" + name; }
  void Put(const std::string& path, const std::string& bytes) { p.kernel.WriteFile(path, bytes); }
  std::string Read(const std::string& path) {
    std::unique_ptr<ReadableFile> file = p.kernel.OpenForReading(path);
    if (!file) {
      return "<none>";
    }
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) {
      bytes.append(buffer, n);
    }
    return bytes;
  }
  bool Remove(const std::string& path) { return p.kernel.RemoveFile(path); }
  void Let(int ms) { p.clock.Advance(ms); }

  MemoryPlatform p;
  NoticeKeeper keeper;
};

using Devices = ::testing::Types<MemoryWaveDeviceUnderTest>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, WaveDeviceContract, Devices);

}  // namespace
}  // namespace tamborix
