// What a listener hears, side by side with two peers. In each round, on a quiet machine and
// then with two busy processes keeping both cores loaded, three players play the same notes
// (a C major scale of straight eighths at 240 bpm on the xylophone, two passes in each key,
// the key moving by fourths) into the null sink of a PulseAudio server of its own: this
// program's window live, FluidSynth's command-line player and TiMidity++ (through libao),
// both given a MIDI file of the messages the program played. The sink's monitor is recorded
// with parec, the onsets are found in the recording and set against an even grid; the offline
// render of the same messages is the detector's floor. Printed: each run's p90, max and
// dropouts, the first note's distance from the grid, the ranges over the rounds and the
// ratios to the peers; the CPU of the process idle and playing; and a one-minute run's beat
// live against the render's.
//
// Needs the Debian packages pulseaudio, pulseaudio-utils, fluidsynth and timidity.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include "app/frmMain.h"
#include "bench/measure.h"
#include "bench/shipped_folder.h"
#include "core/clock.h"
#include "core/kihon.h"
#include "draw/surface.h"
#include "sound/Sound_Treat.h"
#include "sound/fluidsynth_out.h"
#include "sound/midi_file_writer.h"
#include "sound/midi_out.h"

namespace {

constexpr int kRate = sound::kRenderRate;

// Passes every message on and keeps what is played, with its time, for the offline render
// and the peers' MIDI file: a withdrawal drops from the copy what it drops from the sound.
class TeeOut final : public sound::MidiOut {
 public:
  TeeOut(sound::FluidSynthMidiOut& out, kihon::Clock& clock)
      : out_(out), copy_([&clock] { return clock.NowMs(); }) {}
  bool Open() override { return out_.Open(); }
  void Close() override { out_.Close(); }
  void Send(const sound::ShortMessage& message, std::int64_t atMs) override {
    out_.Send(message, atMs);
    if (recording) copy_.Send(message, atMs);
  }
  void Withdraw() override {
    out_.Withdraw();
    copy_.Withdraw();
  }
  void WithdrawFrom(std::int64_t atMs) override {
    out_.WithdrawFrom(atMs);
    copy_.WithdrawFrom(atMs);
  }
  bool SchedulesAhead() const override { return out_.SchedulesAhead(); }
  int LeadMs() const override { return out_.LeadMs(); }
  QString Name() const override { return out_.Name(); }

  bool recording = false;
  const sound::TimedMessages& messages() const { return copy_.messages; }

 private:
  sound::FluidSynthMidiOut& out_;
  sound::CaptureMidiOut copy_;
};

// Onsets in ms of a stereo 16-bit recording: where the envelope (the largest magnitude of
// each 8-frame block) rises above three times its mean over the 20 ms before and above a
// floor, taken back to where it first reaches a fifth of the attack's peak. A note is not
// looked for again within 60 ms.
std::vector<double> Onsets(const std::vector<std::int16_t>& samples) {
  constexpr int kBlock = 8;
  const std::size_t frames = samples.size() / 2;
  std::vector<double> env(frames / kBlock);
  double loudest = 0;
  for (std::size_t b = 0; b < env.size(); ++b) {
    double m = 0;
    for (int k = 0; k < kBlock; ++k) {
      const std::size_t f = b * kBlock + k;
      m = std::max(m, std::abs(static_cast<double>(samples[2 * f]) + samples[2 * f + 1]));
    }
    env[b] = m;
    loudest = std::max(loudest, m);
  }
  const double floor = 0.05 * loudest;
  const auto blocksOf = [](double ms) {
    return static_cast<std::size_t>(ms * kRate / 1000 / kBlock);
  };
  const std::size_t before = blocksOf(20), refractory = blocksOf(60), attack = blocksOf(10);
  std::vector<double> onsets;
  double sum = 0;  // of the envelope over the `before` blocks ahead of b
  for (std::size_t b = 0; b < env.size(); ++b) {
    if (b >= before) {
      const double mean = sum / static_cast<double>(before);
      if (env[b] > floor && env[b] > 3 * mean + floor / 4) {
        double peak = 0;
        for (std::size_t k = b; k < std::min(env.size(), b + attack); ++k)
          peak = std::max(peak, env[k]);
        std::size_t start = b > blocksOf(2) ? b - blocksOf(2) : 0;
        while (start < b && env[start] < peak / 5) ++start;
        onsets.push_back(1000.0 * static_cast<double>(start * kBlock) / kRate);
        const std::size_t next = b + refractory;
        for (; b < next && b + 1 < env.size(); ++b) {
          sum += env[b];
          if (b >= before) sum -= env[b - before];
        }
      }
    }
    sum += env[b];
    if (b >= before) sum -= env[b - before];
  }
  return onsets;
}

struct Jitter {
  std::size_t notes = 0;
  double p50 = 0, p90 = 0, p99 = 0, max = 0;
  double first = 0;  // the first onset's distance from the grid
  double periodMs = 0;
  int gaps = 0;  // intervals more than 5 ms longer than the nominal: a dropout of the stream
};

// Distances of the onsets from the straight line that fits them best, each onset on the
// grid point nearest to it at the nominal period.
Jitter AgainstEvenGrid(const std::vector<double>& onsets, double nominalMs) {
  Jitter j;
  if (onsets.size() < 3) return j;
  std::vector<double> index;
  for (double t : onsets) index.push_back(std::round((t - onsets.front()) / nominalMs));
  double si = 0, st = 0, sii = 0, sit = 0;
  const double n = static_cast<double>(onsets.size());
  for (std::size_t k = 0; k < onsets.size(); ++k) {
    si += index[k];
    st += onsets[k];
    sii += index[k] * index[k];
    sit += index[k] * onsets[k];
  }
  const double period = (n * sit - si * st) / (n * sii - si * si);
  const double start = (st - period * si) / n;
  std::vector<double> off;
  for (std::size_t k = 0; k < onsets.size(); ++k) {
    off.push_back(std::abs(onsets[k] - (start + period * index[k])));
  }
  j.notes = onsets.size();
  for (std::size_t k = 1; k < onsets.size(); ++k) {
    const double steps = index[k] - index[k - 1];
    if (onsets[k] - onsets[k - 1] > steps * nominalMs + 5) ++j.gaps;
  }
  j.p50 = Percentile(off, 0.5);
  j.p90 = Percentile(off, 0.9);
  j.p99 = Percentile(off, 0.99);
  j.max = Percentile(off, 1.0);
  j.first = off.front();
  j.periodMs = period;
  return j;
}

void Print(const char* what, const Jitter& j) {
  std::printf(
      "    %-10s %3zu onsets, period %.3f ms; ms from the grid: p50 %.2f  p90 %.2f  max %.2f"
      "  first %.2f; dropouts %d\n",
      what, j.notes, j.periodMs, j.p50, j.p90, j.max, j.first, j.gaps);
}

std::vector<std::int16_t> ReadRaw(const QString& path) {
  QFile file(path);
  std::vector<std::int16_t> samples;
  if (!file.open(QIODevice::ReadOnly)) return samples;
  const QByteArray bytes = file.readAll();
  samples.resize(static_cast<std::size_t>(bytes.size()) / 2);
  std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
  return samples;
}

bool StartPulse(QProcess& pulse, const QString& runtime) {
  qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
  // TiMidity++ plays through libao, whose default driver is ALSA: here the sound server.
  qputenv("HOME", runtime.toLocal8Bit());
  QFile libao(QDir(runtime).filePath(QStringLiteral(".libao")));
  if (libao.open(QIODevice::WriteOnly)) libao.write("default_driver=pulse\nquiet\n");
  libao.close();
  pulse.start(QStringLiteral("pulseaudio"),
              {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit", "--realtime=yes",
               "--high-priority=yes", "--load=module-null-sink sink_name=null",
               "--load=module-native-protocol-unix"});
  if (!pulse.waitForStarted(5000)) return false;
  for (int i = 0; i < 100; ++i) {
    if (QProcess::execute(QStringLiteral("pactl"), {"info"}) == 0) return true;
    QThread::msleep(50);
  }
  return false;
}

// Lets the window run for ms.
void Idle(kihon::SteadyClock& clock, int ms) {
  clock.RunUntil(clock.NowMs() + ms, {});
}

// Records the null sink's monitor while play() runs, with half a second before and 800 ms
// after; the onsets heard, the last left out (the note at a stop may be cut short).
std::vector<double> Recorded(const QString& path, const std::function<void()>& play) {
  QProcess parec;
  parec.setStandardOutputFile(path);
  parec.start(QStringLiteral("parec"), {"-d", "null.monitor", "--format=s16le", "--rate=44100",
                                        "--channels=2", "--latency-msec=10"});
  parec.waitForStarted(5000);
  QThread::msleep(500);
  play();
  QThread::msleep(800);
  parec.terminate();
  parec.waitForFinished(3000);
  std::vector<double> onsets = Onsets(ReadRaw(path));
  if (!onsets.empty()) onsets.pop_back();
  return onsets;
}

// The CPU ticks each thread of the process has used so far, by thread id and name.
std::map<QString, long> ThreadTicks() {
  std::map<QString, long> ticks;
  for (const QString& tid :
       QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile f(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QString stat = QString::fromLatin1(f.readAll());
    const QStringList after = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    ticks[tid + stat.mid(stat.indexOf('('), stat.lastIndexOf(')') - stat.indexOf('(') + 1)] =
        after[11].toLong() + after[12].toLong();
  }
  return ticks;
}

// One run of the program live.
struct ProgramRun {
  std::vector<double> live;
  sound::TimedMessages messages;  // as played, the first at 0
  int underflows = 0;
  double idleShare = 0, playShare = 0;  // CPU of the process, of a core
};

ProgramRun PlayProgram(const QString& soundFont, const QString& recording, int playMs,
                       bool measureIdle) {
  ShippedFolder dir;
  settings::CfgRecord& cfg = dir.cfg;
  cfg.Category = 0;  // the first scale: the major scale, eight eighths a pass
  cfg.LastItem[0] = 0;
  cfg.Root = 0;
  cfg.MelodyInstrument = 14;  // xylophone
  cfg.Tempo = 240;
  cfg.SwingOn = 0;
  cfg.ClickOn = 0;
  cfg.CountInOn = 0;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 2;
  cfg.ProgressionMode = 2;  // fourths
  cfg.MelodyVolume = 110;
  RunState run;
  kihon::SteadyClock clock;
  kihon::Waits waits(clock, run.StopRequested);
  sound::FluidSynthMidiOut synth(soundFont, clock.Start());
  TeeOut out(synth, clock);
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  window.ui.Combo5->setCurrentIndex(1);  // two passes in each key
  window.engine().midi().FinishOpen();   // as after the first paint
  ProgramRun r;
  if (synth.synthesiser() == nullptr) return r;
  // Idle past the five seconds of silence after which the stream pauses: play starts it
  // again, as it does for a player who reads the item before pressing play.
  Idle(clock, 6000);
  if (measureIdle) {
    const double cpu = ProcessCpuSeconds();
    const auto idleStart = std::chrono::steady_clock::now();
    Idle(clock, 5000);
    r.idleShare =
        (ProcessCpuSeconds() - cpu) /
        std::chrono::duration<double>(std::chrono::steady_clock::now() - idleStart).count();
  }
  r.live = Recorded(recording, [&] {
    QTimer::singleShot(playMs, &window, [&window] { window.Stop(); });
    out.recording = true;
    const auto threadsBefore = ThreadTicks();
    const double cpu = ProcessCpuSeconds();
    const auto playStart = std::chrono::steady_clock::now();
    window.StartContinuous();
    r.playShare =
        (ProcessCpuSeconds() - cpu) /
        std::chrono::duration<double>(std::chrono::steady_clock::now() - playStart).count();
    out.recording = false;
    if (qEnvironmentVariableIsSet("VORMINA_BENCH_THREADS")) {
      for (const auto& [name, t] : ThreadTicks()) {
        const auto before = threadsBefore.find(name);
        std::printf("    thread %s: %ld ticks\n", qPrintable(name),
                    t - (before != threadsBefore.end() ? before->second : 0));
      }
    }
  });
  r.underflows = synth.Underflows();
  r.messages = out.messages();
  const std::int64_t first = r.messages.empty() ? 0 : r.messages.front().ms;
  for (auto& [at, m] : r.messages) at -= first;
  window.close();
  return r;
}

// A format-0 file of the messages, a tick a ms (500 ticks a quarter at 120 bpm).
bool WriteMidiFile(const sound::TimedMessages& messages, const QString& path) {
  std::vector<midifile::Event> events;
  events.push_back(
      {0, 0, midifile::MetaBytes(midifile::MetaType::kTempo, midifile::TempoData(500000))});
  int order = 1;
  for (const auto& [ms, message] : messages) {
    events.push_back({ms, order++, midifile::MessageBytes(message)});
  }
  const std::int64_t end = messages.empty() ? 0 : messages.back().ms + 800;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(midifile::File(0, 500, {midifile::TrackChunk(std::move(events), end)}));
  return true;
}

// A peer playing the file to its end.
std::vector<double> PlayPeer(const QString& program, const QStringList& arguments,
                             const QString& recording) {
  return Recorded(recording, [&] {
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.setStandardOutputFile(QProcess::nullDevice());
    peer.start(program, arguments);
    if (!peer.waitForFinished(60000)) peer.kill();
  });
}

// A figure's lowest and highest over the rounds.
struct Range {
  double low = 1e300, high = -1e300;
  void Add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

void PrintRange(const char* what, const Range& r) {
  std::printf("      %-28s %.2f .. %.2f\n", what, r.low, r.high);
}

// Five rounds, unless VORMINA_BENCH_ROUNDS says otherwise.
int Rounds() {
  const int asked = qEnvironmentVariableIntValue("VORMINA_BENCH_ROUNDS");
  return asked > 0 ? asked : 5;
}
constexpr const char* kPlayers[] = {"VORMINA", "FluidSynth", "TiMidity++"};

struct Summary {
  Range p90[3], max[3], dropouts[3], first[3], floorP90, floorMax, p90Ratio[2], maxRatio[2];
  Range idle, playing, underflows;
};

void Round(int round, bool loaded, const QString& soundFont, const QString& runtime, Summary& sum) {
  const double eighthMs = Sound_Treat::BeatLengthMs(240) / 2.0;
  std::vector<std::unique_ptr<QProcess>> busy;
  if (loaded) {
    for (int i = 0; i < 2; ++i) {
      busy.push_back(std::make_unique<QProcess>());
      busy.back()->start(QStringLiteral("sh"), {"-c", "while :; do :; done"});
    }
  }
  std::printf("  round %d, %s\n", round, loaded ? "both cores busy" : "machine quiet");
  const QDir dir(runtime);
  // Eight passes: four keys of two, 960 ms each.
  const ProgramRun program =
      PlayProgram(soundFont, dir.filePath("vormina.raw"), 8 * 960 - 60, round == 1);
  const QString midi = dir.filePath("same-notes.mid");
  WriteMidiFile(program.messages, midi);
  const std::vector<double> onsets[3] = {
      program.live,
      PlayPeer(QStringLiteral("fluidsynth"),
               {"-q", "-n", "-i", "-a", "pulseaudio", soundFont, midi},
               dir.filePath("fluidsynth.raw")),
      PlayPeer(QStringLiteral("timidity"),
               {"-OO", "-idq", "-x", QStringLiteral("soundfont %1").arg(soundFont), midi},
               dir.filePath("timidity.raw"))};
  for (auto& p : busy) {
    p->kill();
    p->waitForFinished(1000);
  }
  Jitter j[3];
  for (int k = 0; k < 3; ++k) {
    j[k] = AgainstEvenGrid(onsets[k], eighthMs);
    Print(kPlayers[k], j[k]);
    sum.p90[k].Add(j[k].p90);
    sum.max[k].Add(j[k].max);
    sum.dropouts[k].Add(j[k].gaps);
    sum.first[k].Add(j[k].first);
  }
  for (int k = 1; k < 3; ++k) {
    if (j[k].p90 > 0) sum.p90Ratio[k - 1].Add(j[0].p90 / j[k].p90);
    if (j[k].max > 0) sum.maxRatio[k - 1].Add(j[0].max / j[k].max);
  }
  std::vector<std::int16_t> rendered;
  QString error;
  sound::RenderOffline(soundFont, program.messages, 800, rendered, error);
  std::vector<double> offline = Onsets(rendered);
  if (!offline.empty()) offline.pop_back();
  const Jitter floor = AgainstEvenGrid(offline, eighthMs);
  Print("offline", floor);
  sum.floorP90.Add(floor.p90);
  sum.floorMax.Add(floor.max);
  sum.underflows.Add(program.underflows);
  if (round == 1) sum.idle.Add(100 * program.idleShare);
  sum.playing.Add(100 * program.playShare);
  std::printf(
      "    VORMINA: %d underflows; CPU playing %.2f %% of a core%s\n", program.underflows,
      100 * program.playShare,
      round == 1 ? qPrintable(QStringLiteral(", idle %1 %").arg(100 * program.idleShare, 0, 'f', 2))
                 : "");
}

void PrintSummary(const char* condition, const Summary& s) {
  std::printf("%s, over %d rounds (lowest .. highest):\n", condition, Rounds());
  for (int k = 0; k < 3; ++k) {
    std::printf("    %s\n", kPlayers[k]);
    PrintRange("p90 ms", s.p90[k]);
    PrintRange("max ms", s.max[k]);
    PrintRange("dropouts", s.dropouts[k]);
    PrintRange("first note from the grid, ms", s.first[k]);
  }
  std::printf("    ratios, VORMINA to each peer in the same round (below 1: VORMINA ahead)\n");
  PrintRange("p90 to FluidSynth", s.p90Ratio[0]);
  PrintRange("p90 to TiMidity++", s.p90Ratio[1]);
  PrintRange("max to FluidSynth", s.maxRatio[0]);
  PrintRange("max to TiMidity++", s.maxRatio[1]);
  std::printf("    offline render (the detector's floor)\n");
  PrintRange("p90 ms", s.floorP90);
  PrintRange("max ms", s.floorMax);
  std::printf("    VORMINA\n");
  PrintRange("underflows", s.underflows);
  PrintRange("CPU playing, % of a core", s.playing);
  PrintRange("CPU idle, % of a core", s.idle);
}

// A minute of continuous play: the beat live, fitted over all its onsets, against the
// render's of the same messages.
void OneMinute(const QString& soundFont, const QString& runtime) {
  const double eighthMs = Sound_Treat::BeatLengthMs(240) / 2.0;
  const ProgramRun program =
      PlayProgram(soundFont, QDir(runtime).filePath("minute.raw"), 60000, false);
  std::vector<std::int16_t> rendered;
  QString error;
  sound::RenderOffline(soundFont, program.messages, 800, rendered, error);
  std::vector<double> offline = Onsets(rendered);
  if (!offline.empty()) offline.pop_back();
  const Jitter live = AgainstEvenGrid(program.live, eighthMs);
  const Jitter render = AgainstEvenGrid(offline, eighthMs);
  std::printf("one minute, machine quiet:\n");
  Print("VORMINA", live);
  Print("offline", render);
  std::printf("    the live eighth against the render's: %+.4f %%\n",
              100 * (live.periodMs / render.periodMs - 1));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  draw::InstallFontSubstitutions();
  QTemporaryDir runtime;
  QProcess pulse;
  if (!StartPulse(pulse, runtime.path())) {
    std::printf(
        "no PulseAudio server could be started (Debian packages pulseaudio and "
        "pulseaudio-utils)\n");
    return 1;
  }
  const QString soundFont = sound::FindSoundFont(QCoreApplication::applicationDirPath());
  std::printf("SoundFont %s; 240 bpm eighths, %d rounds, the players interleaved\n",
              qPrintable(soundFont), Rounds());
  Summary quiet, loaded;
  for (int round = 1; round <= Rounds(); ++round) {
    Round(round, false, soundFont, runtime.path(), quiet);
    Round(round, true, soundFont, runtime.path(), loaded);
  }
  PrintSummary("machine quiet", quiet);
  PrintSummary("both cores busy", loaded);
  if (!qEnvironmentVariableIsSet("VORMINA_BENCH_NO_MINUTE")) OneMinute(soundFont, runtime.path());
  pulse.terminate();
  pulse.waitForFinished(3000);
  return 0;
}
