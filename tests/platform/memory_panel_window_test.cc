// The in-memory panel window: template items, control messages, clicks,
// timers and the order in which messages reach the handler.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

// Handles everything, remembers what came, and runs an optional action.
class Handler : public PanelMessageHandler {
 public:
  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override {
    seen.push_back(message);
    if (message == kWmTimer) {
      ticks.push_back(clock == nullptr ? -1 : clock->NowMs());
    }
    if (action) {
      action(message, wParam, lParam);
    }
    *result = 7;
    return message != kWmSetText;
  }
  std::vector<uint32_t> seen;
  std::vector<int64_t> ticks;
  const MemoryClock* clock = nullptr;
  std::function<void(uint32_t, uintptr_t, intptr_t)> action;
};

class PanelWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handler_.clock = &clock_;
    window_.Open(&handler_);
  }

  MemoryClock clock_;
  MemoryPanelWindow window_{clock_};
  Handler handler_;
};

TEST_F(PanelWindowTest, OpenCreatesTheTemplateItemsAndSendsInitDialog) {
  EXPECT_TRUE(window_.IsOpen());
  ASSERT_EQ(1u, handler_.seen.size());
  EXPECT_EQ(kWmInitDialog, handler_.seen[0]);
  EXPECT_EQ("REC", window_.Item(kRecButton).text);
  EXPECT_EQ("File Size :", window_.Item(kSizeLabel).text);
  EXPECT_EQ("Max Rec (min) :", window_.Item(kLengthLabel).text);
  EXPECT_EQ("Lumo Recorder v 1.1", window_.Item(kCaptionLabel).text);
  for (int id : {kTrackbar, kRecButton, kSizeLabel, kStopButton, kPlayButton, kUploadButton,
                 kAbortButton, kLengthCombo, kStatusBox, kLengthLabel, kCaptionLabel}) {
    EXPECT_TRUE(window_.HasItem(id)) << id;
    EXPECT_TRUE(window_.Item(id).visible) << id;
    EXPECT_TRUE(window_.Item(id).enabled) << id;
  }
  EXPECT_FALSE(window_.Item(kChooserButton).visible);
  EXPECT_FALSE(window_.Item(kProgressBar).visible);
  EXPECT_FALSE(window_.HasItem(204));
  ASSERT_EQ(1u, window_.Messages().size());
  EXPECT_TRUE(window_.Messages()[0].handled);
  EXPECT_EQ(7, window_.Messages()[0].result);
}

TEST_F(PanelWindowTest, TrackbarClampsItsPositionAndReadsTheRangeAsSignedWords) {
  window_.SendItemMessage(kTrackbar, kTbmSetRange, 1, MakeLParam(0, 120));
  window_.SendItemMessage(kTrackbar, kTbmSetTicFreq, 10, 0);
  window_.SendItemMessage(kTrackbar, kTbmSetPos, 1, 121);
  EXPECT_EQ(0, window_.Item(kTrackbar).rangeMin);
  EXPECT_EQ(120, window_.Item(kTrackbar).rangeMax);
  EXPECT_EQ(10, window_.Item(kTrackbar).ticFrequency);
  EXPECT_EQ(120, window_.Item(kTrackbar).position);
  window_.SendItemMessage(kTrackbar, kTbmSetRange, 1, MakeLParam(0, 60));
  EXPECT_EQ(60, window_.Item(kTrackbar).position);
  window_.SendItemMessage(kTrackbar, kTbmSetRange, 1, MakeLParam(0, 40000));
  EXPECT_EQ(40000 - 65536, window_.Item(kTrackbar).rangeMax);
}

TEST_F(PanelWindowTest, SortedComboKeepsEntriesInByteOrderAndTracksTheSelection) {
  for (const char* entry : {"3", "1", "5", "2", "4"}) {
    window_.SendItemMessage(kLengthCombo, kCbAddString, 0, reinterpret_cast<intptr_t>(entry));
  }
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "5"}),
            window_.Item(kLengthCombo).entries);
  EXPECT_EQ(kCbErr, window_.SendItemMessage(kLengthCombo, kCbGetCurSel, 0, 0));
  EXPECT_EQ(1, window_.SendItemMessage(kLengthCombo, kCbSetCurSel, 1, 0));
  EXPECT_EQ("2", window_.Item(kLengthCombo).text);
  // An entry sorted in front of the selection moves the selection along.
  EXPECT_EQ(
      0, window_.SendItemMessage(kLengthCombo, kCbAddString, 0, reinterpret_cast<intptr_t>("0")));
  EXPECT_EQ(2, window_.SendItemMessage(kLengthCombo, kCbGetCurSel, 0, 0));
  EXPECT_EQ(kCbErr, window_.SendItemMessage(kLengthCombo, kCbSetCurSel, 99, 0));
  EXPECT_EQ(-1, window_.Item(kLengthCombo).selection);
}

TEST_F(PanelWindowTest, ChoosingAComboEntrySelectsItThenNotifies) {
  for (const char* entry : {"1", "2", "3"}) {
    window_.SendItemMessage(kLengthCombo, kCbAddString, 0, reinterpret_cast<intptr_t>(entry));
  }
  int selectionSeen = -2;
  handler_.action = [&](uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == kWmCommand && wParam == MakeWParam(kLengthCombo, kCbnSelChange)) {
      selectionSeen = static_cast<int>(window_.SendItemMessage(kLengthCombo, kCbGetCurSel, 0, 0));
    }
  };
  EXPECT_TRUE(window_.ChooseComboEntry(2));
  EXPECT_EQ(2, selectionSeen);
  EXPECT_FALSE(window_.ChooseComboEntry(3));
}

TEST_F(PanelWindowTest, ProgressBarAnswersWithThePreviousValues) {
  EXPECT_EQ(MakeLParam(0, 100),
            window_.SendItemMessage(kProgressBar, kPbmSetRange, 0, MakeLParam(0, 50)));
  EXPECT_EQ(0, window_.SendItemMessage(kProgressBar, kPbmSetPos, 30, 0));
  EXPECT_EQ(30, window_.SendItemMessage(kProgressBar, kPbmSetPos, 80, 0));
  EXPECT_EQ(50, window_.Item(kProgressBar).position);
  window_.ShowItem(kProgressBar, true);
  EXPECT_TRUE(window_.Item(kProgressBar).visible);
}

TEST_F(PanelWindowTest, ClickOnADisabledOrHiddenButtonIsIgnored) {
  window_.EnableItem(kPlayButton, false);
  EXPECT_FALSE(window_.Click(kPlayButton));
  EXPECT_FALSE(window_.Click(kChooserButton));  // hidden in the template
  EXPECT_FALSE(window_.Click(999));
  EXPECT_EQ(1u, handler_.seen.size());
  EXPECT_TRUE(window_.Click(kRecButton));
  ASSERT_EQ(2u, window_.Messages().size());
  EXPECT_EQ(kWmCommand, window_.Messages()[1].message);
  EXPECT_EQ(MakeWParam(kRecButton, kBnClicked), window_.Messages()[1].wParam);
  // A raw command reaches the handler whatever the button's state.
  EXPECT_EQ(7, window_.SendCommand(kPlayButton, 5));
  EXPECT_EQ(MakeWParam(kPlayButton, 5), window_.Messages()[2].wParam);
}

TEST_F(PanelWindowTest, TimerTicksEveryPeriodAndRestartsWhenSetAgain) {
  window_.SetTimer(kClockTimerId, 1000);
  clock_.Advance(2500);
  EXPECT_EQ((std::vector<int64_t>{1000, 2000}), handler_.ticks);
  window_.SetTimer(kClockTimerId, 1000);  // restarts at 2500
  clock_.Advance(1000);
  EXPECT_EQ((std::vector<int64_t>{1000, 2000, 3500}), handler_.ticks);
  window_.KillTimer(kClockTimerId);
  clock_.Advance(5000);
  EXPECT_EQ(3u, handler_.ticks.size());
  EXPECT_FALSE(window_.TimerRunning(kClockTimerId));
}

TEST_F(PanelWindowTest, HandlerThatRestartsTheTimerEachTickCountsOneTickPerSecond) {
  handler_.action = [&](uint32_t message, uintptr_t, intptr_t) {
    if (message == kWmTimer) {
      window_.KillTimer(kClockTimerId);
      window_.SetTimer(kClockTimerId, kClockPeriodMs);
    }
  };
  window_.SetTimer(kClockTimerId, kClockPeriodMs);
  clock_.Advance(120000);
  EXPECT_EQ(120u, handler_.ticks.size());
  EXPECT_EQ(120000, handler_.ticks.back());
}

TEST_F(PanelWindowTest, PostedMessagesComeBeforeTimerTicksAndAKilledTimerDropsItsTick) {
  window_.SetTimer(kClockTimerId, 1000);
  handler_.action = [&](uint32_t message, uintptr_t, intptr_t) {
    if (message == kMmMciNotify) {
      window_.KillTimer(kClockTimerId);
    }
  };
  window_.Post(kMmMciNotify, kMciNotifySuccessful, 1);  // waits for a pump
  window_.RunDue(1000);                                 // the tick is due too
  window_.PumpMessages();
  EXPECT_EQ((std::vector<uint32_t>{kWmInitDialog, kMmMciNotify}), handler_.seen);
}

TEST_F(PanelWindowTest, TimerPeriodsBelowTenMillisecondsCountAsTen) {
  window_.SetTimer(3, 0);
  EXPECT_EQ(10u, window_.TimerPeriodMs(3));
  clock_.Advance(30);
  EXPECT_EQ(3u, handler_.ticks.size());
}

TEST_F(PanelWindowTest, DestroySendsWmDestroyWhileTheItemsStillExistThenDropsEverything) {
  window_.SetTimer(kClockTimerId, 1000);
  window_.Post(kMmMciNotify, 1, 1);
  std::string textSeenInDestroy;
  handler_.action = [&](uint32_t message, uintptr_t, intptr_t) {
    if (message == kWmDestroy) {
      window_.SetItemText(kStatusBox, "last words");
      textSeenInDestroy = window_.Item(kStatusBox).text;
    }
  };
  window_.Destroy();
  window_.Destroy();  // no second WM_DESTROY
  window_.Post(kMmMciNotify, 1, 1);
  clock_.Advance(5000);
  window_.PumpMessages();
  EXPECT_FALSE(window_.IsOpen());
  EXPECT_EQ((std::vector<uint32_t>{kWmInitDialog, kWmDestroy}), handler_.seen);
  EXPECT_EQ("last words", textSeenInDestroy);
  EXPECT_FALSE(window_.Click(kRecButton));
  window_.SetItemText(kStatusBox, "changed");  // no window any more
  EXPECT_EQ("last words", window_.Item(kStatusBox).text);
}

TEST_F(PanelWindowTest, HandlerMayDestroyTheWindowWhilePumping) {
  handler_.action = [&](uint32_t message, uintptr_t, intptr_t) {
    if (message == kMmMciNotify) {
      window_.Destroy();
    }
  };
  window_.Post(kMmMciNotify, 1, 1);
  window_.Post(kMmMciNotify, 1, 2);
  window_.PumpMessages();
  EXPECT_EQ((std::vector<uint32_t>{kWmInitDialog, kMmMciNotify, kWmDestroy}), handler_.seen);
}

TEST(MemoryClockTest, EventsRunInTimeOrderAcrossWindows) {
  MemoryClock clock;
  MemoryPanelWindow first(clock);
  MemoryPanelWindow second(clock);
  std::vector<std::string> order;
  struct Named : PanelMessageHandler {
    Named(std::string n, std::vector<std::string>* o, const MemoryClock* c)
        : name(std::move(n)), order(o), clock(c) {}
    bool OnMessage(uint32_t message, uintptr_t, intptr_t, intptr_t*) override {
      if (message == kWmTimer) {
        order->push_back(name + "@" + std::to_string(clock->NowMs()));
      }
      return true;
    }
    std::string name;
    std::vector<std::string>* order;
    const MemoryClock* clock;
  };
  Named a("a", &order, &clock);
  Named b("b", &order, &clock);
  first.Open(&a);
  second.Open(&b);
  first.SetTimer(1, 300);
  second.SetTimer(1, 200);
  clock.Advance(600);
  EXPECT_EQ((std::vector<std::string>{"b@200", "a@300", "b@400", "a@600", "b@600"}), order);
  EXPECT_EQ(600, clock.NowMs());
}

TEST(MemoryClockTest, HandlerThatAdvancesTheClockNeverMovesTimeBack) {
  MemoryClock clock;
  MemoryPanelWindow window(clock);
  Handler handler;
  handler.clock = &clock;
  bool nested = false;
  handler.action = [&](uint32_t message, uintptr_t, intptr_t) {
    if (message == kWmTimer && !nested) {
      nested = true;
      clock.Advance(5000);  // a modal box left open for five seconds
    }
  };
  window.Open(&handler);
  window.SetTimer(kClockTimerId, 1000);
  clock.Advance(2000);
  EXPECT_EQ(6000, clock.NowMs());
  // Ticks went on inside the box, one at a time, and in time order.
  EXPECT_EQ((std::vector<int64_t>{1000, 2000, 3000, 4000, 5000, 6000}), handler.ticks);
}

}  // namespace
}  // namespace tamborix
