#include "tools/console_host/console_session.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/shared/unicode_text.h"
#include "platform/window_messages.h"
#include "state/event_sinks.h"
#include "tools/console_host/memory_property_bag.h"

namespace tamborix {

const char kConsoleHelp[] =
    "usage: tamborix-console [--network] [SCRIPT]\n"
    "\n"
    "Runs the recorder control on the in-memory platform (no sound card, no\n"
    "windows, time moves only when told) and drives it from SCRIPT, or from\n"
    "standard input, one command a line. It prints every event fired\n"
    "(event OnPlayimg (5)), every message box (box \"...\") and what `show`\n"
    "and `get` ask for. Commands are echoed with \"> \" in front.\n"
    "With --network, UPLOAD sends the recording over real sockets (through\n"
    "the proxy named by http_proxy, unless no_proxy says otherwise); without\n"
    "it the control has no network and every upload fails.\n"
    "\n"
    "Page and system:\n"
    "  set NAME VALUE      call a setter as a script would; NAME is FileName,\n"
    "                      MaxLength, Session, Domain, User, TargetDir or Host;\n"
    "                      VALUE is the rest of the line (\"\" for empty)\n"
    "  bag KEY=VALUE ...   load the page's values as the property bag would\n"
    "                      (FileName Session TargetDir User Domain Host PDrive)\n"
    "  bag save [all]      save to a property bag and print what was written\n"
    "  env NAME=VALUE      set an environment variable (empty VALUE unsets)\n"
    "  language ID         the system default language, e.g. 0x0404\n"
    "  get NAME            print SoundFileName or LocalFullFileName\n"
    "User:\n"
    "  open                create the panel window (its start-up runs)\n"
    "  click WHAT          click REC, STOP, PLAY, UPLOAD, ABORT or a control id\n"
    "  choose MINUTES      pick 1..5 in the combo box of minutes\n"
    "  wait SECONDS        let time pass (also 250ms); ticks and notices arrive\n"
    "  notify              deliver the device's end-of-playback notice now\n"
    "  show                print the panel: texts, buttons, trackbar, combo\n"
    "  close               destroy the panel window\n"
    "Test set-up:\n"
    "  fault COMMAND NTH ERROR   make the NTH next device COMMAND (open, set,\n"
    "                      record, play, save, close) fail with MCI error\n"
    "                      number ERROR (e.g. 275 or 0x113)\n"
    "  fault move          make the next replacing of a file fail\n"
    "  mkdir PATH          create a folder (and the folders above it)\n"
    "  files               list the files in the in-memory store\n"
    "  # ...               a comment\n";

namespace {

const std::map<std::string, int>& ControlNames() {
  static const std::map<std::string, int> names = {
      {"REC", kRecButton},       {"STOP", kStopButton},   {"PLAY", kPlayButton},
      {"UPLOAD", kUploadButton}, {"ABORT", kAbortButton},
  };
  return names;
}

const char* EventName(int32_t dispid) {
  switch (dispid) {
    case kOnOKDone:
      return "OnOKDone";
    case kOnAbort:
      return "OnAbort";
    case kOnRecording:
      return "OnRecording";
    case kOnPlaying:
      return "OnPlaying";
    case kOnPlayimg:
      return "OnPlayimg";
    case kOnInitDone:
      return "OnInitDone";
    default:
      return "unknown";
  }
}

class PrintingSink : public EventSink {
 public:
  explicit PrintingSink(std::ostream& out) : out_(out) {}
  int32_t Invoke(int32_t dispid) override {
    out_ << "event " << EventName(dispid) << " (" << dispid << ")\n";
    return 0;
  }

 private:
  std::ostream& out_;
};

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    words.push_back(word);
  }
  return words;
}

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) {
    return std::string();
  }
  const size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

// A value as written in a script: surrounding double quotes are dropped.
std::string Unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

bool ParseNumber(const std::string& text, long long* value) {
  if (text.empty()) {
    return false;
  }
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

std::string Hex(Result result) {
  std::ostringstream s;
  s << "0x" << std::hex << std::uppercase << static_cast<uint32_t>(result);
  return s.str();
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

const char* OnOff(bool on) {
  return on ? "on" : "off";
}

}  // namespace

ConsoleSession::ConsoleSession(std::ostream& out, std::ostream& errors, const Platform& network)
    : out_(out), errors_(errors) {
  memory_.kernel.SetMessageBoxHook(
      [this](const std::string& text) { out_ << "box " << Quoted(text) << "\n"; });
  Platform platform = memory_.platform();
  platform.sockets = network.sockets;
  platform.proxySettings = network.proxySettings;
  platform.threads = network.threads;
  control_ = std::make_unique<RecorderControl>(platform);
  control_->events().Advise(std::make_shared<PrintingSink>(out_));
}

ConsoleSession::~ConsoleSession() {
  if (window_ && window_->IsOpen()) {
    Close();
  }
  control_.reset();
}

bool ConsoleSession::RunLine(const std::string& rawLine) {
  const std::string line = Trim(rawLine);
  if (line.empty() || line[0] == '#') {
    return true;
  }
  out_ << "> " << line << "\n";
  const std::vector<std::string> words = SplitWords(line);
  const std::string& word = words[0];
  if (word == "set") {
    if (words.size() < 2) {
      return Mistake("set needs a name");
    }
    const size_t nameAt = line.find(words[1], 3);
    return Set(words[1], Unquote(Trim(line.substr(nameAt + words[1].size()))));
  }
  if (word == "bag") {
    return Bag(words);
  }
  if (word == "env") {
    return Env(words);
  }
  if (word == "language") {
    return Language(words);
  }
  if (word == "open") {
    return Open();
  }
  if (word == "click") {
    return Click(words);
  }
  if (word == "choose") {
    return Choose(words);
  }
  if (word == "wait") {
    return Wait(words);
  }
  if (word == "notify") {
    return Notify();
  }
  if (word == "show") {
    return Show();
  }
  if (word == "get") {
    return Get(words);
  }
  if (word == "close") {
    return Close();
  }
  if (word == "fault") {
    return Fault(words);
  }
  if (word == "mkdir") {
    if (words.size() != 2) {
      return Mistake("mkdir: expected a path");
    }
    memory_.kernel.AddDirectory(words[1]);
    return true;
  }
  if (word == "files") {
    return Files();
  }
  return Mistake("unknown command " + Quoted(word) + " (see --help)");
}

bool ConsoleSession::Set(const std::string& name, const std::string& value) {
  const WideString wide = Utf8ToUtf16(value);
  RecorderControl& c = *control_;
  if (name == "FileName") {
    PrintResult(c.SetFileName(wide));
  } else if (name == "MaxLength") {
    PrintResult(c.SetMaxFileLengthInSecond(wide));
  } else if (name == "Session") {
    PrintResult(c.SetSession(wide));
  } else if (name == "Domain") {
    PrintResult(c.SetDomain(wide));
  } else if (name == "User") {
    PrintResult(c.SetUser(wide));
  } else if (name == "TargetDir") {
    PrintResult(c.SetTargetDir(wide));
  } else if (name == "Host") {
    PrintResult(c.SetHost(wide));
  } else {
    return Mistake("set: unknown setting " + Quoted(name));
  }
  return true;
}

bool ConsoleSession::Bag(const std::vector<std::string>& words) {
  if (words.size() >= 2 && words[1] == "save") {
    const bool all = words.size() >= 3 && words[2] == "all";
    MemoryPropertyBag bag;
    const Result result = control_->SaveToBag(bag, true, all);
    for (const auto& entry : bag.Values()) {
      out_ << "bag " << Utf16ToUtf8(entry.first) << "=" << Quoted(Utf16ToUtf8(entry.second))
           << "\n";
    }
    PrintResult(result);
    return true;
  }
  MemoryPropertyBag bag;
  for (size_t i = 1; i < words.size(); ++i) {
    const size_t equals = words[i].find('=');
    if (equals == std::string::npos) {
      return Mistake("bag: expected KEY=VALUE, got " + Quoted(words[i]));
    }
    bag.Put(Utf8ToUtf16(words[i].substr(0, equals)),
            Utf8ToUtf16(Unquote(words[i].substr(equals + 1))));
  }
  PrintResult(control_->LoadFromBag(bag));
  return true;
}

bool ConsoleSession::Env(const std::vector<std::string>& words) {
  if (words.size() != 2 || words[1].find('=') == std::string::npos) {
    return Mistake("env: expected NAME=VALUE");
  }
  const size_t equals = words[1].find('=');
  memory_.kernel.SetEnvironment(words[1].substr(0, equals), words[1].substr(equals + 1));
  return true;
}

bool ConsoleSession::Language(const std::vector<std::string>& words) {
  long long id = 0;
  if (words.size() != 2 || !ParseNumber(words[1], &id) || id < 0 || id > 0xFFFF) {
    return Mistake("language: expected a language id such as 0x0404");
  }
  memory_.kernel.SetLanguageId(static_cast<uint16_t>(id));
  return true;
}

bool ConsoleSession::Open() {
  if (window_ && window_->IsOpen()) {
    Close();
  }
  window_ = std::make_unique<MemoryPanelWindow>(memory_.clock);
  window_->Open(control_->OpenPanel(*window_));
  return true;
}

bool ConsoleSession::Click(const std::vector<std::string>& words) {
  if (words.size() != 2) {
    return Mistake("click: expected REC, STOP, PLAY, UPLOAD, ABORT or a control id");
  }
  if (!RequireOpen("click")) {
    return false;
  }
  long long id = 0;
  const auto named = ControlNames().find(words[1]);
  if (named != ControlNames().end()) {
    id = named->second;
  } else if (!ParseNumber(words[1], &id)) {
    return Mistake("click: unknown control " + Quoted(words[1]));
  }
  if (!window_->Click(static_cast<int>(id))) {
    out_ << "ignored: " << words[1] << " is disabled or hidden\n";
  }
  return true;
}

bool ConsoleSession::Choose(const std::vector<std::string>& words) {
  long long minutes = 0;
  if (words.size() != 2 || !ParseNumber(words[1], &minutes) || minutes < 1 || minutes > 5) {
    return Mistake("choose: expected 1 to 5 minutes");
  }
  if (!RequireOpen("choose")) {
    return false;
  }
  window_->ChooseComboEntry(static_cast<int>(minutes - 1));
  return true;
}

bool ConsoleSession::Wait(const std::vector<std::string>& words) {
  if (words.size() != 2) {
    return Mistake("wait: expected SECONDS or MILLISECONDSms");
  }
  std::string amount = words[1];
  long long scale = 1000;
  if (amount.size() > 2 && amount.compare(amount.size() - 2, 2, "ms") == 0) {
    amount.resize(amount.size() - 2);
    scale = 1;
  }
  long long value = 0;
  if (!ParseNumber(amount, &value) || value < 0 || value > 24LL * 3600 * 1000) {
    return Mistake("wait: expected SECONDS or MILLISECONDSms");
  }
  memory_.clock.Advance(value * scale);
  return true;
}

bool ConsoleSession::Notify() {
  if (!RequireOpen("notify")) {
    return false;
  }
  window_->Post(kMmMciNotify, kMciNotifySuccessful,
                static_cast<intptr_t>(control_->state().deviceId));
  window_->PumpMessages();
  return true;
}

bool ConsoleSession::Show() {
  if (!RequireOpen("show")) {
    return false;
  }
  const MemoryPanelWindow& w = *window_;
  out_ << "panel caption=" << Quoted(w.Item(kCaptionLabel).text)
       << " length=" << Quoted(w.Item(kLengthLabel).text)
       << " upload=" << Quoted(w.Item(kUploadButton).text)
       << " abort=" << Quoted(w.Item(kAbortButton).text) << "\n";
  out_ << "panel status=" << Quoted(w.Item(kStatusBox).text)
       << " size=" << Quoted(w.Item(kSizeLabel).text) << "\n";
  out_ << "panel buttons";
  for (const char* name : {"REC", "STOP", "PLAY", "UPLOAD", "ABORT"}) {
    out_ << " " << name << "=" << OnOff(w.Item(ControlNames().at(name)).enabled);
  }
  out_ << "\n";
  const ItemState& trackbar = w.Item(kTrackbar);
  const ItemState& combo = w.Item(kLengthCombo);
  const std::string chosen =
      combo.selection >= 0 && static_cast<size_t>(combo.selection) < combo.entries.size()
          ? combo.entries[static_cast<size_t>(combo.selection)]
          : std::string();
  out_ << "panel trackbar=" << trackbar.position << " of " << trackbar.rangeMin << ".."
       << trackbar.rangeMax << " combo=" << Quoted(chosen)
       << " clock=" << (w.TimerRunning(kClockTimerId) ? "running" : "stopped")
       << " devices-open=" << memory_.device.OpenDeviceIds().size() << "\n";
  // The progress bar stays hidden until the first upload shows it.
  const ItemState& progress = w.Item(kProgressBar);
  if (progress.visible) {
    out_ << "panel progress=" << progress.position << " of " << progress.rangeMin << ".."
         << progress.rangeMax << "\n";
  }
  return true;
}

bool ConsoleSession::Get(const std::vector<std::string>& words) {
  if (words.size() != 2) {
    return Mistake("get: expected SoundFileName or LocalFullFileName");
  }
  if (words[1] == "SoundFileName") {
    out_ << "SoundFileName=" << Quoted(Utf16ToUtf8(WideText(control_->SoundFileName()))) << "\n";
  } else if (words[1] == "LocalFullFileName") {
    out_ << "LocalFullFileName=" << Quoted(Utf16ToUtf8(WideText(control_->LocalFullFileName())))
         << "\n";
  } else {
    return Mistake("get: unknown property " + Quoted(words[1]));
  }
  return true;
}

bool ConsoleSession::Close() {
  if (!window_ || !window_->IsOpen()) {
    return Mistake("close: the panel is not open");
  }
  window_->Destroy();
  return true;
}

bool ConsoleSession::Fault(const std::vector<std::string>& words) {
  if (words.size() == 2 && words[1] == "move") {
    memory_.kernel.FailMoveIntoPlace(1);
    return true;
  }
  static const std::map<std::string, uint32_t> commands = {
      {"open", kMciOpen}, {"set", kMciSet},   {"record", kMciRecord},
      {"play", kMciPlay}, {"save", kMciSave}, {"close", kMciClose},
  };
  long long nth = 0;
  long long error = 0;
  if (words.size() != 4 || commands.count(words[1]) == 0 || !ParseNumber(words[2], &nth) ||
      nth < 1 || !ParseNumber(words[3], &error) || error <= 0 || error > 0xFFFFFFFFLL) {
    return Mistake("fault: expected COMMAND NTH ERROR, or move");
  }
  memory_.device.InjectFault(commands.at(words[1]), static_cast<int>(nth),
                             static_cast<MciError>(error));
  return true;
}

bool ConsoleSession::Files() {
  for (const std::string& path : memory_.kernel.ListFiles()) {
    std::string bytes;
    memory_.kernel.ReadFile(path, &bytes);
    out_ << "file " << Quoted(path) << " " << bytes.size() << " bytes\n";
  }
  return true;
}

bool ConsoleSession::RequireOpen(const char* word) {
  if (window_ && window_->IsOpen()) {
    return true;
  }
  return Mistake(std::string(word) + ": the panel is not open (use open)");
}

void ConsoleSession::PrintResult(Result result) {
  if (result != kSOk) {
    out_ << "result " << Hex(result) << "\n";
  }
}

bool ConsoleSession::Mistake(const std::string& text) {
  out_.flush();
  errors_ << "error: " << text << "\n";
  return false;
}

}  // namespace tamborix
