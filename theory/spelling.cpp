#include "theory/spelling.h"

#include <array>
#include <cstdlib>

#include "material/category.h"
#include "theory/MusicMethod_Treat.h"

namespace spelling {
namespace {

using MusicMethod_Treat::PitchClass;

constexpr std::array<int, 7> kNatural = {0, 2, 4, 5, 7, 9, 11};
constexpr char kLetters[] = "CDEFGAB";

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The letter of a name ("C", "Db", "F#"), as step 0..6.
int StepOfName(const QString& name) {
  for (int s = 0; s < 7; ++s) {
    if (!name.isEmpty() && name[0] == QLatin1Char(kLetters[s])) return s;
  }
  return 0;
}

int KeyStep(int key) {
  return StepOfName(MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), key));
}

// The letter above a chord's root that a tone of `interval` semitones is written on, given
// the other intervals the chord has.
int ChordToneLetters(int interval, const std::array<bool, 12>& has) {
  switch (interval) {
    case 0:
      return 0;
    case 1:
    case 2:
      return 1;
    case 3:
      return has[4] ? 1 : 2;  // ♯9 beside the major third, else the minor third
    case 4:
      return 2;
    case 5:
      return 3;
    case 6:
      return has[7] ? 3 : 4;  // ♯11 beside the fifth, else ♭5
    case 7:
      return 4;
    case 8:
      return has[7] ? 5 : 4;  // ♭13 beside the fifth, else ♯5
    case 9:
      // The diminished seventh: minor third, ♭5, no seventh of another kind.
      return has[3] && has[6] && !has[7] && !has[10] && !has[11] ? 6 : 5;
    default:
      return 6;
  }
}

// The step characters of a scale or chord as semitone steps.
std::vector<int> Steps(const QString& text) {
  std::vector<int> steps;
  int previous = 0;
  for (const QChar c : text) {
    previous = MusicMethod_Treat::StepValue(c, previous);
    steps.push_back(previous);
  }
  return steps;
}

// The letter and alteration a phrase-book note line is written with (as the reader reads
// its pitch: the first of C D E F G A B found, "#" up, a lower-case "b" down).
bool WrittenLetter(const QString& line, int& step) {
  for (const int s : {0, 1, 2, 3, 4, 5, 6}) {
    if (line.contains(QLatin1Char(kLetters[s]))) {
      step = s;
      return true;
    }
  }
  return false;
}

}  // namespace

QChar Letter(int step) {
  return QLatin1Char(kLetters[((step % 7) + 7) % 7]);
}

QString Name(const Spelled& note) {
  QString name(Letter(note.step));
  for (int a = 0; a < note.alter; ++a) name += u'#';
  for (int a = 0; a > note.alter; --a) name += u'b';
  return name;
}

int PitchOf(const Spelled& note) {
  return (note.octave - 2) * 12 + kNatural[note.step] + note.alter;
}

Spelled OnLetter(int pitch, int step) {
  step = ((step % 7) + 7) % 7;
  int alter = PitchClass(pitch - kNatural[step]);
  if (alter > 6) alter -= 12;
  Spelled note{step, alter, FloorDiv(pitch - alter - kNatural[step], 12) + 2};
  return note;
}

Spelled InKey(int pitch, int key) {
  const QString name = MusicMethod_Treat::NoteNameInKey(MusicMethod_Treat::Tables(), pitch, key);
  return OnLetter(pitch, StepOfName(name));
}

std::vector<Spelled> SpellItem(const Phrase& phrase, const file_Treat::MaterialLists& lists,
                               int category, int item, int key) {
  const int count = std::max<int>(0, phrase.NoteCount);
  std::vector<Spelled> notes(static_cast<std::size_t>(count));
  // The letter each note goes on, or -1 for the key's own names.
  std::vector<int> letters(notes.size(), -1);
  const bool listItem = item >= 0 && item < file_Treat::kListSlots;
  if (category == category::kScale && listItem) {
    const std::vector<int> steps = Steps(lists.ScaleSteps[item]);
    int sum = 0;
    for (const int s : steps) sum += s;
    if (steps.size() == 7 && sum == 12 && count == 8) {
      for (int i = 0; i < count; ++i) letters[i] = KeyStep(key) + i;
    }
  } else if (category == category::kChord && listItem && count > 0) {
    std::array<bool, 12> has{};
    for (int i = 0; i < count; ++i)
      has[PitchClass(phrase.NotePitch[i] - phrase.NotePitch[0])] = true;
    for (int i = 0; i < count; ++i) {
      const int interval = PitchClass(phrase.NotePitch[i] - phrase.NotePitch[0]);
      letters[i] = KeyStep(key) + ChordToneLetters(interval, has);
    }
  } else if (category::IsPhraseBook(category) && item >= 0 && item < file_Treat::kPhraseSlots &&
             lists.PhraseLine) {
    const file_Treat::PhraseBody& body = (*lists.PhraseLine)[item];
    int written = 0;
    for (const QString& line : body) {
      if (line.isEmpty()) break;
      if (line.startsWith(u'*')) written = MusicMethod_Treat::ReadChordSymbol(line).root;
    }
    const int shift = PitchClass(written) == PitchClass(key) ? 0 : KeyStep(key) - KeyStep(written);
    int n = 0;
    for (const QString& line : body) {
      if (line.isEmpty() || n >= count) break;
      if (line.startsWith(u'*')) continue;
      int step = 0;
      if (WrittenLetter(line, step)) letters[n] = step + shift;
      ++n;
    }
  }
  for (int i = 0; i < count; ++i) {
    const int pitch = phrase.NotePitch[i];
    notes[i] = letters[i] >= 0 ? OnLetter(pitch, letters[i]) : InKey(pitch, key);
    if (std::abs(notes[i].alter) > 2) notes[i] = InKey(pitch, key);
  }
  return notes;
}

}  // namespace spelling
