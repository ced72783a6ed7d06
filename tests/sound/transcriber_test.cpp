// The ear: takes generated here (a horn-like tone with its harmonics, tongued or slurred,
// with vibrato, breath noise, a room) go through the transcriber, and the notes it finds are
// set against the notes written into the take. Also the WAV reader, whose takes it hears.
#include "sound/transcriber.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "sound/wav_reader.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Written {
  double onsetMs;
  double lengthMs;
  int pitch;
};

struct Take {
  std::vector<Written> notes;
  bool slurred = false;     // one breath: no gap, the pitch moves at once
  double vibratoCents = 0;  // each way, at 5.5 Hz
  double noiseDb = -200;    // breath noise below the tone's level
  bool room = false;        // a reverberant room
  double onsetToleranceMs = 20;
};

double Hz(double pitch) {
  return 440.0 * std::pow(2.0, (pitch - 69) / 12);
}

// A room: four feedback combs and two all-passes (about 0.7 s of decay), mixed 10 dB under
// the dry sound, as a microphone near the bell hears a practice room.
std::vector<float> Room(const std::vector<float>& dry) {
  std::vector<float> wet(dry.size(), 0.0f);
  for (const int delay : {1557, 1617, 1491, 1422}) {
    std::vector<float> line(static_cast<std::size_t>(delay), 0.0f);
    std::size_t at = 0;
    for (std::size_t i = 0; i < dry.size(); ++i) {
      const float out = line[at];
      line[at] = dry[i] + out * 0.82f;
      at = (at + 1) % line.size();
      wet[i] += out * 0.25f;
    }
  }
  for (const int delay : {225, 556}) {
    std::vector<float> line(static_cast<std::size_t>(delay), 0.0f);
    std::size_t at = 0;
    for (float& s : wet) {
      const float buffered = line[at];
      const float out = -s + buffered;
      line[at] = s + buffered * 0.5f;
      at = (at + 1) % line.size();
      s = out;
    }
  }
  std::vector<float> mixed(dry.size());
  for (std::size_t i = 0; i < dry.size(); ++i) mixed[i] = dry[i] + 0.3f * wet[i];
  return mixed;
}

std::vector<float> Render(const Take& take) {
  const double endMs = take.notes.back().onsetMs + take.notes.back().lengthMs + 500;
  std::vector<float> out(static_cast<std::size_t>(endMs * kRate / 1000), 0.0f);
  double phase = 0;
  for (std::size_t n = 0; n < take.notes.size(); ++n) {
    const Written& w = take.notes[n];
    const auto from = static_cast<std::size_t>(w.onsetMs * kRate / 1000);
    const auto count = static_cast<std::size_t>(w.lengthMs * kRate / 1000);
    if (!take.slurred) phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double ms = t * 1000;
      // Tongued: 15 ms attack and release; slurred: only the phrase's ends are shaped.
      const bool first = n == 0, last = n + 1 == take.notes.size();
      double envelope = 1;
      if (!take.slurred || first) envelope = std::min(envelope, ms / 15);
      if (!take.slurred || last) envelope = std::min(envelope, (w.lengthMs - ms) / 15);
      const double bend = take.vibratoCents / 100 * std::sin(2 * kPi * 5.5 * t);
      phase += 2 * kPi * Hz(w.pitch + bend) / kRate;
      double s = 0;
      for (int h = 1; h <= 6; ++h) s += std::sin(h * phase) / h;
      out[from + i] += static_cast<float>(0.25 * std::clamp(envelope, 0.0, 1.0) * s);
    }
  }
  if (take.noiseDb > -200) {
    double energy = 0;
    for (const float s : out) energy += double(s) * s;
    const double rms = std::sqrt(energy / static_cast<double>(out.size()));
    const double noise = rms * std::pow(10.0, take.noiseDb / 20) * std::sqrt(3.0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(-noise, noise);
    double low = 0;
    for (float& s : out) {
      low += 0.3 * (uniform(random) - low);  // breath: a softened hiss
      s += static_cast<float>(low * 1.6);
    }
  }
  return take.room ? Room(out) : out;
}

std::vector<Written> Line(const std::vector<int>& pitches, double stepMs, double gapMs) {
  std::vector<Written> notes;
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    notes.push_back({200 + static_cast<double>(i) * stepMs, stepMs - gapMs, pitches[i]});
  }
  return notes;
}

const std::vector<int> kScale = {60, 62, 64, 65, 67, 69, 71, 72};

}  // namespace

TEST(Transcriber, FindsTheNotesOfGeneratedTakes) {
  struct Case {
    const char* name;
    Take take;
  };
  const std::vector<Case> cases = {
      {"tongued eighths at 120", {Line(kScale, 250, 25)}},
      {"tongued eighths at 240", {Line(kScale, 125, 20)}},
      {"slurred eighths", {Line(kScale, 250, 0), true}},
      {"slurred semitones", {Line({67, 68, 69, 70, 71}, 200, 0), true}},
      {"one pitch tongued four times", {Line({67, 67, 67, 67}, 250, 20)}},
      {"vibrato of half a semitone", {Line({62, 65, 69, 72}, 600, 40), false, 50}},
      {"breath noise 20 dB down", {Line(kScale, 250, 25), false, 0, -20}},
      {"a reverberant room", {Line(kScale, 250, 25), false, 0, -200, true}},
      {"slurred in a room", {Line(kScale, 250, 0), true, 0, -200, true}},
      // Hiss and the room fill the gaps between the notes: the attack is found a little early.
      {"everything at once", {Line({62, 65, 69, 72, 70, 67}, 300, 30), false, 40, -20, true, 30}},
      {"trombone's low B flat 1", {Line({34, 36, 34}, 400, 40)}},
      {"flute's high C7", {Line({93, 95, 96}, 250, 25)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<sound::HeardNote> heard = sound::Transcribe(Render(c.take), kRate);
    std::string found;
    for (const sound::HeardNote& n : heard) {
      found += std::to_string(n.pitch) + " at " + std::to_string(std::lround(n.onsetMs)) + "; ";
    }
    ASSERT_EQ(heard.size(), c.take.notes.size()) << found;
    for (std::size_t i = 0; i < heard.size(); ++i) {
      SCOPED_TRACE(found);
      const Written& w = c.take.notes[i];
      EXPECT_EQ(heard[i].pitch, w.pitch);
      EXPECT_NEAR(heard[i].onsetMs, w.onsetMs, c.take.onsetToleranceMs);
      EXPECT_LE(std::abs(heard[i].cents), c.take.vibratoCents / 2 + 10);
      // In a room a note lasts as long as it rings above the fade; dry, as long as played.
      if (!c.take.room) {
        EXPECT_NEAR(heard[i].lengthMs, w.lengthMs, 40);
      }
    }
  }
}

// What the keyboard and the circle show: each note within 40 ms of its onset (counted in
// samples, before the sound server's latency), a trombone's B♭1 within 55 ms (two of its
// periods alone last 34 ms); before the note is said to have begun, and nothing once it has
// ended.
TEST(Transcriber, ShowsANoteWithin40MsOfItsOnset) {
  struct Case {
    Take take;
    double withinMs;
  };
  for (const auto& [take, withinMs] :
       {Case{Take{Line(kScale, 250, 25)}, 40}, Case{Take{Line(kScale, 250, 0), true}, 40},
        Case{Take{Line({93, 95, 96}, 250, 25)}, 40}, Case{Take{Line({34, 36, 34}, 400, 40)}, 55}}) {
    sound::Transcriber ear(kRate);
    std::vector<std::pair<int, double>> shown;
    std::vector<double> begun;
    ear.onShown = [&](int note, double ms) { shown.emplace_back(note, ms); };
    ear.onNoteBegun = [&](const sound::HeardNote&) { begun.push_back(shown.back().second); };
    const std::vector<float> sound = Render(take);
    ear.Feed(sound.data(), static_cast<int>(sound.size()));
    ear.Finish();
    for (const Written& w : take.notes) {
      SCOPED_TRACE(w.pitch);
      const auto first = std::find_if(shown.begin(), shown.end(), [&](const auto& s) {
        return s.first == w.pitch && s.second >= w.onsetMs;
      });
      ASSERT_NE(first, shown.end());
      EXPECT_LE(first->second - w.onsetMs, withinMs);
    }
    EXPECT_EQ(begun.size(), take.notes.size());
    EXPECT_EQ(shown.back().first, -1);
  }
}

TEST(Transcriber, SilenceAndNoiseAloneAreNoNotes) {
  std::vector<float> silence(kRate * 2, 0.0f);
  EXPECT_TRUE(sound::Transcribe(silence, kRate).empty());
  std::mt19937 random(3);
  std::uniform_real_distribution<float> uniform(-0.05f, 0.05f);
  for (float& s : silence) s = uniform(random);
  EXPECT_TRUE(sound::Transcribe(silence, kRate).empty());
}

TEST(Transcriber, HearsTheSameAtAnyRateAndInAnyBlocks) {
  const Take take{Line({60, 64, 67}, 300, 30)};
  const std::vector<float> sound = Render(take);
  // Fed a few samples at a time, as a capture stream hands them over.
  std::vector<sound::HeardNote> inBlocks;
  sound::Transcriber live(kRate);
  live.onNote = [&](const sound::HeardNote& n) { inBlocks.push_back(n); };
  for (std::size_t at = 0; at < sound.size(); at += 441) {
    live.Feed(sound.data() + at, static_cast<int>(std::min<std::size_t>(441, sound.size() - at)));
  }
  live.Finish();
  const std::vector<sound::HeardNote> whole = sound::Transcribe(sound, kRate);
  ASSERT_EQ(inBlocks.size(), whole.size());
  for (std::size_t i = 0; i < whole.size(); ++i) {
    EXPECT_EQ(inBlocks[i].pitch, whole[i].pitch);
    EXPECT_DOUBLE_EQ(inBlocks[i].onsetMs, whole[i].onsetMs);
  }
  // At 48 kHz (every other sample of a 96 kHz take would do the same): the same notes.
  std::vector<float> at48k;
  for (std::size_t i = 0; i * kRate / 48000 < sound.size(); ++i)
    at48k.push_back(sound[i * kRate / 48000]);
  const std::vector<sound::HeardNote> heard48k = sound::Transcribe(at48k, 48000);
  ASSERT_EQ(heard48k.size(), take.notes.size());
  for (std::size_t i = 0; i < heard48k.size(); ++i) {
    EXPECT_EQ(heard48k[i].pitch, take.notes[i].pitch);
    EXPECT_NEAR(heard48k[i].onsetMs, take.notes[i].onsetMs, 20);
  }
}

namespace {

// A WAV file of the given layout holding a 440 Hz tone, each channel the same.
QByteArray Wav(int format, int bits, int channels, int rate, bool extensible = false) {
  QByteArray data;
  for (int i = 0; i < rate / 10; ++i) {
    const double value = 0.5 * std::sin(2 * kPi * 440 * i / rate);
    for (int c = 0; c < channels; ++c) {
      if (format == 3 && bits == 32) {
        const float f = static_cast<float>(value);
        data.append(reinterpret_cast<const char*>(&f), 4);
      } else if (format == 3) {
        data.append(reinterpret_cast<const char*>(&value), 8);
      } else {
        const auto v = static_cast<std::int32_t>(std::lround(value * ((1 << (bits - 1)) - 1)));
        for (int b = 0; b < bits / 8; ++b) data.append(static_cast<char>(v >> (8 * b)));
      }
    }
  }
  const auto le = [](std::uint32_t v, int bytes) {
    QByteArray out;
    for (int b = 0; b < bytes; ++b) out.append(static_cast<char>(v >> (8 * b)));
    return out;
  };
  const int align = channels * bits / 8;
  QByteArray fmt = le(extensible ? 0xFFFE : format, 2) + le(channels, 2) + le(rate, 4) +
                   le(rate * align, 4) + le(align, 2) + le(bits, 2);
  if (extensible) fmt += le(22, 2) + le(bits, 2) + le(0, 4) + le(format, 2) + QByteArray(14, '\0');
  const QByteArray body =
      "WAVE" + QByteArray("fmt ") + le(fmt.size(), 4) + fmt + "data" + le(data.size(), 4) + data;
  return "RIFF" + le(body.size(), 4) + body;
}

}  // namespace

TEST(WavReader, ReadsTheLayoutsATakeComesIn) {
  struct Case {
    const char* name;
    QByteArray bytes;
    int rate;  // 0: refused
  };
  const QByteArray good = Wav(1, 16, 1, 44100);
  const std::vector<Case> cases = {
      {"16-bit mono", good, 44100},
      {"24-bit stereo at 48 kHz", Wav(1, 24, 2, 48000), 48000},
      {"32-bit float stereo", Wav(3, 32, 2, 96000), 96000},
      {"64-bit float mono", Wav(3, 64, 1, 22050), 22050},
      {"extensible 24-bit", Wav(1, 24, 2, 44100, true), 44100},
      {"cut short in its data", good.left(good.size() - 1001), 44100},
      {"no WAV at all", QByteArray("MThd\0\0\0\6", 8), 0},
      {"no data chunk", good.left(36), 0},
      {"A-law", Wav(6, 16, 1, 8000), 0},
      {"a header that lies about its frame size", Wav(1, 16, 2, 44100).replace(32, 1, "\x07"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wav::Sound sound;
    QString error;
    ASSERT_EQ(wav::Read(c.bytes, sound, &error), c.rate > 0) << error.toStdString();
    if (c.rate == 0) {
      EXPECT_FALSE(error.isEmpty());
      continue;
    }
    EXPECT_EQ(sound.rate, c.rate);
    // The tone's peak and its 440 Hz (zero crossings upwards over the take).
    float peak = 0;
    int rising = 0;
    for (std::size_t i = 0; i < sound.samples.size(); ++i) {
      peak = std::max(peak, std::abs(sound.samples[i]));
      if (i > 0 && sound.samples[i - 1] < 0 && sound.samples[i] >= 0) ++rising;
    }
    EXPECT_NEAR(peak, 0.5, 0.01);
    const double seconds = static_cast<double>(sound.samples.size()) / c.rate;
    EXPECT_NEAR(rising / seconds, 440, 15);
  }
}
