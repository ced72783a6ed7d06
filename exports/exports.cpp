#include "exports/exports.h"

#include <QCoreApplication>
#include <algorithm>

#include "material/category.h"
#include "sound/Sound_Treat.h"
#include "sound/midi1.h"
#include "theory/MusicMethod_Treat.h"

namespace exports {
namespace {

// At this tempo a step of the sequencer's grid (24 to the beat) is exactly 20 ms, and a
// millisecond is a tick of 480 to the quarter: the passes are played at it and the file
// says the user's tempo.
constexpr int kGridTempo = 125;

int BarsOf(const Phrase& phrase) {
  int ticks = 0;
  for (int i = 0; i < phrase.NoteCount; ++i) ticks += phrase.NoteLength[i];
  return std::max(
      1, (ticks + MusicMethod_Treat::ticks::kWhole - 1) / MusicMethod_Treat::ticks::kWhole);
}

}  // namespace

std::vector<int> Keys(const Request& request) {
  const int first = MusicMethod_Treat::PitchClass(request.key);
  if (!request.allKeys) return {first};
  const int step = request.progression == Progression::kUp     ? 1
                   : request.progression == Progression::kDown ? -1
                                                               : 5;
  std::vector<int> keys;
  for (int k = 0; k < 12; ++k) keys.push_back(MusicMethod_Treat::PitchClass(first + step * k));
  return keys;
}

int WrittenAbove(Instrument instrument) {
  switch (instrument) {
    case Instrument::kBb:
      return 2;
    case Instrument::kEb:
      return 9;
    case Instrument::kF:
      return 7;
    default:
      return 0;
  }
}

QString InstrumentName(Instrument instrument) {
  switch (instrument) {
    case Instrument::kBb:
      return QCoreApplication::translate("exports", "B♭管");
    case Instrument::kEb:
      return QCoreApplication::translate("exports", "E♭管");
    case Instrument::kF:
      return QCoreApplication::translate("exports", "F管");
    default:
      return QString();
  }
}

int KeyFifths(const Export& e, const KeyPart& part) {
  if (category::IsSteps(e.category)) return 0;
  return spelling::Fifths(spelling::Key{part.key, part.minor});
}

QString KeyMode(const Export& e, const KeyPart& part) {
  if (category::IsSteps(e.category)) return QStringLiteral("none");
  return part.minor ? QStringLiteral("minor") : QStringLiteral("major");
}

QString KeyTitle(int key, bool minor) {
  return spelling::KeyTitle(spelling::Key{key, minor});
}

bool Build(practice::OfflineEngine& world, const Request& request, Export& out, QString* error) {
  practice::Engine& engine = world.engine;
  settings::CfgRecord& cfg = world.cfg;
  settings::ApplyStartupTempo(cfg);
  out = Export{};
  out.tempo = cfg.Tempo;
  out.melodyProgram = cfg.MelodyInstrument;
  out.category = request.category;
  out.instrument = request.instrument;
  out.title = file_Treat::ItemName(engine.lists(), request.category, request.item).trimmed();
  // One plain pass a key, at the grid tempo, swung only when asked.
  cfg.Tempo = kGridTempo;
  cfg.CountInOn = 0;
  cfg.RepeatOn = 0;
  cfg.SpeedUpOn = 0;
  cfg.SwingOn = request.swing ? 1 : 0;
  // The written part of a transposing instrument is the item in the written key, played at
  // concert pitch on the program's side (the MIDI file sounds as the band does).
  const int above = WrittenAbove(request.instrument);
  cfg.PitchAdjust = 0;
  bool first = true;
  for (const int concertKey : Keys(request)) {
    const int key = MusicMethod_Treat::PitchClass(concertKey + above);
    // The key's messages: the preparation's program changes, then its pass. The first key is
    // realised afresh; the others follow as a key change of continuous play does.
    using Move = practice::OfflineEngine::Move;
    if (first) engine.Select(request.category, request.item, key);
    practice::PassResult pass = world.Pass(first ? Move::kInKey : Move::kKeyChange, key);
    first = false;
    if (!pass.error.isEmpty() || engine.phrase().NoteCount == 0) {
      if (error)
        *error = pass.error.isEmpty() ? QStringLiteral("the item has no notes") : pass.error;
      return false;
    }
    const sound::TimedMessages& messages = pass.messages;
    KeyPart part;
    part.key = key;
    part.concertKey = MusicMethod_Treat::PitchClass(concertKey);
    part.phrase = engine.phrase();
    part.spelled = spelling::SpellItem(part.phrase, engine.lists(), cfg);
    part.minor = part.phrase.KeyMinor != 0;
    part.lengthTicks = BarsOf(part.phrase) * 4 * kTicksPerQuarter;
    // The pass's first step is tick 0; at the grid tempo a tick is a ms, so the sequencer's
    // step times are the file's ticks.
    const std::int64_t origin = practice::PassStart(messages);
    const Sound_Treat::StepGrid& grid = engine.grid();
    const std::vector<std::int64_t> stepTimes =
        Sound_Treat::PassTimes(grid, Sound_Treat::BeatLengthMs(kGridTempo), cfg.SwingOn == 1,
                               Sound_Treat::SwingShare(cfg.SwingLevel));
    int step = 0;
    int next = 0;
    for (const SoundingNote& n : SoundingNotes(part.phrase)) {
      for (; next < n.index; ++next) step += part.phrase.NoteLength[next];
      const int endStep = std::clamp(step + n.length, 0, static_cast<int>(grid.EndStep));
      part.writtenEnds.push_back(stepTimes[static_cast<std::size_t>(endStep)]);
    }
    for (const auto& [ms, m] : messages) {
      if (m.kind() == sound::ShortMessage::kProgramChange) {
        part.events.push_back({0, m});
        continue;
      }
      const std::int64_t tick = std::clamp<std::int64_t>(ms - origin, 0, part.lengthTicks);
      // Concert pitch: the written part's notes sound `above` lower.
      if (above != 0 &&
          (m.kind() == sound::ShortMessage::kNoteOn || m.kind() == sound::ShortMessage::kNoteOff) &&
          m.channel() != midi1::kDrumChannel) {
        const auto moved = sound::ShortMessage::Make(m.status(), m.data1() - above, m.data2());
        if (moved) part.events.push_back({tick, *moved});
        continue;
      }
      part.events.push_back({tick, m});
    }
    out.keys.push_back(std::move(part));
  }
  return true;
}

}  // namespace exports
