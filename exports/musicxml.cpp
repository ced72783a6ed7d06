// The MusicXML 3.1 score of an export: one part, 4/4 measures of the bar lines the staff
// shows, each key beginning a measure with its key signature and its name above.
#include <QCoreApplication>
#include <QXmlStreamWriter>
#include <algorithm>
#include <array>
#include <map>

#include "exports/exports.h"
#include "material/category.h"
#include "theory/MusicMethod_Treat.h"
#include "theory/phrase.h"
#include "theory/spelling.h"

namespace exports {
namespace {

namespace ticks = MusicMethod_Treat::ticks;
constexpr int kBar = ticks::kWhole;

// A written value: its type, dots, and whether it is a triplet value.
struct Value {
  int length;
  const char* type;
  int dots;
  bool triplet;
};
constexpr std::array<Value, 13> kValues = {{
    {96, "whole", 0, false},
    {72, "half", 1, false},
    {48, "half", 0, false},
    {36, "quarter", 1, false},
    {24, "quarter", 0, false},
    {18, "eighth", 1, false},
    {16, "quarter", 0, true},
    {12, "eighth", 0, false},
    {9, "16th", 1, false},
    {8, "eighth", 0, true},
    {6, "16th", 0, false},
    {4, "16th", 0, true},
    {3, "32nd", 0, false},
}};

const Value* ValueOf(int length) {
  for (const Value& v : kValues) {
    if (v.length == length) return &v;
  }
  return nullptr;
}

// A length as written values, longest first (a length of no single value is tied).
std::vector<int> Pieces(int length) {
  std::vector<int> pieces;
  if (ValueOf(length)) return {length};
  for (const Value& v : kValues) {
    if (v.triplet) continue;
    while (length >= v.length) {
      pieces.push_back(v.length);
      length -= v.length;
    }
  }
  return pieces;
}

// MusicXML's reading of a chord suffix as the program writes them: the kind, and the
// degrees added to or altered in it. The text as written is always given beside it.
struct Degree {
  int value;
  int alter;
  const char* type;  // "add" or "alter"
};
struct Kind {
  const char* suffix;
  const char* kind;
  std::array<Degree, 2> degrees;
  int count;
};
constexpr Kind kKinds[] = {
    {"", "major", {}, 0},
    {"M", "major", {}, 0},
    {"M7", "major-seventh", {}, 0},
    {"maj7", "major-seventh", {}, 0},
    {"m7", "minor-seventh", {}, 0},
    {"7", "dominant", {}, 0},
    {"m7b5", "half-diminished", {}, 0},
    {"dim7", "diminished-seventh", {}, 0},
    {"dim", "diminished", {}, 0},
    {"m", "minor", {}, 0},
    {"mM7", "major-minor", {}, 0},
    {"m(maj9)", "major-minor", {{{9, 0, "add"}}}, 1},
    {"mM9", "major-minor", {{{9, 0, "add"}}}, 1},
    {"add9", "major", {{{9, 0, "add"}}}, 1},
    {"6", "major-sixth", {}, 0},
    {"m6", "minor-sixth", {}, 0},
    {"aug", "augmented", {}, 0},
    {"M9", "major-ninth", {}, 0},
    {"m9", "minor-ninth", {}, 0},
    {"9", "dominant-ninth", {}, 0},
    {"11", "dominant-11th", {}, 0},
    {"m11", "minor-11th", {}, 0},
    {"13", "dominant-13th", {}, 0},
    {"13#11", "dominant-13th", {{{11, 1, "alter"}}}, 1},
    {"sus4", "suspended-fourth", {}, 0},
    {"7#5", "augmented-seventh", {}, 0},
    {"7#9", "dominant", {{{9, 1, "add"}}}, 1},
    {"7b9", "dominant", {{{9, -1, "add"}}}, 1},
    {"7#11", "dominant", {{{11, 1, "add"}}}, 1},
    {"7b13", "dominant", {{{13, -1, "add"}}}, 1},
    // The altered dominant as its usual reading: a raised fifth and a raised ninth.
    {"7alt", "dominant", {{{5, 1, "alter"}, {9, 1, "add"}}}, 2},
    {"alt", "dominant", {{{5, 1, "alter"}, {9, 1, "add"}}}, 2},
    {"7b9b13", "dominant", {{{9, -1, "add"}, {13, -1, "add"}}}, 2},
    {"9sus4", "suspended-fourth", {{{7, -1, "add"}, {9, 0, "add"}}}, 2},
    {"7sus4", "suspended-fourth", {{{7, -1, "add"}}}, 1},
    {"M7#5", "major-seventh", {{{5, 1, "alter"}}}, 1},
    {"M9#11", "major-ninth", {{{11, 1, "add"}}}, 1},
    {"M7#11", "major-seventh", {{{11, 1, "add"}}}, 1},
    {"6/9", "major-sixth", {{{9, 0, "add"}}}, 1},
    {"m6/9", "minor-sixth", {{{9, 0, "add"}}}, 1},
};

const Kind* KindOf(const QString& suffix) {
  for (const Kind& k : kKinds) {
    if (suffix == QLatin1String(k.suffix)) return &k;
  }
  return nullptr;
}

// Root letter and alteration at the start of a chord text ("Bb", "F#"); false without one.
bool RootOf(const QString& text, int from, QChar& letter, int& alter, int& end) {
  if (from >= text.size() || text[from] < u'A' || text[from] > u'G') return false;
  letter = text[from];
  alter = 0;
  end = from + 1;
  if (end < text.size() && text[end] == u'#') {
    alter = 1;
    ++end;
  } else if (end < text.size() && text[end] == u'b') {
    alter = -1;
    ++end;
  }
  return true;
}

class Writer {
 public:
  Writer(const Export& e, QByteArray& out) : e_(e), xml_(&out) {}

  void Write() {
    xml_.setAutoFormatting(true);
    xml_.writeStartDocument();
    xml_.writeDTD(QStringLiteral(
        "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 3.1 Partwise//EN\" "
        "\"http://www.musicxml.org/dtds/partwise.dtd\">"));
    xml_.writeStartElement(QStringLiteral("score-partwise"));
    xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("3.1"));
    const QString instrument = InstrumentName(e_.instrument);
    xml_.writeStartElement(QStringLiteral("work"));
    xml_.writeTextElement(
        QStringLiteral("work-title"),
        instrument.isEmpty()
            ? e_.title
            : QCoreApplication::translate("musicxml", "%1（%2）").arg(e_.title, instrument));
    xml_.writeEndElement();
    xml_.writeStartElement(QStringLiteral("identification"));
    xml_.writeStartElement(QStringLiteral("encoding"));
    xml_.writeTextElement(QStringLiteral("software"), QStringLiteral("VORMINA"));
    xml_.writeEndElement();
    xml_.writeEndElement();
    xml_.writeStartElement(QStringLiteral("part-list"));
    xml_.writeStartElement(QStringLiteral("score-part"));
    xml_.writeAttribute(QStringLiteral("id"), QStringLiteral("P1"));
    xml_.writeTextElement(QStringLiteral("part-name"),
                          instrument.isEmpty() ? QStringLiteral("Melody") : instrument);
    xml_.writeStartElement(QStringLiteral("score-instrument"));
    xml_.writeAttribute(QStringLiteral("id"), QStringLiteral("P1-I1"));
    xml_.writeTextElement(QStringLiteral("instrument-name"), QStringLiteral("Melody"));
    xml_.writeEndElement();
    xml_.writeStartElement(QStringLiteral("midi-instrument"));
    xml_.writeAttribute(QStringLiteral("id"), QStringLiteral("P1-I1"));
    xml_.writeTextElement(QStringLiteral("midi-channel"), QStringLiteral("1"));
    xml_.writeTextElement(QStringLiteral("midi-program"),
                          QString::number(std::clamp(e_.melodyProgram, 1, 128)));
    xml_.writeEndElement();
    xml_.writeEndElement();
    xml_.writeEndElement();
    xml_.writeStartElement(QStringLiteral("part"));
    xml_.writeAttribute(QStringLiteral("id"), QStringLiteral("P1"));
    for (std::size_t k = 0; k < e_.keys.size(); ++k) WriteKey(e_.keys[k], k == 0);
    if (open_) xml_.writeEndElement();  // the last measure
    xml_.writeEndElement();             // part
    xml_.writeEndElement();             // score-partwise
    xml_.writeEndDocument();
  }

 private:
  void StartMeasure() {
    if (open_) xml_.writeEndElement();
    xml_.writeStartElement(QStringLiteral("measure"));
    xml_.writeAttribute(QStringLiteral("number"), QString::number(++measure_));
    open_ = true;
    position_ = 0;
    inForce_.clear();
  }

  void WriteKey(const KeyPart& part, bool first) {
    const int fifths = KeyFifths(e_, part);
    StartMeasure();
    xml_.writeStartElement(QStringLiteral("attributes"));
    if (first) xml_.writeTextElement(QStringLiteral("divisions"), QString::number(ticks::kQuarter));
    xml_.writeStartElement(QStringLiteral("key"));
    // A new signature after one with signs cancels the old one first.
    if (!first && fifths_ != 0 && fifths_ != fifths) {
      xml_.writeTextElement(QStringLiteral("cancel"), QString::number(fifths_));
    }
    fifths_ = fifths;
    signature_ = spelling::SignatureAlters(fifths);
    xml_.writeTextElement(QStringLiteral("fifths"), QString::number(fifths));
    xml_.writeTextElement(QStringLiteral("mode"), KeyMode(e_, part));
    xml_.writeEndElement();
    if (first) {
      xml_.writeStartElement(QStringLiteral("time"));
      xml_.writeTextElement(QStringLiteral("beats"), QStringLiteral("4"));
      xml_.writeTextElement(QStringLiteral("beat-type"), QStringLiteral("4"));
      xml_.writeEndElement();
      xml_.writeStartElement(QStringLiteral("clef"));
      xml_.writeTextElement(QStringLiteral("sign"), QStringLiteral("G"));
      xml_.writeTextElement(QStringLiteral("line"), QStringLiteral("2"));
      xml_.writeEndElement();
      if (const int above = WrittenAbove(e_.instrument); above != 0) {
        static constexpr int kLetters[] = {0, 0, 1, 0, 0, 0, 0, 4, 0, 5};
        xml_.writeStartElement(QStringLiteral("transpose"));
        xml_.writeTextElement(QStringLiteral("diatonic"), QString::number(-kLetters[above]));
        xml_.writeTextElement(QStringLiteral("chromatic"), QString::number(-above));
        xml_.writeEndElement();
      }
    }
    xml_.writeEndElement();  // attributes
    Words(KeyTitle(part.key, part.minor), first);
    const Phrase& ph = part.phrase;
    for (int i = 0; i < ph.NoteCount; ++i) {
      const QString chord = ph.NoteChord[i].trimmed();
      const std::vector<int> pieces = Pieces(ph.NoteLength[i]);
      for (std::size_t p = 0; p < pieces.size(); ++p) {
        int length = pieces[p];
        // A value that runs over the bar line is cut there and tied on.
        while (length > 0) {
          if (position_ >= kBar) StartMeasure();
          const int here = std::min(length, kBar - position_);
          std::vector<int> parts = here == length ? std::vector<int>{here} : Pieces(here);
          for (std::size_t q = 0; q < parts.size(); ++q) {
            const bool firstPiece = p == 0 && q == 0 && length == pieces[p];
            const bool lastPiece =
                p + 1 == pieces.size() && q + 1 == parts.size() && here == length;
            if (firstPiece && !chord.isEmpty()) Chord(chord);
            Note(part, i, parts[q], firstPiece, lastPiece);
            position_ += parts[q];
          }
          length -= here;
        }
      }
    }
    // The last bar of the key is filled with rests.
    while (position_ < kBar && position_ > 0) {
      for (const int piece : Pieces(kBar - position_)) {
        Rest(piece);
        position_ += piece;
      }
    }
    position_ = kBar;
  }

  void Words(const QString& text, bool withTempo) {
    xml_.writeStartElement(QStringLiteral("direction"));
    xml_.writeAttribute(QStringLiteral("placement"), QStringLiteral("above"));
    xml_.writeStartElement(QStringLiteral("direction-type"));
    xml_.writeTextElement(QStringLiteral("words"), text);
    xml_.writeEndElement();
    if (withTempo) {
      xml_.writeStartElement(QStringLiteral("direction-type"));
      xml_.writeStartElement(QStringLiteral("metronome"));
      xml_.writeTextElement(QStringLiteral("beat-unit"), QStringLiteral("quarter"));
      xml_.writeTextElement(QStringLiteral("per-minute"), QString::number(e_.tempo));
      xml_.writeEndElement();
      xml_.writeEndElement();
      xml_.writeEmptyElement(QStringLiteral("sound"));
      xml_.writeAttribute(QStringLiteral("tempo"), QString::number(e_.tempo));
    }
    xml_.writeEndElement();
  }

  void Chord(const QString& text) {
    QChar letter;
    int alter = 0;
    int end = 0;
    // A scale's label ("C Lydian") is a title, not a chord: it is written as words.
    if (e_.category == category::kScale || !RootOf(text, 0, letter, alter, end)) {
      Words(text, false);
      return;
    }
    QString suffix = text.mid(end);
    QChar bassLetter;
    int bassAlter = 0;
    int bassEnd = 0;
    const int slash = suffix.lastIndexOf(u'/');
    const bool hasBass = slash >= 0 && RootOf(suffix, slash + 1, bassLetter, bassAlter, bassEnd);
    if (hasBass) suffix = suffix.left(slash);
    xml_.writeStartElement(QStringLiteral("harmony"));
    xml_.writeStartElement(QStringLiteral("root"));
    xml_.writeTextElement(QStringLiteral("root-step"), QString(letter));
    if (alter != 0) xml_.writeTextElement(QStringLiteral("root-alter"), QString::number(alter));
    xml_.writeEndElement();
    const Kind* kind = KindOf(suffix);
    xml_.writeStartElement(QStringLiteral("kind"));
    xml_.writeAttribute(QStringLiteral("text"), suffix);
    xml_.writeCharacters(kind ? QLatin1String(kind->kind) : QLatin1String("other"));
    xml_.writeEndElement();
    if (hasBass) {
      xml_.writeStartElement(QStringLiteral("bass"));
      xml_.writeTextElement(QStringLiteral("bass-step"), QString(bassLetter));
      if (bassAlter != 0) {
        xml_.writeTextElement(QStringLiteral("bass-alter"), QString::number(bassAlter));
      }
      xml_.writeEndElement();
    }
    for (int d = 0; kind && d < kind->count; ++d) {
      xml_.writeStartElement(QStringLiteral("degree"));
      xml_.writeTextElement(QStringLiteral("degree-value"),
                            QString::number(kind->degrees[d].value));
      xml_.writeTextElement(QStringLiteral("degree-alter"),
                            QString::number(kind->degrees[d].alter));
      xml_.writeTextElement(QStringLiteral("degree-type"), QLatin1String(kind->degrees[d].type));
      xml_.writeEndElement();
    }
    xml_.writeEndElement();
  }

  void Rest(int length) {
    const Value* v = ValueOf(length);
    xml_.writeStartElement(QStringLiteral("note"));
    xml_.writeEmptyElement(QStringLiteral("rest"));
    xml_.writeTextElement(QStringLiteral("duration"), QString::number(length));
    xml_.writeTextElement(QStringLiteral("voice"), QStringLiteral("1"));
    if (v) {
      xml_.writeTextElement(QStringLiteral("type"), QLatin1String(v->type));
      for (int d = 0; d < v->dots; ++d) xml_.writeEmptyElement(QStringLiteral("dot"));
    }
    xml_.writeEndElement();
  }

  // One written value of note i; first/last: the first and last value of the note (a note
  // written as several values is tied within itself).
  void Note(const KeyPart& part, int i, int length, bool first, bool last) {
    const Phrase& ph = part.phrase;
    if (ph.NoteIsRest[i]) {
      Rest(length);
      return;
    }
    const Value* v = ValueOf(length);
    const bool tiedFrom = !first || (ph.NoteTie[i] != 0 && i > 0);
    const bool tiedTo =
        !last || (i + 1 < ph.NoteCount && ph.NoteTie[i + 1] != 0 && ph.NoteIsRest[i + 1] == 0);
    const spelling::Spelled& s = part.spelled[static_cast<std::size_t>(i)];
    const int group = ph.NoteGroup(i);
    xml_.writeStartElement(QStringLiteral("note"));
    xml_.writeStartElement(QStringLiteral("pitch"));
    xml_.writeTextElement(QStringLiteral("step"), QString(spelling::Letter(s.step)));
    if (s.alter != 0) xml_.writeTextElement(QStringLiteral("alter"), QString::number(s.alter));
    xml_.writeTextElement(QStringLiteral("octave"), QString::number(s.octave));
    xml_.writeEndElement();
    xml_.writeTextElement(QStringLiteral("duration"), QString::number(length));
    if (tiedFrom) {
      xml_.writeEmptyElement(QStringLiteral("tie"));
      xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("stop"));
    }
    if (tiedTo) {
      xml_.writeEmptyElement(QStringLiteral("tie"));
      xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("start"));
    }
    xml_.writeTextElement(QStringLiteral("voice"), QStringLiteral("1"));
    if (v) {
      xml_.writeTextElement(QStringLiteral("type"), QLatin1String(v->type));
      for (int d = 0; d < v->dots; ++d) xml_.writeEmptyElement(QStringLiteral("dot"));
    }
    if (!tiedFrom) Accidental(s);
    if (v) {
      if (v->triplet) {
        xml_.writeStartElement(QStringLiteral("time-modification"));
        xml_.writeTextElement(QStringLiteral("actual-notes"), QStringLiteral("3"));
        xml_.writeTextElement(QStringLiteral("normal-notes"), QStringLiteral("2"));
        xml_.writeEndElement();
      }
    }
    if (first && last && group != group::kNone) Beams(group);
    const bool tupletStart = v && v->triplet && group::IsFirst(group) && group::IsTriplet(group);
    const bool tupletStop = v && v->triplet && group::IsLast(group) && group::IsTriplet(group);
    if (tiedFrom || tiedTo || tupletStart || tupletStop) {
      xml_.writeStartElement(QStringLiteral("notations"));
      if (tiedFrom) {
        xml_.writeEmptyElement(QStringLiteral("tied"));
        xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("stop"));
      }
      if (tiedTo) {
        xml_.writeEmptyElement(QStringLiteral("tied"));
        xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("start"));
      }
      if (tupletStart) {
        xml_.writeEmptyElement(QStringLiteral("tuplet"));
        xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("start"));
        xml_.writeAttribute(QStringLiteral("bracket"), QStringLiteral("yes"));
      }
      if (tupletStop) {
        xml_.writeEmptyElement(QStringLiteral("tuplet"));
        xml_.writeAttribute(QStringLiteral("type"), QStringLiteral("stop"));
      }
      xml_.writeEndElement();
    }
    xml_.writeEndElement();
  }

  void Beams(int group) {
    if (!group::IsBeamed(group)) return;
    const QString state = group::IsFirst(group)    ? QStringLiteral("begin")
                          : group::IsMiddle(group) ? QStringLiteral("continue")
                                                   : QStringLiteral("end");
    const bool sixteenths = (group >= group::kSixteenthFirst && group <= group::kSixteenthLast) ||
                            group >= group::kSixteenthTripletFirst;
    for (int number = 1; number <= (sixteenths ? 2 : 1); ++number) {
      xml_.writeStartElement(QStringLiteral("beam"));
      xml_.writeAttribute(QStringLiteral("number"), QString::number(number));
      xml_.writeCharacters(state);
      xml_.writeEndElement();
    }
  }

  // The sign a note shows: where its alteration differs from what is in force at its staff
  // position (letter and octave) in this measure, the signature's until a note changes it.
  void Accidental(const spelling::Spelled& s) {
    static const char* const kNames[] = {"flat-flat", "flat", "natural", "sharp", "double-sharp"};
    const int position = 7 * s.octave + s.step;
    const auto found = inForce_.find(position);
    const int inForce =
        found == inForce_.end() ? signature_[static_cast<std::size_t>(s.step)] : found->second;
    const int alter = std::clamp(s.alter, -2, 2);
    if (alter == inForce) return;
    inForce_[position] = alter;
    xml_.writeTextElement(QStringLiteral("accidental"), QLatin1String(kNames[alter + 2]));
  }

  const Export& e_;
  QXmlStreamWriter xml_;
  int fifths_ = 0;
  std::array<int, 7> signature_{};
  std::map<int, int> inForce_;
  int measure_ = 0;
  int position_ = 0;
  bool open_ = false;
};

}  // namespace

QByteArray MusicXml(const Export& e) {
  QByteArray out;
  Writer(e, out).Write();
  return out;
}

}  // namespace exports
