// Judging the service's reply once the request went out in full.
#include <gtest/gtest.h>

#include <string>

#include "upload/reply_reader.h"
#include "upload/upload_outcome.h"
#include "upload/upload_reply.h"

namespace tamborix {
namespace {

const std::string kOkReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK";

TEST(ReplyStatus, StatusCodeOfAStatusLine) {
  EXPECT_EQ(200, StatusCode("HTTP/1.1 200 OK"));
  EXPECT_EQ(204, StatusCode("HTTP/1.0 204"));
  EXPECT_EQ(-1, StatusCode("HTTP/1.1 2000 OK"));
  EXPECT_EQ(-1, StatusCode("HTTP/1.1 20"));
  EXPECT_EQ(-1, StatusCode("ICY 200 OK"));
  EXPECT_EQ(-1, StatusCode(""));
}

TEST(ReplyStatus, OnlyACompleteFinalStatusLineCounts) {
  EXPECT_EQ("HTTP/1.1 200 OK", ReplyStatusLine(kOkReply));
  EXPECT_EQ("", ReplyStatusLine("HTTP/1.1 200 O"));
  EXPECT_EQ("HTTP/1.1 201 Created",
            ReplyStatusLine("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\n"));
  EXPECT_EQ("", ReplyStatusLine("HTTP/1.1 100 Continue\r\n"));
  // Empty lines before a status line are passed over, not taken for it.
  EXPECT_EQ("HTTP/1.1 200 OK", ReplyStatusLine("\r\n\nHTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(
      kOutcomeOk,
      JudgeReply("\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ReplyEnd::kComplete).outcome);
}

TEST(ReplyStatus, CompleteOnceContentLengthBytesAreIn) {
  EXPECT_TRUE(ReplyIsComplete(kOkReply));
  EXPECT_FALSE(ReplyIsComplete(kOkReply.substr(0, kOkReply.size() - 1)));
  EXPECT_FALSE(ReplyIsComplete("HTTP/1.1 200 OK\r\n\r\nwhatever"));  // ends at close
  EXPECT_TRUE(ReplyIsComplete("HTTP/1.1 204 No Content\r\n\r\n"));
  EXPECT_TRUE(ReplyIsComplete("HTTP/1.1 200 OK\ncontent-length:  0\n\n"));
  EXPECT_FALSE(ReplyIsComplete("HTTP/1.1 100 Continue\r\n\r\n"));
}

TEST(ReplyVerdicts, SuccessNeedsA2xxStatusReadToItsEnd) {
  EXPECT_EQ(kOutcomeOk, JudgeReply(kOkReply, ReplyEnd::kComplete).outcome);
  EXPECT_EQ(kOutcomeOk, JudgeReply("HTTP/1.0 200 OK\r\n\r\nstored", ReplyEnd::kClosed).outcome);
  EXPECT_EQ(kOutcomeOk, JudgeReply("HTTP/1.1 201 Created\r\n", ReplyEnd::kLimitReached).outcome);
  EXPECT_EQ("", JudgeReply(kOkReply, ReplyEnd::kComplete).message);

  ReplyVerdict cut =
      JudgeReply("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\nx", ReplyEnd::kReceiveFailed);
  EXPECT_EQ(kOutcomeReceiveError, cut.outcome);
  EXPECT_EQ(kTextReceiveError, cut.message);
}

TEST(ReplyVerdicts, ErrorStatusShowsTheStatusLine) {
  ReplyVerdict forbidden = JudgeReply("HTTP/1.1 403 Forbidden\r\n\r\n", ReplyEnd::kClosed);
  EXPECT_EQ(kOutcomeHttpStatusError, forbidden.outcome);
  EXPECT_EQ("Server Reply Error:[HTTP/1.1 403 Forbidden]", forbidden.message);
  EXPECT_EQ(kOutcomeHttpStatusError,
            JudgeReply("HTTP/1.1 500 Internal Server Error\r\n", ReplyEnd::kClosed).outcome);
  EXPECT_EQ(kOutcomeHttpStatusError, JudgeReply("garbage\r\n", ReplyEnd::kClosed).outcome);
  EXPECT_EQ(kOutcomeHttpStatusError,
            JudgeReply("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 413 Too Large\r\n", ReplyEnd::kClosed)
                .outcome);
}

TEST(ReplyVerdicts, MessageShowsPrintableTextOfOneLineOnly) {
  EXPECT_EQ(
      "Server Reply Error:[HTTP/1.1 400 Bad?Request]",
      JudgeReply("HTTP/1.1 400 Bad\x01Request\rSet-Cookie: x\r\n\r\n", ReplyEnd::kClosed).message);
  EXPECT_EQ("Server Reply Error:[<html>?[1m?]",
            JudgeReply("<html>\x1b[1m\xff\r<body>" + std::string(kReplyLimit, 'x'),
                       ReplyEnd::kLimitReached)
                .message);
  EXPECT_EQ("Server Reply Error:[" + std::string(256, 'x') + "]",
            JudgeReply(std::string(300, 'x') + "\n", ReplyEnd::kClosed).message);
}

TEST(ReplyVerdicts, NothingBeforeTheStatusLineIsAFailure) {
  ReplyVerdict none = JudgeReply("", ReplyEnd::kClosed);
  EXPECT_EQ(kOutcomeNoReply, none.outcome);
  EXPECT_EQ(kTextNoReply, none.message);
  EXPECT_EQ(kOutcomeNoReply, JudgeReply("HTTP/1.1 200", ReplyEnd::kClosed).outcome);
  EXPECT_EQ(kOutcomeReceiveError, JudgeReply("", ReplyEnd::kReceiveFailed).outcome);
  EXPECT_EQ(kOutcomeReceiveError, JudgeReply("HTTP/1.1 2", ReplyEnd::kReceiveFailed).outcome);
}

TEST(ReplyVerdicts, QuotaTokenAnywhereWinsWithoutAMessage) {
  ReplyVerdict full = JudgeReply(
      "HTTP/1.1 200 OK\r\n\r\n" + std::string(9000, 'x') + "lumo_quota_full", ReplyEnd::kClosed);
  EXPECT_EQ(kOutcomeQuotaFull, full.outcome);
  EXPECT_EQ("", full.message);
  EXPECT_EQ(kOutcomeQuotaFull,
            JudgeReply("HTTP/1.1 507 Full\r\n\r\nlumo_quota_full", ReplyEnd::kClosed).outcome);
}

// A reply read block by block gives, wherever it was cut, what it gives when
// read whole.
TEST(ReplyReader, BlocksCutAnywhereReadAsTheWholeReply) {
  const std::string replies[] = {
      kOkReply,
      "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nStep: 1\r\n\r\n"
      "HTTP/1.1 201 Created\r\nContent-Length: 4\r\n\r\ndone",
      "HTTP/1.0 200 OK\ncontent-length:  3\n\nabc",
      "HTTP/1.1 204 No Content\r\n\r\n",
      "HTTP/1.1 200 OK\r\n\r\nstored; lumo_quota_full",
      "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n",
      "HTTP/1.1 100 Continue\r\n",
      "no status line",
  };
  const ReplyEnd ends[] = {ReplyEnd::kClosed, ReplyEnd::kComplete, ReplyEnd::kLimitReached,
                           ReplyEnd::kReceiveFailed};
  auto same = [&](const std::string& reply, const ReplyReader& reader) {
    EXPECT_EQ(ReplyIsComplete(reply), reader.Complete()) << reply;
    EXPECT_EQ(ReplyStatusLine(reply), reader.StatusLine()) << reply;
    EXPECT_EQ(reply.find(kQuotaFullToken) != std::string::npos, reader.QuotaTokenSeen()) << reply;
    for (ReplyEnd end : ends) {
      EXPECT_EQ(JudgeReply(reply, end).outcome, JudgeReply(reader, end).outcome) << reply;
      EXPECT_EQ(JudgeReply(reply, end).message, JudgeReply(reader, end).message) << reply;
    }
  };
  for (const std::string& reply : replies) {
    for (size_t cut = 0; cut <= reply.size(); ++cut) {
      ReplyReader twoBlocks;
      twoBlocks.Feed(reply.substr(0, cut));
      twoBlocks.Feed(reply.substr(cut));
      same(reply, twoBlocks);
    }
    ReplyReader bytes;
    for (size_t at = 0; at < reply.size(); ++at) {
      bytes.Feed(reply.substr(at, 1));
      same(reply.substr(0, at + 1), bytes);
    }
  }
}

TEST(ReplyReader, LongRunOfInterimResponsesInSmallBlocks) {
  std::string reply;
  while (reply.size() < 60000) {
    reply += "HTTP/1.1 102 Processing\r\nStep: 1\r\n\r\nHTTP/1.1 100 Continue\n\n";
  }
  const size_t finalStart = reply.size();
  reply += "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nstored";
  ReplyReader reader;
  for (size_t at = 0; at < reply.size(); at += 64) {
    EXPECT_FALSE(reader.Complete());
    EXPECT_EQ(at > finalStart + 16 ? "HTTP/1.1 200 OK" : "", reader.StatusLine()) << at;
    reader.Feed(reply.substr(at, 64));
  }
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(kOutcomeOk, JudgeReply(reader, ReplyEnd::kComplete).outcome);
}

TEST(ReplyVerdicts, SuccessOutcomeIgnoresLetterCase) {
  EXPECT_TRUE(IsSuccessOutcome("OK"));
  EXPECT_TRUE(IsSuccessOutcome("ok"));
  EXPECT_TRUE(IsSuccessOutcome("oK"));
  EXPECT_FALSE(IsSuccessOutcome("OK "));
  EXPECT_FALSE(IsSuccessOutcome(kOutcomeQuotaFull));
}

}  // namespace
}  // namespace tamborix
