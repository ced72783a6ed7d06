// Every item of the shipped material files realises in all twelve keys without a message,
// and the phrase books are written in whole bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

#include "material/file_Treat.h"
#include "theory/MusicMethod_Treat.h"
#include "theory/material_check.h"
#include "theory/phrase.h"

namespace {
const QString kDataDir = QStringLiteral(VORMINA_SOURCE_DIR "/data");
}

// The lists hold what a student needs, no more than the list shows, each step and degree a
// character the loaders read; every chord item's notes hold the voicing the band plays for
// its name (the name matches the notes).
TEST(ShippedMaterial, ListFilesHoldWhatAStudentNeeds) {
  file_Treat::MaterialLists lists;
  const int scales = file_Treat::LoadScaleFile(lists, kDataDir);
  const int chords = file_Treat::LoadChordFile(lists, kDataDir);
  const int patterns = file_Treat::LoadPatternFile(lists, kDataDir);
  const auto has = [](const auto& names, int count, const QString& name) {
    return std::find(names.begin(), names.begin() + count, name) != names.begin() + count;
  };
  for (const char* name :
       {"アイオニアン",   "ドリアン",       "フリジアン",   "リディアン",   "ミクソ",
        "エオリアン",     "ロクリアン",     "メロディック", "リディアンb7", "リディアン#5",
        "オルタード",     "ロクリアン#2",   "ハーモニック", "HMP5↓",        "コンディミ",
        "ディミニッシュ", "ホールトーン",   "ビバップM",    "ビバップ",     "ビバップm",
        "メジャーペンタ", "マイナーペンタ", "Mブルース",    "ブルース"}) {
    EXPECT_TRUE(has(lists.ScaleName, scales, QString::fromUtf8(name))) << name;
  }
  for (const char* suffix :
       {"M",    "m",   "aug",     "6",    "m6",   "M7",  "m7",  "7",    "m7b5",
        "dim7", "mM7", "7#5",     "M7#5", "7alt", "7b9", "7#9", "7#11", "7b13",
        "9",    "13",  "m(maj9)", "M9",   "m9",   "m11", "6/9", "add9", "9sus4"}) {
    EXPECT_TRUE(has(lists.ChordSuffix, chords, QString::fromUtf8(suffix))) << suffix;
  }
  EXPECT_LE(scales, file_Treat::kMaxListItems);
  EXPECT_LE(chords, file_Treat::kMaxListItems);
  EXPECT_GE(patterns, 20);
  for (int i = 0; i < scales; ++i) {
    for (QChar c : lists.ScaleSteps[i]) EXPECT_TRUE(QString("1234HW").contains(c)) << i;
  }
  for (int i = 0; i < chords; ++i) {
    const std::string name = lists.ChordSuffix[i].toStdString();
    std::set<int> notes{0};
    int pitch = 0;
    for (QChar c : lists.ChordSteps[i]) {
      EXPECT_TRUE(QString("1234HW").contains(c)) << name;
      pitch += MusicMethod_Treat::StepValue(c, 0);
      notes.insert(MusicMethod_Treat::PitchClass(pitch));
    }
    const auto quality = MusicMethod_Treat::ChordQualityOf(lists.ChordSuffix[i]);
    ASSERT_TRUE(quality.has_value()) << name;
    for (int v : quality->voices)
      EXPECT_TRUE(notes.count(MusicMethod_Treat::PitchClass(v))) << name << " lacks " << v;
  }
  for (int i = 0; i < patterns; ++i) {
    for (QChar c : lists.PatternDegrees[i]) EXPECT_TRUE(QString("1234567").contains(c)) << i;
    EXPECT_GE(lists.PatternDegrees[i].size(), 1);
    EXPECT_LE(lists.PatternDegrees[i].size(), 6);
  }
}

TEST(ShippedMaterial, EveryItemRealisesInEveryKey) {
  const int minimum[] = {20, 20, 20, 30, 20, 20};
  for (int category = 0; category < 6; ++category) {
    file_Treat::MaterialLists lists;
    QString error;
    const int count = file_Treat::LoadCategory(lists, kDataDir, category, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_GE(count, minimum[category]) << "category " << category;
    for (int item = 0; item < count; ++item) {
      for (int key = 0; key < 12; ++key) {
        settings::CfgRecord cfg;
        cfg.Category = static_cast<std::int16_t>(category);
        cfg.LastItem[category] = static_cast<std::int16_t>(item);
        cfg.Root = static_cast<std::int16_t>(key);
        cfg.LimitRange = 1;
        cfg.RangeLow = 21;
        cfg.RangeHigh = 50;
        for (int tonality = 0; tonality < (category == 2 ? 2 : 1); ++tonality) {
          cfg.Tonality = static_cast<std::int16_t>(tonality);
          Phrase phrase;
          QStringList messages;
          RealiseContext ctx{cfg, lists, phrase, nullptr,
                             [&messages](const QString& m) { messages << m; }};
          std::int16_t previous = 0;
          RealiseItem(ctx, false, previous);
          if (category >= 3) {
            cfg.Root = static_cast<std::int16_t>(key);
            RealiseItem(ctx, true, previous);
          }
          EXPECT_TRUE(messages.isEmpty()) << category << "/" << item << " key " << key;
          EXPECT_GT(phrase.NoteCount, 0) << category << "/" << item;
          if (category >= 3) {
            int total = 0;
            for (int i = 0; i < phrase.NoteCount; ++i) {
              EXPECT_GT(phrase.NoteLength[i], 0) << category << "/" << item << " note " << i;
              total += phrase.NoteLength[i];
            }
            EXPECT_EQ(total % 96, 0)
                << category << "/" << item << " " << lists.PhraseName[item].toStdString();
            EXPECT_EQ(cfg.Root, key);
            EXPECT_FALSE(phrase.NoteChord[0].trimmed().isEmpty()) << category << "/" << item;
          }
        }
      }
    }
  }
}

// What a teacher checks in a written phrase, in every key: each note that starts on beat 1
// or 3 is a tone or an allowed tension of the chord in effect (the chord-quality table), no
// note runs over a bar line (a longer value is tied across it), a tie joins two notes of the
// same pitch, and the key in the title is the key the program reads. In the key as written the
// spelling is checked too: the chord's own tones with the letters their intervals call for,
// and a chromatic approach note on another letter than the note it leads to.
namespace {

using namespace MusicMethod_Treat;

// Intervals above the root that may stand on a strong beat.
std::set<int> StrongBeatIntervals(const QString& suffix) {
  const auto quality = ChordQualityOf(suffix);
  if (!quality) return {};
  std::set<int> tones{PitchClass(quality->bassFifth)};
  for (int v : quality->voices) tones.insert(PitchClass(v));
  std::set<int> allowed = tones;
  const auto add = [&allowed](std::initializer_list<int> more) { allowed.insert(more); };
  const bool third = tones.count(4), seventh = tones.count(10);
  if (suffix.contains("alt")) {
    add({1, 3, 6, 8});  // b9, #9, #11, b13
  } else if (third && seventh) {
    add({1, 2, 3, 6, 8, 9});  // a dominant takes every tension but the eleventh
  } else if (third) {
    add({2, 6, 9});  // major: 9, #11, 13
  } else if (tones.count(5)) {
    add({2, 9});  // suspended
  } else if (tones.count(6) && tones.count(9)) {
    add({2, 5, 8, 11});  // diminished: a whole step above each tone
  } else if (tones.count(6)) {
    add({2, 5, 8});  // half-diminished: 9, 11, b13
  } else {
    add({2, 5, 9});  // minor: 9, 11, 13
    if (!seventh) add({11});
  }
  return allowed;
}

// Letter steps (0..6) above the root's letter that spell the chord tone at an interval.
std::set<int> ChordToneLetterSteps(int interval, const QString& suffix) {
  switch (interval) {
    case 0:
      return {0};
    case 1:
    case 2:
      return {1};
    case 3:
      return suffix.contains("#9") || suffix.contains("alt") ? std::set<int>{1} : std::set<int>{2};
    case 4:
      return {2};
    case 5:
      return {3};
    case 6:
      return {3, 4};
    case 7:
      return {4};
    case 8:
      return {4, 5};
    case 9:
      return suffix.startsWith("dim") || suffix.startsWith("o") ? std::set<int>{6}
                                                                : std::set<int>{5};
    default:
      return {6};
  }
}

bool IsChordTone(int interval, const QString& suffix) {
  const auto quality = ChordQualityOf(suffix);
  if (!quality) return false;
  for (int v : quality->voices) {
    if (PitchClass(v) == interval) return true;
  }
  return PitchClass(quality->bassFifth) == interval;
}

// The letter C..B (0..6) of a note line or chord line after its octave digit, -1 for a rest,
// and whether a "#" or "b" follows it.
struct Letter {
  int letter = -1;
  bool accidental = false;
};
Letter WrittenLetter(const QString& line) {
  for (int i = 0; i < line.size(); ++i) {
    if (line[i] == 'R') return {};
    const int letter = QStringLiteral("CDEFGAB").indexOf(line[i]);
    if (letter >= 0) {
      return {letter, i + 1 < line.size() && (line[i + 1] == '#' || line[i + 1] == 'b')};
    }
  }
  return {};
}

struct Written {
  Letter note;
  int rootLetter;  // of the chord in effect
};

// The written letters of each note of a phrase body and of the chord over it.
std::vector<Written> WrittenLetters(const file_Treat::MaterialLists& lists, int item) {
  std::vector<Written> out;
  int rootLetter = -1;
  for (const QString& line : (*lists.PhraseLine)[item]) {
    if (line.isEmpty()) break;
    if (line.startsWith('*')) {
      rootLetter = WrittenLetter(line.mid(1)).letter;
    } else {
      out.push_back({WrittenLetter(line), rootLetter});
    }
  }
  return out;
}

// The pitch class of the key named in parentheses at the end of a title: "(Bb)", "(Am)".
std::optional<int> TitleKey(const QString& title) {
  const int open = title.lastIndexOf('(');
  if (open < 0 || !title.endsWith(')')) return std::nullopt;
  const QString key = title.mid(open + 1, title.size() - open - 2);
  int pitch = 0;
  bool rest = false;
  if (key.isEmpty() || QStringLiteral("CDEFGAB").indexOf(key[0]) < 0) return std::nullopt;
  ParseNoteToken(key, pitch, rest);
  return PitchClass(pitch);
}

// Every problem of one realised phrase, as text; the written letters when given.
QStringList PhraseProblems(const Phrase& phrase, const std::vector<Written>* letters) {
  QStringList problems;
  QString chord;
  int start = 0;
  for (int i = 0; i < phrase.NoteCount; ++i) {
    const QString where = QStringLiteral("note %1: ").arg(i + 1);
    if (!phrase.NoteChord[i].trimmed().isEmpty()) chord = phrase.NoteChord[i].trimmed();
    const ChordSymbol symbol = ReadChordSymbol(chord);
    const int length = phrase.NoteLength[i];
    const int interval = PitchClass(phrase.NotePitch[i] - symbol.root);
    const bool rest = phrase.NoteIsRest[i] != 0;
    if (start / ticks::kWhole != (start + length - 1) / ticks::kWhole) {
      problems << where + "runs over a bar line";
    }
    if (!ChordQualityOf(symbol.suffix)) problems << where + "chord not in the table: " + chord;
    if (!rest && start % ticks::kHalf == 0 && !StrongBeatIntervals(symbol.suffix).count(interval)) {
      problems << where +
                      QStringLiteral("interval %1 of %2 on a strong beat").arg(interval).arg(chord);
    }
    // "=" marks the note that a tie carries on from the one before it.
    if (phrase.NoteTie[i] && (i == 0 || phrase.NoteIsRest[i - 1] || rest ||
                              phrase.NotePitch[i - 1] != phrase.NotePitch[i])) {
      problems << where + "tied from another pitch";
    }
    if (letters && !rest && (*letters)[i].rootLetter >= 0) {
      const Written& here = (*letters)[i];
      const int steps = (here.note.letter - here.rootLetter + 7) % 7;
      if (IsChordTone(interval, symbol.suffix) &&
          !ChordToneLetterSteps(interval, symbol.suffix).count(steps)) {
        problems << where + QStringLiteral("interval %1 of %2 spelled %3 letters up")
                                .arg(interval)
                                .arg(chord)
                                .arg(steps);
      }
      // A chromatic note that leads a semitone to the next is written on another letter
      // (F# up to G, Ab down to G); the blue third of a dominant (Bb to B over G7) is the
      // one that keeps its letter.
      const bool dominant = IsChordTone(4, symbol.suffix) && IsChordTone(10, symbol.suffix);
      const bool blueThird = interval == 3 && dominant;
      if (i + 1 < phrase.NoteCount && !phrase.NoteIsRest[i + 1] &&
          std::abs(phrase.NotePitch[i + 1] - phrase.NotePitch[i]) == 1 &&
          !IsChordTone(interval, symbol.suffix) && !blueThird && here.note.accidental &&
          here.note.letter == (*letters)[i + 1].note.letter) {
        problems << where + "chromatic approach on the letter of its target";
      }
    }
    start += length;
  }
  return problems;
}

}  // namespace

TEST(ShippedMaterial, PhrasesAreWrittenAsATeacherWouldHaveThem) {
  for (int category = 3; category < 6; ++category) {
    file_Treat::MaterialLists lists;
    const int count = file_Treat::LoadCategory(lists, kDataDir, category, nullptr);
    std::set<QString> ideas;
    for (int item = 0; item < count; ++item) {
      const QString title = lists.PhraseName[item];
      const std::string name = title.toStdString();
      const QString idea = title.left(title.lastIndexOf('(')).trimmed();
      EXPECT_TRUE(ideas.insert(idea).second) << "the same idea twice: " << name;
      settings::CfgRecord cfg;
      cfg.Category = static_cast<std::int16_t>(category);
      cfg.LastItem[category] = static_cast<std::int16_t>(item);
      Phrase phrase;
      RealiseContext ctx{cfg, lists, phrase, nullptr, [](const QString&) {}};
      std::int16_t previous = 0;
      RealiseItem(ctx, false, previous);
      EXPECT_EQ(TitleKey(title), std::optional<int>(PitchClass(cfg.Root))) << name;
      const std::vector<Written> letters = WrittenLetters(lists, item);
      ASSERT_EQ(letters.size(), static_cast<std::size_t>(phrase.NoteCount)) << name;
      for (const QString& p : PhraseProblems(phrase, &letters)) {
        ADD_FAILURE() << name << " as written, " << p.toStdString();
      }
      for (int key = 0; key < 12; ++key) {
        cfg.Root = static_cast<std::int16_t>(key);
        RealiseItem(ctx, true, previous);
        for (const QString& p : PhraseProblems(phrase, nullptr)) {
          ADD_FAILURE() << name << " in key " << key << ", " << p.toStdString();
        }
      }
    }
  }
}

// The material editor finds nothing to say of the shipped files.
TEST(ShippedMaterial, TheEditorFindsNoProblem) {
  for (int category = 0; category < 6; ++category) {
    file_Treat::MaterialText text;
    ASSERT_EQ(file_Treat::ReadMaterialFile(file_Treat::CategoryFile(kDataDir, category), text),
              file_Treat::ReadStatus::kRead);
    const auto problem = material_check::FirstProblem(category, text.lines);
    EXPECT_FALSE(problem.has_value()) << (problem ? problem->message.toStdString() : "");
  }
}
