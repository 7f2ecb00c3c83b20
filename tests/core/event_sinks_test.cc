// The list of connected sinks: positions, cookies, and sinks that connect or
// disconnect while an event is being delivered.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "state/event_sinks.h"

namespace tamborix {
namespace {

// A sink that notes its name in a shared journal and may act when called.
class NamedSink : public EventSink {
 public:
  NamedSink(std::string name, std::vector<std::string>* journal)
      : name_(std::move(name)), journal_(journal) {}
  int32_t Invoke(int32_t dispid) override {
    journal_->push_back(name_ + ":" + std::to_string(dispid));
    if (action) {
      action();
    }
    return -1;  // a failing sink does not stop the others
  }
  std::function<void()> action;

 private:
  std::string name_;
  std::vector<std::string>* journal_;
};

class EventSinksTest : public ::testing::Test {
 protected:
  std::shared_ptr<NamedSink> Make(const std::string& name) {
    return std::make_shared<NamedSink>(name, &journal);
  }
  EventSinks sinks;
  std::vector<std::string> journal;
};

TEST_F(EventSinksTest, FiringWithoutSinksDoesNothing) {
  sinks.Fire(kOnAbort);
  EXPECT_EQ(sinks.PositionCount(), 0u);
}

TEST_F(EventSinksTest, EachSinkHearsEachEventOnceInPositionOrder) {
  EXPECT_EQ(sinks.Advise(Make("a")), 1u);
  EXPECT_EQ(sinks.Advise(Make("b")), 2u);
  EXPECT_EQ(sinks.Advise(Make("c")), 3u);
  sinks.Fire(kOnPlayimg);
  sinks.Fire(kOnOKDone);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:5", "b:5", "c:5", "a:1", "b:1", "c:1"}));
}

TEST_F(EventSinksTest, ANewSinkTakesTheFirstFreePosition) {
  sinks.Advise(Make("a"));
  const uint32_t b = sinks.Advise(Make("b"));
  sinks.Advise(Make("c"));
  ASSERT_TRUE(sinks.Unadvise(b));
  EXPECT_EQ(sinks.ConnectedCount(), 2u);
  EXPECT_EQ(sinks.Advise(Make("d")), b);
  sinks.Fire(kOnAbort);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:2", "d:2", "c:2"}));
}

TEST_F(EventSinksTest, UnknownCookiesAreRefused) {
  const uint32_t a = sinks.Advise(Make("a"));
  EXPECT_FALSE(sinks.Unadvise(0));
  EXPECT_FALSE(sinks.Unadvise(a + 1));
  EXPECT_TRUE(sinks.Unadvise(a));
  EXPECT_FALSE(sinks.Unadvise(a));
}

TEST_F(EventSinksTest, ASinkThatDisconnectsItselfIsKeptAliveForItsCall) {
  uint32_t cookie = 0;
  {
    auto a = Make("a");
    a->action = [this, &cookie] {
      sinks.Unadvise(cookie);
      journal.push_back("after");  // the sink is still alive here
    };
    cookie = sinks.Advise(a);
  }
  sinks.Advise(Make("b"));
  sinks.Fire(kOnAbort);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:2", "after", "b:2"}));
  EXPECT_EQ(sinks.ConnectedCount(), 1u);
}

TEST_F(EventSinksTest, ASinkDisconnectedByAnEarlierOneIsSkipped) {
  auto a = Make("a");
  sinks.Advise(a);
  const uint32_t b = sinks.Advise(Make("b"));
  sinks.Advise(Make("c"));
  a->action = [this, b] { sinks.Unadvise(b); };
  sinks.Fire(kOnAbort);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:2", "c:2"}));
}

TEST_F(EventSinksTest, SinksConnectedDuringDeliveryWaitForTheNextEvent) {
  auto a = Make("a");
  const uint32_t first = sinks.Advise(a);
  auto b = Make("b");
  sinks.Advise(b);
  bool connected = false;
  // b frees a's position and connects two sinks: one takes position 1,
  // behind the one being delivered, the other a new position past the count.
  b->action = [&] {
    if (connected) {
      return;
    }
    connected = true;
    sinks.Unadvise(first);
    sinks.Advise(Make("x"));
    sinks.Advise(Make("y"));
  };
  sinks.Fire(kOnAbort);
  EXPECT_EQ(journal, (std::vector<std::string>{"a:2", "b:2"}));
  journal.clear();
  sinks.Fire(kOnOKDone);
  EXPECT_EQ(journal, (std::vector<std::string>{"x:1", "b:1", "y:1"}));
}

TEST_F(EventSinksTest, AllSinksDisconnectingDuringDeliveryEndsItCleanly) {
  std::vector<uint32_t> cookies;
  for (const char* name : {"a", "b", "c"}) {
    cookies.push_back(sinks.Advise(Make(name)));
  }
  auto clearAll = [this, &cookies] {
    for (uint32_t c : cookies) {
      sinks.Unadvise(c);
    }
  };
  std::static_pointer_cast<NamedSink>(sinks.At(0))->action = clearAll;
  sinks.Fire(kOnAbort);
  EXPECT_EQ(journal, std::vector<std::string>{"a:2"});
  EXPECT_EQ(sinks.ConnectedCount(), 0u);
}

}  // namespace
}  // namespace tamborix
