// The in-memory platform holds the interfaces' thread rule: a call that only
// the user-interface thread may make stops the program when another thread
// makes it, while the calls allowed on any thread go through.
#include <gtest/gtest.h>

#include <thread>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_kernel.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_wave_device.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

template <typename Call>
void FromAnotherThread(Call call) {
  std::thread other(call);
  other.join();
}

TEST(UiThreadDeathTest, UserInterfaceCallsFromAnotherThreadStopTheProgram) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  MemoryClock clock;
  MemoryKernel kernel{clock};
  MemoryWaveDevice device{clock, kernel};
  MemoryPanelWindow window{clock};
  MciDeviceId id = 0;
  EXPECT_DEATH(FromAnotherThread([&] { device.Open(kOpenFlags, std::string(), &id); }),
               "MemoryWaveDevice::Open called off the user-interface thread");
  EXPECT_DEATH(FromAnotherThread([&] { kernel.MakeDirectory("c:\\rec"); }),
               "MemoryKernel::MakeDirectory called off");
  EXPECT_DEATH(FromAnotherThread([&] { window.SetTimer(kClockTimerId, kClockPeriodMs); }),
               "MemoryPanelWindow::SetTimer called off");
}

TEST(UiThreadTest, CallsAllowedOnAnyThreadGoThrough) {
  MemoryClock clock;
  MemoryKernel kernel{clock};
  MemoryPanelWindow window{clock};
  FromAnotherThread([&] {
    kernel.ShowMessageBox("from the worker");
    window.Post(kWmTimer, kClockTimerId, 0);
  });
  EXPECT_EQ(std::vector<std::string>{"from the worker"}, kernel.MessageBoxes());
}

}  // namespace
}  // namespace tamborix
