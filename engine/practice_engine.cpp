#include "engine/practice_engine.h"

#include <algorithm>

#include "material/category.h"

namespace practice {

Engine::Engine(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits, sound::MidiOut& out)
    : cfg_(cfg),
      state_(state),
      waits_(waits),
      midi_(cfg, out),
      sequencer_(cfg, state, phrase_, midi_, waits, noWindow_) {
  // Continuous play hands the next key's pass over before it is due: the item realised in
  // that key apart from the phrase the window shows, as a key change would realise it.
  sequencer_.realiseInKey = [this](int key, Phrase& out) {
    settings::CfgRecord moved = cfg_;
    moved.Root = static_cast<std::int16_t>(key);
    out = phrase_;
    std::int16_t previous = state_.PreviousRoot;
    bool refused = false;
    RealiseContext ctx{moved, lists_, out, nullptr, [&refused](const QString&) { refused = true; }};
    RealiseItem(ctx, true, previous);
    return !refused && out.NoteCount > 0;
  };
}

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
  sequencer_.BuildStepGrid();
  sequencer_.StartClock();
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
  sequencer_.StartClock();
  sequencer_.CountIn();
  if (state_.StopRequested != 0) return;
  // The k-th click k beats after the first (round(k x B) at a steady tempo). Each click is
  // handed to an output that schedules a beat ahead; the wait looks at the tempo every few
  // ms, and a change moves the click not yet heard to the new beat's length.
  const std::int64_t start = waits_.WaitReference();
  const auto clickAt = [start](double ms) { return start + Sound_Treat::RoundMs(ms); };
  const auto click = [this](std::int64_t at) {
    const midi1::Midi::ScheduledAt scheduled(midi_, at);
    midi_.DrumClick();
  };
  const bool ahead = midi_.SchedulesAhead();
  double last = 0;  // the click given last, in ms from the first
  click(start);
  for (bool stopped = false; !stopped;) {
    int tempo = cfg_.Tempo;
    double next = last + Sound_Treat::BeatLengthMs(tempo);
    if (ahead) click(clickAt(next));
    for (std::int64_t left; (left = clickAt(next) - waits_.WaitReference()) > 0;) {
      if (waits_.WaitUntil(static_cast<std::int16_t>(
              std::min<std::int64_t>(left, Sound_Treat::kReactMs))) == -1) {
        stopped = true;
        break;
      }
      if (cfg_.Tempo == tempo) continue;
      tempo = cfg_.Tempo;
      if (ahead) midi_.WithdrawFrom(clickAt(next));
      // Not before now: a beat that has become shorter than what has passed ends at once.
      next = std::max(last + Sound_Treat::BeatLengthMs(tempo),
                      static_cast<double>(waits_.WaitReference() - start));
      if (ahead) click(clickAt(next));
    }
    if (stopped) {
      midi_.Withdraw();
    } else {
      last = next;
      if (!ahead) click(clickAt(last));
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
