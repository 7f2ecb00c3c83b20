#include "panel/panel.h"

#include "panel/choose_file.h"
#include "panel/progress_bar.h"
#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "platform/window_messages.h"
#include "state/event_sinks.h"
#include "upload/run_upload.h"

namespace tamborix {
namespace {

constexpr char kProfileVariable[] = "USERPROFILE";
constexpr char kDocumentsFolder[] = "\\My Documents\\";
constexpr char kRecordingsFolder[] = "LumoRecorder\\";
constexpr char kFallbackFolder[] = "c:\\";
// The profile folder is read through a 2048-byte buffer; a longer value does
// not fit and counts as not set.
constexpr size_t kMaxProfileBytes = 2047;

constexpr char kVersionSuffix[] = "  2.6";
constexpr const char* kMinuteEntries[] = {"1", "2", "3", "4", "5"};
constexpr intptr_t kDefaultMinuteEntry = 1;  // "2": 120 seconds

uint32_t LowWord(uintptr_t value) {
  return static_cast<uint32_t>(value & 0xFFFFu);
}
uint32_t HighWord(uintptr_t value) {
  return static_cast<uint32_t>((value >> 16) & 0xFFFFu);
}

// What an upload of the current recording sends.
UploadSettings UploadSettingsOf(const RecorderState& state) {
  UploadSettings settings;
  settings.session = state.session;
  settings.user = state.user;
  settings.domain = state.domain;
  settings.pDrive = state.pDrive;
  settings.targetDir = state.targetDir;
  settings.host = state.host;
  settings.path = state.fullPath;
  return settings;
}

}  // namespace

Panel::Panel(RecorderState& state, const Platform& platform, EventSinks& events,
             PanelWindow& window)
    : state_(state),
      platform_(platform),
      events_(events),
      window_(window),
      recorder_(state, platform, window) {}

Panel::~Panel() = default;

bool Panel::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) {
  switch (message) {
    case kWmInitDialog:
      *result = OnInitPanel();
      return true;
    case kWmDestroy:
      *result = OnDestroy();
      return true;
    case kWmCommand:
      return OnCommand(static_cast<int>(LowWord(wParam)), HighWord(wParam), result);
    case kWmTimer:
      *result = recorder_.OnClockTick();
      return true;
    case kMmMciNotify:
      *result = recorder_.OnPlayDone();
      return true;
    default:
      return false;
  }
}

bool Panel::OnCommand(int id, uint32_t notification, intptr_t* result) {
  struct Row {
    int id;
    uint32_t notification;
    intptr_t (Panel::*handler)();
  };
  static constexpr Row kRows[] = {
      {kRecButton, kBnClicked, &Panel::OnRec},
      {kStopButton, kBnClicked, &Panel::OnStop},
      {kPlayButton, kBnClicked, &Panel::OnPlay},
      {kUploadButton, kBnClicked, &Panel::OnUploadCommand},
      {kAbortButton, kBnClicked, &Panel::OnAbortCommand},
      {kLengthCombo, kCbnSelChange, &Panel::OnMaxLengthChange},
      {kChooserButton, kBnClicked, &Panel::OnChooseFile},
  };
  for (const Row& row : kRows) {
    if (row.id == id && row.notification == notification) {
      *result = (this->*row.handler)();
      return true;
    }
  }
  return false;
}

intptr_t Panel::OnInitPanel() {
  Kernel& kernel = *platform_.kernel;
  SetLanguageFromId(kernel.DefaultLanguageId());
  BuildFolder();

  state_.maxLength = Narrow(state_.wide.maxLength);
  state_.maxSeconds = ReadDecimal(state_.maxLength);
  state_.targetDir = Narrow(state_.wide.targetDir);
  state_.session = Narrow(state_.wide.session);
  state_.host = Narrow(state_.wide.host);
  state_.user = Narrow(state_.wide.user);
  state_.domain = Narrow(state_.wide.domain);
  state_.pDrive = Narrow(state_.wide.pDrive);

  recorder_.SetTrackbarRange();
  EnableButtons(window_, ButtonState::kFresh);

  state_.fileName = Narrow(state_.wide.fileName);
  UpdateFullPath(state_, &window_, state_.fileName);

  window_.SetItemIcon(kRecButton, kRecIcon);
  window_.SetItemIcon(kStopButton, kStopIcon);
  window_.SetItemIcon(kPlayButton, kPlayIcon);
  window_.SetItemIcon(kChooserButton, kFolderIcon);

  for (const char* entry : kMinuteEntries) {
    window_.SendItemMessage(kLengthCombo, kCbAddString, 0, reinterpret_cast<intptr_t>(entry));
  }
  window_.SendItemMessage(kLengthCombo, kCbSetCurSel, kDefaultMinuteEntry, 0);

  window_.SetItemText(kSizeLabel, LoadText(kernel, kTextFileSize));
  window_.SetItemText(kLengthLabel, LoadText(kernel, kTextMaxRec));
  window_.SetItemText(kCaptionLabel, LoadText(kernel, kTextRecorderName) + kVersionSuffix);
  window_.SetItemText(kUploadButton, LoadText(kernel, kTextUpload));
  window_.SetItemText(kAbortButton, LoadText(kernel, kTextAbort));

  state_.isRecording = 0;
  state_.isPlaying = 0;
  events_.Fire(kOnPlayimg);
  return 0;
}

intptr_t Panel::OnStop() {
  EndWhatRuns();
  recorder_.ShowTakeReady();
  return 0;
}

intptr_t Panel::OnDestroy() {
  EndWhatRuns();
  return 0;
}

void Panel::EndWhatRuns() {
  window_.KillTimer(kClockTimerId);
  if (state_.isPlaying == 1) {
    recorder_.FinishPlayback();
  }
  if (state_.isRecording == 1) {
    recorder_.FinishRecording();
  }
}

// The upload runs to its end (or its time-out) inside this handler; the page
// then hears how it went.
intptr_t Panel::OnUploadCommand() {
  ProgressBar bar(window_);
  const bool succeeded = RunUpload(UploadSettingsOf(state_), platform_, bar);
  events_.Fire(succeeded ? kOnOKDone : kOnAbort);
  return 0;
}

intptr_t Panel::OnAbortCommand() {
  events_.Fire(kOnAbort);
  return 0;
}

intptr_t Panel::OnChooseFile() {
  return ChooseFile(state_, *platform_.kernel, platform_.fileChooser, window_);
}

void Panel::BuildFolder() {
  Kernel& kernel = *platform_.kernel;
  std::string profile;
  if (kernel.GetEnvironment(kProfileVariable, &profile) && !profile.empty() &&
      profile.size() <= kMaxProfileBytes) {
    state_.folder = profile + kDocumentsFolder;
    kernel.MakeDirectory(state_.folder);  // may exist already
    state_.folder += kRecordingsFolder;
    kernel.MakeDirectory(state_.folder);
  } else {
    state_.folder = kFallbackFolder;
  }
}

}  // namespace tamborix
