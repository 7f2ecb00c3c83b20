// ReplyReader: reads the service's reply as it arrives, block by block.
//
// Each byte is looked at a bounded number of times however the reply is cut
// into blocks, so many small receives or a long run of interim (1xx)
// responses cost time in proportion to the reply's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamborix {

class ReplyReader {
 public:
  // Takes the next received block.
  void Feed(const char* data, size_t size);
  void Feed(const std::string& block) { Feed(block.data(), block.size()); }

  // Everything fed so far.
  const std::string& Text() const { return text_; }

  // True once the final response's head is in and, when it names a
  // Content-Length, that many bytes of body (204 and 304 have no body).
  bool Complete() const;

  // The status line of the final response (interim 1xx responses skipped)
  // without its line end; "" while that line is not complete.
  std::string StatusLine() const;

  // True once the quota token appeared anywhere in the reply, also when it
  // was split between blocks.
  bool QuotaTokenSeen() const { return quotaTokenSeen_; }

 private:
  enum class Stage {
    kStatusLine,  // waiting for the line end of the current response's first line
    kHead,        // waiting for the empty line that ends the current head
    kBody,        // the final response's head is in
  };

  void Step(size_t at);
  void EndOfHead(size_t bodyStart);
  void SearchQuotaToken(size_t newFrom);

  std::string text_;
  Stage stage_ = Stage::kStatusLine;
  size_t responseStart_ = 0;  // where the current response begins
  size_t statusLineEnd_ = 0;  // its first line, without the line end (kHead, kBody)
  bool interim_ = false;      // the current response is a 1xx one
  size_t bodyStart_ = 0;      // kBody: where the final response's body begins
  bool bodyless_ = false;     // kBody: 204 or 304
  bool lengthKnown_ = false;  // kBody: the head names a Content-Length
  uint64_t contentLength_ = 0;
  bool quotaTokenSeen_ = false;
};

}  // namespace tamborix
