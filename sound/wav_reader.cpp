#include "sound/wav_reader.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace wav {

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;

std::uint32_t Le(const char* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(p[i]);
  return value;
}

bool Fail(QString* error, const QString& reason) {
  if (error) *error = reason;
  return false;
}

// One sample of the given layout as -1..1.
float Sample(const char* p, int format, int bits) {
  if (format == kFormatFloat) {
    if (bits == 32) {
      float value;
      std::uint32_t raw = Le(p, 4);
      std::memcpy(&value, &raw, 4);
      return value;
    }
    const std::uint64_t raw = Le(p, 4) | static_cast<std::uint64_t>(Le(p + 4, 4)) << 32;
    double value;
    std::memcpy(&value, &raw, 8);
    return static_cast<float>(value);
  }
  if (bits == 8) return (static_cast<std::uint8_t>(*p) - 128) / 128.0f;
  const int bytes = bits / 8;
  const std::uint32_t raw = Le(p, bytes);
  // Sign-extend the sample's top bit.
  const int shift = 32 - bits;
  const auto value = static_cast<std::int32_t>(raw << shift) >> shift;
  return static_cast<float>(value / static_cast<double>(1u << (bits - 1)));
}

}  // namespace

bool Read(const QByteArray& bytes, Sound& sound, QString* error) {
  const char* data = bytes.constData();
  const qint64 size = bytes.size();
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return Fail(error, QCoreApplication::translate("wav_reader", "WAV ファイルではありません"));
  }
  int format = 0, channels = 0, bits = 0, blockAlign = 0;
  std::uint32_t rate = 0;
  qint64 dataAt = -1, dataSize = 0;
  for (qint64 at = 12; at + 8 <= size;) {
    const std::uint32_t chunkSize = Le(data + at + 4, 4);
    const qint64 body = at + 8;
    const qint64 available = std::min<qint64>(chunkSize, size - body);
    if (std::memcmp(data + at, "fmt ", 4) == 0 && available >= 16) {
      format = static_cast<int>(Le(data + body, 2));
      channels = static_cast<int>(Le(data + body + 2, 2));
      rate = Le(data + body + 4, 4);
      blockAlign = static_cast<int>(Le(data + body + 12, 2));
      bits = static_cast<int>(Le(data + body + 14, 2));
      if (format == kFormatExtensible && available >= 26) {
        format = static_cast<int>(Le(data + body + 24, 2));
      }
    } else if (std::memcmp(data + at, "data", 4) == 0) {
      dataAt = body;
      dataSize = available;  // a take cut short is read as far as it goes
      if (format != 0) break;
    }
    at = body + chunkSize + (chunkSize & 1);
  }
  if (format == 0)
    return Fail(error, QCoreApplication::translate("wav_reader",
                                                   "WAV ファイルに fmt チャンクがありません"));
  if (dataAt < 0)
    return Fail(error, QCoreApplication::translate("wav_reader",
                                                   "WAV ファイルに data チャンクがありません"));
  const bool pcm = format == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  const bool floating = format == kFormatFloat && (bits == 32 || bits == 64);
  if (!pcm && !floating) {
    return Fail(error, QCoreApplication::translate(
                           "wav_reader", "この WAV の形式（形式 %1、%2 ビット）は読めません")
                           .arg(format)
                           .arg(bits));
  }
  if (channels < 1 || channels > 32 || rate < 1000 || rate > 768000 ||
      blockAlign != channels * bits / 8) {
    return Fail(error, QCoreApplication::translate(
                           "wav_reader", "WAV の見出しが壊れています（%1 チャンネル、%2 Hz）")
                           .arg(channels)
                           .arg(rate));
  }
  const qint64 frames = dataSize / blockAlign;
  sound.rate = static_cast<int>(rate);
  sound.samples.assign(static_cast<std::size_t>(frames), 0.0f);
  const int sampleBytes = bits / 8;
  for (qint64 f = 0; f < frames; ++f) {
    const char* frame = data + dataAt + f * blockAlign;
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += Sample(frame + c * sampleBytes, format, bits);
    // A damaged float take may hold NaN or infinities: they are silence to the ear.
    sound.samples[static_cast<std::size_t>(f)] =
        std::isfinite(sum) ? std::clamp(sum / static_cast<float>(channels), -1.0f, 1.0f) : 0.0f;
  }
  return true;
}

}  // namespace wav
