// The stream form of the control's size and AutoSize: its exact bytes, the
// version rule and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "module/stream_properties.h"

namespace tamborix {
namespace {

constexpr uint16_t kVtBool = 11;
constexpr Result kReadFault = static_cast<Result>(0x8003001Eu);

class Bytes : public ByteSource, public ByteSink {
 public:
  Bytes() = default;
  explicit Bytes(std::vector<uint8_t> data) : data_(std::move(data)) {}
  Result ReadExactly(void* buffer, size_t count) override {
    if (read_ + count > data_.size()) {
      return kReadFault;
    }
    std::memcpy(buffer, data_.data() + read_, count);
    read_ += count;
    return kSOk;
  }
  Result WriteAll(const void* buffer, size_t count) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    data_.insert(data_.end(), bytes, bytes + count);
    return kSOk;
  }
  const std::vector<uint8_t>& data() const { return data_; }
  size_t read() const { return read_; }

 private:
  std::vector<uint8_t> data_;
  size_t read_ = 0;
};

TEST(StreamProperties, WritesVersionExtentAndVariantInOrder) {
  StreamProperties properties;
  properties.cx = 0x00001F40;
  properties.cy = 0x12345678;
  properties.autoSize = {kVtBool, -1};
  Bytes out;
  ASSERT_EQ(WriteStreamProperties(out, properties), kSOk);
  const std::vector<uint8_t> expected = {0x00, 0x03, 0x00, 0x00, 0x40, 0x1F, 0x00, 0x00,
                                         0x78, 0x56, 0x34, 0x12, 0x0B, 0x00, 0xFF, 0xFF};
  EXPECT_EQ(out.data(), expected);

  Bytes in(out.data());
  StreamProperties back;
  ASSERT_EQ(ReadStreamProperties(in, &back), kSOk);
  EXPECT_EQ(back.cx, properties.cx);
  EXPECT_EQ(back.cy, properties.cy);
  EXPECT_EQ(back.autoSize.type, kVtBool);
  EXPECT_EQ(back.autoSize.value, -1);
}

TEST(StreamProperties, VersionRule) {
  std::vector<uint8_t> newer = {0x01, 0x03, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x0B, 0, 0, 0};
  Bytes refused(newer);
  StreamProperties properties;
  EXPECT_EQ(ReadStreamProperties(refused, &properties), kStreamRefused);
  EXPECT_EQ(refused.read(), 4u);  // nothing read past the version word

  std::vector<uint8_t> older = newer;
  older[0] = 0x00;
  older[1] = 0x02;
  Bytes accepted(older);
  ASSERT_EQ(ReadStreamProperties(accepted, &properties), kSOk);
  EXPECT_EQ(properties.cx, 1u);
  EXPECT_EQ(properties.cy, 2u);
  EXPECT_EQ(accepted.read(), older.size());
}

TEST(StreamProperties, OtherVariantTypes) {
  // VT_I4 holding 1, then bytes that belong to someone else.
  Bytes i4({0x00, 0x03, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0x03, 0x00, 1, 0, 0, 0, 0xAA});
  StreamProperties properties;
  ASSERT_EQ(ReadStreamProperties(i4, &properties), kSOk);
  EXPECT_EQ(properties.autoSize.type, 3);
  EXPECT_EQ(properties.autoSize.value, 1);
  EXPECT_EQ(i4.read(), 18u);

  // VT_EMPTY has no value bytes.
  Bytes empty({0x00, 0x03, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0x00, 0x00});
  ASSERT_EQ(ReadStreamProperties(empty, &properties), kSOk);
  EXPECT_EQ(properties.autoSize.type, 0);

  // VT_BSTR is not a type the control stores.
  Bytes bstr({0x00, 0x03, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0x08, 0x00, 0, 0, 0, 0});
  EXPECT_EQ(ReadStreamProperties(bstr, &properties), kStreamRefused);
}

TEST(StreamProperties, ShortStreamFailsWithTheReadResult) {
  const std::vector<uint8_t> whole = {0x00, 0x03, 0, 0, 5,    0, 0,    0,
                                      6,    0,    0, 0, 0x0B, 0, 0xFF, 0xFF};
  for (size_t length = 0; length < whole.size(); ++length) {
    Bytes cut(std::vector<uint8_t>(whole.begin(), whole.begin() + length));
    StreamProperties properties;
    properties.cx = 77;
    EXPECT_EQ(ReadStreamProperties(cut, &properties), kReadFault) << length;
    EXPECT_EQ(properties.cx, 77u) << length;  // nothing taken from a cut stream
  }
}

}  // namespace
}  // namespace tamborix
