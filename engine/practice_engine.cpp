#include "engine/practice_engine.h"

#include <algorithm>

#include "material/category.h"

namespace practice {

Engine::Engine(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits, sound::MidiOut& out)
    : cfg_(cfg),
      state_(state),
      waits_(waits),
      midi_(cfg, out),
      sequencer_(cfg, state, phrase_, midi_, waits, noWindow_) {}

int Engine::LoadCategory(const QString& dir, int category, QString* error) {
  return file_Treat::LoadCategory(lists_, dir, category, error);
}

void Engine::Select(int category, int item, int key) {
  cfg_.Category = static_cast<std::int16_t>(category);
  cfg_.LastItem[settings::CategorySlot(category)] = static_cast<std::int16_t>(item);
  cfg_.Root = static_cast<std::int16_t>(key);
}

void Engine::Prepare(bool IsCangeOnly, const RingPoints* rings, const settings::Reporter& report) {
  midi_.SendInstruments();
  RealiseContext ctx{cfg_, lists_, phrase_, rings, report};
  RealiseItem(ctx, IsCangeOnly, state_.PreviousRoot);
}

void Engine::PlayOnce() {
  sequencer_.ContinuousPlay = 0;
  waits_.WaitUntil(-100);
  sequencer_.BuildStepGrid();
  sequencer_.PlayPass();
  if (state_.StopRequested == 0) sequencer_.AnswerTime();
}

void Engine::PlayContinuous() {
  sequencer_.PlayItem(kProgressionStep[std::clamp<int>(cfg_.ProgressionMode, 0, 3)]);
}

void Engine::Metronome() {
  Sound_Treat::SequencerHost& host = sequencer_.host();
  host.MakeSound_Bot_show(true);
  state_.StopRequested = 0;
  sequencer_.ContinuousPlay = 0;
  waits_.WaitUntil(-100);
  sequencer_.CountIn();
  if (state_.StopRequested != 0) return;
  waits_.SetLead(midi_.LeadMs());
  for (;;) {
    {
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      midi_.DrumClick();
    }
    // Read afresh every beat, so that a tempo change applies from the next beat.
    const int interval = Sound_Treat::BeatMs(cfg_.Tempo);
    if (waits_.WaitUntil(static_cast<std::int16_t>(std::min(interval, 32767))) == -1) {
      midi_.Withdraw();
      break;
    }
  }
  host.MakeSound_Bot_show(false);
}

void Engine::Stop() {
  sequencer_.ContinuousPlay = 0;
  state_.StopRequested = -1;
}

OfflineEngine::OfflineEngine(const settings::CfgRecord& record) : cfg(record) {}

PassResult OfflineEngine::Pass(Move move, int key, bool play) {
  PassResult result;
  const settings::Reporter refused = [&result](const QString& message) { result.error = message; };
  Sound_Treat::Sequencer& sequencer = engine.sequencer();
  sequencer.report = [&result](const QString& message) { result.warnings << message; };
  if (move != Move::kAsChosen) capture.messages.clear();
  if (move == Move::kKeyChange) {
    cfg.Root = static_cast<std::int16_t>(key);
    engine.Prepare(true, nullptr, refused);
  } else {
    settings::ApplyStartupTempo(cfg);
    engine.midi().StartMidiOut({});
    ClearPhrase(engine.phrase());
    engine.Prepare(false, nullptr, refused);
    // A phrase comes in its own key: moved to the key asked for, as the semitone buttons do.
    if (move == Move::kInKey && result.error.isEmpty() && category::IsPhraseBook(cfg.Category) &&
        cfg.Root != key) {
      cfg.Root = static_cast<std::int16_t>(key);
      engine.Prepare(true, nullptr, refused);
    }
  }
  if (play && result.error.isEmpty()) engine.PlayOnce();
  sequencer.report = {};
  result.messages = std::move(capture.messages);
  capture.messages.clear();
  return result;
}

std::int64_t PassStart(const sound::TimedMessages& messages) {
  for (const auto& [ms, m] : messages) {
    if (m.IsAllNotesOff() && m.channel() == midi1::kMelodyChannel) {
      return ms;
    }
  }
  return 0;
}

}  // namespace practice
