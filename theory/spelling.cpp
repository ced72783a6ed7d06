#include "theory/spelling.h"

#include <algorithm>
#include <cstdlib>

#include "material/category.h"
#include "theory/MusicMethod_Treat.h"

namespace spelling {
namespace {

using MusicMethod_Treat::PitchClass;

constexpr std::array<int, 7> kNatural = {0, 2, 4, 5, 7, 9, 11};
constexpr char kLetters[] = "CDEFGAB";

int Mod(int a, int b) {
  return ((a % b) + b) % b;
}

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The alteration that puts a pitch class on a letter, from -6 to 5.
int AlterOn(int pitchClass, int step) {
  int alter = Mod(pitchClass - kNatural[Mod(step, 7)], 12);
  if (alter > 6) alter -= 12;
  return alter;
}

bool IsWhiteKey(int pitchClass) {
  return !MusicMethod_Treat::IsBlackKey(pitchClass);
}

// The names of the keys by their tonic's pitch class.
constexpr std::array<NoteName, 12> kMajorKeys = {{{0, 0},
                                                  {1, -1},
                                                  {1, 0},
                                                  {2, -1},
                                                  {2, 0},
                                                  {3, 0},
                                                  {3, 1},
                                                  {4, 0},
                                                  {5, -1},
                                                  {5, 0},
                                                  {6, -1},
                                                  {6, 0}}};
constexpr std::array<NoteName, 12> kMinorKeys = {{{0, 0},
                                                  {0, 1},
                                                  {1, 0},
                                                  {2, -1},
                                                  {2, 0},
                                                  {3, 0},
                                                  {3, 1},
                                                  {4, 0},
                                                  {4, 1},
                                                  {5, 0},
                                                  {6, -1},
                                                  {6, 0}}};

// The signature of the major key of a tonic's name.
int MajorFifths(const NoteName& tonic) {
  static constexpr int kFifths[] = {0, 2, 4, -1, 1, 3, 5};
  return kFifths[Mod(tonic.step, 7)] + 7 * tonic.alter;
}

// Where a character of a chord symbol is a root letter: its pitch class, or -1.
int LetterIndex(QChar c) {
  for (int s = 0; s < 7; ++s) {
    if (c == QLatin1Char(kLetters[s])) return s;
  }
  return -1;
}

// The name read at index at of text, with the index after it; nothing without a letter.
std::optional<NoteName> NameAt(const QString& text, qsizetype at, qsizetype* end) {
  if (at < 0 || at >= text.size()) return std::nullopt;
  const int step = LetterIndex(text[at]);
  if (step < 0) return std::nullopt;
  NoteName name{step, 0};
  qsizetype next = at + 1;
  if (next < text.size() && text[next] == u'#') {
    name.alter = 1;
    ++next;
  } else if (next < text.size() && text[next] == u'b') {
    name.alter = -1;
    ++next;
  }
  if (end) *end = next;
  return name;
}

// ---- Spelling notes ---------------------------------------------------------------------

// The name of pitch on letter step unless that needs a double sign; then the pitch's name
// with at most one sign on the nearest letter (A, not B𝄫).
Spelled NearLetter(int pitch, int step) {
  Spelled s = OnLetter(pitch, step);
  if (std::abs(s.alter) <= 1) return s;
  for (const int d : {1, -1, 2, -2}) {
    const Spelled t = OnLetter(pitch, step + d);
    if (std::abs(t.alter) <= 1) return t;
  }
  return OnLetter(pitch, PlainName(PitchClass(pitch), true).step);
}

// A note of no degree: the key's own name, a white key as itself, else by where it goes.
// direction: +1 rising, -1 falling, 0 neither; rootStep: the chord's root letter, or -1.
Spelled Passing(int pitch, const Key& key, int direction, int rootStep) {
  const int pc = PitchClass(pitch);
  if (const auto own = NameInKey(key, pc)) return OnLetter(pitch, own->step);
  if (IsWhiteKey(pc)) return OnLetter(pitch, PlainName(pc, false).step);
  const Spelled sharp = OnLetter(pitch, PlainName(pc, false).step);
  const Spelled flat = OnLetter(pitch, PlainName(pc, true).step);
  if (direction > 0) return sharp;
  if (direction < 0) return flat.step == rootStep ? sharp : flat;
  return PrefersFlats(key) ? flat : sharp;
}

// A note over a chord whose root is named root, of quality q.
Spelled OverChord(int pitch, const NoteName& root, const Quality& q, const Key& key,
                  int direction) {
  const int interval = Mod(pitch - PitchClassOf(root), 12);
  const int letter = q.letter[interval];
  if (letter == kBlueThird) {
    // The blue third on the third's letter, unless that writes a white key with a sign.
    const Spelled blue = OnLetter(pitch, root.step + 2);
    if (blue.alter == 0 || (std::abs(blue.alter) == 1 && !IsWhiteKey(PitchClass(pitch)))) {
      return blue;
    }
    return NearLetter(pitch, root.step + 1);
  }
  if (letter == kNoDegree) return Passing(pitch, key, direction, root.step);
  const Spelled s = OnLetter(pitch, root.step + letter);
  if (std::abs(s.alter) <= (q.chordTone[interval] ? 2 : 1)) return s;
  return NearLetter(pitch, root.step + letter);
}

// Where the note at index i goes: +1 up to a note a step above, -1 down, else from where it
// came (a step below it rising, above it falling); 0 when it leaps both ways or stands
// beside a rest.
int Direction(const Phrase& ph, int i, int count) {
  const auto sounding = [&](int k) { return k >= 0 && k < count && ph.NoteIsRest[k] == 0; };
  if (sounding(i + 1)) {
    const int d = ph.NotePitch[i + 1] - ph.NotePitch[i];
    if (d != 0 && std::abs(d) <= 2) return d > 0 ? 1 : -1;
  }
  if (sounding(i - 1)) {
    const int d = ph.NotePitch[i] - ph.NotePitch[i - 1];
    if (d != 0 && std::abs(d) <= 2) return d > 0 ? 1 : -1;
  }
  return 0;
}

// The notes of a scale or list chord above root, pitches given; moved counts the notes that
// had to leave their degree's letter for a double sign's sake.
std::vector<Spelled> SpellSteps(const std::vector<int>& pitches, const NoteName& root, bool isScale,
                                const QString& suffix, int* moved = nullptr) {
  std::vector<int> offsets;
  for (const int p : pitches) offsets.push_back(p - pitches.front());
  const std::vector<int> scale = ScaleLetters(offsets);
  const Quality q = QualityOf(suffix);
  std::vector<Spelled> notes;
  if (moved) *moved = 0;
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    const int interval = Mod(offsets[i], 12);
    int letter = scale[i];
    // A scale's root, third, fifth and seventh keep their letters even with a double sign,
    // as a chord's tones do; a note added beside one of them (a bebop scale's) does not.
    bool chordTone =
        letter != kNoDegree && Mod(letter, 7) % 2 == 0 && (i == 0 || scale[i - 1] != letter);
    if (!isScale) {
      chordTone = false;
      if (q.letter[interval] >= 0) {
        letter = q.letter[interval] + 7 * FloorDiv(offsets[i], 12);
        chordTone = q.chordTone[interval];
      }
    }
    if (letter == kNoDegree) {
      // A passing note of the scale, on its way up.
      const int pc = PitchClass(pitches[i]);
      notes.push_back(OnLetter(pitches[i], PlainName(pc, false).step));
      continue;
    }
    Spelled s = OnLetter(pitches[i], root.step + letter);
    if (std::abs(s.alter) > (chordTone ? 2 : 1)) {
      s = NearLetter(pitches[i], root.step + letter);
      if (moved) ++*moved;
    }
    notes.push_back(s);
  }
  return notes;
}

int Signs(const std::vector<Spelled>& notes) {
  int n = 0;
  for (const Spelled& s : notes) n += std::abs(s.alter);
  return n;
}

// The letter each note of a phrase book's item is written with (as the reader reads its
// pitch: the first of C D E F G A B found), moved from the key of its last chord as
// written to key; one entry per note of the record.
void WrittenLetters(const file_Treat::PhraseBody& body, const Key& key, std::vector<int>& letters) {
  QString last;
  for (const QString& line : body) {
    if (line.isEmpty()) break;
    if (line.startsWith(u'*')) last = line;
  }
  const std::optional<NoteName> written = SymbolRoot(last);
  const int shift = KeyName(key).step - (written ? written->step : 0);
  std::size_t n = 0;
  for (const QString& line : body) {
    if (line.isEmpty() || n >= letters.size()) break;
    if (line.startsWith(u'*')) continue;
    for (int s = 0; s < 7; ++s) {
      if (line.contains(QLatin1Char(kLetters[s]))) {
        letters[n] = s + shift;
        break;
      }
    }
    ++n;
  }
}

// Notes tied together are one note with one name: the name it has as a chord tone where
// it is one (an anticipation takes the name of the chord it is tied into), else the first.
void TieNames(const Phrase& phrase, const std::vector<bool>& chordTone,
              std::vector<Spelled>& notes) {
  const int count = static_cast<int>(notes.size());
  const auto tied = [&](int i) {
    return i > 0 && phrase.NoteTie[i] != 0 && phrase.NoteIsRest[i] == 0 &&
           phrase.NoteIsRest[i - 1] == 0 && phrase.NotePitch[i - 1] == phrase.NotePitch[i];
  };
  for (int first = 0; first < count;) {
    int last = first;
    while (last + 1 < count && tied(last + 1)) ++last;
    int from = first;
    for (int k = first; k <= last; ++k) {
      if (chordTone[static_cast<std::size_t>(k)]) from = k;
    }
    for (int k = first; k <= last; ++k) notes[k] = notes[from];
    first = last + 1;
  }
}

// A pattern's letters, from its chords' scales degree by degree: one entry per note, the
// degree string's notes over the Ⅱ, the Ⅴ and the Ⅰ in turn.
void PatternLetters(const QString& degrees, const settings::CfgRecord& cfg,
                    std::vector<int>& letters) {
  const int count = static_cast<int>(letters.size());
  const int perChord = count / 3;
  const auto& tables = MusicMethod_Treat::Tables();
  int n = 0;
  for (const auto position :
       {MusicMethod_Treat::kII, MusicMethod_Treat::kV, MusicMethod_Treat::kI}) {
    const QString scale = tables.ChordScaleTable[MusicMethod_Treat::ChordTableIndex(
        cfg.Tonality, cfg.V7Treatment, position)];
    std::vector<int> offsets;
    for (const QChar c : scale) {
      offsets.push_back(c.isDigit() ? c.digitValue() : c.unicode() - u'A' + 10);
    }
    const std::vector<int> scaleLetters = ScaleLetters(offsets);
    for (int j = 0; j < perChord && n < count; ++j, ++n) {
      const int d = j < degrees.size() && degrees[j].isDigit() ? degrees[j].digitValue() : 0;
      letters[static_cast<std::size_t>(n)] = d >= 1 && d <= 7 ? scaleLetters[d - 1] : 0;
    }
  }
}

// What else is known of a note besides its pitch: the letter it is written with (a phrase
// book's, moved to the key), the letter of its scale degree (a pattern's), and where it goes.
struct Written {
  int letter = kNoDegree;
  int degreeLetter = kNoDegree;
  int direction = 0;
};

// A note under the chord symbol in force (empty before the first): chord tones and a ♭9
// over a dominant by the chord, the written letter where it still reads, else the rules.
// chordTone: the note is a tone of the chord.
Spelled OverSymbol(int pitch, const QString& chord, const Key& key, const Written& written,
                   bool& chordTone) {
  const std::optional<NoteName> root = SymbolRoot(chord);
  Quality q;
  q.letter.fill(kNoDegree);
  const int interval = root ? Mod(pitch - PitchClassOf(*root), 12) : 0;
  if (root) {
    q = QualityOf(MusicMethod_Treat::ReadChordSymbol(chord).suffix);
    // A pattern's note goes on its scale degree's letter unless it is a tone of the chord
    // the symbol names.
    if (written.degreeLetter != kNoDegree && !q.chordTone[interval]) {
      q.letter[interval] = Mod(written.degreeLetter, 7);
    }
  }
  chordTone = root && q.chordTone[interval];
  const bool ruled = root && (q.chordTone[interval] || (q.dominant && interval == 1));
  if (!ruled && written.letter != kNoDegree) {
    const Spelled as = OnLetter(pitch, written.letter);
    const int pc = PitchClass(pitch);
    // A white key with a sign only where the key or the chord's degree asks for it.
    const bool asked =
        NameInKey(key, pc) == NoteName{as.step, as.alter} ||
        (root && q.letter[interval] >= 0 && Mod(root->step + q.letter[interval], 7) == as.step);
    if (std::abs(as.alter) <= 1 && (as.alter == 0 || !IsWhiteKey(pc) || asked)) return as;
  }
  return root ? OverChord(pitch, *root, q, key, written.direction)
              : Passing(pitch, key, written.direction, -1);
}

}  // namespace

QChar Letter(int step) {
  return QLatin1Char(kLetters[Mod(step, 7)]);
}

QString Name(const NoteName& name) {
  QString text(Letter(name.step));
  for (int a = 0; a < name.alter; ++a) text += u'#';
  for (int a = 0; a > name.alter; --a) text += u'b';
  return text;
}

QString Name(const Spelled& note) {
  return Name(NoteName{note.step, note.alter});
}

QString PrintedName(const NoteName& name) {
  QString text(Letter(name.step));
  switch (name.alter) {
    case 2:
      return text + QStringLiteral("𝄪");
    case 1:
      return text + QStringLiteral("♯");
    case -1:
      return text + QStringLiteral("♭");
    case -2:
      return text + QStringLiteral("𝄫");
    default:
      return text;
  }
}

int PitchClassOf(const NoteName& name) {
  return Mod(kNatural[Mod(name.step, 7)] + name.alter, 12);
}

int PitchOf(const Spelled& note) {
  return (note.octave - 2) * 12 + kNatural[Mod(note.step, 7)] + note.alter;
}

Spelled OnLetter(int pitch, int step) {
  const int letter = Mod(step, 7);
  const int alter = AlterOn(PitchClass(pitch), letter);
  return Spelled{letter, alter, FloorDiv(pitch - alter - kNatural[letter], 12) + 2};
}

NoteName PlainName(int pitchClass, bool flats) {
  const int pc = Mod(pitchClass, 12);
  for (int s = 0; s < 7; ++s) {
    if (kNatural[s] == pc) return {s, 0};
  }
  // A black key: the flat of the letter above or the sharp of the letter below.
  for (int s = 0; s < 7; ++s) {
    if (flats && kNatural[s] == Mod(pc + 1, 12)) return {s, -1};
    if (!flats && kNatural[s] == Mod(pc - 1, 12)) return {s, 1};
  }
  return {};
}

NoteName Move(const NoteName& name, int letters, int semitones, bool flats) {
  const int step = Mod(name.step + letters, 7);
  const int pc = Mod(PitchClassOf(name) + semitones, 12);
  const int alter = AlterOn(pc, step);
  if (std::abs(alter) <= 1) return {step, alter};
  return PlainName(pc, flats);
}

NoteName KeyName(const Key& key) {
  const int pc = Mod(key.tonic, 12);
  return key.minor ? kMinorKeys[pc] : kMajorKeys[pc];
}

QString KeyText(const Key& key) {
  return Name(KeyName(key)) + (key.minor ? QStringLiteral("m") : QString());
}

QString KeyTitle(const Key& key) {
  return PrintedName(KeyName(key)) + (key.minor ? QStringLiteral("m") : QString());
}

int Fifths(const Key& key) {
  return MajorFifths(KeyName(key)) - (key.minor ? 3 : 0);
}

bool PrefersFlats(const Key& key) {
  const int fifths = Fifths(key);
  // C major is written with flats by the program's custom, A minor with sharps (its
  // leading tone).
  return fifths < 0 || (fifths == 0 && !key.minor);
}

std::optional<NoteName> NameInKey(const Key& key, int pitchClass) {
  // The key's notes: {interval above the tonic, letter above the tonic's}.
  struct Offer {
    int interval;
    int letter;
  };
  static constexpr Offer kMajor[] = {{0, 0}, {2, 1}, {4, 2}, {5, 3}, {7, 4}, {9, 5}, {11, 6}};
  static constexpr Offer kMinor[] = {{0, 0}, {2, 1}, {3, 2},  {5, 3}, {7, 4},
                                     {8, 5}, {9, 5}, {10, 6}, {11, 6}};
  const NoteName tonic = KeyName(key);
  const int interval = Mod(pitchClass - key.tonic, 12);
  const auto find = [&](const auto& table) -> std::optional<NoteName> {
    for (const Offer& o : table) {
      if (o.interval != interval) continue;
      const int step = Mod(tonic.step + o.letter, 7);
      const int alter = AlterOn(pitchClass, step);
      if (std::abs(alter) <= 1) return NoteName{step, alter};
    }
    return std::nullopt;
  };
  return key.minor ? find(kMinor) : find(kMajor);
}

std::array<int, 7> SignatureAlters(int fifths) {
  static constexpr int kSharps[] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
  std::array<int, 7> alters{};
  for (int k = 0; k < std::min(std::abs(fifths), 7); ++k) {
    if (fifths > 0) alters[kSharps[k]] = 1;
    if (fifths < 0) alters[kSharps[6 - k]] = -1;
  }
  return alters;
}

QString MoveSymbol(const QString& symbol, int letters, int semitones, bool flats) {
  qsizetype at = -1;
  for (qsizetype i = 0; i < symbol.size(); ++i) {
    if (LetterIndex(symbol[i]) >= 0) {
      at = i;
      break;
    }
  }
  qsizetype end = 0;
  const std::optional<NoteName> root = NameAt(symbol, at, &end);
  if (!root) return symbol;
  const MusicMethod_Treat::ChordSymbol chord = MusicMethod_Treat::ReadChordSymbol(symbol);
  QString text = Name(Move(*root, letters, semitones, flats)) + chord.suffix;
  if (chord.hasBass) {
    const qsizetype slash = end + chord.suffix.size();
    const std::optional<NoteName> bass = NameAt(symbol, slash + 1, nullptr);
    if (bass) text += u'/' + Name(Move(*bass, letters, semitones, flats)) + chord.afterBass;
  }
  return text;
}

std::optional<NoteName> SymbolRoot(const QString& symbol) {
  for (qsizetype i = 0; i < symbol.size(); ++i) {
    if (LetterIndex(symbol[i]) >= 0) return NameAt(symbol, i, nullptr);
  }
  return std::nullopt;
}

std::vector<int> ScaleLetters(const std::vector<int>& offsets) {
  std::array<bool, 12> has{};
  for (const int o : offsets) has[Mod(o, 12)] = true;
  const int distinct = static_cast<int>(std::count(has.begin(), has.end(), true));
  std::array<int, 12> letter{};
  letter.fill(kNoDegree);
  bool byDegree = distinct == 7 && !(has[3] && has[4]);
  if (byDegree) {
    // Seven notes, one letter each, unless one would be two steps off its letter.
    int rank = 0;
    for (int pc = 0; pc < 12; ++pc) {
      if (!has[pc]) continue;
      if (std::abs(AlterOn(pc, rank)) > 1) byDegree = false;
      letter[pc] = rank++;
    }
  }
  if (!byDegree) {
    const bool dominant = has[4] && has[10];
    const bool major = has[4] && !dominant;
    // The letters of the degrees, as over the chord the scale belongs to.
    letter = {0,
              1,
              1,
              has[1] && has[4] ? 1 : 2,
              2,
              3,
              has[4] ? 3 : 4,
              4,
              has[2] && !has[7] && has[4] ? 4 : 5,
              5,
              6,
              6};
    // The added note of a major bebop scale lies between the fifth and the sixth: a
    // passing note, written as one that rises.
    if (major && has[7] && has[8] && has[9]) letter[8] = kNoDegree;
  }
  std::vector<int> letters;
  for (const int o : offsets) {
    const int pc = Mod(o, 12);
    letters.push_back(letter[pc] == kNoDegree ? kNoDegree : letter[pc] + 7 * FloorDiv(o, 12));
  }
  return letters;
}

NoteName StepsRoot(const std::vector<int>& offsets, int pitchClass, bool isScale,
                   const QString& suffix) {
  std::array<bool, 12> has{};
  for (const int o : offsets) has[Mod(o, 12)] = true;
  const Key key{pitchClass, has[3] && !has[4]};
  const NoteName own = KeyName(key);
  if (own.alter == 0) return own;
  // The other name of a black key: the sharp of the letter below or the flat above.
  const NoteName alternative = PlainName(pitchClass, own.alter > 0);
  std::vector<int> pitches;
  for (const int o : offsets) pitches.push_back(pitchClass + o);
  // Fewer signs first, then fewer degrees moved off their letters; the key's name in a tie.
  const auto score = [&](const NoteName& root) {
    int moved = 0;
    const int signs = Signs(SpellSteps(pitches, root, isScale, suffix, &moved));
    return std::pair{signs, moved};
  };
  return score(alternative) < score(own) ? alternative : own;
}

Key ItemKey(const Phrase& phrase, int root) {
  return Key{Mod(root, 12), phrase.KeyMinor != 0};
}

std::vector<Spelled> SpellItem(const Phrase& phrase, const file_Treat::MaterialLists& lists,
                               const settings::CfgRecord& cfg) {
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  std::vector<Spelled> notes(static_cast<std::size_t>(count));
  if (count == 0) return notes;
  const int category = cfg.Category;
  const int item = settings::CurrentItem(cfg);
  const Key key = ItemKey(phrase, cfg.Root);
  const bool listItem = item >= 0 && item < file_Treat::kListSlots;
  if (category::IsSteps(category)) {
    std::vector<int> pitches(phrase.NotePitch.begin(), phrase.NotePitch.begin() + count);
    const QString suffix =
        category == category::kChord && listItem ? lists.ChordSuffix[item] : QString();
    return SpellSteps(pitches, SymbolRoot(phrase.NoteChord[0]).value_or(KeyName(key)),
                      category == category::kScale, suffix);
  }
  std::vector<int> patternLetter(notes.size(), kNoDegree);
  if (category == category::kPattern && listItem) {
    PatternLetters(lists.PatternDegrees[item], cfg, patternLetter);
  }
  std::vector<int> writtenLetter(notes.size(), kNoDegree);
  if (category::IsPhraseBook(category) && item >= 0 && item < file_Treat::kPhraseSlots &&
      lists.PhraseLine) {
    WrittenLetters((*lists.PhraseLine)[item], key, writtenLetter);
  }
  std::vector<bool> chordTone(notes.size(), false);
  QString chord;
  for (int i = 0; i < count; ++i) {
    const QString symbol = phrase.NoteChord[i].trimmed();
    if (!symbol.isEmpty()) chord = symbol;
    if (phrase.NoteIsRest[i] != 0) continue;
    const Written written{writtenLetter[i], patternLetter[i], Direction(phrase, i, count)};
    bool tone = false;
    notes[i] = OverSymbol(phrase.NotePitch[i], chord, key, written, tone);
    chordTone[i] = tone;
  }
  TieNames(phrase, chordTone, notes);
  return notes;
}

}  // namespace spelling
