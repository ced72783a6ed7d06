#include "sound/transcriber.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>

namespace sound {

namespace {

// The analysis: a window long enough for two periods of a trombone's low B♭1 (58 Hz), moved
// on by an eighth of itself (5.8 ms at 44.1 kHz).
constexpr double kWindowSeconds = 0.040;
constexpr int kHopsPerWindow = 8;

// What makes a frame part of a note: loud enough and a clear pitch within the instruments'
// range. A frame more than kRangeDb below the loudest sound of the last seconds is silence,
// so a room's tail and breath between notes do not keep a note going.
constexpr double kSilenceDb = -60;
constexpr double kRangeDb = 30;
constexpr double kPeakFallDbPerSecond = 6;
constexpr double kMinConfidence = 0.5;
constexpr double kLowestPitch = 31;    // G1: two of its periods fill the window
constexpr double kHighestPitch = 108;  // C8

// A note begins after this many frames with one pitch; ends after kReleaseMs without one.
constexpr int kConfirmFrames = 4;
// Frames analysed after a frame before it is decided: the onset detector has seen past it.
constexpr std::size_t kLookAhead = 5;
constexpr double kReleaseMs = 30;
// A slur: the pitch stays at least kSlurSemitones from the note's for kSlurMs. Vibrato of
// half a semitone each way stays below it.
constexpr double kSlurSemitones = 0.75;
constexpr double kSlurMs = 30;
constexpr double kOctaveSlurMs = 80;
// A re-articulated note (tongued, same pitch): an onset at least kSplitAfterMs into a note
// where the level rises by kRiseDb.
constexpr double kSplitAfterMs = 70;
constexpr double kRiseDb = 4;
// A repetition tongued without a silence long enough to end the note: the level falls at
// least kDipDb below the note's for kDipFrames frames and comes back within half of that.
constexpr double kDipDb = 12;
constexpr int kDipFrames = 2;
constexpr double kDipFloorDb = 3;
// How long after a cut the next note's pitch may take to hold and the note still begins
// at the cut.
constexpr double kCutReachMs = 50;
// The note shown on the keyboard: a pitch held this many frames; none after silence held
// this many.
constexpr int kShowFrames = 2;
constexpr int kHideFrames = 3;
// A note is said to have begun once its pitch has held this long (or at its end): until
// then its first pitch may still give way to the one that follows, from the same onset.
constexpr double kSettleMs = 40;
// A note whose level falls this far below its loudest has ended, whatever rings on.
constexpr double kFadeDb = 30;
// Shorter than this is no note (a click, a breath).
constexpr double kMinNoteMs = 50;
// An onset found up to kOnsetBeforeMs before the first frame of a note (or kOnsetAfterMs
// after it) gives the note's onset time.
constexpr double kOnsetBeforeMs = 70;
constexpr double kOnsetAfterMs = 10;
// How strong a rise of the spectral flux is an onset (aubio's own default finds onsets in
// the steady part of a held note).
constexpr smpl_t kOnsetThreshold = 0.5;
// The attack left out of a note's median pitch when the note is long enough.
constexpr double kAttackMs = 20;

struct Frame {
  double ms = 0;
  double levelDb = -120;
  double pitch = 0;
  double confidence = 0;
  bool voiced = false;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

double Spread(const std::deque<Frame>& frames) {
  double low = 1e9, high = -1e9;
  for (const Frame& f : frames) {
    low = std::min(low, f.pitch);
    high = std::max(high, f.pitch);
  }
  return high - low;
}

// How periodic the window is at a period: the normalised correlation of the window with
// itself a period later (1 for a steady tone, near 0 for noise). Taken around the middle of
// the window (where the frame's level is taken), over three periods or half the window,
// whichever is longer, so that a note beginning late in the window does not make the
// silence or breath before it sound pitched.
double Correlation(const std::vector<float>& window, int lag) {
  const int size = static_cast<int>(window.size());
  if (lag < 2 || lag > size / 2) return 0;
  const int span = std::min(size, std::max(3 * lag, size / 2));
  const int from = (size - span) / 2;
  double cross = 0, early = 0, late = 0;
  for (int i = from; i + lag < from + span; ++i) {
    const double a = window[static_cast<std::size_t>(i)];
    const double b = window[static_cast<std::size_t>(i + lag)];
    cross += a * b;
    early += a * a;
    late += b * b;
  }
  return early > 0 && late > 0 ? cross / std::sqrt(early * late) : 0;
}

struct Periodic {
  double periodicity = 0;
  double pitch = 0;  // the pitch of the best period, between whole samples
};

// The periodicity at the period of pitch, the best of the whole periods around it, and the
// pitch of that period refined between samples. aubio's YIN-FFT reports no usable confidence
// of its own for most of the horns' range (it stays 0 between about A3 and A6), and reads
// some notes sharp (a trombone's B♭1 by twenty cents, C4 by five); this stands in for both.
Periodic PeriodicityAt(const std::vector<float>& window, double pitch, int rate) {
  if (pitch <= 0) return {};
  const double period = rate / (440.0 * std::pow(2.0, (pitch - 69) / 12));
  // The whole periods within about 35 cents of it (at least one each way).
  const int reach = std::max(1, static_cast<int>(period * 0.02));
  const int first = static_cast<int>(period) - reach, last = static_cast<int>(period) + reach + 1;
  std::vector<double> r;
  for (int lag = first; lag <= last; ++lag) r.push_back(Correlation(window, lag));
  const auto best =
      static_cast<std::size_t>(std::max_element(r.begin() + 1, r.end() - 1) - r.begin());
  const double left = r[best - 1], middle = r[best], right = r[best + 1];
  double lag = first + static_cast<double>(best);
  const double curve = left - 2 * middle + right;
  if (curve < 0) lag += std::clamp(0.5 * (left - right) / curve, -0.5, 0.5);
  return {middle, 69 + 12 * std::log2(rate / lag / 440.0)};
}

int PowerOfTwoAtLeast(double value) {
  int n = 256;
  while (n < value) n *= 2;
  return n;
}

}  // namespace

struct Transcriber::Parts {
  explicit Parts(int sampleRate)
      : rate(std::max(1000, sampleRate)),
        window(PowerOfTwoAtLeast(kWindowSeconds * rate)),
        hop(window / kHopsPerWindow),
        hopMs(1000.0 * hop / rate) {
    const auto r = static_cast<uint_t>(rate);
    pitch = new_aubio_pitch("yinfft", static_cast<uint_t>(window), static_cast<uint_t>(hop), r);
    aubio_pitch_set_unit(pitch, "midi");
    aubio_pitch_set_silence(pitch, -90);
    onset =
        new_aubio_onset("specflux", static_cast<uint_t>(window / 2), static_cast<uint_t>(hop), r);
    aubio_onset_set_minioi_ms(onset, 40);
    aubio_onset_set_threshold(onset, kOnsetThreshold);
    aubio_onset_set_silence(onset, static_cast<smpl_t>(kSilenceDb));
    in = new_fvec(static_cast<uint_t>(hop));
    pitchOut = new_fvec(1);
    onsetOut = new_fvec(1);
    recent.assign(static_cast<std::size_t>(window), 0.0f);
  }
  ~Parts() {
    del_aubio_pitch(pitch);
    del_aubio_onset(onset);
    del_fvec(in);
    del_fvec(pitchOut);
    del_fvec(onsetOut);
  }

  void Hop(Transcriber& owner);
  void Decide(Transcriber& owner, const Frame& frame, std::size_t queued);
  void Begin(double onsetMs, std::deque<Frame> frames);
  void End(Transcriber& owner, double atMs);
  // The note to show now, from each frame's pitch (-1 for none).
  void Show(Transcriber& owner, int heard);
  // Says the note has begun, with the pitch heard so far, once.
  void Announce(Transcriber& owner, double heard);
  // Ends the note at atMs, where a re-articulation was heard; the next note begins there.
  void Cut(Transcriber& owner, double atMs, const Frame& frame);
  double OnsetNear(double ms) const;
  bool LevelRisesAt(double ms, std::size_t queued) const;

  int rate;
  int window;
  int hop;
  double hopMs;
  aubio_pitch_t* pitch = nullptr;
  aubio_onset_t* onset = nullptr;
  fvec_t* in = nullptr;
  fvec_t* pitchOut = nullptr;
  fvec_t* onsetOut = nullptr;
  int filled = 0;             // samples of the next hop collected in `in`
  long long hops = 0;         // hops analysed
  std::vector<float> recent;  // the last window of samples, for the level
  double peakDb = -120;       // the loudest level of late, falling slowly
  std::deque<Frame> queue;    // frames analysed, waiting for the onsets around them
  std::deque<Frame> history;  // the last frames decided, for the level before an onset
  std::deque<double> onsets;  // onset times of late (ms)
  double decidedMs = -1e9;    // the time of the last frame decided
  double voicedMs = -1e9;     // the time of the note's last voiced frame
  double cutMs = -1e9;        // where the last note was cut by a re-articulation
  double steadyMs = -1e9;     // the last frame heard at the note\'s pitch
  bool announced = false;     // the note sounding has been said to have begun
  int shown = -1;             // the note shown now, the one heard last and for how many frames
  int showCandidate = -1;
  int showRun = 0;
  bool fading = false;       // a note has faded and its ring goes on
  double fadeFloorDb = 0;    // the softest of that ring
  double notePeakDb = -120;  // the loudest frame of the note since its last dip
  double dipDb = -120;       // the softest frame since that peak, and its time
  double dipMs = 0;
  int lowFrames = 0;  // frames in a row that far down, and the most of them since the peak
  int dipFrames = 0;

  bool inNote = false;
  HeardNote note;
  std::vector<double> notePitches;  // the voiced frames' pitches of the note sounding
  std::vector<double> noteTimes;
  std::deque<Frame> candidate;  // voiced frames that may begin a note
  std::deque<Frame> changed;    // frames at another pitch within a note
  int unvoiced = 0;
  double firstUnvoicedMs = 0;
};

void Transcriber::Parts::Hop(Transcriber& owner) {
  aubio_pitch_do(pitch, in, pitchOut);
  aubio_onset_do(onset, in, onsetOut);
  if (onsetOut->data[0] > 0) {
    onsets.push_back(1000.0 * aubio_onset_get_last(onset) / rate);
    if (onsets.size() > 64) onsets.pop_front();
  }
  // Keep the last window of samples; the frame's time is the middle of its window.
  std::move(recent.begin() + hop, recent.end(), recent.begin());
  std::copy(in->data, in->data + hop, recent.end() - hop);
  ++hops;
  Frame frame;
  frame.ms = 1000.0 * (static_cast<double>(hops) * hop - window / 2.0) / rate;
  frame.pitch = pitchOut->data[0];
  const Periodic heard = PeriodicityAt(recent, frame.pitch, rate);
  frame.confidence = std::clamp(heard.periodicity, 0.0, 1.0);
  if (frame.pitch > 0) frame.pitch = heard.pitch;
  // A tone repeats at two or three of its periods as well as at one: YIN sometimes takes
  // such a longer period (a flute's high notes an octave or a twelfth low). The shortest
  // period that repeats as well is the note's.
  for (const double up : {19.02, 12.0}) {
    const double higher = frame.pitch + up;
    if (frame.pitch <= 0 || higher > kHighestPitch) continue;
    const Periodic shorter = PeriodicityAt(recent, higher, rate);
    if (shorter.periodicity >= frame.confidence - 0.03) {
      frame.pitch = higher;
      frame.confidence = std::min(1.0, shorter.periodicity);
      break;
    }
  }
  // The level around the middle of the window, over a hop or, for a low note, over one of
  // its periods (a trombone's B♭1 would otherwise seem to throb).
  int span = hop;
  if (frame.pitch > 0) {
    const double period = rate / (440.0 * std::pow(2.0, (frame.pitch - 69) / 12));
    span = std::clamp(static_cast<int>(period), hop, window);
  }
  double energy = 0;
  const auto middle = recent.begin() + window / 2;
  for (auto s = middle - span / 2; s != middle - span / 2 + span; ++s) energy += double(*s) * *s;
  frame.levelDb = 10 * std::log10(energy / span + 1e-12);
  peakDb = std::max(frame.levelDb, peakDb - kPeakFallDbPerSecond * hopMs / 1000);
  frame.voiced = frame.levelDb >= kSilenceDb && frame.levelDb >= peakDb - kRangeDb &&
                 frame.confidence >= kMinConfidence && frame.pitch >= kLowestPitch &&
                 frame.pitch <= kHighestPitch;
  if (owner.onFrame) {
    owner.onFrame({frame.ms, frame.levelDb, frame.voiced ? frame.pitch : 0, frame.confidence});
  }
  Show(owner, frame.voiced ? static_cast<int>(std::lround(frame.pitch)) : -1);
  queue.push_back(frame);
  // A frame is decided once the onset detector has seen past it.
  while (queue.size() > kLookAhead) {
    const Frame next = queue.front();
    queue.pop_front();
    Decide(owner, next, queue.size());
  }
}

double Transcriber::Parts::OnsetNear(double ms) const {
  double best = ms;
  double bestDistance = 1e9;
  for (const double o : onsets) {
    if (o < ms - kOnsetBeforeMs || o > ms + kOnsetAfterMs) continue;
    if (std::abs(o - ms) < bestDistance) {
      bestDistance = std::abs(o - ms);
      best = o;
    }
  }
  return best;
}

bool Transcriber::Parts::LevelRisesAt(double ms, std::size_t queued) const {
  double before = 1e9;
  for (const Frame& f : history) {
    if (f.ms >= ms - 40 && f.ms < ms) before = std::min(before, f.levelDb);
  }
  double after = -1e9;
  const auto upTo = queue.end();
  for (auto f = queue.end() - static_cast<std::ptrdiff_t>(queued); f != upTo; ++f) {
    if (f->ms >= ms && f->ms <= ms + 30) after = std::max(after, f->levelDb);
  }
  return before < 1e9 && after > -1e9 && after - before >= kRiseDb;
}

void Transcriber::Parts::Show(Transcriber& owner, int heard) {
  showRun = heard == showCandidate ? showRun + 1 : 1;
  showCandidate = heard;
  if (heard == shown || showRun < (heard < 0 ? kHideFrames : kShowFrames)) return;
  shown = heard;
  if (owner.onShown) owner.onShown(shown, 1000.0 * static_cast<double>(hops) * hop / rate);
}

void Transcriber::Parts::Begin(double onsetMs, std::deque<Frame> frames) {
  inNote = true;
  voicedMs = steadyMs = frames.back().ms;
  notePeakDb = dipDb = frames.back().levelDb;
  dipFrames = lowFrames = 0;
  dipMs = frames.back().ms;
  note = HeardNote{};
  note.onsetMs = onsetMs;
  notePitches.clear();
  noteTimes.clear();
  for (const Frame& f : frames) {
    notePitches.push_back(f.pitch);
    noteTimes.push_back(f.ms);
  }
  const double heard = Median(notePitches);
  note.pitch = static_cast<int>(std::lround(heard));
  note.cents = (heard - note.pitch) * 100;
  unvoiced = 0;
  changed.clear();
  announced = false;
}

void Transcriber::Parts::Announce(Transcriber& owner, double heard) {
  if (announced) return;
  announced = true;
  note.pitch = static_cast<int>(std::lround(heard));
  note.cents = (heard - note.pitch) * 100;
  if (owner.onNoteBegun) owner.onNoteBegun(note);
}

void Transcriber::Parts::End(Transcriber& owner, double atMs) {
  inNote = false;
  note.lengthMs = atMs - note.onsetMs;
  // The median of the steady part: the attack left out when enough remains.
  std::vector<double> steady;
  for (std::size_t i = 0; i < notePitches.size(); ++i) {
    if (noteTimes[i] >= note.onsetMs + kAttackMs) steady.push_back(notePitches[i]);
  }
  if (steady.size() < 3) steady = notePitches;
  const double heard = Median(steady);
  if (note.lengthMs < kMinNoteMs || steady.empty()) return;
  Announce(owner, heard);
  note.pitch = static_cast<int>(std::lround(heard));
  note.cents = (heard - note.pitch) * 100;
  if (owner.onNote) owner.onNote(note);
}

void Transcriber::Parts::Cut(Transcriber& owner, double atMs, const Frame& frame) {
  End(owner, atMs);
  // The new note's pitch is heard once it holds; in a room the old note rings on at first.
  cutMs = atMs;
  candidate = {frame};
}

void Transcriber::Parts::Decide(Transcriber& owner, const Frame& frame, std::size_t queued) {
  decidedMs = frame.ms;
  history.push_back(frame);
  if (history.size() > 16) history.pop_front();
  if (!inNote) {
    if (fading && frame.voiced && frame.levelDb < fadeFloorDb + kDipDb) {
      fadeFloorDb = std::min(fadeFloorDb, frame.levelDb);
      return;
    }
    fading = false;
    if (!frame.voiced) {
      candidate.clear();
      return;
    }
    candidate.push_back(frame);
    while (candidate.size() > 1 && Spread(candidate) > 1.0) candidate.pop_front();
    if (static_cast<int>(candidate.size()) < kConfirmFrames) return;
    // A note that follows a re-articulation begins where the old one was cut.
    const double onsetMs =
        candidate.front().ms - cutMs <= kCutReachMs ? cutMs : OnsetNear(candidate.front().ms);
    Begin(onsetMs, std::move(candidate));
    candidate.clear();
    return;
  }
  if (frame.levelDb > notePeakDb) {
    notePeakDb = frame.levelDb;
    dipDb = frame.levelDb;
    dipFrames = lowFrames = 0;
  } else if (frame.levelDb <= dipDb + kDipFloorDb) {
    // The last frame at the dip's floor (breath noise wavers there): the attack follows it.
    dipDb = std::min(dipDb, frame.levelDb);
    dipMs = frame.ms;
  }
  // How long the level stayed down: a room's beating dips for a moment only.
  lowFrames = frame.levelDb <= notePeakDb - kDipDb ? lowFrames + 1 : 0;
  dipFrames = std::max(dipFrames, lowFrames);
  // A note fading far below its loudest is over (a room's tail, not the player).
  if (!frame.voiced || frame.levelDb < notePeakDb - kFadeDb) {
    if (unvoiced++ == 0) firstUnvoicedMs = frame.ms;
    if (unvoiced * hopMs >= kReleaseMs) {
      End(owner, firstUnvoicedMs);
      // What rings on after the note faded is no new note until it stops or something
      // louder begins.
      fading = frame.voiced;
      fadeFloorDb = frame.levelDb;
    }
    return;
  }
  unvoiced = 0;
  // A re-articulation: an onset since the last voiced frame (a tongued repetition may leave
  // a few frames without pitch between), well into the note, the level rising.
  const double previousMs = std::exchange(voicedMs, frame.ms);
  for (const double o : onsets) {
    if (o <= previousMs || o > frame.ms) continue;
    if (o - note.onsetMs >= kSplitAfterMs && LevelRisesAt(o, queued)) {
      Cut(owner, o, frame);
      return;
    }
  }
  // A repetition tongued: the level fell well below the note's and rises again.
  if (dipFrames >= kDipFrames && frame.levelDb >= notePeakDb - kDipDb / 2 &&
      dipMs - note.onsetMs >= kSplitAfterMs) {
    Cut(owner, dipMs, frame);
    return;
  }
  const double reference = Median(notePitches);
  if (std::abs(frame.pitch - reference) < kSlurSemitones) {
    // Back at the note's pitch: what strayed was a glitch (an octave slip, a crack).
    changed.clear();
    steadyMs = frame.ms;
    notePitches.push_back(frame.pitch);
    noteTimes.push_back(frame.ms);
    if (frame.ms - note.onsetMs >= kSettleMs) Announce(owner, Median(notePitches));
    return;
  }
  changed.push_back(frame);
  while (changed.size() > 1 && Spread(changed) > 1.0) changed.pop_front();
  // YIN slips by an octave for a moment where a room still rings with the note before: a
  // move by whole octaves must hold longer.
  std::vector<double> moved;
  for (const Frame& f : changed) moved.push_back(f.pitch);
  const double interval = std::abs(Median(moved) - reference);
  const bool octaves = std::abs(interval - 12 * std::round(interval / 12)) < 0.5;
  const double holdMs = changed.back().ms - changed.front().ms + hopMs;
  if (!announced && holdMs >= kSlurMs) {
    // The note's first pitch did not hold: the attack (a scoop, YIN's slip to a longer
    // period while the tone builds up, a room's last note ringing on). The note is what
    // followed, from the same onset.
    notePitches.clear();
    noteTimes.clear();
    for (const Frame& f : changed) {
      notePitches.push_back(f.pitch);
      noteTimes.push_back(f.ms);
    }
    steadyMs = changed.back().ms;
    changed.clear();
    return;
  }
  if (holdMs >= (octaves ? kOctaveSlurMs : kSlurMs)) {
    // The new pitch began at the first onset heard since the old one was last steady (its
    // attack, which a room's ringing hides from YIN for a while), else where the old pitch
    // was last heard steady, unless that was long before (a crack, a breath in between).
    double at = std::clamp(steadyMs + hopMs, changed.front().ms - kSlurMs, changed.front().ms);
    for (const double o : onsets) {
      if (o > steadyMs - hopMs && o <= changed.front().ms + hopMs && o > note.onsetMs) {
        at = o;
        break;
      }
    }
    End(owner, at);
    Begin(at, std::move(changed));
  }
}

Transcriber::Transcriber(int rate) : parts_(std::make_unique<Parts>(rate)) {}
Transcriber::~Transcriber() = default;

int Transcriber::rate() const {
  return parts_->rate;
}

double Transcriber::AnalysisDelayMs() const {
  // A frame is analysed when its window is full (half a window after its time) and decided
  // after the look-ahead; a note is said to have begun once its pitch has held.
  return 1000.0 * (parts_->window / 2.0 + parts_->hop * kLookAhead) / parts_->rate +
         std::max(kSettleMs, 1000.0 * parts_->hop * kConfirmFrames / parts_->rate);
}

void Transcriber::Feed(const float* samples, int count) {
  Parts& p = *parts_;
  for (int i = 0; i < count; ++i) {
    const float s = samples[i];
    p.in->data[p.filled++] = std::isfinite(s) ? s : 0.0f;
    if (p.filled == p.hop) {
      p.Hop(*this);
      p.filled = 0;
    }
  }
}

void Transcriber::Finish() {
  Parts& p = *parts_;
  // Let the last window pass through with silence, then close the note sounding.
  const std::vector<float> silence(static_cast<std::size_t>(p.window + 6 * p.hop), 0.0f);
  Feed(silence.data(), static_cast<int>(silence.size()));
  if (p.inNote) p.End(*this, p.decidedMs);
}

std::vector<HeardNote> Transcribe(const std::vector<float>& samples, int rate) {
  std::vector<HeardNote> notes;
  Transcriber transcriber(rate);
  transcriber.onNote = [&notes](const HeardNote& note) { notes.push_back(note); };
  transcriber.Feed(samples.data(), static_cast<int>(samples.size()));
  transcriber.Finish();
  return notes;
}

}  // namespace sound
