#include "sound/short_message.h"

namespace sound {

int DataByteCount(int status) {
  if (status < 0x80 || status > 0xFF) return -1;
  switch (status & 0xF0) {
    case ShortMessage::kProgramChange:
    case ShortMessage::kChannelPressure:
      return 1;
    case 0xF0:
      switch (status) {
        case 0xF2:  // song position
          return 2;
        case 0xF1:  // time code quarter frame
        case 0xF3:  // song select
          return 1;
        default:
          return 0;
      }
    default:
      return 2;
  }
}

std::optional<ShortMessage> ShortMessage::Make(int status, int data1, int data2) {
  const int count = DataByteCount(status);
  if (count < 0) return std::nullopt;
  if (count >= 1 && (data1 < 0 || data1 > 127)) return std::nullopt;
  if (count >= 2 && (data2 < 0 || data2 > 127)) return std::nullopt;
  return ShortMessage(static_cast<std::uint8_t>(status),
                      static_cast<std::uint8_t>(count >= 1 ? data1 : 0),
                      static_cast<std::uint8_t>(count >= 2 ? data2 : 0));
}

ShortMessage ShortMessage::Unpack(std::uint32_t packed) {
  const int status = static_cast<int>(packed & 0xFF);
  if (status < 0x80) return ShortMessage();
  const int count = DataByteCount(status);
  const int data1 = static_cast<int>((packed >> 8) & 0x7F);
  const int data2 = static_cast<int>((packed >> 16) & 0x7F);
  return ShortMessage(static_cast<std::uint8_t>(status),
                      static_cast<std::uint8_t>(count >= 1 ? data1 : 0),
                      static_cast<std::uint8_t>(count >= 2 ? data2 : 0));
}

}  // namespace sound
