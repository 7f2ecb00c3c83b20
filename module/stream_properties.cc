#include "module/stream_properties.h"

namespace tamborix {
namespace {

// VARTYPE numbers of the fixed-size types a stored variant may have.
enum : uint16_t {
  kVtEmpty = 0,
  kVtNull = 1,
  kVtI2 = 2,
  kVtI4 = 3,
  kVtError = 10,
  kVtBool = 11,
  kVtI1 = 16,
  kVtUi1 = 17,
  kVtUi2 = 18,
  kVtUi4 = 19,
  kVtInt = 22,
  kVtUint = 23,
};

struct StoredType {
  uint16_t type;
  uint8_t size;  // bytes after the type word
  bool isSigned;
};

const StoredType kStoredTypes[] = {
    {kVtEmpty, 0, false}, {kVtNull, 0, false}, {kVtI1, 1, true},   {kVtUi1, 1, false},
    {kVtI2, 2, true},     {kVtBool, 2, true},  {kVtUi2, 2, false}, {kVtI4, 4, true},
    {kVtError, 4, false}, {kVtUi4, 4, false},  {kVtInt, 4, true},  {kVtUint, 4, false},
};

// The size of the value after the type word; false for a type not stored.
bool ValueSize(uint16_t type, size_t* size, bool* isSigned) {
  for (const StoredType& stored : kStoredTypes) {
    if (stored.type == type) {
      *size = stored.size;
      *isSigned = stored.isSigned;
      return true;
    }
  }
  return false;
}

uint64_t Little(const uint8_t* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) {
    value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  }
  return value;
}

void PutLittle(uint8_t* bytes, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

Result ReadNumber(ByteSource& source, size_t size, uint64_t* value) {
  uint8_t bytes[8] = {0};
  const Result result = source.ReadExactly(bytes, size);
  if (Succeeded(result)) {
    *value = Little(bytes, size);
  }
  return result;
}

Result WriteNumber(ByteSink& sink, uint64_t value, size_t size) {
  uint8_t bytes[8] = {0};
  PutLittle(bytes, value, size);
  return sink.WriteAll(bytes, size);
}

}  // namespace

Result ReadStreamProperties(ByteSource& source, StreamProperties* properties) {
  uint64_t version = 0;
  Result result = ReadNumber(source, 4, &version);
  if (!Succeeded(result)) {
    return result;
  }
  if (version > kStreamVersion) {
    return kStreamRefused;
  }
  uint64_t cx = 0;
  uint64_t cy = 0;
  uint64_t type = 0;
  if (!Succeeded(result = ReadNumber(source, 4, &cx)) ||
      !Succeeded(result = ReadNumber(source, 4, &cy)) ||
      !Succeeded(result = ReadNumber(source, 2, &type))) {
    return result;
  }
  size_t size = 0;
  bool isSigned = false;
  if (!ValueSize(static_cast<uint16_t>(type), &size, &isSigned)) {
    return kStreamRefused;
  }
  uint64_t raw = 0;
  if (size > 0 && !Succeeded(result = ReadNumber(source, size, &raw))) {
    return result;
  }
  int64_t value = static_cast<int64_t>(raw);
  if (isSigned && size < 8 && (raw >> (8 * size - 1)) != 0) {
    value = static_cast<int64_t>(raw | (~uint64_t{0} << (8 * size)));
  }
  properties->cx = static_cast<uint32_t>(cx);
  properties->cy = static_cast<uint32_t>(cy);
  properties->autoSize.type = static_cast<uint16_t>(type);
  properties->autoSize.value = value;
  return kSOk;
}

Result WriteStreamProperties(ByteSink& sink, const StreamProperties& properties) {
  size_t size = 0;
  bool isSigned = false;
  if (!ValueSize(properties.autoSize.type, &size, &isSigned)) {
    return kStreamRefused;
  }
  Result result;
  if (!Succeeded(result = WriteNumber(sink, kStreamVersion, 4)) ||
      !Succeeded(result = WriteNumber(sink, properties.cx, 4)) ||
      !Succeeded(result = WriteNumber(sink, properties.cy, 4)) ||
      !Succeeded(result = WriteNumber(sink, properties.autoSize.type, 2))) {
    return result;
  }
  return size > 0 ? WriteNumber(sink, static_cast<uint64_t>(properties.autoSize.value), size)
                  : kSOk;
}

}  // namespace tamborix
