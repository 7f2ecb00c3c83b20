// SendUpload against peers that misbehave, reached through the proxy path
// (the peer stands in for the proxy), and against files and sockets that
// fail.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/posix/posix_sockets.h"
#include "tests/upload/support/fault_server.h"
#include "tests/upload/support/loopback.h"
#include "tests/upload/support/test_platform.h"
#include "tests/upload/support/upload_fixture.h"
#include "upload/upload_outcome.h"
#include "upload/upload_transfer.h"

namespace tamborix::testing {
namespace {

using Action = FaultScript::Action;
using Boxes = std::vector<std::string>;

const std::string kOkReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK";

class FaultTransfer : public UploadFixture {
 protected:
  // Starts a peer with `script` on 127.0.0.1 and sends the job through it.
  std::string SendTo(FaultScript script) {
    server_ = std::make_unique<FaultServer>(std::move(script));
    EXPECT_TRUE(server_->Start("127.0.0.1", 0));
    UseProxy(server_->port());
    return SendUpload(job, kernel, sockets_);
  }

  std::string ReceivedRequest() {
    std::vector<std::string> received = server_->Received();
    return received.empty() ? std::string() : received.front();
  }

  PosixSockets sockets_;
  std::unique_ptr<FaultServer> server_;
};

FaultScript Reply(std::vector<std::string> writes) {
  FaultScript script;
  script.replyWrites = std::move(writes);
  return script;
}

TEST_F(FaultTransfer, ProxyGetsTheWholeUrlInTheRequestLine) {
  WriteRecording(Pattern(5000));
  ASSERT_EQ(kOutcomeOk, SendTo(Reply({kOkReply})));
  const std::string request = ReceivedRequest();
  EXPECT_EQ(0u, request.find("POST http://drive.example.com/workdesk/handle?asession="
                             "0123456789abcdef&auser=alice&"));
  EXPECT_NE(std::string::npos, request.find("\r\nHost: drive.example.com\r\n"));
  EXPECT_EQ(WholeRequestLength(request), request.size());
  EXPECT_NE(std::string::npos, request.find(Pattern(5000)));
}

TEST_F(FaultTransfer, CompleteReplyOnAConnectionLeftOpenIsEnough) {
  WriteRecording("RIFF");
  FaultScript script = Reply({kOkReply});
  script.keepOpenAfterReply = true;
  EXPECT_EQ(kOutcomeOk, SendTo(script));
}

TEST_F(FaultTransfer, CloseWithoutReplyIsAFailure) {
  WriteRecording("RIFF");
  FaultScript script;
  script.action = Action::kCloseSilently;
  EXPECT_EQ(kOutcomeNoReply, SendTo(script));
  EXPECT_EQ(Boxes{kTextNoReply}, kernel.MessageBoxes());
}

// The panel tells the user of a time-out; the worker shows nothing itself.
TEST_F(FaultTransfer, StalledPeerIsATimeOutWithoutAMessage) {
  WriteRecording("RIFF");
  SetTimeLimit(std::chrono::milliseconds(300));
  FaultScript script;
  script.action = Action::kStall;
  EXPECT_EQ(kOutcomeTimeOut, SendTo(script));
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(FaultTransfer, ResetInTheMiddleOfTheBodyIsASendFailure) {
  WriteRecording(Pattern(size_t{24} * 1000 * 1000));
  FaultScript script;
  script.action = Action::kResetAfter;
  script.resetAfterBytes = size_t{64} * 1024;
  EXPECT_EQ(kOutcomeSendParaError, SendTo(script));
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(FaultTransfer, ErrorStatusIsAFailureShowingItsStatusLine) {
  WriteRecording("RIFF");
  EXPECT_EQ(kOutcomeHttpStatusError, SendTo(Reply({"HTTP/1.1 403 Forbidden\r\n\r\n"})));
  EXPECT_EQ(Boxes{"Server Reply Error:[HTTP/1.1 403 Forbidden]"}, kernel.TakeMessageBoxes());

  EXPECT_EQ(kOutcomeHttpStatusError,
            SendTo(Reply({"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"})));
  EXPECT_EQ(Boxes{"Server Reply Error:[HTTP/1.1 500 Internal Server Error]"},
            kernel.TakeMessageBoxes());
}

// A service that refuses after the head and closes: the send of the body
// fails, and the service's answer, already sent, is what the user sees.
TEST_F(FaultTransfer, EarlyRefusalIsReportedByItsStatusLineEveryTime) {
  WriteRecording(Pattern(size_t{24} * 1000 * 1000));
  FaultScript script = Reply({"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n"});
  script.action = Action::kReplyEarly;
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetTimeLimit(std::chrono::seconds(30));
    EXPECT_EQ(kOutcomeHttpStatusError, SendTo(script)) << attempt;
    EXPECT_EQ(Boxes{"Server Reply Error:[HTTP/1.1 400 Bad Request]"}, kernel.TakeMessageBoxes())
        << attempt;
  }
}

TEST_F(FaultTransfer, EarlyCloseWithoutAnswerStaysASendFailure) {
  WriteRecording(Pattern(size_t{24} * 1000 * 1000));
  FaultScript script;
  script.action = Action::kReplyEarly;
  EXPECT_EQ(kOutcomeSendParaError, SendTo(script));
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(FaultTransfer, QuotaTokenSplitAcrossTwoWritesIsFound) {
  WriteRecording("RIFF");
  EXPECT_EQ(kOutcomeQuotaFull, SendTo(Reply({"HTTP/1.1 200 OK\r\n\r\nlumo_quo", "ta_full\r\n"})));
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(FaultTransfer, QuotaTokenAfterEightKilobytesIsFound) {
  WriteRecording("RIFF");
  const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
  EXPECT_EQ(
      kOutcomeQuotaFull,
      SendTo(Reply({head + std::string(9000, '.'), std::string(3000, '.') + "lumo_quota_full"})));
}

TEST_F(FaultTransfer, MissingFileFailsWithoutMessageOrConnection) {
  ScriptedSockets sockets;
  EXPECT_EQ(kOutcomeFileOpenError, SendUpload(job, kernel, sockets));
  EXPECT_EQ(0, sockets.Connects());
  EXPECT_TRUE(kernel.MessageBoxes().empty());
}

TEST_F(FaultTransfer, SecondOpeningThatFailsIsAFileOpenError) {
  WriteRecording("RIFF");
  FaultyKernel faulty(kernel);
  faulty.failOpening = 2;
  ScriptedSockets sockets;
  EXPECT_EQ(kOutcomeFileOpenError, SendUpload(job, faulty, sockets));
  EXPECT_EQ(2, faulty.Openings());
  EXPECT_EQ(0, sockets.Connects());
}

TEST_F(FaultTransfer, FileThatShrinksOrFailsEndsTheBodyEarlyAsASendFailure) {
  for (bool readFails : {false, true}) {
    WriteRecording(Pattern(1000));
    FaultyKernel faulty(kernel);
    faulty.faultFromOpening = 2;
    faulty.readableBytes = 500;
    faulty.readFails = readFails;
    job.progressEvent = std::make_unique<ProgressLog>(&job);
    server_ = std::make_unique<FaultServer>(Reply({kOkReply}));
    ASSERT_TRUE(server_->Start("127.0.0.1", 0));
    UseProxy(server_->port());
    EXPECT_EQ(kOutcomeSendParaError, SendUpload(job, faulty, sockets_));
    ASSERT_TRUE(server_->WaitUntilServed(1));
    const std::string request = ReceivedRequest();
    EXPECT_LT(request.size(), WholeRequestLength(request));
    auto* log = static_cast<ProgressLog*>(job.progressEvent.get());
    EXPECT_EQ(50, log->Values().back());  // never 100
  }
}

TEST_F(FaultTransfer, ProxyPortThatIsNoNumberFailsTheConnection) {
  WriteRecording("RIFF");
  for (const char* port : {"", "abc", "0", "99999"}) {
    job.proxyHost = "127.0.0.1";
    job.proxyPort = port;
    EXPECT_EQ(kOutcomeSocketError, SendUpload(job, kernel, sockets_));
    EXPECT_EQ(Boxes{"Socket Connect Error For Proxy:[127.0.0.1:" + std::string(port) + "]"},
              kernel.TakeMessageBoxes());
  }
}

TEST_F(FaultTransfer, RefusedConnectionToTheProxyIsASocketError) {
  WriteRecording("RIFF");
  UseProxy(FreeLoopbackPort());
  EXPECT_EQ(kOutcomeSocketError, SendUpload(job, kernel, sockets_));
  EXPECT_EQ(Boxes{"Socket Connect Error For Proxy:[127.0.0.1:" + job.proxyPort + "]"},
            kernel.MessageBoxes());
}

TEST_F(FaultTransfer, SocketThatCannotBeCreated) {
  WriteRecording("RIFF");
  ScriptedSockets sockets;
  sockets.failCreate = true;
  EXPECT_EQ(kOutcomeSocketError, SendUpload(job, kernel, sockets));
  EXPECT_EQ(Boxes{kTextSocketCreateError}, kernel.MessageBoxes());
}

TEST_F(FaultTransfer, RequestTooLargeIsRefusedBeforeAnyConnection) {
  WriteRecording("RIFF");
  job.settings.session = std::string(9000, 's');
  ScriptedSockets sockets;
  EXPECT_EQ(kOutcomeRequestTooLarge, SendUpload(job, kernel, sockets));
  EXPECT_EQ(0, sockets.Connects());
  EXPECT_EQ(Boxes{kTextRequestTooLarge}, kernel.MessageBoxes());
}

TEST(TransferArithmetic, ChunkSizes) {
  EXPECT_EQ(60000u, ChunkSize(120000));
  EXPECT_EQ(60000u, ChunkSize(uint64_t{200} * 1000 * 1000));
  EXPECT_EQ(11999u, ChunkSize(119999));
  EXPECT_EQ(9604u, ChunkSize(96044));
  EXPECT_EQ(10u, ChunkSize(50));
  EXPECT_EQ(10u, ChunkSize(5));
  EXPECT_EQ(10u, ChunkSize(0));
}

TEST(TransferArithmetic, ProgressIsTruncatedAfterRoundingTheQuotient) {
  EXPECT_EQ(28, ProgressPercent(29, 100));
  EXPECT_EQ(100, ProgressPercent(100, 100));
  EXPECT_EQ(99, ProgressPercent(119990, 119999));
  EXPECT_EQ(0, ProgressPercent(1, uint64_t{200} * 1000 * 1000));
}

TEST(TransferArithmetic, ProxyPortText) {
  EXPECT_EQ(8080, ProxyPortNumber("8080"));
  EXPECT_EQ(0, ProxyPortNumber(""));
  EXPECT_EQ(0, ProxyPortNumber(" 80"));
  EXPECT_EQ(0, ProxyPortNumber("80;https=p3:443"));
  EXPECT_EQ(99999, ProxyPortNumber("99999"));  // out of range; Connect refuses it
  EXPECT_EQ(0, ProxyPortNumber("123456"));
}

}  // namespace
}  // namespace tamborix::testing
