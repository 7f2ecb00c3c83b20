#include "upload/upload_reply.h"

#include "upload/reply_reader.h"
#include "upload/upload_outcome.h"

namespace tamborix {
namespace {

constexpr size_t kShownStatusLine = 256;

// What a message box shows of a status line: the text up to its first line
// end, at most kShownStatusLine bytes, with every byte that is not printable
// ASCII shown as '?'.
std::string ShownStatusLine(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\r' || c == '\n' || shown.size() == kShownStatusLine) {
      break;
    }
    shown.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  return shown;
}

}  // namespace

int StatusCode(const std::string& statusLine) {
  if (statusLine.compare(0, 5, "HTTP/") != 0) {
    return -1;
  }
  size_t blank = statusLine.find(' ');
  if (blank == std::string::npos || statusLine.size() < blank + 4) {
    return -1;
  }
  int code = 0;
  for (size_t i = blank + 1; i < blank + 4; ++i) {
    char c = statusLine[i];
    if (c < '0' || c > '9') {
      return -1;
    }
    code = code * 10 + (c - '0');
  }
  if (statusLine.size() > blank + 4 && statusLine[blank + 4] != ' ') {
    return -1;
  }
  return code;
}

std::string ReplyStatusLine(const std::string& reply) {
  ReplyReader reader;
  reader.Feed(reply);
  return reader.StatusLine();
}

bool ReplyIsComplete(const std::string& reply) {
  ReplyReader reader;
  reader.Feed(reply);
  return reader.Complete();
}

ReplyVerdict JudgeReply(const ReplyReader& reply, ReplyEnd end) {
  if (reply.QuotaTokenSeen()) {
    return {kOutcomeQuotaFull, ""};
  }
  std::string statusLine = reply.StatusLine();
  if (statusLine.empty()) {
    if (end == ReplyEnd::kReceiveFailed) {
      return {kOutcomeReceiveError, kTextReceiveError};
    }
    if (reply.Text().empty() || end == ReplyEnd::kClosed) {
      return {kOutcomeNoReply, kTextNoReply};
    }
    return {kOutcomeHttpStatusError, HttpStatusErrorText(ShownStatusLine(reply.Text()))};
  }
  int code = StatusCode(statusLine);
  if (code < 200 || code > 299) {
    return {kOutcomeHttpStatusError, HttpStatusErrorText(ShownStatusLine(statusLine))};
  }
  if (end == ReplyEnd::kReceiveFailed) {
    return {kOutcomeReceiveError, kTextReceiveError};
  }
  return {kOutcomeOk, ""};
}

ReplyVerdict JudgeReply(const std::string& reply, ReplyEnd end) {
  ReplyReader reader;
  reader.Feed(reply);
  return JudgeReply(reader, end);
}

}  // namespace tamborix
