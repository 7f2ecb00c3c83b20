// The operations that the recorder's handlers, the panel and the scripting
// members use on the panel: its texts in the chosen language, the five
// buttons, and the full path shown in the status box.
#pragma once

#include <cstdint>
#include <string>

#include "state/recorder_state.h"

namespace tamborix {

class Kernel;
class PanelWindow;

// Base ids of the panel's string table.
enum TextId : int {
  kTextUpload = 1,
  kTextAbort = 2,
  kTextMaxRec = 3,
  kTextFileSize = 4,
  kTextSelectFile = 5,
  kTextRecorderName = 6,
};

// The longest `fullPath` the panel works with, in bytes.
constexpr size_t kMaxPathBytes = 2047;

// Chooses the language offset from a system default language id: 10000 for
// the Traditional Chinese ids 0x0404, 0x0C04 and 0x1004, 20000 for 0x0804,
// 0 for any other. Module-wide, shared by every panel of the process.
void SetLanguageFromId(uint16_t languageId);
int LanguageOffset();

// The string `baseId` + the language offset in the system code page; "" when
// the table has no such string.
std::string LoadText(Kernel& kernel, int baseId);

// What the panel's buttons offer, by what the panel is doing:
//   kFresh      nothing recorded yet: REC and ABORT;
//   kRecording  a take is being recorded: STOP alone;
//   kPlaying    the take is playing: STOP alone;
//   kReady      a take is there: REC, PLAY, UPLOAD and ABORT.
enum class ButtonState { kFresh, kRecording, kPlaying, kReady };

// Enables or disables REC, STOP, PLAY, UPLOAD and ABORT as `state` says. A
// button that had the focus and is disabled passes it on to the next
// enabled one.
void EnableButtons(PanelWindow& window, ButtonState state);

// The trackbar's range 0..maxSeconds with a tick every 10 positions.
void SetTrackbarRange(PanelWindow& window, int32_t maxSeconds);

// The narrow copy of a page's value in the system code page; "" for null.
std::string Narrow(Kernel& kernel, const WideString& value);

// fullPath = folder followed by `name`; shows it in the status box 213 when a
// window is given. A path longer than kMaxPathBytes is kept whole in the
// state (REC refuses it) and the status box shows the part that fits.
void UpdateFullPath(RecorderState& state, PanelWindow* window, const std::string& name);

}  // namespace tamborix
