// The console host's session: one control on the in-memory platform, driven
// line by line the way a page and a user would drive it, printing every
// event, every message box and, on request, the panel.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "control/recorder_control.h"
#include "platform/memory/memory_panel_window.h"
#include "platform/memory/memory_platform.h"

namespace tamborix {

// What `--help` prints: the command words.
extern const char kConsoleHelp[];

class ConsoleSession {
 public:
  // Everything the session prints goes to `out`; mistakes in the script go
  // to `errors`. The sockets, proxy settings and threads of `network` (all
  // null for a control without network) serve the uploads.
  ConsoleSession(std::ostream& out, std::ostream& errors, const Platform& network = Platform());
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // Runs one script line; false when the line was not understood.
  bool RunLine(const std::string& line);

 private:
  bool Set(const std::string& name, const std::string& value);
  bool Bag(const std::vector<std::string>& words);
  bool Env(const std::vector<std::string>& words);
  bool Language(const std::vector<std::string>& words);
  bool Open();
  bool Click(const std::vector<std::string>& words);
  bool Choose(const std::vector<std::string>& words);
  bool Wait(const std::vector<std::string>& words);
  bool Notify();
  bool Show();
  bool Get(const std::vector<std::string>& words);
  bool Close();
  bool Fault(const std::vector<std::string>& words);
  bool Files();

  bool RequireOpen(const char* word);
  void PrintResult(Result result);
  bool Mistake(const std::string& text);

  std::ostream& out_;
  std::ostream& errors_;
  MemoryPlatform memory_;
  std::unique_ptr<MemoryPanelWindow> window_;
  std::unique_ptr<RecorderControl> control_;
};

}  // namespace tamborix
