// SendUpload: one upload on the worker thread. It measures the file, has the
// request built, connects to the service host (at its port, 80 in the product) or the HTTP proxy,
// sends the head, the body prefix, the file in chunks and the closing
// delimiter, reads the reply and turns everything into an outcome text
// (upload_outcome.h). Some failures are also shown in a message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "upload/upload_job.h"

namespace tamborix {

class Kernel;
class SocketApi;

// The one area that holds each chunk of the file while it is sent.
constexpr size_t kTransferArea = 64000;

// 60,000 bytes for a file of 120,000 bytes or more; below that a tenth of
// the file, but at least 10 bytes.
size_t ChunkSize(uint64_t fileSize);

// `sent` of `fileSize` as a whole percentage, truncated toward zero after
// the quotient is rounded to double precision (29 of 100 gives 28).
int32_t ProgressPercent(uint64_t sent, uint64_t fileSize);

// The proxy port text as a port number: decimal digits only, else 0 (which
// no connection accepts).
int ProxyPortNumber(const std::string& portText);

// Carries out the upload described by `job`, reporting progress through it;
// the socket library must be started on this thread. Returns the outcome.
std::string SendUpload(UploadJob& job, Kernel& kernel, SocketApi& sockets);

}  // namespace tamborix
