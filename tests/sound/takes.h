// Takes as a horn player's microphone would give them, for the tests of the ear: each note a
// tone of five harmonics with 15 ms of attack and release, written as a 16-bit mono WAV file.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <vector>

namespace takes {

struct Note {
  double onsetMs = 0;
  double lengthMs = 0;
  int pitch = 0;
};

inline QByteArray Wav(const std::vector<Note>& notes, int rate = 44100) {
  double endMs = 0;
  for (const Note& n : notes) endMs = std::max(endMs, n.onsetMs + n.lengthMs + 200);
  std::vector<double> sound(static_cast<std::size_t>(endMs * rate / 1000), 0.0);
  for (const Note& n : notes) {
    const double hz = 440.0 * std::pow(2.0, (n.pitch - 69) / 12.0);
    const auto from = static_cast<std::size_t>(n.onsetMs * rate / 1000);
    const auto count = static_cast<std::size_t>(n.lengthMs * rate / 1000);
    for (std::size_t i = 0; i < count && from + i < sound.size(); ++i) {
      const double t = static_cast<double>(i) / rate;
      const double envelope =
          std::clamp(std::min(t * 1000 / 15, (n.lengthMs - t * 1000) / 15), 0.0, 1.0);
      for (int h = 1; h <= 5; ++h) {
        sound[from + i] += 0.2 * envelope * std::sin(2 * 3.14159265358979 * h * hz * t) / h;
      }
    }
  }
  QByteArray samples;
  for (const double s : sound) {
    const auto v = static_cast<qint16>(std::lround(std::clamp(s, -1.0, 1.0) * 32767));
    samples.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
  }
  const auto le = [](quint32 v, int bytes) {
    QByteArray out;
    for (int b = 0; b < bytes; ++b) out.append(static_cast<char>(v >> (8 * b)));
    return out;
  };
  return "RIFF" + le(static_cast<quint32>(36 + samples.size()), 4) + "WAVEfmt " + le(16, 4) +
         le(1, 2) + le(1, 2) + le(static_cast<quint32>(rate), 4) +
         le(static_cast<quint32>(rate * 2), 4) + le(2, 2) + le(16, 2) + "data" +
         le(static_cast<quint32>(samples.size()), 4) + samples;
}

}  // namespace takes
