#include "upload/upload_reply.h"

#include <cstdint>

#include "upload/upload_outcome.h"

namespace tamborix {
namespace {

constexpr size_t kShownStatusLine = 256;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The line starting at `from` without its line end; false while the line is
// not complete.
bool LineAt(const std::string& text, size_t from, std::string* line) {
  size_t end = text.find('\n', from);
  if (end == std::string::npos) {
    return false;
  }
  size_t length = end - from;
  if (length > 0 && text[end - 1] == '\r') {
    --length;
  }
  *line = text.substr(from, length);
  return true;
}

// Where the body of the response starting at `from` begins (after the empty
// line that ends its head), or npos while the head is not complete.
size_t BodyStart(const std::string& text, size_t from) {
  size_t crlf = text.find("\r\n\r\n", from);
  size_t lf = text.find("\n\n", from);
  size_t best = std::string::npos;
  if (crlf != std::string::npos) {
    best = crlf + 4;
  }
  if (lf != std::string::npos && (best == std::string::npos || lf + 2 < best)) {
    best = lf + 2;
  }
  return best;
}

// Where the final response starts, after any complete interim (1xx)
// responses; npos while an interim response is still coming in.
size_t FinalResponseStart(const std::string& reply) {
  size_t start = 0;
  for (;;) {
    std::string line;
    if (!LineAt(reply, start, &line)) {
      return start;
    }
    int code = StatusCode(line);
    if (code < 100 || code > 199) {
      return start;
    }
    size_t next = BodyStart(reply, start);
    if (next == std::string::npos) {
      return std::string::npos;
    }
    start = next;
  }
}

// The Content-Length named in the head between `from` and `to`.
bool ContentLength(const std::string& reply, size_t from, size_t to, uint64_t* length) {
  static const char kName[] = "content-length:";
  const size_t nameLength = sizeof kName - 1;
  size_t lineStart = from;
  while (lineStart < to) {
    size_t lineEnd = reply.find('\n', lineStart);
    if (lineEnd == std::string::npos || lineEnd > to) {
      lineEnd = to;
    }
    bool named = lineEnd - lineStart > nameLength;
    for (size_t i = 0; named && i < nameLength; ++i) {
      named = Lower(reply[lineStart + i]) == kName[i];
    }
    if (named) {
      size_t i = lineStart + nameLength;
      while (i < lineEnd && (reply[i] == ' ' || reply[i] == '\t')) {
        ++i;
      }
      bool anyDigit = false;
      uint64_t value = 0;
      while (i < lineEnd && reply[i] >= '0' && reply[i] <= '9' && value < (UINT64_MAX / 10 - 9)) {
        value = value * 10 + static_cast<uint64_t>(reply[i] - '0');
        anyDigit = true;
        ++i;
      }
      if (anyDigit) {
        *length = value;
        return true;
      }
    }
    lineStart = lineEnd + 1;
  }
  return false;
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
  size_t start = FinalResponseStart(reply);
  std::string line;
  if (start == std::string::npos || !LineAt(reply, start, &line)) {
    return "";
  }
  return line;
}

bool ReplyIsComplete(const std::string& reply) {
  size_t start = FinalResponseStart(reply);
  if (start == std::string::npos) {
    return false;
  }
  size_t body = BodyStart(reply, start);
  if (body == std::string::npos) {
    return false;
  }
  std::string line;
  LineAt(reply, start, &line);
  int code = StatusCode(line);
  if (code == 204 || code == 304) {
    return true;
  }
  uint64_t length = 0;
  return ContentLength(reply, start, body, &length) && reply.size() - body >= length;
}

ReplyVerdict JudgeReply(const std::string& reply, ReplyEnd end) {
  if (reply.find(kQuotaFullToken) != std::string::npos) {
    return {kOutcomeQuotaFull, ""};
  }
  std::string statusLine = ReplyStatusLine(reply);
  if (statusLine.empty()) {
    if (end == ReplyEnd::kReceiveFailed) {
      return {kOutcomeReceiveError, kTextReceiveError};
    }
    if (reply.empty() || end == ReplyEnd::kClosed) {
      return {kOutcomeNoReply, kTextNoReply};
    }
    return {kOutcomeHttpStatusError, HttpStatusErrorText(reply.substr(0, kShownStatusLine))};
  }
  int code = StatusCode(statusLine);
  if (code < 200 || code > 299) {
    return {kOutcomeHttpStatusError, HttpStatusErrorText(statusLine.substr(0, kShownStatusLine))};
  }
  if (end == ReplyEnd::kReceiveFailed) {
    return {kOutcomeReceiveError, kTextReceiveError};
  }
  return {kOutcomeOk, ""};
}

}  // namespace tamborix
