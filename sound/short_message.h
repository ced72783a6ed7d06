// One MIDI short message: a status byte and the data bytes its kind carries. Every output
// (the embedded synthesiser, a system port, the capture) and the MIDI file writer take
// messages in this form, so the length of each kind is written down once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace sound {

// How many data bytes follow a status byte (0x80..0xFF): two for note off, note on, key
// pressure, control change and pitch bend; one for program change and channel pressure;
// for system messages as the MIDI standard counts them (song position two, time code and
// song select one, the others none). A data byte (below 0x80) has no count: -1.
int DataByteCount(int status);

class ShortMessage {
 public:
  // The kinds of channel message, in the status byte's high half.
  enum Kind : std::uint8_t {
    kNoteOff = 0x80,
    kNoteOn = 0x90,
    kKeyPressure = 0xA0,
    kControlChange = 0xB0,
    kProgramChange = 0xC0,
    kChannelPressure = 0xD0,
    kPitchBend = 0xE0,
  };

  // The controller that ends every note of a channel ("all notes off").
  static constexpr int kAllNotesOff = 123;

  // Note off 0 0 on channel 0.
  ShortMessage() = default;
  // A message with its data bytes; nothing when the status is not a status byte or a data
  // byte the kind carries is outside 0..127. Data bytes the kind does not carry are ignored
  // and kept as 0.
  static std::optional<ShortMessage> Make(int status, int data1 = 0, int data2 = 0);
  // The message of a packed value (status + data1 x 256 + data2 x 65536); the data bytes
  // are taken modulo 128, a value without a status byte gives note off 0 0 on channel 0.
  static ShortMessage Unpack(std::uint32_t packed);
  // The messages the program makes, on a channel 0..15; nothing when a data byte is outside
  // 0..127 (a pitch moved off the keyboard, a program number of none). The program ends a
  // note with a note on of velocity 0.
  static std::optional<ShortMessage> NoteOn(int channel, int note, int velocity) {
    return Make(kNoteOn | (channel & 0x0F), note, velocity);
  }
  static std::optional<ShortMessage> NoteOff(int channel, int note) {
    return NoteOn(channel, note, 0);
  }
  static std::optional<ShortMessage> ControlChange(int channel, int controller, int value) {
    return Make(kControlChange | (channel & 0x0F), controller, value);
  }
  static std::optional<ShortMessage> ProgramChange(int channel, int program) {
    return Make(kProgramChange | (channel & 0x0F), program);
  }
  static ShortMessage AllNotesOff(int channel) { return *ControlChange(channel, kAllNotesOff, 0); }
  bool IsAllNotesOff() const { return kind() == kControlChange && data_[0] == kAllNotesOff; }

  std::uint32_t Packed() const {
    return status_ | (static_cast<std::uint32_t>(data_[0]) << 8) |
           (static_cast<std::uint32_t>(data_[1]) << 16);
  }
  int status() const { return status_; }
  // The kind (0x80..0xE0) of a channel message; 0xF0 for a system message.
  int kind() const { return status_ & 0xF0; }
  int channel() const { return status_ & 0x0F; }
  int data1() const { return data_[0]; }
  int data2() const { return data_[1]; }
  // The number of bytes on the wire: the status and its data bytes (1..3).
  int size() const { return 1 + DataByteCount(status_); }
  // The bytes on the wire; only the first size() of them count.
  std::array<std::uint8_t, 3> bytes() const { return {status_, data_[0], data_[1]}; }
  // A note on with velocity 0 is a note off, as the MIDI standard has it.
  bool IsNoteOff() const { return kind() == kNoteOff || (kind() == kNoteOn && data_[1] == 0); }

  bool operator==(const ShortMessage&) const = default;

 private:
  ShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
      : status_(status), data_{data1, data2} {}

  std::uint8_t status_ = kNoteOff;
  std::array<std::uint8_t, 2> data_{};
};

}  // namespace sound
