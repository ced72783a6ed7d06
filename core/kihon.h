// Common helpers: the waits, text cleaning, toggling, clamping and hexadecimal digits.
#pragma once

#include <QString>
#include <cstdint>

#include "core/clock.h"

namespace kihon {

// The two waits on the millisecond clock. Both let window messages run while they wait.
class Waits {
 public:
  // stopRequested is the program's StopRequested flag (-1 on, 0 off); WaitUntil reads it.
  Waits(Clock& clock, const std::int16_t& stopRequested)
      : clock_(clock), stopRequested_(stopRequested) {}

  // Waits ms milliseconds; cannot be cut short.
  void WaitMs(std::int16_t ms);

  // ms <= 0: sets the reference to now and returns 0 (callers use -100 to start a timed
  // sequence). Otherwise waits until ms after the reference, then moves the reference on
  // by exactly ms, so that the lateness of one step is made up by the next; returns 0.
  // Returns -1 at once, without moving the reference, when a stop is requested.
  std::int16_t WaitUntil(std::int16_t ms);

  // Moves the reference ms later (a timed sequence that starts a little after now).
  void Delay(int ms) { WaitReference_ += ms > 0 ? ms : 0; }

  std::int64_t WaitReference() const { return WaitReference_; }
  Clock& clock() { return clock_; }

 private:
  Clock& clock_;
  const std::int16_t& stopRequested_;
  std::int64_t WaitReference_ = 0;
};

// Replaces every NUL of text by a space (in text itself) and returns it with leading and
// trailing spaces removed.
QString CleanField(QString& text);

// -1 becomes 0; any other value becomes -1.
void ToggleFlag(std::int16_t& flag);

// Below minimum becomes minimum, above maximum becomes maximum; both bounds inclusive.
template <class T>
void ClampSetting(T minimum, T maximum, T& value) {
  if (value < minimum) {
    value = minimum;
  } else if (value > maximum) {
    value = maximum;
  }
}

// Upper-cases text in place and reads its first character as a hexadecimal digit:
// "0".."9" give 0..9, "A".."F" 10..15; other letters are not rejected ("G" gives 16).
// An empty text gives 0.
std::int16_t HexDigit(QString& text);

// The number a text starts with, as a text box's numeric value is read: blanks are
// skipped, then an optional sign, digits, a decimal point and an exponent are taken as far
// as they go. A text that does not start with a number gives 0.
double LeadingNumber(const QString& text);

}  // namespace kihon
