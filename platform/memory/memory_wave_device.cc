#include "platform/memory/memory_wave_device.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/memory/mci_error_texts.h"
#include "platform/panel_window.h"
#include "platform/recording_format.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

constexpr size_t kMaxErrorTextBytes = 127;  // mciGetErrorString's 128-byte buffer

// Whole frames of sound in `ms` milliseconds of `format`.
uint64_t BytesForMs(const WavFormat& format, uint64_t ms) {
  const uint64_t bytes = ms * format.avgBytesPerSec / 1000;
  const uint64_t frame = format.blockAlign == 0 ? 1 : format.blockAlign;
  return bytes - bytes % frame;
}

// Milliseconds that `bytes` of `format` last, rounded up.
int64_t MsForBytes(const WavFormat& format, uint64_t bytes) {
  if (format.avgBytesPerSec == 0) {
    return 0;
  }
  return static_cast<int64_t>((bytes * 1000 + format.avgBytesPerSec - 1) / format.avgBytesPerSec);
}

}  // namespace

MemoryWaveDevice::MemoryWaveDevice(MemoryClock& clock, MemoryKernel& files)
    : clock_(clock), files_(files) {
  clock_.AddSource(this);
}

MemoryWaveDevice::~MemoryWaveDevice() {
  clock_.RemoveSource(this);
}

bool MemoryWaveDevice::TakeFault(uint32_t command, MciError* error) {
  bool failed = false;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->command == command && --it->remaining <= 0) {
      if (!failed) {
        *error = it->error;
      }
      failed = true;
      it = faults_.erase(it);
    } else {
      ++it;
    }
  }
  return failed;
}

MciError MemoryWaveDevice::Log(CommandRecord record) {
  const MciError result = record.result;
  commands_.push_back(std::move(record));
  return result;
}

MemoryWaveDevice::Device* MemoryWaveDevice::Find(MciDeviceId id) {
  const auto it = devices_.find(id);
  return it == devices_.end() ? nullptr : &it->second;
}

const MemoryWaveDevice::Device* MemoryWaveDevice::Find(MciDeviceId id) const {
  const auto it = devices_.find(id);
  return it == devices_.end() ? nullptr : &it->second;
}

uint64_t MemoryWaveDevice::SoundBytes(const Device& device) const {
  if (device.fromFile) {
    return device.fileData.size();
  }
  if (!device.recording) {
    return device.keptBytes;
  }
  const int64_t elapsed = std::max<int64_t>(clock_.NowMs() - device.recordStartMs, 0);
  const uint64_t span = std::min<uint64_t>(static_cast<uint64_t>(elapsed),
                                           static_cast<uint64_t>(device.toMs - device.fromMs));
  const uint64_t end = BytesForMs(device.format, device.fromMs) + BytesForMs(device.format, span);
  return std::max(device.keptBytes, end);
}

bool MemoryWaveDevice::RecordingNow(const Device& device) const {
  return device.recording &&
         clock_.NowMs() - device.recordStartMs < static_cast<int64_t>(device.toMs - device.fromMs);
}

MciError MemoryWaveDevice::Open(uint32_t flags, const std::string& element, MciDeviceId* id) {
  uiThread_.Check("MemoryWaveDevice::Open");
  CommandRecord record{kMciOpen, 0, flags, 0, element, 0, 0};
  if (TakeFault(kMciOpen, &record.result)) {
    return Log(std::move(record));
  }
  if (id == nullptr) {
    record.result = kMciErrNullParameterBlock;
  } else if (flags != kOpenFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else {
    Device device;
    if (!element.empty()) {
      std::string bytes;
      if (!files_.ReadFile(element, &bytes)) {
        record.result = kMciErrFileNotFound;
      } else if (!ParseWavFile(bytes, &device.format, &device.fileData)) {
        record.result = kMciErrInvalidFile;
      }
      device.fromFile = true;
    }
    if (record.result == 0) {
      record.id = nextId_++;
      devices_.emplace(record.id, std::move(device));
      *id = record.id;
    }
  }
  return Log(std::move(record));
}

MciError MemoryWaveDevice::SetFormat(MciDeviceId id, uint32_t flags, const WaveSetParams& params) {
  uiThread_.Check("MemoryWaveDevice::SetFormat");
  CommandRecord record{kMciSet, id, flags, 0, "", 0, 0};
  if (TakeFault(kMciSet, &record.result)) {
    return Log(std::move(record));
  }
  Device* device = Find(id);
  if (device == nullptr) {
    record.result = kMciErrInvalidDeviceId;
  } else if (flags != kSetFormatFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else if (device->fromFile || device->recording || device->keptBytes != 0) {
    record.result = kMciErrNonapplicableFunction;  // the format of existing sound is fixed
  } else {
    record.result = CheckRecordingFormat(params);
    if (record.result == 0) {
      device->format = WavFormat{params.formatTag,      params.channels,   params.samplesPerSec,
                                 params.avgBytesPerSec, params.blockAlign, params.bitsPerSample};
    }
  }
  return Log(std::move(record));
}

MciError MemoryWaveDevice::Record(MciDeviceId id, uint32_t flags, uint32_t fromMs, uint32_t toMs) {
  uiThread_.Check("MemoryWaveDevice::Record");
  CommandRecord record{kMciRecord, id, flags, 0, "", fromMs, toMs};
  if (TakeFault(kMciRecord, &record.result)) {
    return Log(std::move(record));
  }
  Device* device = Find(id);
  if (device == nullptr) {
    record.result = kMciErrInvalidDeviceId;
  } else if (flags != kRecordFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else if (device->fromFile) {
    record.result = kMciErrNonapplicableFunction;
  } else if (fromMs > toMs || BytesForMs(device->format, fromMs) > SoundBytes(*device)) {
    record.result = kMciErrOutOfRange;
  } else {
    if (singleInput_) {
      for (const auto& other : devices_) {
        if (other.first != id && RecordingNow(other.second)) {
          record.result = kMciErrWaveInputsInUse;
          return Log(std::move(record));
        }
      }
    }
    device->keptBytes = SoundBytes(*device);
    device->recording = true;
    device->recordStartMs = clock_.NowMs();
    device->fromMs = fromMs;
    device->toMs = toMs;
  }
  return Log(std::move(record));
}

MciError MemoryWaveDevice::Play(MciDeviceId id, uint32_t flags, PanelWindow* notify) {
  uiThread_.Check("MemoryWaveDevice::Play");
  CommandRecord record{kMciPlay, id, flags, 0, "", 0, 0};
  if (TakeFault(kMciPlay, &record.result)) {
    return Log(std::move(record));
  }
  Device* device = Find(id);
  if (device == nullptr) {
    record.result = kMciErrInvalidDeviceId;
  } else if (flags != kPlayFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else if (!device->fromFile) {
    record.result = kMciErrNonapplicableFunction;
  } else {
    if (device->playing && device->notify != nullptr) {
      device->notify->Post(kMmMciNotify, kMciNotifySuperseded, static_cast<intptr_t>(id));
    }
    device->playing = true;
    device->playEndMs = clock_.NowMs() + MsForBytes(device->format, device->fileData.size());
    device->notify = notify;
  }
  return Log(std::move(record));
}

MciError MemoryWaveDevice::Save(MciDeviceId id, uint32_t flags, const std::string& path) {
  uiThread_.Check("MemoryWaveDevice::Save");
  CommandRecord record{kMciSave, id, flags, 0, path, 0, 0};
  if (TakeFault(kMciSave, &record.result)) {
    return Log(std::move(record));
  }
  Device* device = Find(id);
  if (device == nullptr) {
    record.result = kMciErrInvalidDeviceId;
  } else if (flags != kSaveFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else if (path.empty()) {
    record.result = kMciErrUnnamedResource;
  } else {
    const std::string sound =
        device->fromFile ? device->fileData : TestSignal(device->format, 0, SoundBytes(*device));
    if (!files_.SaveFile(path, BuildWavFile(device->format, sound))) {
      record.result = kMciErrFileNotSaved;
    } else if (device->savedPath != path) {
      if (!device->savedPath.empty()) {
        files_.LetGo(device->savedPath);
      }
      device->savedPath = path;
      files_.HoldOpen(path);
    }
  }
  return Log(std::move(record));
}

MciError MemoryWaveDevice::Close(MciDeviceId id, uint32_t flags) {
  uiThread_.Check("MemoryWaveDevice::Close");
  CommandRecord record{kMciClose, id, flags, 0, "", 0, 0};
  if (TakeFault(kMciClose, &record.result)) {
    return Log(std::move(record));
  }
  if (Find(id) == nullptr) {
    record.result = kMciErrInvalidDeviceId;
  } else if (flags != kCloseFlags) {
    record.result = kMciErrFlagsNotCompatible;
  } else {
    if (!Find(id)->savedPath.empty()) {
      files_.LetGo(Find(id)->savedPath);
    }
    devices_.erase(id);  // ends recording or playing, and with it any notice
  }
  return Log(std::move(record));
}

bool MemoryWaveDevice::GetErrorText(MciError code, std::string* text) {
  uiThread_.Check("MemoryWaveDevice::GetErrorText");
  if (forgotten_.count(code) != 0) {
    return false;
  }
  const auto& texts = MciErrorTexts();
  const auto it = texts.find(code);
  if (it == texts.end()) {
    return false;
  }
  *text = it->second;
  if (text->size() > kMaxErrorTextBytes) {
    text->resize(kMaxErrorTextBytes);
  }
  return true;
}

void MemoryWaveDevice::InjectFault(uint32_t command, int nth, MciError error) {
  faults_.push_back(Fault{command, std::max(nth, 1), error});
}

void MemoryWaveDevice::ForgetErrorText(MciError code) {
  forgotten_.insert(code);
}

void MemoryWaveDevice::SetSingleInput(bool single) {
  singleInput_ = single;
}

std::vector<MciDeviceId> MemoryWaveDevice::OpenDeviceIds() const {
  std::vector<MciDeviceId> ids;
  for (const auto& entry : devices_) {
    ids.push_back(entry.first);
  }
  return ids;
}

int64_t MemoryWaveDevice::RecordedMs(MciDeviceId id) const {
  const Device* device = Find(id);
  if (device == nullptr || device->format.avgBytesPerSec == 0) {
    return 0;
  }
  return static_cast<int64_t>(SoundBytes(*device) * 1000 / device->format.avgBytesPerSec);
}

bool MemoryWaveDevice::IsRecording(MciDeviceId id) const {
  const Device* device = Find(id);
  return device != nullptr && RecordingNow(*device);
}

bool MemoryWaveDevice::IsPlaying(MciDeviceId id) const {
  const Device* device = Find(id);
  return device != nullptr && device->playing;
}

int64_t MemoryWaveDevice::NextDueMs() const {
  int64_t due = INT64_MAX;
  for (const auto& entry : devices_) {
    if (entry.second.playing) {
      due = std::min(due, entry.second.playEndMs);
    }
  }
  return due;
}

void MemoryWaveDevice::RunDue(int64_t nowMs) {
  // Collect first: Post may reach code that opens or closes devices.
  std::vector<std::pair<MciDeviceId, PanelWindow*>> ended;
  for (auto& entry : devices_) {
    Device& device = entry.second;
    if (device.playing && device.playEndMs <= nowMs) {
      device.playing = false;
      ended.emplace_back(entry.first, device.notify);
    }
  }
  for (const auto& notice : ended) {
    if (notice.second != nullptr) {
      notice.second->Post(kMmMciNotify, kMciNotifySuccessful, static_cast<intptr_t>(notice.first));
    }
  }
}

}  // namespace tamborix
