// One full preparation (program changes, realisation and the drawing of every view shown)
// on a 1920 x 1080 screen, for an item of each kind. The goal is well under one frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/frmMain.h"
#include "app/screen.h"
#include "bench/shipped_folder.h"
#include "core/clock.h"
#include "draw/surface.h"
#include "sound/midi_out.h"

namespace {

void BM_Prepair4PLAY(benchmark::State& state) {
  ShippedFolder dir;
  settings::CfgRecord& cfg = dir.cfg;
  cfg.Category = static_cast<std::int16_t>(state.range(0));
  cfg.LastItem[cfg.Category] = 3;
  RunState run;
  kihon::VirtualClock clock;
  kihon::Waits waits(clock, run.StopRequested);
  sound::CaptureMidiOut out;
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  for (auto _ : state) {
    window.Prepair4PLAY(false);
    out.messages.clear();
  }
  window.close();
}
BENCHMARK(BM_Prepair4PLAY)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// DrawScore alone, for the longest phrase of the shipped phrase books, in both renderers.
void BM_DrawScoreLongestPhrase(benchmark::State& state) {
  ShippedFolder dir;
  settings::CfgRecord& cfg = dir.cfg;
  // Find the longest phrase.
  int bestCategory = 3, bestItem = 0, bestCount = 0;
  for (int category = 3; category <= 5; ++category) {
    file_Treat::MaterialLists lists;
    QString error;
    const int count = file_Treat::LoadCategory(lists, dir.path(), category, &error);
    for (int item = 0; item < count; ++item) {
      int lines = 0;
      while (lines < file_Treat::kPhraseLineSlots && !(*lists.PhraseLine)[item][lines].isEmpty()) {
        ++lines;
      }
      if (lines > bestCount) bestCategory = category, bestItem = item, bestCount = lines;
    }
  }
  cfg.Category = static_cast<std::int16_t>(bestCategory);
  cfg.LastItem[bestCategory] = static_cast<std::int16_t>(bestItem);
  RunState run;
  kihon::VirtualClock clock;
  kihon::Waits waits(clock, run.StopRequested);
  sound::CaptureMidiOut out;
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  cfg.UseMaestroFont = static_cast<std::int16_t>(state.range(0) ? -1 : 0);
  for (auto _ : state) {
    Scor_treat::ScoreContext score = window.ScoreContext();
    Scor_treat::DrawScore(score);
  }
  state.counters["notes"] = window.engine().phrase().NoteCount;
  window.close();
}
BENCHMARK(BM_DrawScoreLongestPhrase)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The work at one melody event of playback: cursor, circle mark and keyboard highlight.
void BM_PlaybackHighlights(benchmark::State& state) {
  ShippedFolder dir;
  settings::CfgRecord& cfg = dir.cfg;
  RunState run;
  kihon::VirtualClock clock;
  kihon::Waits waits(clock, run.StopRequested);
  sound::CaptureMidiOut out;
  frmMain window(cfg, run, waits, out, dir.path());
  window.confirm = [](const QString&) { return true; };
  window.Start();
  window.engine().sequencer().BuildStepGrid();
  const auto& grid = window.engine().sequencer().grid();
  bool first = true;
  int step = 0;
  for (auto _ : state) {
    Scor_treat::ScoreContext score = window.ScoreContext();
    Scor_treat::MoveCursor(score, grid.EventCursorX[step], first);
    YEN_treat::HighlightStep(window.circle(), window.surface(), window.paint(), cfg,
                             grid.StepCircleX[step], grid.StepCircleY[step], grid.StepDegree[step],
                             first);
    KB_Treat::HighlightStepKey(window.keyboard(), window.surface(), cfg, grid.rows[0][step]);
    first = false;
    step = (step + 12) % std::max<int>(grid.EndStep, 1);
  }
  window.close();
}
BENCHMARK(BM_PlaybackHighlights)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  draw::InstallFontSubstitutions();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
