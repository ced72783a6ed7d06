// How the program writes what it shows: the names of keys and chord roots, and the letter,
// alteration and octave of every note of a realised item. The realisation names its chord
// symbols here; the staff, the circle, the exports, the twelve-key sheet, the tool and the
// accessible descriptions all ask here for the notes, so they never disagree.
//
// - Keys: the name with fewer signs, never more than six. Major keys C D♭ D E♭ E F F♯ G A♭ A
//   B♭ B; minor keys C C♯ D E♭ E F F♯ G G♯ A B♭ B. An item whose last chord is minor is in
//   the minor key of that root; a II-V-I pattern in the minor tonality is in a minor key.
// - Chord symbols move with their item by interval, letters and semitones together (D♭7 in
//   C becomes E♭7 in D); a root that would need a double sign is written with fewer signs.
//   A pattern names its II, V and I from the key's letter by degree.
// - Chord tones stack in thirds on the letters of the chord in force: root, third, fifth and
//   seventh on the root's letter and the letters two, four and six above (E♯ as the third of
//   C♯7, B𝄫 as the seventh of C°7). Tensions go on the letter of their degree: ♭9 and 9 one
//   letter up, ♯9 too over an altered dominant, 11 and ♯11 three up, ♭13 and 13 five up;
//   where that letter needs a double sign, the neighbouring letter with one sign instead.
//   Over a plain dominant the minor third is the blue third, on the third's letter unless
//   that is a white key with a sign (E♭ over C7, B over A♭7).
// - A phrase book's notes that are no chord tone (and no ♭9 over a dominant) keep the letter
//   they are written with, moved with the phrase by interval, where that needs at most one
//   sign and writes no white key with a sign the key or the chord does not ask for: the
//   author's blue notes and approach notes stay as written (E♭ E G over C7 in a blues lick,
//   D♯ E approaching the third in a bebop line). The rules above and below decide the rest.
// - Other notes (passing and approach notes): the key's own name where the key has the note
//   (a minor key's raised sixth and seventh included); a white key as itself; otherwise a
//   note that rises takes the sharp of the letter below, one that falls the flat of the
//   letter above (but never a flat on the chord's root letter: D C♯ C over Dm7), and one
//   that does neither goes by the key's side. None of these takes a double sign.
// - Scales and chords of the lists: one letter a degree for seven-note scales; otherwise, and
//   for the altered scale, by the degrees above (altered C D♭ D♯ E F♯ A♭ B♭, blues G B♭ C D♭
//   D F, D♭ bebop dominant with C♭ and C). Their root takes the name that spells them with
//   fewer signs (C♯ Dorian, D♭ Mixolydian, A♯°7).
// - A note tied from a note of the same pitch keeps its name.
#pragma once

#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "core/settings.h"
#include "material/file_Treat.h"
#include "theory/chord_letters.h"
#include "theory/phrase.h"

namespace spelling {

// A name without an octave: the letter (0..6 for C D E F G A B) and its alteration in
// semitones (-2..2 in what the program writes).
struct NoteName {
  int step = 0;
  int alter = 0;
  bool operator==(const NoteName&) const = default;
};

// step: the letter 0..6 for C D E F G A B; alter: semitones (-2..2); octave: as notation
// counts it, 4 for the octave from middle C (pitch 24, the C below the treble staff).
struct Spelled {
  int step = 0;
  int alter = 0;
  int octave = 4;
  bool operator==(const Spelled&) const = default;
};

// The letter C..B of a step.
QChar Letter(int step);
// A name as the program prints it: the letter, then "#", "##", "b" or "bb".
QString Name(const NoteName& name);
QString Name(const Spelled& note);
// The same with the signs ♯ ♭ 𝄪 𝄫, as a musician reads it.
QString PrintedName(const NoteName& name);
// The pitch class of a name, and the pitch a spelling stands for.
int PitchClassOf(const NoteName& name);
int PitchOf(const Spelled& note);
// The name a pitch has on the letter step; its alteration and octave follow from the pitch.
Spelled OnLetter(int pitch, int step);
// The name of a pitch class with no sign when it has one, else with a flat or a sharp.
NoteName PlainName(int pitchClass, bool flats);
// The name moved by an interval of letters and semitones; one that would need a double
// sign is written with fewer signs instead (flats or sharps as asked).
NoteName Move(const NoteName& name, int letters, int semitones, bool flats);

// A key: the pitch class of its tonic and its mode.
struct Key {
  int tonic = 0;
  bool minor = false;
};
// Its tonic's name, its name as titles write it ("D♭", "C♯m" printed; "Db", "C#m" plain),
// its signature (sharps positive, flats negative) and whether its notes lean to flats.
NoteName KeyName(const Key& key);
QString KeyText(const Key& key);
QString KeyTitle(const Key& key);
int Fifths(const Key& key);
bool PrefersFlats(const Key& key);
// The key's own name of a pitch class: its scale, and a minor key's raised sixth and
// seventh; nothing for a note the key does not have.
std::optional<NoteName> NameInKey(const Key& key, int pitchClass);
// The letter each pitch class takes in a key signature of fifths: -1, 0 or +1.
std::array<int, 7> SignatureAlters(int fifths);

// A chord symbol moved by an interval (its root and a slash chord's bass), the rest as
// written.
QString MoveSymbol(const QString& symbol, int letters, int semitones, bool flats);
// The root of a chord symbol as written.
std::optional<NoteName> SymbolRoot(const QString& symbol);

// The letters of a scale's notes counted from its root's letter, the notes given by their
// semitones above the root; kNoDegree for a passing note (the added note of a major bebop
// scale).
std::vector<int> ScaleLetters(const std::vector<int>& offsets);
// The name of the root of a scale (isScale) or a chord of the lists in pitch class pc, with
// its steps as semitones above the root: the enharmonic name that writes it with fewer
// signs; suffix is the chord's.
NoteName StepsRoot(const std::vector<int>& offsets, int pitchClass, bool isScale,
                   const QString& suffix);

// The key the realised item is in (its key name and signature): the item's key, minor when
// the realisation found it so.
Key ItemKey(const Phrase& phrase, int root);

// Every note of the realised item of the settings' category and item, one entry per note of
// the phrase record; a rest's entry means nothing.
std::vector<Spelled> SpellItem(const Phrase& phrase, const file_Treat::MaterialLists& lists,
                               const settings::CfgRecord& cfg);

}  // namespace spelling
