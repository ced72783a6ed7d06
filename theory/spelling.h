// How each note of a realised item is written: its letter, its alteration and its octave.
// The staff, the MusicXML export and the twelve-key sheet all ask here, so they never
// disagree.
//
// - Phrase-book notes keep the letters they are written with; moved to another key they
//   move by the letter distance between the two keys' names (a phrase in C moved to E♭
//   writes its E as G, its F♯ as A).
// - A scale of seven notes takes one letter per degree (C Lydian has F♯, C altered D♭ E♭ F♭
//   G♭ A♭ B♭, F♯ major E♯).
// - A chord names each tone by its interval above the root: ♭9 and 9 on the second letter,
//   ♯9 there too when the chord has a major third, the fourth letter for 11 and ♯11, ♭5 on
//   the fifth letter when there is no perfect fifth, ♭13 on the sixth beside a fifth, the
//   diminished seventh on the seventh letter (CM9♯11 has F♯, Cdim7 B𝄫, C7♯9 D♯).
// - Everything else, and any note that would need more than a double sharp or flat, is
//   written as the key's own names have it (flats in C, D♭, E♭, F, A♭, B♭; sharps else).
#pragma once

#include <QString>
#include <vector>

#include "material/file_Treat.h"
#include "theory/phrase.h"

namespace spelling {

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
// The note's name as the program prints it: the letter, then "#", "##", "b" or "bb".
QString Name(const Spelled& note);
// The pitch number the spelling stands for.
int PitchOf(const Spelled& note);

// The pitch written on the letter step (the alteration and octave follow from the pitch).
Spelled OnLetter(int pitch, int step);
// The pitch as the key's own names write it.
Spelled InKey(int pitch, int key);

// Every note of the realised item of category (the item's index, the key it is shown in),
// one entry per note of the phrase record; a rest's entry means nothing.
std::vector<Spelled> SpellItem(const Phrase& phrase, const file_Treat::MaterialLists& lists,
                               int category, int item, int key);

}  // namespace spelling
