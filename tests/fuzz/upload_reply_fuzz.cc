// Fuzzes the reading of the service's reply: the verdict, the final status
// line and the completeness test, on the whole reply and on every prefix of
// it, as a reader that receives the reply in pieces sees it; and the reader
// fed the reply in two blocks, cut at every point, agrees with the whole.
//
// Input: one byte for why reading stopped ('c' closed, 'o' complete, 'l' limit
// reached, 'f' receive failed; other bytes pick one by their value), then the
// reply's bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "upload/reply_reader.h"
#include "upload/upload_outcome.h"
#include "upload/upload_reply.h"

namespace tamborix {
namespace {

// How many prefixes of a long reply are checked.
constexpr size_t kSplitPoints = 1024;

ReplyEnd ReadEnd(uint8_t byte) {
  switch (byte) {
    case 'c':
      return ReplyEnd::kClosed;
    case 'o':
      return ReplyEnd::kComplete;
    case 'l':
      return ReplyEnd::kLimitReached;
    case 'f':
      return ReplyEnd::kReceiveFailed;
    default:
      return static_cast<ReplyEnd>(byte % 4);
  }
}

bool IsTwoHundred(int code) {
  return code >= 200 && code <= 299;
}

void CheckReply(const std::string& reply, ReplyEnd end) {
  const std::string statusLine = ReplyStatusLine(reply);
  const int code = StatusCode(statusLine);
  FUZZ_CHECK(code == -1 || (code >= 0 && code <= 999));
  FUZZ_CHECK(statusLine.find('\n') == std::string::npos);
  if (!statusLine.empty()) {
    FUZZ_CHECK(reply.find(statusLine) != std::string::npos);
    FUZZ_CHECK(code < 100 || code > 199);  // interim responses are skipped
  }
  // Completeness and the status line agree on where the final response
  // starts: a complete reply has its status line.
  if (ReplyIsComplete(reply)) {
    FUZZ_CHECK(!statusLine.empty());
  }

  const ReplyVerdict verdict = JudgeReply(reply, end);
  const std::string& outcome = verdict.outcome;
  FUZZ_CHECK(outcome == kOutcomeOk || outcome == kOutcomeQuotaFull ||
             outcome == kOutcomeReceiveError || outcome == kOutcomeNoReply ||
             outcome == kOutcomeHttpStatusError);
  const bool quotaFull = reply.find(kQuotaFullToken) != std::string::npos;
  // The quota token wins over any status.
  FUZZ_CHECK(quotaFull == (outcome == kOutcomeQuotaFull));
  // "OK" only for a final 2xx status whose reading did not fail, and always
  // then when the reply was read to its end.
  if (outcome == kOutcomeOk) {
    FUZZ_CHECK(IsTwoHundred(code) && end != ReplyEnd::kReceiveFailed);
  }
  if (!quotaFull && IsTwoHundred(code) &&
      (end == ReplyEnd::kClosed || end == ReplyEnd::kComplete)) {
    FUZZ_CHECK(outcome == kOutcomeOk);
  }
  // Every failure but the quota one shows a message of a bounded size.
  if (outcome == kOutcomeOk || outcome == kOutcomeQuotaFull) {
    FUZZ_CHECK(verdict.message.empty());
  } else {
    FUZZ_CHECK(!verdict.message.empty());
    FUZZ_CHECK(verdict.message.size() <= HttpStatusErrorText("").size() + 256);
  }
}

// What is decided on a prefix stays decided: a complete reply stays complete
// and a final status line, once read, stays the same.
void CheckPrefixes(const std::string& reply, ReplyEnd end) {
  const std::string finalStatusLine = ReplyStatusLine(reply);
  const size_t step = reply.size() / kSplitPoints + 1;
  bool complete = false;
  for (size_t length = 0; length <= reply.size(); length += step) {
    const std::string prefix = reply.substr(0, length);
    CheckReply(prefix, end);
    const bool nowComplete = ReplyIsComplete(prefix);
    FUZZ_CHECK(nowComplete || !complete);
    complete = nowComplete;
    const std::string statusLine = ReplyStatusLine(prefix);
    FUZZ_CHECK(statusLine.empty() || statusLine == finalStatusLine);
  }
  if (complete) {
    FUZZ_CHECK(ReplyIsComplete(reply));
  }
}

// Where the blocks are cut does not change what the reader decides.
void CheckBlocks(const std::string& reply, ReplyEnd end) {
  const ReplyVerdict whole = JudgeReply(reply, end);
  const bool wholeComplete = ReplyIsComplete(reply);
  const size_t step = reply.size() / kSplitPoints + 1;
  for (size_t cut = 0; cut <= reply.size(); cut += step) {
    ReplyReader reader;
    reader.Feed(reply.data(), cut);
    reader.Feed(reply.data() + cut, reply.size() - cut);
    const ReplyVerdict verdict = JudgeReply(reader, end);
    FUZZ_CHECK(verdict.outcome == whole.outcome);
    FUZZ_CHECK(verdict.message == whole.message);
    FUZZ_CHECK(reader.Complete() == wholeComplete);
    FUZZ_CHECK(reader.QuotaTokenSeen() == (reply.find(kQuotaFullToken) != std::string::npos));
  }
}

}  // namespace
}  // namespace tamborix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::string reply(reinterpret_cast<const char*>(data) + 1, size - 1);
  const tamborix::ReplyEnd end = tamborix::ReadEnd(data[0]);
  tamborix::CheckReply(reply, end);
  tamborix::CheckPrefixes(reply, end);
  tamborix::CheckBlocks(reply, end);
  return 0;
}
