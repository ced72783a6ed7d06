#include "engine/listen_session.h"

#include <algorithm>
#include <cmath>

#include "core/user_settings.h"
#include "engine/practice_engine.h"
#include "material/category.h"
#include "sound/Sound_Treat.h"

namespace listen {
namespace {

// The notes played in the last two seconds are kept for a pass that begins just after them.
constexpr double kRecentMs = 2000;

}  // namespace

Mark MarkOf(const NoteResult& note, int toleranceMs) {
  switch (note.verdict) {
    case Verdict::kHit:
      return std::abs(*note.timingMs) <= toleranceMs ? Mark::kOnTime : Mark::kOffTime;
    case Verdict::kWrong:
      return Mark::kWrongPitch;
    case Verdict::kMissed:
      break;
  }
  return Mark::kMissed;
}

Settings LoadSettings(const QSettings& store) {
  Settings s;
  s.on = store.value(user_settings::kListenOn, false).toBool();
  s.octaveFree = store.value(user_settings::kListenOctaveFree, false).toBool();
  s.mode = store.value(user_settings::kListenMode).toString() == QLatin1String("answer")
               ? Mode::kAnswer
               : Mode::kAlong;
  s.toleranceMs = store.value(user_settings::kListenToleranceMs, 30).toInt();
  return s;
}

void StoreSettings(QSettings& store, const Settings& s) {
  store.setValue(user_settings::kListenOn, s.on);
  store.setValue(user_settings::kListenOctaveFree, s.octaveFree);
  store.setValue(user_settings::kListenMode,
                 s.mode == Mode::kAnswer ? QStringLiteral("answer") : QStringLiteral("along"));
  store.setValue(user_settings::kListenToleranceMs, s.toleranceMs);
}

PassOf PassOf::Of(const settings::CfgRecord& cfg) {
  return {category::Valid(cfg.Category), settings::CurrentItem(cfg), cfg.Root, cfg.Tonality,
          cfg.V7Treatment};
}

void Session::SetSettings(const Settings& settings) {
  settings_ = settings;
  settings_.toleranceMs = std::clamp(settings_.toleranceMs, kMinToleranceMs, kMaxToleranceMs);
  if (!settings_.on) {
    startMs_ = -1;
    lastScore_.reset();
  }
}

bool Session::Begin(const settings::CfgRecord& cfg, const QString& dir, double startMs) {
  if (!settings_.on) return false;
  pass_ = PassOf::Of(cfg);
  passKey_ = cfg.Root;
  passTempo_ = cfg.Tempo;
  played_.clear();
  startMs_ = -1;
  // The item's notes as this pass plays them. (Continuous play may have moved on when it
  // is judged.)
  practice::OfflineEngine world(cfg);
  QString error;
  const int category = category::Valid(cfg.Category);
  world.engine.LoadCategory(dir, category, &error);
  expected_.clear();
  if (error.isEmpty()) {
    expected_ = ExpectedPass(world, category, settings::CurrentItem(cfg), passKey_, &error);
  }
  if (!error.isEmpty()) return false;
  startMs_ = startMs;
  // A first note played a little early, just before the pass or the answer began, is its.
  for (const Played& p : recentlyPlayed_) {
    if (p.ms >= startMs - EarlyMs()) played_.push_back({p.pitch, p.ms - startMs});
  }
  return true;
}

double Session::EarlyMs() const {
  return Sound_Treat::BeatLengthMs(passTempo_) / 4.0;
}

bool Session::NotePlayed(int pitch, double ms) {
  if (!settings_.on) return false;
  // A note well before the pass or the answer (a stamp from before it began) is not its.
  const bool counted = Listening() && ms >= startMs_ - EarlyMs();
  if (counted) played_.push_back({pitch, ms - startMs_});
  recentlyPlayed_.push_back({pitch, ms});
  std::erase_if(recentlyPlayed_, [ms](const Played& p) { return p.ms < ms - kRecentMs; });
  return counted;
}

std::vector<NoteResult> Session::KnownAt(double nowMs) const {
  std::vector<NoteResult> known;
  if (!Listening()) return known;
  const double now = nowMs - startMs_;
  const Options options = OptionsFor(passTempo_, settings_.octaveFree);
  for (const NoteResult& note : Match(expected_, played_, options).notes) {
    if (note.played || note.expected.ms + options.beatMs < now) known.push_back(note);
  }
  return known;
}

const Result* Session::Judge() {
  if (!settings_.on || !Listening()) return nullptr;
  startMs_ = -1;
  lastScore_ = Match(expected_, played_, OptionsFor(passTempo_, settings_.octaveFree));
  lastScoreOf_ = pass_;
  played_.clear();
  keyScores_[MusicMethod_Treat::PitchClass(passKey_)] = lastScore_->summary;
  return &*lastScore_;
}

practice_log::Entry Session::LogEntry(const file_Treat::MaterialLists& lists,
                                      const settings::CfgRecord& cfg, const QDateTime& when) const {
  practice_log::Entry entry;
  entry.date = when;
  const int category = category::Valid(cfg.Category);
  entry.item = file_Treat::ItemName(lists, category, settings::CurrentItem(cfg)).trimmed();
  entry.category = category;
  entry.key = MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), passKey_);
  entry.tempo = passTempo_;
  if (lastScore_) {
    entry.notes = static_cast<int>(lastScore_->notes.size());
    entry.summary = lastScore_->summary;
  }
  return entry;
}

}  // namespace listen
