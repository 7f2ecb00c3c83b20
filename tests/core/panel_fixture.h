// A control with its panel on the in-memory platform, and what the tests
// read from it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control/recorder_control.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"
#include "platform/window_messages.h"
#include "state/event_sinks.h"

namespace tamborix {

class EventLog : public EventSink {
 public:
  int32_t Invoke(int32_t dispid) override {
    events.push_back(dispid);
    return 0;
  }
  std::vector<int32_t> events;
};

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() { control.events().Advise(log); }

  void Open() { window.Open(control.OpenPanel(window)); }
  void Close() { window.Destroy(); }

  RecorderState& state() { return control.state(); }
  const ItemState& Item(int id) const { return window.Item(id); }
  void Seconds(int n) { memory.clock.Advance(int64_t{n} * 1000); }
  std::vector<std::string> Boxes() { return memory.kernel.TakeMessageBoxes(); }

  // The enabled buttons among REC, STOP, PLAY, UPLOAD and ABORT, by name.
  std::string EnabledButtons() const {
    std::string names;
    const std::pair<int, const char*> buttons[] = {{kRecButton, "REC"},
                                                   {kStopButton, "STOP"},
                                                   {kPlayButton, "PLAY"},
                                                   {kUploadButton, "UPLOAD"},
                                                   {kAbortButton, "ABORT"}};
    for (const auto& button : buttons) {
      if (window.Item(button.first).enabled) {
        names += names.empty() ? "" : " ";
        names += button.second;
      }
    }
    return names;
  }

  // The device's text for `code`, for composing expected box texts.
  std::string DeviceText(MciError code) {
    std::string text;
    EXPECT_TRUE(memory.device.GetErrorText(code, &text));
    return text;
  }

  // Device commands received since the last call, as their command numbers.
  std::vector<uint32_t> NewCommands() {
    std::vector<uint32_t> out;
    const auto& all = memory.device.Commands();
    for (; seenCommands_ < all.size(); ++seenCommands_) {
      out.push_back(all[seenCommands_].command);
    }
    return out;
  }

  // Records `seconds` seconds from a fresh or ready panel and stops.
  void RecordFor(int seconds) {
    ASSERT_TRUE(window.Click(kRecButton));
    Seconds(seconds);
    ASSERT_TRUE(window.Click(kStopButton));
  }

  MemoryPlatform memory;
  MemoryPanelWindow window{memory.clock};
  RecorderControl control{memory.platform()};
  std::shared_ptr<EventLog> log = std::make_shared<EventLog>();

 private:
  size_t seenCommands_ = 0;
};

}  // namespace tamborix
