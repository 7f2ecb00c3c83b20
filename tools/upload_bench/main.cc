// tamborix-upload-bench [rounds-1MB-and-5MB] [rounds-200MB]
//
// Uploads files of 1 MB, 5 MB (what a 1 to 5 minute take makes) and 200 MB
// to the reference storage service on loopback, with SendUpload, with
// curl -F and with a raw sender (runs interleaved, same service, same file),
// and prints throughput, SendUpload's ratio to the raw sender and to curl,
// and each client's peak memory. The raw sender is the limit: one program
// that writes the very bytes of SendUpload's request (head, form fields,
// the file by sendfile, closing) to the service's socket and reads the
// reply. Each upload runs in a child process of its own, so that its peak
// resident size is its own.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/posix_kernel.h"
#include "platform/posix/posix_sockets.h"
#include "tools/test_pattern/test_pattern.h"
#include "upload/upload_job.h"
#include "upload/upload_outcome.h"
#include "upload/upload_request.h"
#include "upload/upload_transfer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Run {
  bool ok = false;
  double seconds = 0;
  long peakKb = 0;
};

struct Service {
  pid_t pid = -1;
  std::string address;
  int port = 0;
};

void WriteFile(const std::string& path, uint64_t size) {
  std::ofstream out(path, std::ios::binary);
  const std::string block = tamborix::Pattern(size_t{1} << 20);
  for (uint64_t left = size; left > 0;) {
    size_t piece = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    out.write(block.data(), static_cast<std::streamsize>(piece));
    left -= piece;
  }
}

// Starts the service and reads the address it serves on.
bool StartService(const std::string& address, int port, const std::string& root, Service* service) {
  int lines[2];
  if (pipe(lines) != 0) {
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, lines[1], 1);
  posix_spawn_file_actions_addclose(&actions, lines[0]);
  std::string program = STORAGE_SERVICE_PROGRAM;
  std::string portText = std::to_string(port);
  std::string rootCopy = root;
  std::string addressCopy = address;
  char* arguments[] = {program.data(), addressCopy.data(), portText.data(), rootCopy.data(),
                       nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(lines[1]);
  if (rc != 0) {
    close(lines[0]);
    return false;
  }
  std::string line;
  char c;
  while (read(lines[0], &c, 1) == 1 && c != '\n') {
    line += c;
  }
  close(lines[0]);
  size_t colon = line.rfind(':');
  if (line.rfind("listening on ", 0) != 0 || colon == std::string::npos) {
    waitpid(pid, nullptr, 0);
    return false;
  }
  service->pid = pid;
  service->address = address;
  service->port = std::atoi(line.c_str() + colon + 1);
  return true;
}

// Runs `child` in a forked process; the child's exit status 0 means success.
template <typename Child>
Run Measure(Child child) {
  Run run;
  Clock::time_point start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    _exit(child() ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakKb = usage.ru_maxrss;
  return run;
}

tamborix::UploadSettings BenchSettings(const Service& service, const std::string& name,
                                       const std::string& targetDir) {
  tamborix::UploadSettings settings;
  settings.session = "bench";
  settings.user = "bench";
  settings.domain = "example";
  settings.pDrive = "p";
  settings.targetDir = targetDir;
  settings.host = service.address;
  settings.path = "c:\\" + name;
  settings.servicePort = service.port;
  return settings;
}

Run UploadWithSendUpload(const Service& service, const std::string& folder,
                         const std::string& name) {
  return Measure([&] {
    tamborix::PosixKernel kernel(folder);
    tamborix::PosixSockets sockets;
    tamborix::UploadJob job;
    job.settings = BenchSettings(service, name, "sendupload");
    std::string outcome = tamborix::SendUpload(job, kernel, sockets);
    if (!tamborix::IsSuccessOutcome(outcome)) {
      std::fprintf(stderr, "SendUpload: %s\n", outcome.c_str());
      return false;
    }
    return true;
  });
}

Run UploadWithCurl(const Service& service, const std::string& folder, const std::string& name) {
  return Measure([&] {
    std::string url = "http://" + service.address + ":" + std::to_string(service.port) +
                      "/workdesk/handle?asession=bench&auser=bench&adomain=example"
                      "&taction=user_uploadx_action&pdrive=p&target_dir=curl";
    std::vector<std::string> words = {"curl",
                                      "-s",
                                      "-f",
                                      "-o",
                                      "/dev/null",
                                      "-H",
                                      "Expect:",
                                      "--form-string",
                                      "taction=user_uploadx_action",
                                      "--form-string",
                                      "target_dir=curl",
                                      "--form-string",
                                      "encode_target_dir=curl",
                                      "--form-string",
                                      "filename=" + name,
                                      "--form-string",
                                      "auser=bench",
                                      "--form-string",
                                      "adomain=example",
                                      "--form-string",
                                      "asession=bench",
                                      "--form-string",
                                      "client_ip=",
                                      "--form-string",
                                      "prog_ver=   2.6",
                                      "--form-string",
                                      "prog_name=   recorder_upload",
                                      "-F",
                                      "file=@" + folder + "/" + name + ";filename=" + name,
                                      url};
    std::vector<char*> arguments;
    arguments.reserve(words.size() + 1);
    for (std::string& word : words) {
      arguments.push_back(word.data());
    }
    arguments.push_back(nullptr);
    execvp("curl", arguments.data());
    return false;
  });
}

bool WriteAll(int socket, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = write(socket, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) {
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// The limit: SendUpload's request bytes, written as fast as the system
// takes them; success when the service answers 200.
Run UploadRaw(const Service& service, const std::string& folder, const std::string& name) {
  return Measure([&] {
    const std::string path = folder + "/" + name;
    const int file = open(path.c_str(), O_RDONLY);
    struct stat status {};
    if (file < 0 || fstat(file, &status) != 0) {
      return false;
    }
    tamborix::UploadRequestInput input;
    input.clientAddress = "127.0.0.1";
    input.stamp = time(nullptr);
    input.fileSize = static_cast<uint64_t>(status.st_size);
    tamborix::UploadRequest request;
    if (tamborix::BuildUploadRequest(BenchSettings(service, name, "raw"), input, &request) !=
        tamborix::RequestRefusal::kNone) {
      return false;
    }
    const int peer = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(service.port));
    inet_pton(AF_INET, service.address.c_str(), &address.sin_addr);
    if (peer < 0 || connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !WriteAll(peer, request.head + request.bodyPrefix)) {
      return false;
    }
    for (off_t offset = 0; offset < status.st_size;) {
      if (sendfile(peer, file, &offset, static_cast<size_t>(status.st_size - offset)) <= 0) {
        return false;
      }
    }
    if (!WriteAll(peer, request.closing)) {
      return false;
    }
    std::string reply;
    char buffer[4096];
    for (ssize_t got; (got = read(peer, buffer, sizeof buffer)) > 0;) {
      reply.append(buffer, static_cast<size_t>(got));
      if (reply.find("\r\n\r\n") != std::string::npos) {
        break;
      }
    }
    close(peer);
    close(file);
    return reply.compare(0, 12, "HTTP/1.1 200") == 0 || reply.compare(0, 12, "HTTP/1.0 200") == 0;
  });
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int smallRounds = argc > 1 ? std::atoi(argv[1]) : 7;
  const int largeRounds = argc > 2 ? std::atoi(argv[2]) : 3;
  char pattern[] = "/tmp/tamborix-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = pattern;
  const std::string root = folder + "/service";
  fs::create_directories(root);

  Service service;
  bool started = false;
  for (int n = 200; n < 210 && !started; ++n) {
    started = StartService("127.0.80." + std::to_string(n), 80, root, &service);
  }
  if (!started && !StartService("127.0.0.1", 0, root, &service)) {
    std::fprintf(stderr, "cannot start the storage service\n");
    return 1;
  }
  std::printf("service on %s:%d\n", service.address.c_str(), service.port);

  struct Size {
    const char* label;
    const char* file;
    uint64_t bytes;
    int rounds;
  } sizes[] = {{"1 MB", "bench-1.wav", 1ull * 1000 * 1000, smallRounds},
               {"5 MB", "bench-5.wav", 5ull * 1000 * 1000, smallRounds},
               {"200 MB", "bench-200.wav", 200ull * 1000 * 1000, largeRounds}};

  // Every file first, so that every measured child starts from the same
  // parent.
  for (const Size& size : sizes) {
    WriteFile(folder + "/" + size.file, size.bytes);
  }

  enum Client { kOurs, kCurl, kRaw, kClients };
  const char* clientNames[kClients] = {"SendUpload", "curl -F", "raw sender"};
  int failures = 0;
  std::printf("%-7s %-11s %5s %11s %9s %9s %12s\n", "file", "client", "runs", "MB/s (med)",
              "to raw", "to curl", "peak RSS KB");
  for (const Size& size : sizes) {
    std::vector<double> rates[kClients];
    long peaks[kClients] = {};
    for (int round = 0; round < size.rounds; ++round) {
      // Each round starts with another client.
      for (int turn = 0; turn < kClients; ++turn) {
        const int client = (round + turn) % kClients;
        const Run run = client == kOurs   ? UploadWithSendUpload(service, folder, size.file)
                        : client == kCurl ? UploadWithCurl(service, folder, size.file)
                                          : UploadRaw(service, folder, size.file);
        if (!run.ok) {
          std::fprintf(stderr, "%s: %s failed\n", size.label, clientNames[client]);
          ++failures;
          continue;
        }
        rates[client].push_back(static_cast<double>(size.bytes) / 1e6 / run.seconds);
        peaks[client] = std::max(peaks[client], run.peakKb);
      }
    }
    double medians[kClients];
    for (int client = 0; client < kClients; ++client) {
      medians[client] = rates[client].empty() ? 0 : Median(rates[client]);
    }
    for (int client = 0; client < kClients; ++client) {
      const double toRaw = medians[kRaw] > 0 ? medians[client] / medians[kRaw] : 0;
      const double toCurl = medians[kCurl] > 0 ? medians[client] / medians[kCurl] : 0;
      std::printf("%-7s %-11s %5zu %11.1f %9.2f %9.2f %12ld\n", size.label, clientNames[client],
                  rates[client].size(), medians[client], toRaw, toCurl, peaks[client]);
    }
    fs::remove(fs::path(folder) / size.file);
    std::error_code ignored;
    fs::remove_all(root + "/bench", ignored);
  }

  kill(service.pid, SIGTERM);
  waitpid(service.pid, nullptr, 0);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (failures > 0) {
    std::printf("%d upload(s) failed\n", failures);
    return 1;
  }
  return 0;
}
