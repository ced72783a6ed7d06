// The ear side by side with aubio's own command-line transcriber, aubionotes, on the same
// takes. Each take is a pass of a shipped item (the six categories in turn, rotating items,
// keys, the tempos 120, 180 and 240 bpm and six horn sounds of the General MIDI SoundFont),
// its melody alone played by a player who makes known faults: a wrong note (a semitone or a
// tone off), a missed note, an extra note (the second half of a long note played as another
// note) and a note 60 ms late. The notes rendered are the truth. A take is heard clean, with
// vibrato (pitch bend, 5..6 Hz, 30..50 cents each way), with breath noise (band-passed white
// noise 20 dB below the playing's RMS), in a room (convolution with an exponentially
// decaying noise impulse response, RT60 0.5..0.8 s, as much reverberant as direct energy),
// or with all three at once.
//
// For each method: the notes found against the truth (precision and recall: a found note
// matches a truth note of the same pitch whose onset is within 50 ms, one to one, greedy in
// time), what the unmatched notes are (octave, other pitch, a note split in two, an onset
// found late, nothing near), listen mode's verdicts on the found notes against its verdicts
// on the truth, the onsets' error, and the analysis CPU as a share of the audio's length
// (aubionotes as a whole process: starting and reading the file included; its start-up on a
// tenth of a second is printed). Everything is counted twice: on the onsets as found, and
// after a player's calibration: the median onset offset of the method on the instrument's
// takes (each truth note paired with the nearest found note of its pitch within 150 ms) taken
// off before matching, as the program does with the lateness a player measured playing that
// instrument (the raw block also shows one offset over all takes). Broken down by condition,
// instrument, tempo and category; the ranges over the takes; examples of what ours missed.
//
// Options: --takes N (how many takes, 360 unless told), --keep DIR (the takes' WAV files are
// written there and kept), --verbose (a line a take), --dump (each take's notes).
//
// Needs the Debian packages aubio-tools (aubionotes; without it only ours is measured) and
// fluid-soundfont-gm.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "core/settings.h"
#include "engine/listen.h"
#include "engine/practice_engine.h"
#include "material/category.h"
#include "material/file_Treat.h"
#include "sound/fluidsynth_out.h"
#include "sound/midi1.h"
#include "sound/transcriber.h"

extern char** environ;

namespace {

constexpr int kRate = sound::kRenderRate;
constexpr double kPi = 3.14159265358979323846;
constexpr std::int64_t kLeadMs = 500;  // silence before the first note
constexpr int kReleaseMs = 1200;       // sound rendered after the last message
constexpr double kMatchMs = 50;        // a found note's onset within this of the truth's
constexpr double kToleranceMs = 30;    // listen mode shows a right note as early or late beyond
constexpr double kLateMs = 60;         // the late note's fault
constexpr double kTakePeak = 0.5;      // the take's peak, -6 dB full scale
constexpr double kNoiseBelowDb = 20;
constexpr double kDirectToReverberantDb = 0;

// A horn sound of the General MIDI set (program 0-based) and the sounding range it plays in.
struct Horn {
  const char* name;
  int program;
  int low, high;
};
constexpr Horn kHorns[] = {
    {"tenor sax", 66, 44, 75}, {"alto sax", 65, 49, 80}, {"trumpet", 56, 54, 82},
    {"trombone", 57, 40, 70},  {"flute", 73, 60, 93},    {"choir aah", 52, 48, 76},
};
constexpr int kHornCount = 6;

// The conditions a take is heard in.
enum Condition { kVibrato = 1, kNoise = 2, kReverb = 4 };
constexpr int kMixes[] = {0, kVibrato, kNoise, kReverb, kVibrato | kNoise | kReverb};
constexpr const char* kMixNames[] = {"clean", "vibrato", "noise", "reverb", "all three"};
constexpr int kMixCount = 5;
constexpr int kTempos[] = {120, 180, 240};
constexpr const char* kCategoryNames[] = {"scales",  "chords",  "patterns",
                                          "phrases", "other 1", "other 2"};
constexpr const char* kKeyNames[] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                     "Gb", "G",  "Ab", "A",  "Bb", "B"};

// A note played: onset and end (ms on the take's clock), MIDI note, velocity, and the index
// of the item's note it plays (-1 for an extra note).
struct Note {
  double on = 0, off = 0;
  int pitch = 0, velocity = 100, source = -1;
};

enum FaultKind { kWrong, kMissed, kExtra, kLate, kFaultKinds };
constexpr const char* kFaultNames[] = {"wrong note", "missed note", "extra note", "60 ms late"};
struct Fault {
  FaultKind kind = kWrong;
  int expectedIndex = -1;  // the item's note it concerns (none for an extra)
  double ms = 0;           // the truth onset (for a missed note: where it was due)
  int pitch = 0;           // the pitch played (for a missed note: the item's)
};

struct Take {
  int index = 0, category = 0, item = 0, key = 0, tempo = 0, horn = 0, mix = 0, shift = 0;
  QString itemName;
  std::vector<listen::Expected> expected;  // the item's notes on the take's clock
  std::vector<Note> truth;                 // as rendered
  std::vector<Fault> faults;
  double vibratoHz = 0, vibratoCents = 0, rt60 = 0;
  std::vector<float> sound;  // mono, kRate
  double seconds = 0;
};

// What one method made of one take.
struct Heard {
  std::vector<sound::HeardNote> notes;
  std::vector<std::pair<int, double>> shown;  // ours: what the keyboard would show, and when
  double cpuSeconds = 0;
  bool ok = true;
};

// ---- The take ----------------------------------------------------------------------------

// The melody's notes of a pass, times from its first step. False when two notes begin
// together (a chord: no single line).
bool MelodyNotes(const sound::TimedMessages& pass, std::vector<Note>& notes) {
  const std::int64_t start = practice::PassStart(pass);
  notes.clear();
  bool sounding = false;
  double last = 0;
  for (const auto& [ms, m] : pass) {
    if (m.channel() != midi1::kMelodyChannel) continue;
    const double t = static_cast<double>(ms - start);
    last = std::max(last, t);
    if (m.kind() == sound::ShortMessage::kNoteOn && !m.IsNoteOff()) {
      if (t < 0) continue;
      if (sounding) {
        if (t <= notes.back().on) return false;
        notes.back().off = t;
      }
      notes.push_back({t, t, m.data1(), m.data2(), static_cast<int>(notes.size())});
      sounding = true;
    } else if (sounding && t > notes.back().on &&
               ((m.IsNoteOff() && m.data1() == notes.back().pitch) || m.IsAllNotesOff())) {
      notes.back().off = t;
      sounding = false;
    }
  }
  if (sounding) notes.back().off = std::max(last, notes.back().on + 250);
  return true;
}

// The octave move that brings notes into the horn's range (or as near as can be), the
// middle of the notes nearest the middle of the range.
int OctaveShift(const std::vector<Note>& notes, const Horn& horn) {
  int low = 127, high = 0;
  for (const Note& n : notes) {
    low = std::min(low, n.pitch);
    high = std::max(high, n.pitch);
  }
  int best = 0;
  double bestCost = 1e300;
  for (int k = -4; k <= 4; ++k) {
    const int s = 12 * k;
    const double over = std::max(0, horn.low - (low + s)) + std::max(0, high + s - horn.high);
    const double off = std::abs((low + high) / 2.0 + s - (horn.low + horn.high) / 2.0);
    const double cost = 1000 * over + off;
    if (cost < bestCost) {
      bestCost = cost;
      best = s;
    }
  }
  return best;
}

// The player's faults, each on an inner note of its own with a note between any two: a wrong
// note, a note missed, the second half of the longest note played as another note, a note
// 60 ms late (the note before held on to it). Fewer in a short item.
std::vector<Fault> PutFaults(std::vector<Note>& notes, std::mt19937& rng) {
  std::vector<Fault> faults;
  const int n = static_cast<int>(notes.size());
  if (n < 3) return faults;
  std::vector<int> used;
  const auto freeAt = [&](int i) {
    return std::none_of(used.begin(), used.end(), [i](int u) { return std::abs(u - i) < 2; });
  };
  std::vector<int> inner;
  for (int i = 1; i + 1 < n; ++i) inner.push_back(i);
  std::shuffle(inner.begin(), inner.end(), rng);
  const auto pick = [&](const std::function<bool(int)>& fits) {
    for (int i : inner) {
      if (freeAt(i) && fits(i)) {
        used.push_back(i);
        return i;
      }
    }
    return -1;
  };
  const int wrong = pick([](int) { return true; });
  const int late = pick([&](int i) { return notes[i].off - notes[i].on >= 160; });
  int extra = -1, missed = -1;
  if (n >= 6) {
    double longest = 119;
    for (int i : inner) {
      if (freeAt(i) && notes[i].off - notes[i].on > longest) {
        longest = notes[i].off - notes[i].on;
        extra = i;
      }
    }
    if (extra >= 0) used.push_back(extra);
    missed = pick([](int) { return true; });
  }
  if (wrong >= 0) {
    static constexpr int kMoves[] = {-2, -1, 1, 2};
    int move = kMoves[rng() % 4];
    if (notes[wrong].pitch + move == notes[wrong - 1].pitch ||
        notes[wrong].pitch + move == notes[wrong + 1].pitch) {
      move = -move;
    }
    notes[wrong].pitch += move;
    faults.push_back({kWrong, notes[wrong].source, notes[wrong].on, notes[wrong].pitch});
  }
  if (late >= 0) {
    Note& note = notes[late];
    Note& before = notes[late - 1];
    if (before.off >= note.on - 1) before.off = note.on + kLateMs;
    note.on += kLateMs;
    faults.push_back({kLate, note.source, note.on, note.pitch});
  }
  if (extra >= 0) {
    Note& note = notes[extra];
    const double half = std::round((note.on + note.off) / 2);
    static constexpr int kMoves[] = {-2, -1, 1, 2, 3};
    int pitch = note.pitch + kMoves[rng() % 5];
    if (pitch == notes[extra + 1].pitch) pitch = note.pitch - 3;
    const Note added{half, note.off, pitch, note.velocity, -1};
    note.off = half;
    notes.insert(notes.begin() + extra + 1, added);
    faults.push_back({kExtra, -1, added.on, added.pitch});
    if (missed > extra) ++missed;
  }
  if (missed >= 0) {
    faults.push_back({kMissed, notes[missed].source, notes[missed].on, notes[missed].pitch});
    notes.erase(notes.begin() + missed);
  }
  return faults;
}

sound::ShortMessage Message(int status, int data1 = 0, int data2 = 0) {
  return *sound::ShortMessage::Make(status, data1, data2);
}

// The messages of the performance on the melody channel: the horn, dry (no reverb or chorus
// send), a bend range of two semitones, the notes, and the vibrato's bends every 10 ms.
sound::TimedMessages Performance(const Take& take, const std::vector<Note>& notes) {
  struct Item {
    std::int64_t ms;
    int order;  // at one time: set-up, note-offs, bends, note-ons
    sound::ShortMessage message;
  };
  std::vector<Item> items;
  constexpr int ch = midi1::kMelodyChannel;
  const int setUp[][3] = {{0xB0 | ch, 121, 0},   {0xB0 | ch, 7, 100},   {0xB0 | ch, 11, 127},
                          {0xB0 | ch, 91, 0},    {0xB0 | ch, 93, 0},    {0xB0 | ch, 101, 0},
                          {0xB0 | ch, 100, 0},   {0xB0 | ch, 6, 2},     {0xB0 | ch, 38, 0},
                          {0xB0 | ch, 101, 127}, {0xB0 | ch, 100, 127}, {0xE0 | ch, 0, 64}};
  items.push_back({0, 0, Message(0xC0 | ch, kHorns[take.horn].program)});
  for (const auto& m : setUp) items.push_back({0, 0, Message(m[0], m[1], m[2])});
  double end = 0;
  for (const Note& n : notes) {
    items.push_back({std::llround(n.on), 3, Message(0x90 | ch, n.pitch, n.velocity)});
    items.push_back({std::llround(n.off), 1, Message(0x90 | ch, n.pitch, 0)});
    end = std::max(end, n.off);
  }
  if (kMixes[take.mix] & kVibrato) {
    for (std::int64_t ms = 10; ms <= std::llround(end) + 200; ms += 10) {
      const double cents =
          take.vibratoCents * std::sin(2 * kPi * take.vibratoHz * static_cast<double>(ms) / 1000);
      const int value =
          std::clamp(8192 + static_cast<int>(std::lround(cents / 200 * 8192)), 0, 16383);
      items.push_back({ms, 2, Message(0xE0 | ch, value & 0x7F, value >> 7)});
    }
  }
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return a.ms != b.ms ? a.ms < b.ms : a.order < b.order;
  });
  sound::TimedMessages messages;
  for (const Item& i : items) messages.push_back({i.ms, i.message});
  return messages;
}

// The notes the messages sound, as the truth: each note-on to its note-off.
std::vector<Note> NotesOf(const sound::TimedMessages& messages) {
  std::vector<Note> notes;
  for (const auto& [ms, m] : messages) {
    if (m.kind() != sound::ShortMessage::kNoteOn) continue;
    if (!m.IsNoteOff()) {
      notes.push_back({static_cast<double>(ms), static_cast<double>(ms), m.data1(), m.data2()});
    } else {
      for (auto n = notes.rbegin(); n != notes.rend(); ++n) {
        if (n->pitch == m.data1()) {
          n->off = static_cast<double>(ms);
          break;
        }
      }
    }
  }
  return notes;
}

void Fft(std::vector<std::complex<double>>& a, bool inverse) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = 2 * kPi / static_cast<double>(len) * (inverse ? 1 : -1);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (std::size_t j = 0; j < len / 2; ++j) {
        const std::complex<double> u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= step;
      }
    }
  }
  if (inverse) {
    for (auto& x : a) x /= static_cast<double>(n);
  }
}

// The sound in a room: the direct sound and an exponentially decaying noise tail from 5 ms
// on, falling 60 dB in rt60 seconds, of the energy the direct-to-reverberant ratio gives.
std::vector<double> InARoom(const std::vector<double>& dry, double rt60, std::mt19937& rng) {
  const std::size_t tail = static_cast<std::size_t>(rt60 * kRate);
  std::vector<double> ir(tail, 0.0);
  ir[0] = 1;
  std::normal_distribution<double> gauss;
  double energy = 0;
  for (std::size_t k = static_cast<std::size_t>(0.005 * kRate); k < tail; ++k) {
    ir[k] = gauss(rng) * std::exp(-6.9078 * static_cast<double>(k) / (rt60 * kRate));
    energy += ir[k] * ir[k];
  }
  const double scale = std::sqrt(std::pow(10.0, -kDirectToReverberantDb / 10) / energy);
  for (std::size_t k = 1; k < tail; ++k) ir[k] *= scale;
  std::size_t size = 1;
  while (size < dry.size() + tail) size <<= 1;
  std::vector<std::complex<double>> a(size), b(size);
  for (std::size_t k = 0; k < dry.size(); ++k) a[k] = dry[k];
  for (std::size_t k = 0; k < tail; ++k) b[k] = ir[k];
  Fft(a, false);
  Fft(b, false);
  for (std::size_t k = 0; k < size; ++k) a[k] *= b[k];
  Fft(a, true);
  std::vector<double> wet(dry.size() + tail);
  for (std::size_t k = 0; k < wet.size(); ++k) wet[k] = a[k].real();
  return wet;
}

// Breath noise: white noise through a high-pass at 700 Hz and a low-pass at 6 kHz, at
// kNoiseBelowDb under the RMS of the playing (the sound while a note is held).
void AddBreath(std::vector<double>& sound, const std::vector<Note>& notes, std::mt19937& rng) {
  double sum = 0;
  std::size_t count = 0;
  for (const Note& n : notes) {
    const std::size_t from = static_cast<std::size_t>(n.on * kRate / 1000);
    const std::size_t to = std::min(sound.size(), static_cast<std::size_t>(n.off * kRate / 1000));
    for (std::size_t k = from; k < to; ++k) sum += sound[k] * sound[k];
    count += to > from ? to - from : 0;
  }
  if (count == 0) return;
  const double rms = std::sqrt(sum / static_cast<double>(count));
  std::normal_distribution<double> gauss;
  std::vector<double> noise(sound.size());
  const double hp = std::exp(-2 * kPi * 700.0 / kRate), lp = std::exp(-2 * kPi * 6000.0 / kRate);
  double lastIn = 0, high = 0, low = 0, power = 0;
  for (double& x : noise) {
    const double in = gauss(rng);
    high = hp * (high + in - lastIn);
    lastIn = in;
    low = (1 - lp) * high + lp * low;
    x = low;
    power += x * x;
  }
  const double scale = rms * std::pow(10.0, -kNoiseBelowDb / 20) /
                       std::sqrt(power / static_cast<double>(noise.size()));
  for (std::size_t k = 0; k < sound.size(); ++k) sound[k] += scale * noise[k];
}

// Renders the take's performance and hears it in its conditions; the sound is brought to a
// peak of kTakePeak and to 16 bits, as a recording is.
bool Render(Take& take, const std::vector<Note>& played, const QString& soundFont,
            std::mt19937& rng, QString& error) {
  const sound::TimedMessages messages = Performance(take, played);
  take.truth = NotesOf(messages);
  std::vector<std::int16_t> stereo;
  if (!sound::RenderOffline(soundFont, messages, kReleaseMs, stereo, error)) return false;
  std::vector<double> mono(stereo.size() / 2);
  for (std::size_t k = 0; k < mono.size(); ++k) {
    mono[k] = (static_cast<double>(stereo[2 * k]) + stereo[2 * k + 1]) / 65536.0;
  }
  if (kMixes[take.mix] & kNoise) AddBreath(mono, take.truth, rng);
  if (kMixes[take.mix] & kReverb) mono = InARoom(mono, take.rt60, rng);
  double peak = 1e-9;
  for (double x : mono) peak = std::max(peak, std::abs(x));
  take.sound.resize(mono.size());
  for (std::size_t k = 0; k < mono.size(); ++k) {
    const double s = std::clamp(std::round(mono[k] * kTakePeak / peak * 32767), -32768.0, 32767.0);
    take.sound[k] = static_cast<float>(s / 32768.0);
  }
  take.seconds = static_cast<double>(mono.size()) / kRate;
  return true;
}

// ---- The methods -----------------------------------------------------------------------

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

Heard Ours(const Take& take) {
  Heard heard;
  const double before = ThreadCpuSeconds();
  sound::Transcriber ear(kRate);
  ear.onNote = [&heard](const sound::HeardNote& n) { heard.notes.push_back(n); };
  ear.onShown = [&heard](int note, double ms) { heard.shown.emplace_back(note, ms); };
  ear.Feed(take.sound.data(), static_cast<int>(take.sound.size()));
  ear.Finish();
  heard.cpuSeconds = ThreadCpuSeconds() - before;
  return heard;
}

bool WriteMonoWav(const QString& path, const std::vector<float>& sound) {
  QByteArray out;
  const auto put = [&out](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const std::uint32_t data = static_cast<std::uint32_t>(sound.size() * 2);
  out.append("RIFF");
  put(36 + data, 4);
  out.append("WAVEfmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(kRate, 4);
  put(kRate * 2, 4);
  put(2, 2);
  put(16, 2);
  out.append("data");
  put(data, 4);
  for (float s : sound) {
    put(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * 32768.0f))), 2);
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

// Runs aubionotes on the file, its output to outPath; the child's CPU (user and system).
bool RunAubionotes(const QString& program, const QString& wav, const QString& outPath,
                   double& cpuSeconds) {
  const QByteArray prog = program.toLocal8Bit(), in = wav.toLocal8Bit(),
                   out = outPath.toLocal8Bit();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string a0 = "aubionotes", a1 = "-i", a2 = in.toStdString();
  char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, prog.constData(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// aubionotes prints a line a note: MIDI note, onset and offset in seconds.
std::vector<sound::HeardNote> ParseAubionotes(const QString& path) {
  std::vector<sound::HeardNote> notes;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return notes;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3) continue;
    bool a = false, b = false, c = false;
    const double pitch = fields[0].toDouble(&a), on = fields[1].toDouble(&b),
                 off = fields[2].toDouble(&c);
    if (!a || !b || !c) continue;
    sound::HeardNote n;
    n.pitch = static_cast<int>(std::lround(pitch));
    n.onsetMs = on * 1000;
    n.lengthMs = (off - on) * 1000;
    notes.push_back(n);
  }
  return notes;
}

// aubionotes' CPU on a tenth of a second of silence: its start-up, the median of five runs.
double AubioStartUp(const QString& program, const QDir& folder) {
  const QString wav = folder.filePath(QStringLiteral("silence.wav"));
  const QString out = folder.filePath(QStringLiteral("silence.notes"));
  WriteMonoWav(wav, std::vector<float>(kRate / 10, 0.0f));
  std::vector<double> cpu;
  for (int i = 0; i < 5; ++i) {
    double seconds = 0;
    if (RunAubionotes(program, wav, out, seconds)) cpu.push_back(seconds);
  }
  return Percentile(cpu, 0.5);
}

Heard Aubio(const Take& take, const QString& program, const QDir& folder) {
  Heard heard;
  const QString wav =
      folder.filePath(QStringLiteral("take%1.wav").arg(take.index, 3, 10, QChar('0')));
  const QString out =
      folder.filePath(QStringLiteral("take%1.notes").arg(take.index, 3, 10, QChar('0')));
  heard.ok = WriteMonoWav(wav, take.sound) && RunAubionotes(program, wav, out, heard.cpuSeconds);
  heard.notes = ParseAubionotes(out);
  return heard;
}

// ---- Judging -----------------------------------------------------------------------------

// What one method made of one take, against the truth.
struct Judged {
  int truth = 0, found = 0, matched = 0;
  // Unmatched found notes: a truth onset within kMatchMs but an octave or another pitch off;
  // an unmatched truth note's pitch with its onset 50..250 ms off; the same pitch as the
  // truth note sounding (a split); none of these (spurious).
  int octave = 0, otherPitch = 0, offOnset = 0, split = 0, spurious = 0;
  // Unmatched truth notes found late or early (same pitch, onset 50..250 ms off).
  int lateOnset = 0, earlyOnset = 0;
  int verdicts = 0, sameVerdicts = 0;
  std::vector<double> offsets;     // found minus truth onset, matched notes
  std::vector<double> hitTimings;  // listen mode's timing of hits on notes without a late fault
  int faults[kFaultKinds] = {}, caught[kFaultKinds] = {};
  std::vector<double> lateFaultTimings;  // listen mode's timing of the late notes, when hit
  double cpuSeconds = 0;
  bool ok = true;
  std::vector<QString> problems;  // a line each, for examples
};

QString NoteName(int pitch) {
  return QStringLiteral("%1%2")
      .arg(QString::fromLatin1(kKeyNames[((pitch % 12) + 12) % 12]))
      .arg(pitch / 12 - 1);
}

// The signed onset offsets (found minus truth) of each truth note and the nearest found note
// of its pitch within 150 ms, one to one: what a player's calibration is taken from.
std::vector<double> WideOffsets(const Take& take, const Heard& heard) {
  std::vector<double> offsets;
  std::vector<bool> taken(heard.notes.size(), false);
  for (const Note& n : take.truth) {
    int best = -1;
    for (std::size_t f = 0; f < heard.notes.size(); ++f) {
      const double d = std::abs(heard.notes[f].onsetMs - n.on);
      if (!taken[f] && heard.notes[f].pitch == n.pitch && d <= 150 &&
          (best < 0 || d < std::abs(heard.notes[best].onsetMs - n.on))) {
        best = static_cast<int>(f);
      }
    }
    if (best >= 0) {
      taken[best] = true;
      offsets.push_back(heard.notes[best].onsetMs - n.on);
    }
  }
  return offsets;
}

// The method's notes against the truth, their onsets moved earlier by shiftMs (a player's
// calibration; 0 for the raw figures).
Judged Judge(const Take& take, const Heard& heard, double shiftMs) {
  Judged j;
  j.cpuSeconds = heard.cpuSeconds;
  j.ok = heard.ok;
  std::vector<sound::HeardNote> found = heard.notes;
  for (sound::HeardNote& f : found) f.onsetMs -= shiftMs;
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.onsetMs < b.onsetMs; });
  const std::vector<Note>& truth = take.truth;
  j.truth = static_cast<int>(truth.size());
  j.found = static_cast<int>(found.size());
  std::vector<int> partner(found.size(), -1), truthPartner(truth.size(), -1);
  for (std::size_t t = 0; t < truth.size(); ++t) {
    int best = -1;
    for (std::size_t f = 0; f < found.size(); ++f) {
      if (partner[f] >= 0 || found[f].pitch != truth[t].pitch) continue;
      const double d = std::abs(found[f].onsetMs - truth[t].on);
      if (d <= kMatchMs && (best < 0 || d < std::abs(found[best].onsetMs - truth[t].on))) {
        best = static_cast<int>(f);
      }
    }
    if (best >= 0) {
      partner[best] = static_cast<int>(t);
      truthPartner[t] = best;
      ++j.matched;
      j.offsets.push_back(found[best].onsetMs - truth[t].on);
    }
  }
  const auto foundText = [](const sound::HeardNote& f) {
    return QStringLiteral("%1 at %2 ms (%3 ms long, %4 c)")
        .arg(NoteName(f.pitch))
        .arg(f.onsetMs, 0, 'f', 0)
        .arg(f.lengthMs, 0, 'f', 0)
        .arg(f.cents, 0, 'f', 0);
  };
  const auto truthText = [](const Note& n) {
    return QStringLiteral("%1 at %2 ms (%3 ms long)")
        .arg(NoteName(n.pitch))
        .arg(n.on, 0, 'f', 0)
        .arg(n.off - n.on, 0, 'f', 0);
  };
  // Unmatched truth notes first: a found note of the same pitch near one is its, found with
  // its onset off, and not counted again among the unmatched found notes.
  std::vector<bool> onsetOff(found.size(), false);
  for (std::size_t t = 0; t < truth.size(); ++t) {
    if (truthPartner[t] >= 0) continue;
    int near = -1;
    for (std::size_t f = 0; f < found.size(); ++f) {
      const double d = found[f].onsetMs - truth[t].on;
      if (partner[f] < 0 && !onsetOff[f] && found[f].pitch == truth[t].pitch &&
          std::abs(d) <= 250 &&
          (near < 0 || std::abs(d) < std::abs(found[near].onsetMs - truth[t].on))) {
        near = static_cast<int>(f);
      }
    }
    if (near >= 0) {
      const bool late = found[near].onsetMs > truth[t].on;
      ++(late ? j.lateOnset : j.earlyOnset);
      onsetOff[near] = true;
      j.problems.push_back(QStringLiteral("%1 onset: truth %2; found %3")
                               .arg(late ? QStringLiteral("late") : QStringLiteral("early"),
                                    truthText(truth[t]), foundText(found[near])));
    } else {
      j.problems.push_back(QStringLiteral("not found: truth %1").arg(truthText(truth[t])));
    }
  }
  for (std::size_t f = 0; f < found.size(); ++f) {
    if (partner[f] >= 0) continue;
    if (onsetOff[f]) {
      ++j.offOnset;
      continue;
    }
    int near = -1, sounding = -1;
    for (std::size_t t = 0; t < truth.size(); ++t) {
      const double d = std::abs(found[f].onsetMs - truth[t].on);
      if (d <= kMatchMs && (near < 0 || d < std::abs(found[f].onsetMs - truth[near].on))) {
        near = static_cast<int>(t);
      }
      if (found[f].onsetMs > truth[t].on && found[f].onsetMs < truth[t].off + kMatchMs) {
        sounding = static_cast<int>(t);
      }
    }
    QString kind;
    if (near >= 0 && std::abs(found[f].pitch - truth[near].pitch) == 12) {
      ++j.octave;
      kind = QStringLiteral("octave");
    } else if (near >= 0 && found[f].pitch != truth[near].pitch) {
      ++j.otherPitch;
      kind = QStringLiteral("other pitch");
    } else if (sounding >= 0 && found[f].pitch == truth[sounding].pitch &&
               truthPartner[sounding] >= 0) {
      ++j.split;
      kind = QStringLiteral("split");
      near = sounding;
    } else {
      ++j.spurious;
      kind = QStringLiteral("spurious");
      if (near < 0) near = sounding;
    }
    j.problems.push_back(QStringLiteral("%1: found %2; truth %3")
                             .arg(kind, foundText(found[f]),
                                  near >= 0 ? truthText(truth[near]) : QStringLiteral("none")));
  }
  // Listen mode on the found notes against listen mode on the truth.
  std::vector<listen::Played> truthPlayed, foundPlayed;
  for (const Note& n : truth) truthPlayed.push_back({n.pitch, n.on});
  for (const auto& f : found) foundPlayed.push_back({f.pitch, f.onsetMs});
  const listen::Options options = listen::OptionsFor(take.tempo, false);
  const listen::Result byTruth = listen::Match(take.expected, truthPlayed, options);
  const listen::Result byFound = listen::Match(take.expected, foundPlayed, options);
  std::vector<bool> lateFault(take.expected.size(), false);
  for (const Fault& fault : take.faults) {
    if (fault.kind == kLate && fault.expectedIndex >= 0) lateFault[fault.expectedIndex] = true;
  }
  for (std::size_t e = 0; e < byTruth.notes.size() && e < byFound.notes.size(); ++e) {
    ++j.verdicts;
    if (byTruth.notes[e].verdict == byFound.notes[e].verdict) ++j.sameVerdicts;
    if (byFound.notes[e].verdict == listen::Verdict::kHit && !lateFault[e] &&
        byTruth.notes[e].verdict == listen::Verdict::kHit) {
      j.hitTimings.push_back(*byFound.notes[e].timingMs);
    }
  }
  for (const Fault& fault : take.faults) {
    ++j.faults[fault.kind];
    const std::size_t e = static_cast<std::size_t>(std::max(0, fault.expectedIndex));
    switch (fault.kind) {
      case kWrong:
        if (byFound.notes[e].verdict == listen::Verdict::kWrong) ++j.caught[kWrong];
        break;
      case kMissed:
        if (byFound.notes[e].verdict == listen::Verdict::kMissed) ++j.caught[kMissed];
        break;
      case kExtra:
        for (const listen::Played& p : byFound.extra) {
          if (std::abs(p.ms - fault.ms) <= kMatchMs) {
            ++j.caught[kExtra];
            break;
          }
        }
        break;
      case kLate:
        // Caught when shown late, which needs the player's calibration (see Summary).
        if (byFound.notes[e].verdict == listen::Verdict::kHit) {
          j.lateFaultTimings.push_back(*byFound.notes[e].timingMs);
        }
        break;
      default:
        break;
    }
  }
  return j;
}

// ---- Figures -----------------------------------------------------------------------------

struct Figures {
  int takes = 0, failed = 0;
  Judged sum;
  std::vector<double> offsets, hitTimings, lateFaultTimings;
  double cpu = 0, audio = 0;
  std::vector<double> takeRecall, takePrecision, takeVerdicts, takeCpu;

  void Add(const Judged& j, double seconds) {
    ++takes;
    if (!j.ok) ++failed;
    sum.truth += j.truth;
    sum.found += j.found;
    sum.matched += j.matched;
    sum.octave += j.octave;
    sum.otherPitch += j.otherPitch;
    sum.offOnset += j.offOnset;
    sum.split += j.split;
    sum.spurious += j.spurious;
    sum.lateOnset += j.lateOnset;
    sum.earlyOnset += j.earlyOnset;
    sum.verdicts += j.verdicts;
    sum.sameVerdicts += j.sameVerdicts;
    for (int k = 0; k < kFaultKinds; ++k) {
      sum.faults[k] += j.faults[k];
      sum.caught[k] += j.caught[k];
    }
    offsets.insert(offsets.end(), j.offsets.begin(), j.offsets.end());
    hitTimings.insert(hitTimings.end(), j.hitTimings.begin(), j.hitTimings.end());
    lateFaultTimings.insert(lateFaultTimings.end(), j.lateFaultTimings.begin(),
                            j.lateFaultTimings.end());
    cpu += j.cpuSeconds;
    audio += seconds;
    takeRecall.push_back(j.truth > 0 ? static_cast<double>(j.matched) / j.truth : 1);
    takePrecision.push_back(j.found > 0 ? static_cast<double>(j.matched) / j.found : 0);
    takeVerdicts.push_back(j.verdicts > 0 ? static_cast<double>(j.sameVerdicts) / j.verdicts : 1);
    takeCpu.push_back(seconds > 0 ? j.cpuSeconds / seconds : 0);
  }
  double Precision() const { return sum.found > 0 ? double(sum.matched) / sum.found : 0; }
  double Recall() const { return sum.truth > 0 ? double(sum.matched) / sum.truth : 0; }
  double Extra() const { return sum.found > 0 ? double(sum.found - sum.matched) / sum.found : 0; }
  double Verdicts() const { return sum.verdicts > 0 ? double(sum.sameVerdicts) / sum.verdicts : 0; }
  double Median() const { return Percentile(offsets, 0.5); }
  std::vector<double> Abs(double calibration) const {
    std::vector<double> a;
    for (double o : offsets) a.push_back(std::abs(o - calibration));
    return a;
  }
  // On-time notes listen mode shows early or late, after calibration.
  double ShownOff(double calibration) const {
    int off = 0;
    for (double t : hitTimings) off += std::abs(t - calibration) > kToleranceMs ? 1 : 0;
    return hitTimings.empty() ? 0 : double(off) / static_cast<double>(hitTimings.size());
  }
  int LateCaught(double calibration) const {
    int caught = 0;
    for (double t : lateFaultTimings) caught += t - calibration > kToleranceMs ? 1 : 0;
    return caught;
  }
  double CpuShare() const { return audio > 0 ? cpu / audio : 0; }
};

QString Ratio(double a, double b) {
  return b != 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("-");
}

void Row(const char* what, double ours, double aubio, bool withAubio, int decimals = 3) {
  if (withAubio) {
    std::printf("  %-52s %10.*f %12.*f %8s\n", what, decimals, ours, decimals, aubio,
                qPrintable(Ratio(ours, aubio)));
  } else {
    std::printf("  %-52s %10.*f\n", what, decimals, ours);
  }
}

void RangeRow(const char* what, const std::vector<double>& ours, const std::vector<double>& aubio,
              bool withAubio, double scale = 1) {
  const auto text = [scale](const std::vector<double>& v) {
    return QStringLiteral("%1..%2")
        .arg(Percentile(v, 0) * scale, 0, 'f', 2)
        .arg(Percentile(v, 1) * scale, 0, 'f', 2);
  };
  if (withAubio) {
    std::printf("  %-52s %10s %12s\n", what, qPrintable(text(ours)), qPrintable(text(aubio)));
  } else {
    std::printf("  %-52s %10s\n", what, qPrintable(text(ours)));
  }
}

void PrintMain(const std::array<Figures, 2>& raw, const std::array<Figures, 2>& cal,
               const double (&calibration)[2], bool withAubio) {
  const auto both = [&](const std::array<Figures, 2>& f, const char* what,
                        const std::function<double(const Figures&, int)>& get, int decimals = 3) {
    Row(what, get(f[0], 0), get(f[1], 1), withAubio, decimals);
  };
  const auto notes = [&](const std::array<Figures, 2>& f) {
    both(f, "precision", [](const Figures& x, int) { return x.Precision(); });
    both(f, "recall", [](const Figures& x, int) { return x.Recall(); });
    both(f, "false extra notes, share of found", [](const Figures& x, int) { return x.Extra(); });
    both(
        f, "  of them: octave off (onset right)",
        [](const Figures& x, int) { return x.sum.octave; }, 0);
    both(
        f, "  of them: other pitch (onset right)",
        [](const Figures& x, int) { return x.sum.otherPitch; }, 0);
    both(
        f, "  of them: a truth note's, onset 50..250 ms off",
        [](const Figures& x, int) { return x.sum.offOnset; }, 0);
    both(
        f, "  of them: a truth note split", [](const Figures& x, int) { return x.sum.split; }, 0);
    both(
        f, "  of them: nothing near (spurious)",
        [](const Figures& x, int) { return x.sum.spurious; }, 0);
    both(
        f, "truth notes unmatched, found 50..250 ms late",
        [](const Figures& x, int) { return x.sum.lateOnset; }, 0);
    both(
        f, "truth notes unmatched, found 50..250 ms early",
        [](const Figures& x, int) { return x.sum.earlyOnset; }, 0);
    both(f, "listen verdicts as the truth's (share of notes)",
         [](const Figures& x, int) { return x.Verdicts(); });
  };
  std::printf("raw onsets\n");
  if (withAubio) std::printf("  %-52s %10s %12s %8s\n", "", "ours", "aubionotes", "ours/aubio");
  both(
      raw, "truth notes", [](const Figures& x, int) { return x.sum.truth; }, 0);
  both(
      raw, "notes found", [](const Figures& x, int) { return x.sum.found; }, 0);
  notes(raw);
  both(
      raw, "onset error |found-truth| of matched, median ms",
      [](const Figures& x, int) { return Percentile(x.Abs(0), 0.5); }, 1);
  both(
      raw, "onset error of matched, p95 ms",
      [](const Figures& x, int) { return Percentile(x.Abs(0), 0.95); }, 1);
  both(
      raw, "calibration: median signed offset ms (all takes)",
      [&](const Figures&, int m) { return calibration[m]; }, 1);
  both(
      raw, "onset error of matched after calibration, median",
      [&](const Figures& x, int m) { return Percentile(x.Abs(calibration[m]), 0.5); }, 1);
  both(
      raw, "onset error of matched after calibration, p95",
      [&](const Figures& x, int m) { return Percentile(x.Abs(calibration[m]), 0.95); }, 1);
  std::printf(
      "\nonsets calibrated (each instrument's median offset taken off, as its player's "
      "calibration would, then matched)\n");
  if (withAubio) std::printf("  %-52s %10s %12s %8s\n", "", "ours", "aubionotes", "ours/aubio");
  notes(cal);
  both(
      cal, "onset error |found-truth| of matched, median ms",
      [](const Figures& x, int) { return Percentile(x.Abs(0), 0.5); }, 1);
  both(
      cal, "onset error of matched, p95 ms",
      [](const Figures& x, int) { return Percentile(x.Abs(0), 0.95); }, 1);
  both(cal, "on-time hits listen mode shows early/late (>30 ms)",
       [](const Figures& x, int) { return x.ShownOff(0); });
  for (int k = 0; k < kFaultKinds; ++k) {
    const QString what = QStringLiteral("faults listen mode shows: %1 (of %2)")
                             .arg(QString::fromLatin1(kFaultNames[k]))
                             .arg(cal[0].sum.faults[k]);
    both(
        cal, qPrintable(what),
        [&](const Figures& x, int) { return k == kLate ? x.LateCaught(0) : x.sum.caught[k]; }, 0);
  }
  std::printf("\nboth\n");
  both(
      cal, "analysis CPU, % of the audio's length",
      [](const Figures& x, int) { return 100 * x.CpuShare(); }, 2);
  RangeRow("per take: recall, raw (lowest..highest)", raw[0].takeRecall, raw[1].takeRecall,
           withAubio);
  RangeRow("per take: recall, calibrated", cal[0].takeRecall, cal[1].takeRecall, withAubio);
  RangeRow("per take: precision, calibrated", cal[0].takePrecision, cal[1].takePrecision,
           withAubio);
  RangeRow("per take: verdicts as the truth's, calibrated", cal[0].takeVerdicts,
           cal[1].takeVerdicts, withAubio);
  RangeRow("per take: CPU, % of audio", cal[0].takeCpu, cal[1].takeCpu, withAubio, 100);
  if (withAubio && cal[1].failed > 0) {
    std::printf("  aubionotes failed on %d takes\n", cal[1].failed);
  }
}

void PrintBreakdown(const char* by, const std::vector<QString>& names,
                    const std::vector<std::array<Figures, 2>>& raw,
                    const std::vector<std::array<Figures, 2>>& cal, bool withAubio) {
  std::printf("\nby %s%s; all but the raw recall calibrated\n", by,
              withAubio ? " (ours/aubionotes)" : "");
  std::printf("  %-10s %5s %5s  %-10s %-10s %-10s %-10s %-16s %-9s\n", "", "takes", "notes",
              "recall raw", "precision", "recall", "verdicts", "onset med, p95", "CPU %");
  for (std::size_t g = 0; g < cal.size(); ++g) {
    const Figures& a = cal[g][0];
    const Figures& b = cal[g][1];
    if (a.takes == 0) continue;
    const auto pair = [&](double x, double y, int d) {
      return withAubio ? QStringLiteral("%1/%2").arg(x, 0, 'f', d).arg(y, 0, 'f', d)
                       : QString::number(x, 'f', d);
    };
    const QString onset = withAubio ? QStringLiteral("%1/%2, %3/%4")
                                          .arg(Percentile(a.Abs(0), 0.5), 0, 'f', 0)
                                          .arg(Percentile(b.Abs(0), 0.5), 0, 'f', 0)
                                          .arg(Percentile(a.Abs(0), 0.95), 0, 'f', 0)
                                          .arg(Percentile(b.Abs(0), 0.95), 0, 'f', 0)
                                    : QStringLiteral("%1, %2")
                                          .arg(Percentile(a.Abs(0), 0.5), 0, 'f', 0)
                                          .arg(Percentile(a.Abs(0), 0.95), 0, 'f', 0);
    std::printf("  %-10s %5d %5d  %-10s %-10s %-10s %-10s %-16s %-9s\n", qPrintable(names[g]),
                a.takes, a.sum.truth, qPrintable(pair(raw[g][0].Recall(), raw[g][1].Recall(), 2)),
                qPrintable(pair(a.Precision(), b.Precision(), 2)),
                qPrintable(pair(a.Recall(), b.Recall(), 2)),
                qPrintable(pair(a.Verdicts(), b.Verdicts(), 2)), qPrintable(onset),
                qPrintable(pair(100 * a.CpuShare(), 100 * b.CpuShare(), 1)));
  }
}

int Option(const QStringList& args, const QString& name, int fallback) {
  const int at = static_cast<int>(args.indexOf(name));
  if (at < 0 || at + 1 >= args.size()) return fallback;
  bool ok = false;
  const int v = args[at + 1].toInt(&ok);
  return ok ? v : fallback;
}

// A balanced list of count values 0..kinds-1 in an order of their own.
std::vector<int> Spread(int count, int kinds, std::mt19937& rng) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(i % kinds);
  std::shuffle(v.begin(), v.end(), rng);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int takeCount = std::max(1, Option(args, QStringLiteral("--takes"), 360));
  const bool verbose = args.contains(QStringLiteral("--verbose"));
  const bool dump = args.contains(QStringLiteral("--dump"));
  const int keepAt = static_cast<int>(args.indexOf(QStringLiteral("--keep")));
  QTemporaryDir temporary;
  QDir folder(temporary.path());
  if (keepAt >= 0 && keepAt + 1 < args.size()) {
    QDir().mkpath(args[keepAt + 1]);
    folder = QDir(args[keepAt + 1]);
  }
  QElapsedTimer wall;
  wall.start();
  const QString soundFont = sound::FindSoundFont(QCoreApplication::applicationDirPath());
  if (soundFont.isEmpty()) {
    std::printf("no SoundFont found (Debian package fluid-soundfont-gm)\n");
    return 1;
  }
  const QString aubionotes = QStandardPaths::findExecutable(QStringLiteral("aubionotes"));
  const bool withAubio = !aubionotes.isEmpty();
  const QString dataDir = QStringLiteral(VORMINA_SOURCE_DIR "/data");

  settings::CfgRecord cfg = settings::DefaultRecord();
  cfg.MelodyOn = 1;
  cfg.MelodyVolume = 100;
  cfg.AccompOn = 0;
  cfg.ClickOn = 0;
  cfg.CountInOn = 0;
  cfg.RepeatOn = 0;
  cfg.SpeedUpOn = 0;
  cfg.SoundOnChange = 0;
  int itemCount[category::kCount] = {};
  for (int c = 0; c < category::kCount; ++c) {
    practice::OfflineEngine world(cfg);
    QString error;
    itemCount[c] = world.engine.LoadCategory(dataDir, c, &error);
  }
  std::printf("SoundFont %s; material %s (items:", qPrintable(soundFont), qPrintable(dataDir));
  for (int c = 0; c < category::kCount; ++c) std::printf(" %s %d", kCategoryNames[c], itemCount[c]);
  std::printf("); swing %s\n", cfg.SwingOn ? "on (as shipped)" : "off (as shipped)");
  if (!withAubio) {
    std::printf("aubionotes is missing (Debian package aubio-tools): ours alone is measured\n");
  } else {
    std::printf(
        "aubionotes: %s, its default methods (onset hfc, pitch yinfft); its start-up (a 0.1 s "
        "file) %.1f ms CPU\n",
        qPrintable(aubionotes), 1000 * AubioStartUp(aubionotes, folder));
  }

  // Live, a note is said to have begun this long after its sound reached the program (the
  // sound server's capture latency comes before it).
  std::printf("ours: a note is said to have begun %.1f ms after its sound arrives (analysis)\n",
              sound::Transcriber(kRate).AnalysisDelayMs());

  std::mt19937 rng(20240601);
  const std::vector<int> horns = Spread(takeCount, kHornCount, rng);
  const std::vector<int> mixes = Spread(takeCount, kMixCount, rng);
  const std::vector<int> tempos = Spread(takeCount, 3, rng);
  const int perCategory = (takeCount + category::kCount - 1) / category::kCount;

  std::vector<Take> takes;
  std::vector<std::array<Heard, 2>> heard;
  int skippedChords = 0, refused = 0;
  for (int t = 0; t < takeCount; ++t) {
    Take take;
    take.index = t;
    take.category = t % category::kCount;
    take.horn = horns[t];
    take.mix = mixes[t];
    take.tempo = kTempos[tempos[t]];
    take.key = static_cast<int>(rng() % 12);
    take.vibratoHz = 5 + (rng() % 1000) / 1000.0;
    take.vibratoCents = 30 + (rng() % 1000) / 50.0;
    take.rt60 = 0.5 + (rng() % 1000) / 1000.0 * 0.3;
    const int count = itemCount[take.category];
    if (count <= 0) continue;
    std::vector<Note> notes;
    bool found = false;
    for (int tries = 0; tries < count && !found; ++tries) {
      take.item = ((t / category::kCount) * count / perCategory + tries) % count;
      cfg.Tempo = static_cast<std::int16_t>(take.tempo);
      practice::OfflineEngine world(cfg);
      QString error;
      world.engine.LoadCategory(dataDir, take.category, &error);
      take.expected = listen::ExpectedPass(world, take.category, take.item, take.key, &error);
      if (!error.isEmpty() || take.expected.empty()) {
        ++refused;
        continue;
      }
      practice::OfflineEngine again(world.cfg);
      again.engine.LoadCategory(dataDir, take.category, &error);
      const practice::PassResult pass = again.PlayInKey(take.category, take.item, take.key);
      if (!MelodyNotes(pass.messages, notes)) {
        ++skippedChords;
        continue;
      }
      if (notes.size() != take.expected.size()) {
        std::printf("take %d: %zu melody notes but %zu expected; skipped\n", t, notes.size(),
                    take.expected.size());
        continue;
      }
      take.itemName = file_Treat::ItemName(again.engine.lists(), take.category, take.item);
      found = true;
    }
    if (!found) continue;
    take.shift = OctaveShift(notes, kHorns[take.horn]);
    for (Note& n : notes) {
      n.pitch += take.shift;
      n.on += kLeadMs;
      n.off += kLeadMs;
    }
    for (listen::Expected& e : take.expected) {
      e.pitch += take.shift;
      e.ms += kLeadMs;
    }
    std::mt19937 takeRng(1000 + t);
    take.faults = PutFaults(notes, takeRng);
    QString error;
    if (!Render(take, notes, soundFont, takeRng, error)) {
      std::printf("take %d cannot be rendered: %s\n", t, qPrintable(error));
      return 1;
    }
    const Heard ours = Ours(take);
    const Heard aubio = withAubio ? Aubio(take, aubionotes, folder) : Heard{};
    if (keepAt >= 0 && !withAubio) {
      WriteMonoWav(folder.filePath(QStringLiteral("take%1.wav").arg(t, 3, 10, QChar('0'))),
                   take.sound);
    }
    if (verbose) {
      const Judged o = Judge(take, ours, 0), a = Judge(take, aubio, 0);
      std::printf(
          "take %3d: %-8s %-24s %-2s %3d bpm %-9s %-9s %+3d st, %3zu notes %5.1f s; "
          "raw recall ours %.2f aubio %.2f; precision ours %.2f aubio %.2f\n",
          t, kCategoryNames[take.category], qPrintable(take.itemName.left(24)), kKeyNames[take.key],
          take.tempo, kHorns[take.horn].name, kMixNames[take.mix], take.shift, take.truth.size(),
          take.seconds, o.truth ? double(o.matched) / o.truth : 0,
          a.truth ? double(a.matched) / a.truth : 0, o.found ? double(o.matched) / o.found : 0,
          a.found ? double(a.matched) / a.found : 0);
      std::fflush(stdout);
    }
    if (dump) {
      std::printf("  truth:");
      for (const Note& n : take.truth) std::printf(" %d@%.0f", n.pitch, n.on);
      std::printf("\n  ours: ");
      for (const auto& n : ours.notes) std::printf(" %d@%.0f", n.pitch, n.onsetMs);
      std::printf("\n  aubio:");
      for (const auto& n : aubio.notes) std::printf(" %d@%.0f", n.pitch, n.onsetMs);
      std::printf("\n");
    }
    take.sound.clear();
    take.sound.shrink_to_fit();
    takes.push_back(std::move(take));
    heard.push_back({ours, aubio});
  }
  // Each method's calibration: the median offset of its onsets over all takes.
  double calibration[2] = {0, 0};
  for (int m = 0; m < 2; ++m) {
    std::vector<double> offsets;
    for (std::size_t k = 0; k < takes.size(); ++k) {
      const std::vector<double> o = WideOffsets(takes[k], heard[k][m]);
      offsets.insert(offsets.end(), o.begin(), o.end());
    }
    calibration[m] = Percentile(offsets, 0.5);
  }
  // A player calibrates with the instrument played: each instrument's own median offset.
  std::vector<std::array<double, 2>> hornCalibration(kHornCount, {0, 0});
  for (int h = 0; h < kHornCount; ++h) {
    for (int m = 0; m < 2; ++m) {
      std::vector<double> offsets;
      for (std::size_t k = 0; k < takes.size(); ++k) {
        if (takes[k].horn != h) continue;
        const std::vector<double> o = WideOffsets(takes[k], heard[k][m]);
        offsets.insert(offsets.end(), o.begin(), o.end());
      }
      hornCalibration[static_cast<std::size_t>(h)][static_cast<std::size_t>(m)] =
          offsets.empty() ? calibration[m] : Percentile(offsets, 0.5);
    }
  }
  std::array<Figures, 2> raw, cal;
  std::vector<std::array<Figures, 2>> rawMix(kMixCount), calMix(kMixCount), rawHorn(kHornCount),
      calHorn(kHornCount), rawTempo(3), calTempo(3), rawCategory(category::kCount),
      calCategory(category::kCount);
  std::vector<std::array<Judged, 2>> judged;
  for (std::size_t k = 0; k < takes.size(); ++k) {
    const Take& take = takes[k];
    const int tempo = static_cast<int>(
        std::find(std::begin(kTempos), std::end(kTempos), take.tempo) - std::begin(kTempos));
    std::array<Judged, 2> j;
    for (int m = 0; m < 2; ++m) {
      const Judged r = Judge(take, heard[k][m], 0);
      j[m] =
          Judge(take, heard[k][m],
                hornCalibration[static_cast<std::size_t>(take.horn)][static_cast<std::size_t>(m)]);
      for (auto* group : {&raw, &rawMix[take.mix], &rawHorn[take.horn], &rawTempo[tempo],
                          &rawCategory[take.category]}) {
        (*group)[m].Add(r, take.seconds);
      }
      for (auto* group : {&cal, &calMix[take.mix], &calHorn[take.horn], &calTempo[tempo],
                          &calCategory[take.category]}) {
        (*group)[m].Add(j[m], take.seconds);
      }
    }
    judged.push_back(j);
  }
  double audio = 0;
  for (const Take& take : takes) audio += take.seconds;
  std::printf(
      "%zu takes run (%d asked; %d chord items passed over, %d refused), %.1f s of audio; "
      "a match: same pitch, onset within %.0f ms\n\n",
      takes.size(), takeCount, skippedChords, refused, audio, kMatchMs);
  PrintMain(raw, cal, calibration, withAubio);
  // How soon the keyboard and the circle would show each note (ours, from the samples: the
  // sound server's capture latency comes on top): the first time its pitch is shown from its
  // onset on, within 250 ms.
  // Counted from the note-on, and from the onset as the instrument's sound makes it heard
  // (the note-on plus the instrument's calibration: a slow attack is heard late by anyone).
  std::vector<double> shownAfter, shownAfterHeard;
  int notShown = 0;
  for (std::size_t k = 0; k < takes.size(); ++k) {
    const double heardLate = hornCalibration[static_cast<std::size_t>(takes[k].horn)][0];
    for (const Note& n : takes[k].truth) {
      const auto& shown = heard[k][0].shown;
      const auto first = std::find_if(shown.begin(), shown.end(), [&](const auto& s) {
        return s.first == n.pitch && s.second >= n.on && s.second <= n.on + 250;
      });
      if (first == shown.end()) {
        ++notShown;
      } else {
        shownAfter.push_back(first->second - n.on);
        shownAfterHeard.push_back(first->second - n.on - heardLate);
      }
    }
  }
  const auto within40 = [](const std::vector<double>& ms) {
    return static_cast<double>(
               std::count_if(ms.begin(), ms.end(), [](double x) { return x <= 40; })) /
           static_cast<double>(std::max<std::size_t>(1, ms.size()));
  };
  std::printf(
      "  ours: a note shown on the keyboard (analysis; capture latency on top), after its "
      "note-on: median %.1f ms, p95 %.1f ms, within 40 ms %.3f; after it is heard: median "
      "%.1f ms, p95 %.1f ms, within 40 ms %.3f; not shown within 250 ms %d\n",
      Percentile(shownAfter, 0.5), Percentile(shownAfter, 0.95), within40(shownAfter),
      Percentile(shownAfterHeard, 0.5), Percentile(shownAfterHeard, 0.95),
      within40(shownAfterHeard), notShown);

  std::vector<QString> names;
  for (const char* n : kMixNames) names.push_back(QString::fromLatin1(n));
  PrintBreakdown("condition", names, rawMix, calMix, withAubio);
  names.clear();
  for (const Horn& h : kHorns) names.push_back(QString::fromLatin1(h.name));
  PrintBreakdown("instrument", names, rawHorn, calHorn, withAubio);
  names.clear();
  for (int tempo : kTempos) names.push_back(QStringLiteral("%1 bpm").arg(tempo));
  PrintBreakdown("tempo", names, rawTempo, calTempo, withAubio);
  names.clear();
  for (const char* n : kCategoryNames) names.push_back(QString::fromLatin1(n));
  PrintBreakdown("category", names, rawCategory, calCategory, withAubio);

  // Examples of what ours got wrong: the first few of each kind.
  std::printf("\nexamples (ours, calibrated):\n");
  std::map<QString, int> shown;
  for (std::size_t k = 0; k < takes.size(); ++k) {
    const Take& take = takes[k];
    for (const QString& p : judged[k][0].problems) {
      const QString kind = p.section(QLatin1Char(':'), 0, 0);
      if (shown[kind]++ >= 3) continue;
      std::printf("  take %d (%s, %s %d bpm, %s): %s\n", take.index, kHorns[take.horn].name,
                  kCategoryNames[take.category], take.tempo, kMixNames[take.mix], qPrintable(p));
    }
  }
  for (const auto& [kind, n] : shown) std::printf("  %s: %d in all\n", qPrintable(kind), n);
  std::printf("\nrun time %.1f s\n", wall.elapsed() / 1000.0);
  return 0;
}
