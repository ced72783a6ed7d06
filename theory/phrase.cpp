#include "theory/phrase.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "core/kihon.h"
#include "core/language.h"
#include "theory/spelling.h"

using namespace MusicMethod_Treat;

QString FixedText(const QString& text, int length) {
  if (text.size() <= length) return text.leftJustified(length, u' ');
  // Cut on a character boundary: a character made of a surrogate pair is left out whole
  // rather than halved, and the place it would take is padded.
  int keep = length;
  if (keep > 0 && text[keep - 1].isHighSurrogate()) --keep;
  return text.left(keep).leftJustified(length, u' ');
}

Phrase::Phrase() {
  NoteChord.fill(FixedText(QString(), kChordTextLength));
  NoteDegree.fill(FixedText(QString(), kDegreeTextLength));
}

namespace {

std::int16_t ToInt16(int value) {
  return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

void Report(const RealiseContext& ctx) {
  if (ctx.report) ctx.report(QCoreApplication::translate("phrase", kPhraseError));
}

}  // namespace

void ClearPhrase(Phrase& phrase) {
  const QString blank = FixedText(QString(), kChordTextLength);
  for (int i = 0; i < kNoteSlots; ++i) {
    phrase.NoteChord[i] = blank;
    phrase.NotePitch[i] = 0;
    phrase.NoteLength[i] = 0;
    phrase.NoteIsRest[i] = 0;
    phrase.NoteTie[i] = 0;
    phrase.NoteGroup(i) = 0;
  }
  phrase.NoteCount = 0;
  phrase.KeyMinor = 0;
}

void RealiseSteps(RealiseContext& ctx, bool isScale, int item, int key) {
  if (item < 0 || item >= file_Treat::kListSlots) return;
  Phrase& ph = ctx.phrase;
  const QString steps = isScale ? ctx.lists.ScaleSteps[item] : ctx.lists.ChordSteps[item];
  const QString& suffix = isScale ? QString() : ctx.lists.ChordSuffix[item];
  // The root takes the name that writes the scale or chord with fewer signs.
  std::vector<int> offsets{0};
  std::array<bool, 12> has{};
  int sum = 0;
  int value = 0;
  for (const QChar c : steps) {
    value = StepValue(c, value);
    sum += value;
    offsets.push_back(sum);
    has[PitchClass(sum)] = true;
  }
  const QString root = spelling::Name(spelling::StepsRoot(offsets, key, isScale, suffix));
  const QString label = isScale ? root + u' ' + ctx.lists.ScaleName[item] : root + suffix;
  ph.KeyMinor = has[3] && !has[4] ? 1 : 0;
  // A scale's heading is its root and name in ten characters; in English the names are the
  // English titles, which run longer than the Japanese names the ten were made for, and are
  // shown whole.
  const bool whole = isScale && language::Current() == language::Language::English;
  ph.NoteChord[0] =
      FixedText(label, whole ? std::max<int>(kChordTextLength, label.size()) : kChordTextLength);
  ph.NotePitch[0] = ToInt16(key);
  ph.NoteLength[0] = 12;
  int count = 1;
  int step = 0;
  int pitch = key;
  for (const QChar c : steps) {
    if (count == kNoteSlots) {
      // A step string longer than the record: keep what fits and say so.
      Report(ctx);
      break;
    }
    step = StepValue(c, step);
    pitch += step;
    ph.NotePitch[count] = ToInt16(pitch);
    ph.NoteLength[count] = 12;
    ph.NoteChord[count] = FixedText(QString(), kChordTextLength);
    ++count;
  }
  ph.NoteCount = static_cast<std::int16_t>(count);
}

int RealiseChordPart(RealiseContext& ctx, ChordPosition position, const QString& scale, int item,
                     int key, int counter) {
  static constexpr int kRootOffset[] = {2, 7, 0};  // II, V, I
  const int rootOffset = kRootOffset[position];
  Phrase& ph = ctx.phrase;
  const TheoryTables& tables = Tables();
  const int tableIndex = ChordTableIndex(ctx.cfg.Tonality, ctx.cfg.V7Treatment, position);
  if (counter < kNoteSlots) {
    // The chord's root is named from the key's letter by its degree (Ⅱ one letter up, Ⅴ four).
    static constexpr int kRootLetters[] = {1, 4, 0};
    const spelling::Key inKey{key, ctx.cfg.Tonality == 1};
    const spelling::NoteName root = spelling::Move(spelling::KeyName(inKey), kRootLetters[position],
                                                   rootOffset, spelling::PrefersFlats(inKey));
    ph.NoteChord[counter] =
        FixedText(spelling::Name(root) + tables.ChordSuffixTable[tableIndex], kChordTextLength);
  }
  const QString seven = scale.left(7);
  const QString degrees =
      item >= 0 && item < file_Treat::kListSlots ? ctx.lists.PatternDegrees[item] : QString();
  for (const QChar c : degrees) {
    if (counter >= kNoteSlots) {
      Report(ctx);
      break;
    }
    // Degrees 1..7 pick a character of the chord scale; 0, 8, 9 and other characters find
    // none and give offset 0.
    const int d = c.isDigit() ? c.digitValue() : 0;
    int offset = 0;
    if (d >= 1 && d <= seven.size()) {
      QString digit = seven.mid(d - 1, 1);
      offset = kihon::HexDigit(digit);
    }
    ph.NotePitch[counter] = ToInt16(offset + rootOffset + key);
    const int label = kDegreeLabels + offset;
    ph.NoteDegree[counter] =
        FixedText(label >= 0 && label < static_cast<int>(tables.NoteNameTable.size())
                      ? tables.NoteNameTable[label]
                      : QString(),
                  kDegreeTextLength);
    if (ctx.rings) {
      const QPointF point = (*ctx.rings)[position][PitchClass(ph.NotePitch[counter] + 48)];
      ph.NoteCircleX[counter] = static_cast<float>(point.x());
      ph.NoteCircleY[counter] = static_cast<float>(point.y());
    }
    ++counter;
  }
  return counter;
}

void RealiseTwoFiveOne(RealiseContext& ctx, int item, int key) {
  const TheoryTables& tables = Tables();
  int counter = 0;
  ctx.phrase.KeyMinor = ctx.cfg.Tonality == 1 ? 1 : 0;
  for (const ChordPosition position : {kII, kV, kI}) {
    const QString& scale =
        tables.ChordScaleTable[ChordTableIndex(ctx.cfg.Tonality, ctx.cfg.V7Treatment, position)];
    counter = RealiseChordPart(ctx, position, scale, item, key, counter);
  }
  Phrase& ph = ctx.phrase;
  ph.NoteCount = static_cast<std::int16_t>(counter);
  const int n = counter / 3;
  static const std::array<std::array<std::int16_t, 6>, 7> kLengths = {{
      {},
      {96},
      {48, 48},
      {24, 24, 48},
      {24, 24, 24, 24},
      {24, 24, 24, 12, 12},
      {24, 24, 12, 12, 12, 12},
  }};
  for (int chord = 0; chord < 3; ++chord) {
    for (int j = 0; j < n; ++j) {
      ph.NoteLength[chord * n + j] = n < 7 ? kLengths[n][j] : 0;
    }
  }
}

void FitToRange(const settings::CfgRecord& cfg, Phrase& phrase) {
  if (cfg.LimitRange != 1) return;
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  int highest = 0;
  int lowest = 88;
  for (int i = 0; i < count; ++i) {
    if (phrase.NoteIsRest[i] != 0) continue;
    highest = std::max<int>(highest, phrase.NotePitch[i]);
    lowest = std::min<int>(lowest, phrase.NotePitch[i]);
  }
  int shift = 0;
  if (highest > cfg.RangeHigh) {
    shift = highest - 12 > cfg.RangeHigh ? -24 : -12;
  } else if (lowest < cfg.RangeLow) {
    shift = lowest + 12 < cfg.RangeLow ? 24 : 12;
  }
  for (int i = 0; i < count; ++i) phrase.NotePitch[i] = ToInt16(phrase.NotePitch[i] + shift);
}

namespace {

// The number a duration part starts with: spaces and tabs are skipped wherever they occur,
// digits are collected, and reading stops at the first other character. -1 when the number
// does not fit 16 bits.
int LeadingDigits(const QString& text) {
  int value = 0;
  for (const QChar c : text) {
    if (c == u' ' || c == u'\t') continue;
    if (c < u'0' || c > u'9') break;
    value = value * 10 + c.digitValue();
    if (value > 32767) return -1;
  }
  return value;
}

}  // namespace

namespace {

// The key a phrase is in: the root of its last chord line, 0 (C) when it has none; minor
// when that chord is minor. Its notes and chord names are written in that key from the
// first view on.
struct WrittenKey {
  spelling::Key key;
  // The letters the phrase's chords move by to be named in the key as the program names
  // it (a phrase written in D♭ minor is shown in C♯ minor).
  int letters = 0;
};

WrittenKey PhraseKey(const file_Treat::PhraseBody& body) {
  QString last;
  for (const QString& line : body) {
    if (line.isEmpty()) break;
    if (line.startsWith(u'*')) last = line;
  }
  WrittenKey written;
  if (last.isEmpty()) return written;
  const ChordSymbol chord = ReadChordSymbol(last);
  // A root read back as -1 or 12 is the same key as 11 or 0.
  written.key = spelling::Key{PitchClass(chord.root), spelling::QualityOf(chord.suffix).minor};
  if (const auto root = spelling::SymbolRoot(last)) {
    written.letters = spelling::KeyName(written.key).step - root->step;
    if (written.letters > 3) written.letters -= 7;
    if (written.letters < -3) written.letters += 7;
  }
  return written;
}

}  // namespace

void RealisePhrase(RealiseContext& ctx, int item, int /*key*/) {
  Phrase& ph = ctx.phrase;
  if (item < 0 || item >= file_Treat::kPhraseSlots) {
    Report(ctx);
    return;
  }
  const file_Treat::PhraseBody& body = (*ctx.lists.PhraseLine)[item];
  const WrittenKey written = PhraseKey(body);
  const bool flats = spelling::PrefersFlats(written.key);
  QString pending;
  int n = 0;
  for (int j = 0;; ++j) {
    if (j >= file_Treat::kPhraseLineSlots) {
      // Every line slot is filled: no empty line ends the body.
      ph.NoteCount = 0;
      Report(ctx);
      return;
    }
    const QString& line = body[j];
    if (line.isEmpty()) break;
    if (line.startsWith(u'*')) {
      pending = spelling::MoveSymbol(line.mid(1), written.letters, 0, flats);
      continue;
    }
    int pitch = 0;
    bool rest = false;
    const int position = ParseNoteToken(line, pitch, rest);
    QString duration = line.mid(position);
    int ticks = 0;
    if (duration.contains(u'.')) {
      duration.remove(u'.');
      const int value = LeadingDigits(duration);
      if (value < 0) {
        ph.NoteCount = 0;
        Report(ctx);
        return;
      }
      ticks = static_cast<int>(std::nearbyint(DurationTicks(value) * 1.5));
    } else if (duration.contains(u'T')) {
      duration.remove(u'T');
      const int value = LeadingDigits(duration);
      if (value < 0 || value + 300 > 32767) {
        ph.NoteCount = 0;
        Report(ctx);
        return;
      }
      ticks = DurationTicks(value + 300);
    } else {
      const int value = LeadingDigits(duration);
      if (value < 0) {
        ph.NoteCount = 0;
        Report(ctx);
        return;
      }
      ticks = DurationTicks(value);
    }
    ph.NoteTie[n] = line.contains(u'=') ? 1 : 0;
    ph.NoteIsRest[n] = rest ? 1 : 0;
    ph.NotePitch[n] = ToInt16(rest ? kRestPitch : pitch);
    ph.NoteLength[n] = ToInt16(ticks);
    ph.NoteChord[n] = FixedText(pending, kChordTextLength);
    pending.clear();
    ++n;
  }
  ph.NoteCount = static_cast<std::int16_t>(n);
  ph.KeyMinor = written.key.minor ? 1 : 0;
  ctx.cfg.Root = static_cast<std::int16_t>(written.key.tonic);
}

void TransposePhrase(const settings::CfgRecord& cfg, Phrase& phrase, int distance) {
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  // The symbols move by the interval between the two keys' names: letters and semitones.
  const bool minor = phrase.KeyMinor != 0;
  const spelling::Key to{cfg.Root, minor};
  const spelling::Key from{cfg.Root - distance, minor};
  const int letters = spelling::KeyName(to).step - spelling::KeyName(from).step;
  const bool flats = spelling::PrefersFlats(to);
  for (int i = 0; i < count; ++i) {
    phrase.NotePitch[i] = ToInt16(phrase.NotePitch[i] + distance);
    const QString symbol = phrase.NoteChord[i].trimmed();
    if (symbol.isEmpty()) continue;
    // The root and a slash chord's bass move together.
    phrase.NoteChord[i] =
        FixedText(spelling::MoveSymbol(symbol, letters, distance, flats), kChordTextLength);
  }
}

namespace {

using namespace group;
using namespace ticks;

// One rhythm figure of the grouping catalogue: the lengths of its notes, where it may start,
// the codes its notes get and how far it moves on.
struct GroupingRule {
  std::array<int, 4> lengths;         // the figure's note lengths; 0 ends a shorter figure
  bool onHalfBar;                     // starts only where a half bar begins (else on any beat)
  int from;                           // the first note that is grouped: from there on, no rests
  std::array<std::int16_t, 4> codes;  // the codes of the notes from `from` on
  int ticks;                          // the position moves on by this much
  int notes;                          // and the walk by this many notes
};

// Tried in order at each beat; the first figure that fits is taken. Four eighths off the
// half bar pair up by beats: the first two are passed, the next two are looked at again.
constexpr GroupingRule kGroupingRules[] = {
    {{kEighth, kEighth, kEighth, kEighth},
     true,
     0,
     {kEighthFirst, kEighthMiddle, kEighthMiddle, kEighthLast},
     kHalf,
     4},
    {{kEighth, kEighth, kEighth, kEighth},
     false,
     0,
     {kEighthFirst, kEighthLast, kEighthFirst, kEighthLast},
     kQuarter,
     2},
    {{kEighth, kEighth}, false, 0, {kEighthFirst, kEighthLast}, kQuarter, 2},
    {{kSixteenth, kSixteenth, kSixteenth, kSixteenth},
     false,
     0,
     {kSixteenthFirst, kSixteenthMiddle, kSixteenthMiddle, kSixteenthLast},
     kQuarter,
     4},
    {{kSixteenth, kSixteenth, kEighth},
     false,
     0,
     {kSixteenthFirst, kSixteenthMiddle, kEighthLast},
     kQuarter,
     3},
    {{kSixteenth, kSixteenth}, false, 0, {kSixteenthFirst, kSixteenthLast}, kEighth, 2},
    {{kEighth, kSixteenth, kSixteenth},
     false,
     0,
     {kEighthFirst, kSixteenthMiddle, kSixteenthLast},
     kQuarter,
     3},
    {{kQuarterTriplet, kQuarterTriplet, kQuarterTriplet},
     false,
     0,
     {kQuarterTripletFirst, kQuarterTripletMiddle, kQuarterTripletLast},
     kHalf,
     3},
    {{kEighthTriplet, kEighthTriplet, kEighthTriplet},
     false,
     0,
     {kEighthTripletFirst, kEighthTripletMiddle, kEighthTripletLast},
     kQuarter,
     3},
    // The shuffle's long-short (a quarter and an eighth of a triplet) and its reverse: one
    // bracket, no beam.
    {{kQuarterTriplet, kEighthTriplet},
     false,
     0,
     {kQuarterTripletFirst, kQuarterTripletLast},
     kQuarter,
     2},
    {{kEighthTriplet, kQuarterTriplet},
     false,
     0,
     {kQuarterTripletFirst, kQuarterTripletLast},
     kQuarter,
     2},
    {{kSixteenthTriplet, kSixteenthTriplet, kSixteenthTriplet},
     false,
     0,
     {kSixteenthTripletFirst, kSixteenthTripletMiddle, kSixteenthTripletLast},
     kEighth,
     3},
    // An eighth (a note or a rest) and a sixteenth triplet.
    {{kEighth, kSixteenthTriplet, kSixteenthTriplet, kSixteenthTriplet},
     false,
     1,
     {kSixteenthTripletFirst, kSixteenthTripletMiddle, kSixteenthTripletLast},
     kQuarter,
     4},
};

int FigureLength(const GroupingRule& rule) {
  int n = 0;
  while (n < 4 && rule.lengths[n] != 0) ++n;
  return n;
}

}  // namespace

void GroupNotes(Phrase& phrase) {
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  // Lengths and rest flags past the last slot count as 0, so no figure reaches past it.
  const auto len = [&](int i) { return i < kNoteSlots ? phrase.NoteLength[i] : 0; };
  const auto rest = [&](int i) { return i < kNoteSlots ? phrase.NoteIsRest[i] : 0; };
  const auto fits = [&](const GroupingRule& rule, int i, int position) {
    if (rule.onHalfBar && position % kHalf != 0) return false;
    const int n = FigureLength(rule);
    for (int k = 0; k < n; ++k) {
      if (len(i + k) != rule.lengths[k]) return false;
      if (k >= rule.from && rest(i + k) != 0) return false;
    }
    return true;
  };
  int position = 0;
  int i = 0;
  while (i < count) {
    const GroupingRule* taken = nullptr;
    if (position % kQuarter == 0) {
      for (const GroupingRule& rule : kGroupingRules) {
        if (fits(rule, i, position)) {
          taken = &rule;
          break;
        }
      }
    }
    if (taken == nullptr) {
      position += len(i);
      ++i;
      continue;
    }
    const int n = FigureLength(*taken);
    for (int k = taken->from; k < n; ++k) {
      if (i + k < kNoteSlots) phrase.NoteGroup(i + k) = taken->codes[k - taken->from];
    }
    position += taken->ticks;
    i += taken->notes;
  }
}

void RealiseItem(RealiseContext& ctx, bool keyChangeOnly, std::int16_t& previousRoot) {
  settings::CfgRecord& cfg = ctx.cfg;
  const int category = cfg.Category;
  const int item = settings::CurrentItem(cfg);
  switch (category) {
    case category::kScale:
    case category::kChord:
      ClearPhrase(ctx.phrase);
      RealiseSteps(ctx, category == category::kScale, item, cfg.Root);
      break;
    case category::kPattern:
      ClearPhrase(ctx.phrase);
      RealiseTwoFiveOne(ctx, item, cfg.Root);
      break;
    case category::kPhrase:
    case category::kOtherPhrases1:
    case category::kOtherPhrases2:
      if (keyChangeOnly) {
        TransposePhrase(cfg, ctx.phrase, cfg.Root - previousRoot);
      } else {
        ClearPhrase(ctx.phrase);
        RealisePhrase(ctx, item, cfg.Root);
      }
      previousRoot = cfg.Root;
      break;
    default:
      ClearPhrase(ctx.phrase);
      break;
  }
  FitToRange(cfg, ctx.phrase);
  GroupNotes(ctx.phrase);
}

std::vector<SoundingNote> SoundingNotes(const Phrase& phrase) {
  std::vector<SoundingNote> notes;
  for (int i = 0; i < phrase.NoteCount; ++i) {
    if (phrase.NoteIsRest[i]) continue;
    const bool tied = i > 0 && phrase.NoteTie[i] && !phrase.NoteIsRest[i - 1] &&
                      phrase.NotePitch[i - 1] == phrase.NotePitch[i];
    if (tied && !notes.empty()) {
      notes.back().length += phrase.NoteLength[i];
    } else {
      notes.push_back({i, phrase.NoteLength[i]});
    }
  }
  return notes;
}
