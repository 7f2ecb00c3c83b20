// The POSIX socket and thread pieces the upload stands on, and the local
// address look-up over them.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "platform/posix/posix_sockets.h"
#include "platform/posix/posix_threads.h"
#include "tests/upload/support/fault_server.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/test_platform.h"
#include "upload/local_address.h"

namespace tamborix::testing {
namespace {

TEST(PosixSocketsTest, RefusedConnectionKeepsItsErrorCode) {
  PosixSockets sockets;
  SocketApi::Handle socket = sockets.Create();
  ASSERT_NE(SocketApi::kNoSocket, socket);
  EXPECT_FALSE(sockets.Connect(socket, "127.0.0.1", FreeLoopbackPort(), 5000));
  EXPECT_EQ(ECONNREFUSED, sockets.LastError().code);
  EXPECT_EQ("connect", sockets.LastError().operation);
  sockets.Close(socket);
}

// A look-up that hangs holds the caller no longer than its time limit, and
// its late answer lands nowhere it could do harm.
TEST(PosixSocketsTest, HangingLookUpFailsWhenTheTimeLimitRunsOut) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  PosixSockets sockets([released](const std::string&, std::vector<Ipv4Address>* addresses) {
    released.wait();
    addresses->push_back({127, 0, 0, 1});
    return 0;
  });
  SocketApi::Handle socket = sockets.Create();
  EXPECT_FALSE(sockets.Connect(socket, "slow.example", 80, 100));
  EXPECT_EQ(ETIMEDOUT, sockets.LastError().code);
  sockets.Close(socket);
  std::vector<Ipv4Address> addresses = {{192, 0, 2, 1}};
  EXPECT_FALSE(sockets.LookUpAddresses("slow.example", &addresses, 100));
  EXPECT_EQ(ETIMEDOUT, sockets.LastError().code);
  EXPECT_EQ((std::vector<Ipv4Address>{{192, 0, 2, 1}}), addresses);
  release.set_value();  // both look-ups now end on their own threads
}

TEST(PosixSocketsTest, PortOutsideTheRangeIsAFailedConnection) {
  PosixSockets sockets;
  for (int port : {0, -1, 65536}) {
    SocketApi::Handle socket = sockets.Create();
    EXPECT_FALSE(sockets.Connect(socket, "127.0.0.1", port, 1000)) << port;
    sockets.Close(socket);
  }
}

TEST(PosixSocketsTest, DottedTextIsUsedAsItStandsAndNamesAreLookedUp) {
  FaultScript script;
  script.action = FaultScript::Action::kCloseSilently;
  FaultServer server(script);
  ASSERT_TRUE(server.Start("127.0.0.1", 0));
  PosixSockets sockets;
  for (const char* host : {"127.0.0.1", "127.1", "localhost"}) {
    SocketApi::Handle socket = sockets.Create();
    EXPECT_TRUE(sockets.Connect(socket, host, server.port(), 5000)) << host;
    sockets.Close(socket);
  }
  SocketApi::Handle socket = sockets.Create();
  EXPECT_FALSE(sockets.Connect(socket, "no-such-host.invalid", server.port(), 5000));
  EXPECT_NE(0, sockets.LastError().code);
  sockets.Close(socket);
}

TEST(PosixSocketsTest, ReceiveKeepsItsTimeLimitAndSeesTheClose) {
  FaultScript script;
  script.replyWrites = {"abc"};
  script.pauseBetweenWritesMs = 0;
  FaultServer server(script);
  ASSERT_TRUE(server.Start("127.0.0.1", 0));
  PosixSockets sockets;
  SocketApi::Handle socket = sockets.Create();
  ASSERT_TRUE(sockets.Connect(socket, "127.0.0.1", server.port(), 5000));
  char area[16];
  // Nothing comes before the request is whole.
  EXPECT_EQ(-1, sockets.Receive(socket, area, sizeof area, 50));
  EXPECT_EQ(ETIMEDOUT, sockets.LastError().code);
  const std::string request = "GET / HTTP/1.1\r\n\r\n";
  ASSERT_TRUE(sockets.SendAll(socket, request.data(), request.size(), 5000));
  EXPECT_EQ(3, sockets.Receive(socket, area, sizeof area, 5000));
  EXPECT_EQ(0, sockets.Receive(socket, area, sizeof area, 5000));
  sockets.Close(socket);
}

TEST(PosixThreadsTest, EventResetsItselfAndSignalsCountOnce) {
  PosixThreads threads;
  std::unique_ptr<AutoResetEvent> event = threads.CreateAutoResetEvent(true);
  EXPECT_EQ(kWaitSignalled, event->Wait(0));
  EXPECT_EQ(kWaitTimedOut, event->Wait(10));
  event->Set();
  event->Set();
  EXPECT_EQ(kWaitSignalled, event->Wait(0));
  EXPECT_EQ(kWaitTimedOut, event->Wait(0));
  EXPECT_EQ(kWaitTimedOut, threads.CreateAutoResetEvent(false)->Wait(0));
}

TEST(LocalAddress, FirstOfAtMostTenDottedAddresses) {
  ScriptedSockets sockets;
  sockets.localAddresses.clear();
  for (uint8_t i = 1; i <= 12; ++i) {
    sockets.localAddresses.push_back({10, 0, 0, i});
  }
  std::vector<std::string> list = LocalAddressList(sockets);
  ASSERT_EQ(10u, list.size());
  EXPECT_EQ("10.0.0.1", list.front());
  EXPECT_EQ("10.0.0.10", list.back());
  EXPECT_EQ("10.0.0.1", FirstLocalAddress(sockets));
  EXPECT_EQ(sockets.Startups(), sockets.Cleanups());
  EXPECT_EQ("255.0.9.100", DottedAddress({255, 0, 9, 100}));
}

TEST(LocalAddress, AnyFailureGivesAnEmptyAddress) {
  ScriptedSockets unnamed;
  unnamed.failHostName = true;
  EXPECT_EQ("", FirstLocalAddress(unnamed));
  ScriptedSockets unresolved;
  unresolved.failLookUp = true;
  EXPECT_EQ("", FirstLocalAddress(unresolved));
  ScriptedSockets none;
  none.localAddresses.clear();
  EXPECT_EQ("", FirstLocalAddress(none));
  ScriptedSockets noLibrary;
  noLibrary.failStartup = true;
  EXPECT_EQ("", FirstLocalAddress(noLibrary));
  EXPECT_EQ(0, noLibrary.Cleanups());
}

}  // namespace
}  // namespace tamborix::testing
