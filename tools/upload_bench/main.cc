// tamborix-upload-bench [rounds-5MB] [rounds-200MB]
//
// Uploads files of 5 MB and 200 MB to the reference storage service on
// loopback, with SendUpload and with curl -F (same service, same file, runs
// interleaved), and prints throughput, the ratio to curl and each client's
// peak memory. Each upload runs in a child process of its own, so that its
// peak resident size is its own.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/posix_kernel.h"
#include "platform/posix/posix_sockets.h"
#include "tools/test_pattern/test_pattern.h"
#include "upload/upload_job.h"
#include "upload/upload_outcome.h"
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

Run UploadWithSendUpload(const Service& service, const std::string& folder,
                         const std::string& name) {
  return Measure([&] {
    tamborix::PosixKernel kernel(folder);
    tamborix::PosixSockets sockets;
    tamborix::UploadJob job;
    job.settings.session = "bench";
    job.settings.user = "bench";
    job.settings.domain = "example";
    job.settings.pDrive = "p";
    job.settings.targetDir = "sendupload";
    job.settings.host = service.address;
    job.settings.path = "c:\\" + name;
    job.settings.servicePort = service.port;
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
    uint64_t bytes;
    int rounds;
  } sizes[] = {{"5 MB", 5ull * 1000 * 1000, smallRounds},
               {"200 MB", 200ull * 1000 * 1000, largeRounds}};

  // Both files first, so that every measured child starts from the same
  // parent.
  auto fileName = [](const Size& size) {
    return std::string("bench-") + (size.bytes > 10000000 ? "200" : "5") + ".wav";
  };
  for (const Size& size : sizes) {
    WriteFile(folder + "/" + fileName(size), size.bytes);
  }

  int failures = 0;
  std::printf("%-7s %-11s %6s %12s %12s %13s\n", "file", "client", "runs", "MB/s (med)", "ratio",
              "peak RSS KB");
  for (const Size& size : sizes) {
    const std::string name = fileName(size);
    std::vector<double> ours;
    std::vector<double> curls;
    long oursPeak = 0;
    long curlPeak = 0;
    for (int round = 0; round < size.rounds; ++round) {
      // Alternate which client goes first.
      for (int turn = 0; turn < 2; ++turn) {
        bool oursNow = (round + turn) % 2 == 0;
        Run run = oursNow ? UploadWithSendUpload(service, folder, name)
                          : UploadWithCurl(service, folder, name);
        if (!run.ok) {
          ++failures;
          continue;
        }
        double rate = static_cast<double>(size.bytes) / 1e6 / run.seconds;
        (oursNow ? ours : curls).push_back(rate);
        long& peak = oursNow ? oursPeak : curlPeak;
        peak = std::max(peak, run.peakKb);
      }
    }
    double oursMedian = ours.empty() ? 0 : Median(ours);
    double curlMedian = curls.empty() ? 0 : Median(curls);
    std::printf("%-7s %-11s %6zu %12.1f %12.2f %13ld\n", size.label, "SendUpload", ours.size(),
                oursMedian, curlMedian > 0 ? oursMedian / curlMedian : 0.0, oursPeak);
    std::printf("%-7s %-11s %6zu %12.1f %12s %13ld\n", size.label, "curl -F", curls.size(),
                curlMedian, "1.00", curlPeak);
    fs::remove(fs::path(folder) / name);
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
