// Fuzz target: any bytes as a recorded take (a WAV file). What is read is a sound of finite
// samples within -1..1 at a rate the ear takes; what the ear hears in it are notes in the
// order played, within the instruments' range, each in tune within half a semitone, none
// of negative length.
#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/transcriber.h"
#include "sound/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  wav::Sound sound;
  QString error;
  if (!wav::Read(bytes, sound, &error)) {
    if (error.isEmpty()) std::abort();
    return 0;
  }
  if (sound.rate < 1000 || sound.rate > 768000) std::abort();
  for (const float s : sound.samples) {
    if (!std::isfinite(s) || s < -1 || s > 1) std::abort();
  }
  double last = -1e9;
  for (const sound::HeardNote& n : sound::Transcribe(sound.samples, sound.rate)) {
    if (!std::isfinite(n.onsetMs) || n.onsetMs < last || n.pitch < 28 || n.pitch > 108 ||
        !(std::abs(n.cents) <= 50) || !(n.lengthMs >= 0)) {
      std::abort();
    }
    last = n.onsetMs;
  }
  return 0;
}
