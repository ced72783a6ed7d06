// The item taken out of the program: a Standard MIDI File for sequencers, MusicXML for
// notation programs and a twelve-key practice sheet. Each key is realised and played by the
// practice engine as the program would, so what is exported is what the player sees and
// hears; the notes are written with the shared spelling.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "engine/practice_engine.h"
#include "theory/spelling.h"

namespace exports {

// The order of the keys of a run through all twelve: a semitone up, a semitone down, a
// fourth up each time.
enum class Progression { kUp, kDown, kFourths };
// The instrument a part is written for: concert pitch, or a B♭, E♭ or F instrument (written
// a major second, a major sixth or a fifth above how it sounds).
enum class Instrument { kConcert, kBb, kEb, kF };

struct Request {
  int category = 0;
  int item = 0;
  int key = 0;  // the first key (concert pitch)
  bool allKeys = false;
  Progression progression = Progression::kUp;
  Instrument instrument = Instrument::kConcert;
  bool swing = false;  // the MIDI file swung as played; straight otherwise
};

// The keys of the request, in order: one, or twelve from its key by the progression.
std::vector<int> Keys(const Request& request);
// Semitones the part is written above concert pitch.
int WrittenAbove(Instrument instrument);
// The instrument as the heading names it ("B♭管" ...); empty for concert pitch.
QString InstrumentName(Instrument instrument);

// One key of the export: the item realised in it (as written for the instrument) and the
// messages of its pass, in ticks of 480 to the quarter from the start of the pass.
struct KeyPart {
  int key = 0;         // the key as written
  int concertKey = 0;  // the key as it sounds
  bool minor = false;  // a minor key
  Phrase phrase;
  std::vector<spelling::Spelled> spelled;
  sound::TimedMessages events;  // at ticks, not ms
  int lengthTicks = 0;          // whole bars
  // Where each sounding melody note's written length ends (tied notes as one), in ticks from
  // the key's start as the pass plays it: on the swung grid when the pass swings.
  std::vector<std::int64_t> writtenEnds;
};

struct Export {
  QString title;  // the item's name
  int tempo = 120;
  int melodyProgram = 1;  // the melody's General MIDI program, 1..128
  int category = 0;
  Instrument instrument = Instrument::kConcert;
  std::vector<KeyPart> keys;
};

// Realises and plays the request's keys in the engine of world (its material loaded, its
// settings the user's). False, with the reason in error, when the item cannot be realised.
bool Build(practice::OfflineEngine& world, const Request& request, Export& out, QString* error);

inline constexpr int kTicksPerQuarter = 480;

// A Standard MIDI File of format 1: a conductor track (tempo, 4/4, key signatures, the
// chord symbols as markers), then melody, accompaniment, bass and click, each named, each
// note with its note-off.
QByteArray MidiFile(const Export& e);
// The click's drum note as the MIDI file writes it: a note of the General MIDI percussion
// map (35..81) that notation programs know as it is, any other (the program's default click,
// 33, a metronome click of later sound sets) as the side stick, 37.
int NotatedDrumNote(int note);
// A MusicXML 3.1 partwise score of the export.
QByteArray MusicXml(const Export& e);

// The key signature of a key of the export: its sharps (positive) or flats (negative). A
// scale or a chord of the lists is written with its signs and no signature.
int KeyFifths(const Export& e, const KeyPart& part);
// Its mode as MusicXML names it: "major", "minor", or "none" for a scale or chord of the
// lists, which has no signature.
QString KeyMode(const Export& e, const KeyPart& part);

// The name of a key as the program writes it, with the signs ("E♭", "C♯m").
QString KeyTitle(int key, bool minor = false);

}  // namespace exports
