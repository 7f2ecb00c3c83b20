// Answers the control's message boxes during the Wine tests: finds each box
// with the caption "tamborix", appends its text as one line to a log, and
// presses OK. Runs until the stop file appears (or the time limit passes).
//
//   msgbox_watcher <log file> <stop file> <time limit in seconds>
//
// Writes "watching" as the log's first line once it is ready.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr char kCaption[] = "tamborix";
constexpr int kMessageTextId = 0xFFFF;  // the static text of a message box
constexpr DWORD kPollMs = 20;

BOOL CALLBACK FindStaticText(HWND child, LPARAM found) {
  char name[32] = {0};
  GetClassNameA(child, name, sizeof name);
  char text[1024] = {0};
  if (lstrcmpiA(name, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
    *reinterpret_cast<std::string*>(found) = text;
    return FALSE;
  }
  return TRUE;
}

std::string BoxText(HWND box) {
  char text[1024] = {0};
  if (GetDlgItemTextA(box, kMessageTextId, text, sizeof text) > 0) {
    return text;
  }
  std::string found;
  EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&found));
  return found;
}

void Append(const char* path, const std::string& line) {
  if (FILE* log = std::fopen(path, "ab")) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: msgbox_watcher <log> <stop file> <seconds>\n");
    return 2;
  }
  const char* logPath = argv[1];
  const char* stopPath = argv[2];
  const DWORD limitMs = static_cast<DWORD>(std::atoi(argv[3])) * 1000;
  Append(logPath, "watching");
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < limitMs) {
    if (GetFileAttributesA(stopPath) != INVALID_FILE_ATTRIBUTES) {
      return 0;
    }
    HWND box = FindWindowA("#32770", kCaption);
    if (box == nullptr) {
      Sleep(kPollMs);
      continue;
    }
    std::string text = BoxText(box);
    for (char& c : text) {
      if (c == '\r' || c == '\n') {
        c = ' ';
      }
    }
    Append(logPath, "box: " + text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    while (IsWindow(box) && GetTickCount() - start < limitMs) {
      Sleep(kPollMs);  // the same box must not be logged twice
    }
  }
  return 1;
}
