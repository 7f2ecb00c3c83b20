#include "upload/reply_reader.h"

#include <cstring>

#include "upload/upload_outcome.h"
#include "upload/upload_reply.h"

namespace tamborix {
namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The first Content-Length with digits among the head's lines between `from`
// and `to`.
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

void ReplyReader::Feed(const char* data, size_t size) {
  size_t from = text_.size();
  text_.append(data, size);
  for (size_t at = from; at < text_.size() && stage_ != Stage::kBody; ++at) {
    Step(at);
  }
  SearchQuotaToken(from);
}

// Looks at the byte at `at`, the next one not yet looked at, while a head is
// still coming in.
void ReplyReader::Step(size_t at) {
  if (text_[at] != '\n') {
    return;
  }
  if (stage_ == Stage::kStatusLine) {
    statusLineEnd_ = at > responseStart_ && text_[at - 1] == '\r' ? at - 1 : at;
    if (statusLineEnd_ == responseStart_) {
      responseStart_ = at + 1;  // an empty line before a status line is passed over
      return;
    }
    int code = StatusCode(text_.substr(responseStart_, statusLineEnd_ - responseStart_));
    interim_ = code >= 100 && code <= 199;
    stage_ = Stage::kHead;
    return;  // the first line end cannot also end the head
  }
  // A head ends with an empty line: the first "\n\n" or "\r\n\r\n" that lies
  // wholly within the current response.
  bool emptyLine = (at >= responseStart_ + 1 && text_[at - 1] == '\n') ||
                   (at >= responseStart_ + 3 && text_.compare(at - 3, 4, "\r\n\r\n") == 0);
  if (emptyLine) {
    EndOfHead(at + 1);
  }
}

void ReplyReader::EndOfHead(size_t bodyStart) {
  if (interim_) {
    responseStart_ = bodyStart;
    stage_ = Stage::kStatusLine;
    return;
  }
  stage_ = Stage::kBody;
  bodyStart_ = bodyStart;
  int code = StatusCode(StatusLine());
  bodyless_ = code == 204 || code == 304;
  lengthKnown_ = ContentLength(text_, responseStart_, bodyStart, &contentLength_);
}

void ReplyReader::SearchQuotaToken(size_t newFrom) {
  if (quotaTokenSeen_) {
    return;
  }
  // A token split between blocks began at most its length less one byte
  // before the new bytes.
  const size_t overlap = std::strlen(kQuotaFullToken) - 1;
  size_t from = newFrom > overlap ? newFrom - overlap : 0;
  quotaTokenSeen_ = text_.find(kQuotaFullToken, from) != std::string::npos;
}

bool ReplyReader::Complete() const {
  if (stage_ != Stage::kBody) {
    return false;
  }
  return bodyless_ || (lengthKnown_ && text_.size() - bodyStart_ >= contentLength_);
}

std::string ReplyReader::StatusLine() const {
  if (stage_ == Stage::kStatusLine || (stage_ == Stage::kHead && interim_)) {
    return "";
  }
  return text_.substr(responseStart_, statusLineEnd_ - responseStart_);
}

}  // namespace tamborix
