#include "theory/MusicMethod_Treat.h"

#include <QStringList>
#include <algorithm>

namespace MusicMethod_Treat {
namespace {

void FillNoteNames(TheoryTables& t) {
  const QStringList sharp = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B", "C"};
  const QStringList flat = {"C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B", "C"};
  const QStringList degrees = {"Ⅰ", "b９", "Ⅱ", "bⅢ", "Ⅲ", "Ⅳ", "bⅤ", "Ⅴ", "bⅥ", "Ⅵ", "bⅦ", "Ⅶ"};
  const QStringList altered = {"Ⅰ", "b９", "Ⅱ", "#９", "Ⅲ", "Ⅳ", "#11", "Ⅴ", "bⅥ", "Ⅵ", "bⅦ", "Ⅶ"};
  for (int i = 0; i < 13; ++i) {
    t.NoteNameTable[kSharpNames + i] = sharp[i];
    t.NoteNameTable[kFlatNames + i] = flat[i];
  }
  for (int i = 0; i < 12; ++i) {
    t.NoteNameTable[kDegreeLabels + i] = degrees[i];
    t.NoteNameTable[kAlteredDegreeLabels + i] = altered[i];
  }
}

void SetScale(TheoryTables& t, int tonality, int treatment, ChordPosition position,
              const char* scale, const char* suffix) {
  const int index = ChordTableIndex(tonality, treatment, position);
  t.ChordScaleTable[index] = QString::fromLatin1(scale);
  t.ChordSuffixTable[index] = QString::fromLatin1(suffix);
}

bool Contains(const QString& text, const char* part) {
  return text.contains(QLatin1String(part));
}

}  // namespace

int ChordTableIndex(int tonality, int treatment, ChordPosition position) {
  return std::clamp(tonality, 0, 1) + 2 * std::clamp(treatment, 0, 5) + 12 * position;
}

void InitNamesAndChordScales(TheoryTables& t) {
  FillNoteNames(t);
  for (int tonality = 0; tonality < 2; ++tonality) {
    const bool major = tonality == 0;
    for (int treatment = 0; treatment < 4; ++treatment) {
      SetScale(t, tonality, treatment, kII, major ? "023579ACEFH" : "013568ACDFH",
               major ? "m7" : "m7b5");
      SetScale(t, tonality, treatment, kI, major ? "024579BCEGH" : "023579ACEFH",
               major ? "M7" : "m7");
    }
    // The V's symbol names what its scale plays over it, so that the band's chord (voiced
    // from the symbol) agrees with the melody: the half-whole diminished scale over a
    // dominant with a flat ninth, the whole-tone scale over one with a raised fifth.
    SetScale(t, tonality, 0, kV, "024579ACEGI", "7");
    SetScale(t, tonality, 1, kV, "0134679ACDF", "7b9");
    SetScale(t, tonality, 2, kV, "013468ACDFG", "alt");
    SetScale(t, tonality, 3, kV, "02468ACEGIK", "7#5");
  }
}

void InitNamesAndChordShapes(TheoryTables& t) {
  FillNoteNames(t);
  t.ChordToneTable[kMajorSeventh] = {0, 4, 7, 11};
  t.ChordToneTable[kMinorSeventh] = {0, 3, 7, 10};
  t.ChordToneTable[kDominantSeventh] = {0, 4, 7, 10};
  t.ChordToneTable[kDiminishedSeventh] = {0, 3, 6, 9};
  t.ChordToneTable[kMinorSeventhFlatFive] = {0, 3, 6, 10};
  t.ChordToneTable[kAltered] = {0, 4, 8, 11};
}

const TheoryTables& Tables() {
  static const TheoryTables tables = [] {
    TheoryTables t;
    InitNamesAndChordScales(t);
    InitNamesAndChordShapes(t);
    return t;
  }();
  return tables;
}

int StepValue(QChar c, int previous) {
  switch (c.unicode()) {
    case u'1':
    case u'H':
      return 1;
    case u'2':
    case u'W':
      return 2;
    case u'3':
      return 3;
    case u'4':
      return 4;
    default:
      return previous;
  }
}

int ParseNoteToken(const QString& token, int& pitch, bool& rest) {
  pitch = 0;
  rest = false;
  int position = 0;
  static constexpr struct {
    char16_t letter;
    int pitch;
  } kLetters[] = {{u'C', 0}, {u'D', 2}, {u'E', 4}, {u'F', 5}, {u'G', 7}, {u'A', 9}, {u'B', 11}};
  for (const auto& l : kLetters) {
    const qsizetype at = token.indexOf(QChar(l.letter));
    if (at >= 0) {
      pitch = l.pitch;
      position = static_cast<int>(at) + 1;
      break;
    }
  }
  if (position == 0) {
    const qsizetype at = token.indexOf(u'R');
    if (at >= 0) {
      rest = true;
      position = static_cast<int>(at) + 1;
    }
  }
  if (position >= 2) {
    switch (token[position - 2].unicode()) {
      case u'0':
        pitch -= 12;
        break;
      case u'2':
        pitch += 12;
        break;
      case u'3':
        pitch += 24;
        break;
      case u'4':
        pitch += 36;
        break;
      case u'5':
        pitch += 48;
        break;
      case u'6':
        pitch += 60;
        break;
      default:
        break;
    }
  }
  // An accidental belongs to the root only when it stands directly after the letter, so
  // that the "b" and "#" of a suffix such as m7b5 or 7#9 are left to the suffix.
  if (position >= 1 && position < token.size()) {
    if (token[position] == u'#') {
      pitch += 1;
      ++position;
    } else if (token[position] == u'b') {
      pitch -= 1;
      ++position;
    }
  }
  return position;
}

namespace {

// The pitch of a root letter, or -1 for any other character.
int LetterPitch(QChar c) {
  switch (c.unicode()) {
    case u'C':
      return 0;
    case u'D':
      return 2;
    case u'E':
      return 4;
    case u'F':
      return 5;
    case u'G':
      return 7;
    case u'A':
      return 9;
    case u'B':
      return 11;
    default:
      return -1;
  }
}

// An accidental standing at index at of text: +1, -1, or 0 for none.
int AccidentalAt(const QString& text, qsizetype at) {
  if (at >= text.size()) return 0;
  if (text[at] == u'#') return 1;
  if (text[at] == u'b') return -1;
  return 0;
}

}  // namespace

ChordSymbol ReadChordSymbol(const QString& symbol) {
  ChordSymbol chord;
  qsizetype letter = -1;
  for (qsizetype i = 0; i < symbol.size(); ++i) {
    if (LetterPitch(symbol[i]) >= 0) {
      letter = i;
      break;
    }
  }
  if (letter < 0) {
    bool rest = false;
    chord.rootEnd = ParseNoteToken(symbol, chord.root, rest);
    chord.suffix = symbol.mid(chord.rootEnd);
    return chord;
  }
  // The root is read as a note token: its letter with the octave digit before it.
  bool rest = false;
  ParseNoteToken(symbol.mid(letter > 0 ? letter - 1 : 0, letter > 0 ? 2 : 1), chord.root, rest);
  const int accidental = AccidentalAt(symbol, letter + 1);
  chord.root += accidental;
  chord.rootEnd = static_cast<int>(letter) + 1 + (accidental != 0 ? 1 : 0);
  const QString after = symbol.mid(chord.rootEnd);
  for (qsizetype i = 0; i + 1 < after.size(); ++i) {
    if (after[i] != u'/') continue;
    const int bass = LetterPitch(after[i + 1]);
    if (bass < 0) continue;
    const int bassAccidental = AccidentalAt(after, i + 2);
    chord.suffix = after.left(i);
    chord.hasBass = true;
    chord.bass = bass + bassAccidental;
    chord.afterBass = after.mid(i + 2 + (bassAccidental != 0 ? 1 : 0));
    return chord;
  }
  chord.suffix = after;
  return chord;
}

QString NameChordSymbol(const TheoryTables& tables, const ChordSymbol& chord, int distance,
                        int keyRoot) {
  QString text = NoteNameInKey(tables, chord.root + distance, keyRoot) + chord.suffix;
  if (chord.hasBass) {
    text += u'/' + NoteNameInKey(tables, chord.bass + distance, keyRoot) + chord.afterBass;
  }
  return text;
}

QString NoteNameInKey(const TheoryTables& tables, int p, int root) {
  const int c = PitchClass(p);
  return tables.NoteNameTable[KeyUsesFlats(root) ? kFlatNames + c : kSharpNames + c];
}

QString KeyName(const TheoryTables& tables, int k) {
  const int c = PitchClass(k);
  return tables.NoteNameTable[KeyUsesFlats(c) ? kFlatNames + c : kSharpNames + c];
}

int DurationTicks(int code) {
  switch (code) {
    case 2:
      return ticks::kThirtySecond;
    case 3:
      return ticks::kSixteenth;
    case 4:
      return ticks::kEighth;
    case 5:
      return ticks::kQuarter;
    case 6:
      return ticks::kHalf;
    case 7:
      return ticks::kWhole;
    case 303:
      return ticks::kSixteenthTriplet;
    case 304:
      return ticks::kEighthTriplet;
    case 305:
      return ticks::kQuarterTriplet;
    default:
      return 0;
  }
}

namespace {

struct QualityRow {
  std::initializer_list<const char*> suffixes;
  ChordQuality quality;
};

// Every chord the material writes, by its suffix: the accompaniment's voices above the root
// and the bass's second note (the seventh, not the fifth, under a flat thirteenth).
const QualityRow kQualities[] = {
    {{"", "M"}, {{0, 4, 7, 12}, 7}},
    {{"m", "-"}, {{0, 3, 7, 12}, 7}},
    {{"6"}, {{0, 4, 7, 9}, 7}},
    {{"m6", "-6"}, {{0, 3, 7, 9}, 7}},
    {{"69", "6/9"}, {{0, 4, 9, 14}, 7}},
    {{"M7", "maj7", "Maj7", "\u25B3", "\u25B37"}, {{0, 4, 7, 11}, 7}},
    {{"mM7", "m(maj7)", "mmaj7", "-M7"}, {{0, 3, 7, 11}, 7}},
    {{"mM9", "m(maj9)", "mmaj9"}, {{0, 3, 11, 14}, 7}},
    {{"7"}, {{0, 4, 7, 10}, 7}},
    {{"m7", "-7", "min7"}, {{0, 3, 7, 10}, 7}},
    {{"m7b5", "\u00F8", "\u00F87", "-7b5"}, {{0, 3, 6, 10}, 6}},
    {{"dim", "dim7", "o", "o7"}, {{0, 3, 6, 9}, 6}},
    {{"aug", "+"}, {{0, 4, 8, 12}, 8}},
    {{"7#5", "7+5", "+7", "aug7"}, {{0, 4, 8, 10}, 8}},
    {{"M7#5", "maj7#5"}, {{0, 4, 8, 11}, 8}},
    {{"7b5"}, {{0, 4, 6, 10}, 6}},
    {{"sus4", "sus"}, {{0, 5, 7, 12}, 7}},
    {{"7sus4", "7sus"}, {{0, 5, 7, 10}, 7}},
    {{"9sus4", "9sus"}, {{0, 5, 10, 14}, 7}},
    {{"9"}, {{0, 4, 10, 14}, 7}},
    {{"7b9"}, {{0, 4, 10, 13}, 7}},
    {{"7#9"}, {{0, 4, 10, 15}, 7}},
    {{"7#11"}, {{0, 4, 10, 18}, 7}},
    {{"7b13"}, {{0, 4, 10, 20}, 10}},
    {{"7b9b13"}, {{0, 4, 10, 13}, 10}},
    {{"13"}, {{0, 4, 10, 21}, 7}},
    {{"13#11"}, {{0, 4, 10, 21}, 7}},
    {{"alt", "7alt"}, {{0, 4, 10, 15}, 0}},
    {{"M9", "maj9"}, {{0, 4, 11, 14}, 7}},
    {{"m9", "-9"}, {{0, 3, 10, 14}, 7}},
    {{"m11", "-11"}, {{0, 3, 10, 17}, 7}},
    {{"M7#11", "maj7#11", "M9#11", "maj9#11"}, {{0, 4, 11, 18}, 7}},
    {{"add9"}, {{0, 4, 7, 14}, 7}},
    {{"madd9", "m(add9)"}, {{0, 3, 7, 14}, 7}},
};

}  // namespace

std::optional<ChordQuality> ChordQualityOf(const QString& suffix) {
  const QString wanted = suffix.trimmed();
  for (const QualityRow& row : kQualities) {
    for (const char* name : row.suffixes) {
      if (wanted == QString::fromUtf8(name)) return row.quality;
    }
  }
  return std::nullopt;
}

void VoiceChord(const QString& symbol, std::array<std::int16_t, 7>& voicing) {
  const ChordSymbol chord = ReadChordSymbol(symbol);
  const int root = chord.root;
  const auto at = [root](int offset) { return static_cast<std::int16_t>(root + offset); };
  // The chord itself, not its slash bass, gives the voices.
  const QString& suffix = chord.suffix;
  if (const auto quality = ChordQualityOf(suffix); quality && !symbol.trimmed().isEmpty()) {
    for (int i = 0; i < 4; ++i) voicing[i] = at(quality->voices[i]);
    voicing[5] = at(0);
    voicing[6] = at(quality->bassFifth);
    if (chord.hasBass) {
      voicing[5] = static_cast<std::int16_t>(chord.bass);
      voicing[6] = static_cast<std::int16_t>(chord.bass);
    }
    return;
  }
  // A suffix the table does not know: the shape found by searching it.
  int shape = -1;
  if (Contains(suffix, "M") || Contains(suffix, "maj")) {
    shape = kMajorSeventh;
  } else if (Contains(suffix, "m7b5")) {
    shape = kMinorSeventhFlatFive;
  } else if (Contains(suffix, "lt")) {
    shape = kAltered;
  } else if (Contains(suffix, "im")) {
    shape = kDiminishedSeventh;
  } else if (Contains(suffix, "m")) {
    shape = kMinorSeventh;
  } else if (Contains(suffix, "7")) {
    shape = kDominantSeventh;
  }
  if (shape >= 0) {
    const auto& offsets = Tables().ChordToneTable[shape];
    for (int i = 0; i < 4; ++i) voicing[i] = at(offsets[i]);
  } else if (!symbol.trimmed().isEmpty()) {
    voicing[0] = at(0);
    voicing[1] = at(4);
    voicing[2] = at(7);
    voicing[3] = at(0);
  }
  voicing[5] = voicing[0];
  voicing[6] = voicing[2];
  if (chord.hasBass) {
    // The bass plays the written bass note while the chord lasts.
    voicing[5] = static_cast<std::int16_t>(chord.bass);
    voicing[6] = static_cast<std::int16_t>(chord.bass);
  }
}

}  // namespace MusicMethod_Treat
