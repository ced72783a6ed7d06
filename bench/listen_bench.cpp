// What a listener hears. The program's window plays a C major scale of straight eighths at
// 240 bpm on the xylophone, two passes in each key with the key moving by fourths, into the
// null sink of a PulseAudio server of its own; the sink's monitor is recorded with parec, the
// onsets are found in the recording, and their distance from an even grid is printed beside
// the same figures for the offline render of the same messages. Once on a quiet machine and
// once while two busy processes keep both cores loaded. Also the CPU the process uses while
// it sits idle and while it plays.
//
// Needs the Debian packages pulseaudio and pulseaudio-utils.
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
#include "sound/midi_out.h"

namespace {

constexpr int kRate = sound::kRenderRate;

// Passes every message on and keeps it with its scheduled time, for the offline render.
class TeeOut final : public sound::MidiOut {
 public:
  explicit TeeOut(sound::FluidSynthMidiOut& out) : out_(out) {}
  bool Open() override { return out_.Open(); }
  void Close() override { out_.Close(); }
  void Send(const sound::ShortMessage& message, std::int64_t atMs) override {
    out_.Send(message, atMs);
    if (recording && atMs != sound::kAtOnce) messages.push_back({atMs, message});
  }
  void Withdraw() override { out_.Withdraw(); }
  int LeadMs() const override { return out_.LeadMs(); }
  QString Name() const override { return out_.Name(); }

  bool recording = false;
  sound::TimedMessages messages;

 private:
  sound::FluidSynthMidiOut& out_;
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
  j.periodMs = period;
  return j;
}

void Print(const char* what, const Jitter& j) {
  std::printf(
      "  %-8s %3zu onsets, period %.3f ms; jitter ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f;"
      " %d intervals over 5 ms long\n",
      what, j.notes, j.periodMs, j.p50, j.p90, j.p99, j.max, j.gaps);
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

bool Run(bool loaded, const QString& soundFont, const QString& runtime) {
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
  TeeOut out(synth);
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  window.ui.Combo5->setCurrentIndex(1);  // two passes in each key
  window.engine().midi().FinishOpen();   // as after the first paint
  if (synth.synthesiser() == nullptr) {
    std::printf("the synthesiser did not start\n");
    return false;
  }
  std::printf("%s: sound through %s, output latency %.1f ms (buffer %.1f + schedule %.1f)\n",
              loaded ? "both cores busy" : "quiet machine", qPrintable(synth.Name()),
              synth.OutputLatencyMs(), synth.BufferLatencyMs(),
              sound::Synthesiser::ScheduleLatencyMs());

  std::vector<std::unique_ptr<QProcess>> busy;
  if (loaded) {
    for (int i = 0; i < 2; ++i) {
      busy.push_back(std::make_unique<QProcess>());
      busy.back()->start(QStringLiteral("sh"), {"-c", "while :; do :; done"});
    }
  }
  // Idle: past the five seconds of silence after which the stream pauses.
  Idle(clock, 6000);
  const auto threads = [] {
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
  };
  const auto threadsBefore = threads();
  double cpu = ProcessCpuSeconds();
  const auto idleStart = std::chrono::steady_clock::now();
  Idle(clock, 5000);
  if (qEnvironmentVariableIsSet("VORMINA_BENCH_THREADS")) {
    for (const auto& [name, t] : threads()) {
      std::printf("  thread %s: %ld ticks\n", qPrintable(name), t - threadsBefore.at(name));
    }
  }
  const double renderedWhileIdle = synth.synthesiser()->RenderedShare();
  const double idleShare =
      (ProcessCpuSeconds() - cpu) /
      std::chrono::duration<double>(std::chrono::steady_clock::now() - idleStart).count();

  const QString recording = QDir(runtime).filePath(loaded ? "loaded.raw" : "quiet.raw");
  QProcess parec;
  parec.setStandardOutputFile(recording);
  parec.start(QStringLiteral("parec"), {"-d", "null.monitor", "--format=s16le", "--rate=44100",
                                        "--channels=2", "--latency-msec=10"});
  parec.waitForStarted(5000);
  Idle(clock, 500);

  // Six passes: three keys of two passes, 960 ms each.
  constexpr int kPlayMs = 6 * 960 - 60;
  QTimer::singleShot(kPlayMs, &window, [&window] { window.Stop(); });
  out.recording = true;
  cpu = ProcessCpuSeconds();
  const auto playStart = std::chrono::steady_clock::now();
  window.StartContinuous();
  const double playShare =
      (ProcessCpuSeconds() - cpu) /
      std::chrono::duration<double>(std::chrono::steady_clock::now() - playStart).count();
  out.recording = false;
  Idle(clock, 800);
  parec.terminate();
  parec.waitForFinished(3000);
  for (auto& p : busy) {
    p->kill();
    p->waitForFinished(1000);
  }

  // The note at the stop may be cut short or withdrawn: the last onset is left out.
  std::vector<double> live = Onsets(ReadRaw(recording));
  if (!live.empty()) live.pop_back();
  sound::TimedMessages messages = out.messages;
  const std::int64_t first = messages.empty() ? 0 : messages.front().ms;
  for (auto& [at, m] : messages) at -= first;
  std::vector<std::int16_t> rendered;
  QString error;
  sound::RenderOffline(soundFont, messages, 800, rendered, error);
  std::vector<double> offline = Onsets(rendered);
  if (!offline.empty()) offline.pop_back();
  const double eighthMs = 12 * Sound_Treat::Nearest(Sound_Treat::BeatMs(240) / 24.0);
  if (qEnvironmentVariableIsSet("VORMINA_BENCH_STAMPS")) {
    for (const auto& [at, message] : messages) {
      const std::uint32_t m = message.Packed();
      if ((m & 0xF0u) == 0x90u && (m >> 16) != 0) std::printf("%lld ", static_cast<long long>(at));
    }
    std::printf("\n");
  }
  if (qEnvironmentVariableIsSet("VORMINA_BENCH_ONSETS")) {
    for (const auto* onsets : {&live, &offline}) {
      for (std::size_t k = 1; k < onsets->size(); ++k) {
        std::printf("%.2f ", (*onsets)[k] - (*onsets)[k - 1]);
      }
      std::printf("\n");
    }
  }
  Print("live", AgainstEvenGrid(live, eighthMs));
  Print("offline", AgainstEvenGrid(offline, eighthMs));
  std::printf(
      "  CPU of the process: idle %.2f %% of a core, playing %.2f %%"
      " (the synthesiser rendered %.0f %% of the time until play)\n",
      100 * idleShare, 100 * playShare, 100 * renderedWhileIdle);
  window.close();
  return !live.empty();
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
  std::printf("SoundFont %s\n", qPrintable(soundFont));
  bool ok = true;
  for (bool loaded : {false, true}) ok = Run(loaded, soundFont, runtime.path()) && ok;
  pulse.terminate();
  pulse.waitForFinished(3000);
  return ok ? 0 : 1;
}
