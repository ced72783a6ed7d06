// A recorded take read from a WAV file: PCM 16, 24 or 32 bits, or 32/64-bit float, mono or
// with several channels (mixed to one), any rate. WAVE_FORMAT_EXTENSIBLE files are read
// when their sub-format is PCM or float.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace wav {

struct Sound {
  std::vector<float> samples;  // mono, -1..1
  int rate = 0;
};

// The sound of the WAV file's bytes. False, with the reason in error, for what is no WAV
// file or holds a format it does not read.
bool Read(const QByteArray& bytes, Sound& sound, QString* error = nullptr);

}  // namespace wav
