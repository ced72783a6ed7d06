#include "sound/short_message.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sound::ShortMessage;

struct KindRow {
  int status;
  int size;  // bytes on the wire
  const char* name;
};

// Every kind of channel message on two channels, and the system messages.
const KindRow kKinds[] = {
    {0x80, 3, "note off"},
    {0x93, 3, "note on"},
    {0xA0, 3, "key pressure"},
    {0xBF, 3, "control change"},
    {0xC0, 2, "program change"},
    {0xD0, 2, "channel pressure"},
    {0xDA, 2, "channel pressure"},
    {0xE5, 3, "pitch bend"},
    {0xF1, 2, "time code"},
    {0xF2, 3, "song position"},
    {0xF3, 2, "song select"},
    {0xF6, 1, "tune request"},
    {0xF8, 1, "clock"},
    {0xFE, 1, "active sensing"},
    {0xFF, 1, "reset"},
};

class ShortMessageKind : public ::testing::TestWithParam<KindRow> {};

TEST_P(ShortMessageKind, CarriesTheDataBytesOfItsKind) {
  const KindRow row = GetParam();
  const auto message = ShortMessage::Make(row.status, 0x45, 0x12);
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->size(), row.size);
  EXPECT_EQ(sound::DataByteCount(row.status), row.size - 1);
  EXPECT_EQ(message->status(), row.status);
  EXPECT_EQ(message->channel(), row.status & 0x0F);
  const auto bytes = message->bytes();
  EXPECT_EQ(bytes[0], row.status);
  // A byte the kind does not carry is neither sent nor packed.
  EXPECT_EQ(bytes[1], row.size >= 2 ? 0x45 : 0);
  EXPECT_EQ(bytes[2], row.size >= 3 ? 0x12 : 0);
  EXPECT_EQ(message->Packed(),
            static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16));
  EXPECT_EQ(ShortMessage::Unpack(message->Packed()), *message);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ShortMessageKind, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<KindRow>& info) {
                           return "status" + std::to_string(info.param.status);
                         });

TEST(ShortMessage, DataBytesOutOfRangeMakeNoMessage) {
  struct Row {
    int status, data1, data2;
    bool made;
  };
  const std::vector<Row> rows = {
      {0x90, 60, 100, true},  {0x90, 128, 100, false}, {0x90, 60, 128, false},
      {0x90, -1, 100, false}, {0x90, 60, -1, false},   {0xC0, 127, 0, true},
      {0xC0, 128, 0, false},  {0xC0, -1, 0, false},    {0xC0, 5, 999, true},  // no second byte
      {0xD0, 64, -7, true},   {0xF8, -1, 300, true},   {0x7F, 0, 0, false},   // a data byte
      {0x100, 0, 0, false},   {-1, 0, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << row.status << " " << std::dec << row.data1 << " " << row.data2);
    EXPECT_EQ(ShortMessage::Make(row.status, row.data1, row.data2).has_value(), row.made);
  }
}

TEST(ShortMessage, UnpackKeepsSevenBitDataAndTheKindsLength) {
  EXPECT_EQ(ShortMessage::Unpack(0x7F4593).Packed(), 0x7F4593u);
  EXPECT_EQ(ShortMessage::Unpack(0x7F45C3).Packed(), 0x45C3u);  // program change: one byte
  EXPECT_EQ(ShortMessage::Unpack(0xFFC5D0).Packed(), 0x45D0u);  // pressure: one, seven bits
  EXPECT_EQ(ShortMessage::Unpack(0x0000003C).Packed(), 0x80u);  // no status byte
  EXPECT_TRUE(ShortMessage::Unpack(0x003C90).IsNoteOff());
  EXPECT_TRUE(ShortMessage::Unpack(0x403C80).IsNoteOff());
  EXPECT_FALSE(ShortMessage::Unpack(0x013C90).IsNoteOff());
}

TEST(ShortMessage, EveryStatusByteHasALength) {
  for (int status = 0; status < 0x80; ++status) EXPECT_EQ(sound::DataByteCount(status), -1);
  for (int status = 0x80; status <= 0xFF; ++status) {
    SCOPED_TRACE(status);
    const int kind = status & 0xF0;
    const int expected = kind == 0xC0 || kind == 0xD0       ? 1
                         : kind != 0xF0                     ? 2
                         : status == 0xF2                   ? 2
                         : status == 0xF1 || status == 0xF3 ? 1
                                                            : 0;
    EXPECT_EQ(sound::DataByteCount(status), expected);
  }
}

}  // namespace
