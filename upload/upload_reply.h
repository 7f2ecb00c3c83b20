// Reading the service's reply to an upload.
#pragma once

#include <cstddef>
#include <string>

namespace tamborix {

class ReplyReader;

// The most of a reply that is read and searched.
constexpr size_t kReplyLimit = 65536;

// Why reading the reply stopped.
enum class ReplyEnd {
  kClosed,         // the service closed the connection
  kComplete,       // the head and the Content-Length bytes of body are in
  kLimitReached,   // kReplyLimit bytes are in
  kReceiveFailed,  // a receive failed or the time ran out
};

// The functions that take the whole reply as one string read it with a
// ReplyReader (reply_reader.h); a reply that arrives in blocks is better fed
// to one reader as it comes.

// True once `reply` holds a final response's head and, when it names a
// Content-Length, that many bytes of body.
bool ReplyIsComplete(const std::string& reply);

// The status line of the final response (interim 1xx responses skipped),
// without its line end; "" while that line is not complete.
std::string ReplyStatusLine(const std::string& reply);

// The status code of a status line "HTTP/x.y NNN ...", or -1.
int StatusCode(const std::string& statusLine);

struct ReplyVerdict {
  std::string outcome;
  std::string message;  // for a message box; "" shows none
};

// The outcome of an upload whose request went out in full: "OK" only for a
// 2xx status whose reply was read to its end and holds no quota token. A
// message names the status line as printable text: up to its line end, at
// most 256 bytes, other bytes shown as '?'.
ReplyVerdict JudgeReply(const ReplyReader& reply, ReplyEnd end);
ReplyVerdict JudgeReply(const std::string& reply, ReplyEnd end);

}  // namespace tamborix
