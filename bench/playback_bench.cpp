// Real-time playback: an item played continuously at 300 beats per minute on the steady
// clock, with every view drawing on an offscreen window, for about eight seconds. For every
// MIDI message it measures how late it left against its step's scheduled time (the wait
// reference), and it reports the CPU time used per second of playback.
//   build/bench/vormina_playback_bench
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/frmMain.h"
#include "app/screen.h"
#include "bench/measure.h"
#include "bench/shipped_folder.h"
#include "core/clock.h"
#include "draw/surface.h"
#include "sound/midi_out.h"

namespace {

// Records, for every message, how many milliseconds after its scheduled time it was sent.
class LatenessOut final : public sound::MidiOut {
 public:
  explicit LatenessOut(kihon::Waits*& waits) : waits_(waits) {}
  bool Open() override { return true; }
  void Close() override {}
  QString Name() const override { return QStringLiteral("lateness"); }
  void Send(const sound::ShortMessage& sent, std::int64_t) override {
    const std::uint32_t message = sent.Packed();
    if (!recording || waits_ == nullptr) return;
    const double now =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - clockStart)
            .count();
    const std::int64_t reference = waits_->WaitReference();
    lateness.push_back(now - static_cast<double>(reference));
    // A pass starts with all notes off on channels 0, 1 and 2 in a row; its first step's
    // messages follow the preparation and highlight work done between passes.
    atPassStart.push_back(reference == passStart);
    if (message == 0x7BB2u && previous[0] == 0x7BB1u && previous[1] == 0x7BB0u) {
      passStart = reference;
      std::fill(atPassStart.end() - 3, atPassStart.end(), true);
    }
    previous[1] = previous[0];
    previous[0] = message;
  }
  bool recording = false;
  std::chrono::steady_clock::time_point clockStart;
  std::vector<double> lateness;
  std::vector<bool> atPassStart;
  std::int64_t passStart = -1;
  std::uint32_t previous[2] = {0, 0};

 private:
  kihon::Waits*& waits_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  draw::InstallFontSubstitutions();
  ShippedFolder dir;
  settings::CfgRecord& cfg = dir.cfg;
  cfg.Category = 3;  // a written II-V-I phrase, with accompaniment, bass and click
  cfg.LastItem[3] = 7;
  cfg.Tempo = 300;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 2;
  cfg.CountInOn = 0;
  RunState run;
  kihon::SteadyClock clock;
  kihon::Waits waits(clock, run.StopRequested);
  kihon::Waits* waitsForOut = &waits;
  LatenessOut out(waitsForOut);
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  window.ui.Combo5->setCurrentIndex(1);  // two passes in each key
  cfg.Tempo = 300;
  window.ui.VScroll1->setValue(300);

  constexpr int kSeconds = 8;
  // The note-offs that follow a stop are not scheduled: recording ends first.
  QTimer::singleShot(kSeconds * 1000, &window, [&window, &out] {
    out.recording = false;
    window.Stop();
  });
  out.clockStart = clock.Start();
  out.recording = true;
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = ProcessCpuSeconds();
  window.StartContinuous();
  const double cpu = ProcessCpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  out.recording = false;

  if (out.lateness.empty()) {
    std::printf("no messages were played\n");
    return 1;
  }
  std::printf("messages: %zu over %.2f s at 300 bpm (all views on, 1920x1080)\n",
              out.lateness.size(), wall);
  std::printf("lateness ms: median %.3f  p99 %.3f  max %.3f\n", Percentile(out.lateness, 0.5),
              Percentile(out.lateness, 0.99), Percentile(out.lateness, 1.0));
  std::printf("CPU: %.1f ms per second of playback (%.2f %% of one core)\n", 1000 * cpu / wall,
              100 * cpu / wall);
  std::vector<double> within;
  for (size_t i = 0; i < out.lateness.size(); ++i) {
    if (!out.atPassStart[i]) within.push_back(out.lateness[i]);
  }
  const auto late =
      std::count_if(out.lateness.begin(), out.lateness.end(), [](double ms) { return ms > 1.0; });
  std::printf("messages more than 1 ms late: %ld of %zu\n", static_cast<long>(late),
              out.lateness.size());
  if (!within.empty()) {
    std::printf(
        "within passes (%zu messages, the first step of each pass left out): median %.3f"
        "  p99 %.3f  max %.3f\n",
        within.size(), Percentile(within, 0.5), Percentile(within, 0.99), Percentile(within, 1.0));
  }
  window.close();
  return 0;
}
