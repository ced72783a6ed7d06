// The exports as another program reads them: every shipped item, in all twelve keys, is
// written as MusicXML and as a Standard MIDI File, and MuseScore 3 (headless, one batch job
// for all files) reads each one back. Every note's pitch, spelling, value and tie, and every
// chord symbol, must come back as the program realised them, without an import warning.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <array>
#include <map>

#include "core/atomic_file.h"
#include "engine/practice_engine.h"
#include "exports/exports.h"
#include "material/category.h"
#include "sound/midi1.h"
#include "theory/MusicMethod_Treat.h"

namespace {

// A note (or rest) as a MusicXML file has it; times in ticks of 24 to the quarter.
struct ReadNote {
  int onset = 0;
  int duration = 0;
  bool rest = false;
  int midi = 0;
  spelling::Spelled spelled;
  bool tieStart = false;
  bool tieStop = false;
  QString accidental;  // the sign the file marks, empty for none
};
struct ReadChord {
  int onset = 0;
  QString root;  // step and alteration, as "Bb"
  QString kind;
  QStringList degrees;
  bool operator==(const ReadChord&) const = default;
};
struct ReadPart {
  QString name;
  std::vector<ReadNote> notes;
  std::vector<ReadChord> chords;
  std::vector<std::pair<int, QString>> keys;  // each key signature: fifths and mode
};

int StepOf(QChar letter) {
  return QStringLiteral("CDEFGAB").indexOf(letter);
}

// The parts of a MusicXML file, each with its notes and chord symbols.
std::vector<ReadPart> ReadMusicXml(const QString& path) {
  QFile file(path);
  std::vector<ReadPart> parts;
  if (!file.open(QIODevice::ReadOnly)) return parts;
  QXmlStreamReader xml(&file);
  std::map<QString, QString> names;
  QString id;
  int divisions = 1;
  int time = 0;
  auto ticks = [&](int d) { return d * MusicMethod_Treat::TicksPerQuarter / divisions; };
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto tag = xml.name();
    if (tag == u"score-part") {
      id = xml.attributes().value(QLatin1String("id")).toString();
    } else if (tag == u"part-name") {
      names[id] = xml.readElementText();
    } else if (tag == u"part") {
      parts.push_back({names[xml.attributes().value(QLatin1String("id")).toString()], {}, {}, {}});
      time = 0;
    } else if (tag == u"divisions") {
      divisions = std::max(1, xml.readElementText().toInt());
    } else if (tag == u"backup" || tag == u"forward") {
      const bool back = tag == u"backup";
      while (xml.readNextStartElement()) {
        if (xml.name() == u"duration") {
          time += (back ? -1 : 1) * ticks(xml.readElementText().toInt());
        } else {
          xml.skipCurrentElement();
        }
      }
    } else if (tag == u"key" && !parts.empty()) {
      std::pair<int, QString> key{0, QStringLiteral("major")};
      while (xml.readNextStartElement()) {
        if (xml.name() == u"fifths") {
          key.first = xml.readElementText().toInt();
        } else if (xml.name() == u"mode") {
          key.second = xml.readElementText();
        } else {
          xml.skipCurrentElement();
        }
      }
      parts.back().keys.push_back(key);
    } else if (tag == u"harmony") {
      ReadChord chord{time, {}, {}, {}};
      QString degree;
      while (!(xml.isEndElement() && xml.name() == u"harmony") && !xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"root-step") chord.root = xml.readElementText();
        if (xml.name() == u"root-alter") {
          chord.root += xml.readElementText().toInt() > 0 ? u'#' : u'b';
        }
        if (xml.name() == u"kind") chord.kind = xml.readElementText();
        if (xml.name() == u"degree-value") degree = xml.readElementText();
        if (xml.name() == u"degree-alter") degree += u' ' + xml.readElementText();
        if (xml.name() == u"degree-type") chord.degrees << degree + u' ' + xml.readElementText();
      }
      chord.degrees.sort();
      if (!parts.empty()) parts.back().chords.push_back(chord);
    } else if (tag == u"note") {
      ReadNote note;
      bool inChord = false;
      note.onset = time;
      while (!(xml.isEndElement() && xml.name() == u"note") && !xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        const auto n = xml.name();
        if (n == u"chord") inChord = true;
        if (n == u"rest") note.rest = true;
        if (n == u"step") note.spelled.step = StepOf(xml.readElementText().front());
        if (n == u"alter") note.spelled.alter = xml.readElementText().toInt();
        if (n == u"octave") note.spelled.octave = xml.readElementText().toInt();
        if (n == u"duration") note.duration = ticks(xml.readElementText().toInt());
        if (n == u"accidental") note.accidental = xml.readElementText();
        if (n == u"tie") {
          (xml.attributes().value(QLatin1String("type")) == u"start" ? note.tieStart
                                                                     : note.tieStop) = true;
        }
      }
      if (inChord || parts.empty()) continue;
      note.midi = spelling::PitchOf(note.spelled) + 36;
      time += note.duration;
      parts.back().notes.push_back(note);
    }
  }
  return parts;
}

// Notes joined by ties into one, rests left out: what sounds.
std::vector<ReadNote> Sounding(const std::vector<ReadNote>& notes) {
  std::vector<ReadNote> out;
  for (const ReadNote& n : notes) {
    if (n.rest) continue;
    if (n.tieStop && !out.empty() && out.back().midi == n.midi &&
        out.back().onset + out.back().duration == n.onset) {
      out.back().duration += n.duration;
      continue;
    }
    out.push_back(n);
  }
  return out;
}

struct Exported {
  QString name;  // category-item, for the messages
  exports::Export what;
};

class Exports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new QTemporaryDir;
    for (const char* name :
         {"scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt"}) {
      QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/") + name, folder_->filePath(name));
    }
    exported_ = new std::vector<Exported>;
    QJsonArray jobs;
    for (int c = 0; c < category::kCount; ++c) {
      practice::OfflineEngine probe;
      const int count = probe.engine.LoadCategory(folder_->path(), c, nullptr);
      for (int item = 0; item < count; ++item) {
        practice::OfflineEngine world;
        world.cfg.LimitRange = 0;
        world.cfg.PitchAdjust = 0;
        world.engine.LoadCategory(folder_->path(), c, nullptr);
        exports::Request request;
        request.category = c;
        request.item = item;
        request.allKeys = true;
        request.progression = exports::Progression::kFourths;
        Exported e{QStringLiteral("%1-%2").arg(c).arg(item), {}};
        QString error;
        ASSERT_TRUE(exports::Build(world, request, e.what, &error)) << error.toStdString();
        for (const char* ext : {"musicxml", "mid"}) {
          const QString file = folder_->filePath(e.name + u'.' + QLatin1String(ext));
          const QByteArray bytes = QLatin1String(ext) == QLatin1String("mid")
                                       ? exports::MidiFile(e.what)
                                       : exports::MusicXml(e.what);
          ASSERT_TRUE(atomic_file::Write(file, bytes, &error)) << error.toStdString();
          jobs.append(QJsonObject{{"in", file}, {"out", file + QStringLiteral(".back.musicxml")}});
        }
        exported_->push_back(std::move(e));
      }
    }
    const QString job = folder_->filePath(QStringLiteral("job.json"));
    QString error;
    ASSERT_TRUE(atomic_file::Write(job, QJsonDocument(jobs).toJson(), &error));
    const QString mscore = QStandardPaths::findExecutable(QStringLiteral("mscore3"));
    ASSERT_FALSE(mscore.isEmpty()) << "MuseScore 3 (Debian package musescore3) is not installed";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->path());
    env.insert(QStringLiteral("HOME"), folder_->path());
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(mscore, {QStringLiteral("-j"), job});
    ASSERT_TRUE(run.waitForFinished(600000));
    log_ = new QString(QString::fromUtf8(run.readAll()));
  }
  static void TearDownTestSuite() {
    delete exported_;
    delete log_;
    delete folder_;
  }

  static QString Back(const Exported& e, const char* ext) {
    return folder_->filePath(e.name + u'.' + QLatin1String(ext) + QStringLiteral(".back.musicxml"));
  }

  static QTemporaryDir* folder_;
  static std::vector<Exported>* exported_;
  static QString* log_;
};
QTemporaryDir* Exports::folder_ = nullptr;
std::vector<Exported>* Exports::exported_ = nullptr;
QString* Exports::log_ = nullptr;

TEST_F(Exports, MuseScoreReadsEveryFileWithoutAWarning) {
  ASSERT_NE(log_, nullptr);
  int converted = 0;
  for (const QString& line : log_->split(u'\n', Qt::SkipEmptyParts)) {
    if (line.startsWith(QLatin1String("... success!"))) {
      ++converted;
      continue;
    }
    // What MuseScore says of its own work: the file it converts, where to, and a trace of
    // each percussion note it places (a debugging print with the note's address).
    static const QRegularExpression own(
        QStringLiteral("^(convert <.*>\\.\\.\\.|\\tto <.*>|chord 0x[0-9a-f]+ note 0x[0-9a-f]+ "
                       "pitch \\d+|QStandardPaths: .*)$"));
    EXPECT_TRUE(own.match(line).hasMatch()) << line.toStdString();
  }
  EXPECT_EQ(converted, 2 * static_cast<int>(exported_->size()));
}

TEST_F(Exports, MusicXmlComesBackNoteForNoteWithItsSpellingAndChords) {
  int signs = 0;
  for (const Exported& e : *exported_) {
    const std::vector<ReadPart> written = ReadMusicXml(folder_->filePath(e.name + ".musicxml"));
    const std::vector<ReadPart> back = ReadMusicXml(Back(e, "musicxml"));
    ASSERT_EQ(back.size(), 1u) << e.name.toStdString();
    // The notes as the program realised them, key after key.
    std::vector<ReadNote> expected;
    int offset = 0;
    for (const exports::KeyPart& part : e.what.keys) {
      const Phrase& ph = part.phrase;
      int at = offset;
      for (int i = 0; i < ph.NoteCount; ++i) {
        ReadNote n;
        n.onset = at;
        n.duration = ph.NoteLength[i];
        n.rest = ph.NoteIsRest[i] != 0;
        if (!n.rest) {
          n.spelled = part.spelled[i];
          n.midi = ph.NotePitch[i] + 36;
          n.tieStop = ph.NoteTie[i] != 0;
          n.tieStart = i + 1 < ph.NoteCount && ph.NoteTie[i + 1] != 0;
        }
        expected.push_back(n);
        at += ph.NoteLength[i];
      }
      offset += part.lengthTicks / (exports::kTicksPerQuarter / MusicMethod_Treat::TicksPerQuarter);
    }
    // The rests that fill each key's last bar are the export's, not the item's.
    const auto aligned = [&](const std::vector<ReadNote>& read) {
      std::vector<ReadNote> sounding;
      std::size_t k = 0;
      for (const ReadNote& n : read) {
        if (n.rest && n.onset >= offset) continue;
        if (k < expected.size() && n.onset == expected[k].onset) {
          sounding.push_back(n);
          ++k;
        } else {
          EXPECT_TRUE(n.rest) << e.name.toStdString() << " an extra note at " << n.onset;
        }
      }
      return sounding;
    };
    const std::vector<ReadNote> sounding = aligned(back[0].notes);
    const std::vector<ReadNote> marked = aligned(written[0].notes);
    ASSERT_EQ(sounding.size(), expected.size()) << e.name.toStdString();
    ASSERT_EQ(marked.size(), expected.size()) << e.name.toStdString();
    // Every key with its signature, minor keys as minor; MuseScore keeps them.
    ASSERT_EQ(written[0].keys.size(), e.what.keys.size()) << e.name.toStdString();
    for (std::size_t k = 0; k < e.what.keys.size(); ++k) {
      const exports::KeyPart& part = e.what.keys[k];
      EXPECT_EQ(written[0].keys[k].first, exports::KeyFifths(e.what, part)) << e.name.toStdString();
      EXPECT_EQ(written[0].keys[k].second, exports::KeyMode(e.what, part)) << e.name.toStdString();
      if (!category::IsSteps(e.what.category)) {
        EXPECT_EQ(written[0].keys[k].second,
                  part.minor ? QStringLiteral("minor") : QStringLiteral("major"));
      }
    }
    // The signatures as they change (MuseScore leaves out some that do not).
    const auto changes = [](std::vector<std::pair<int, QString>> keys) {
      keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
      return keys;
    };
    EXPECT_EQ(changes(back[0].keys), changes(written[0].keys)) << e.name.toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const ReadNote& x = expected[i];
      const ReadNote& y = sounding[i];
      const std::string where = e.name.toStdString() + " note " + std::to_string(i);
      EXPECT_EQ(y.rest, x.rest) << where;
      EXPECT_EQ(y.duration, x.duration) << where;
      if (x.rest) continue;
      EXPECT_EQ(y.midi, x.midi) << where;
      EXPECT_EQ(y.spelled, x.spelled) << where << " " << spelling::Name(y.spelled).toStdString()
                                      << " for " << spelling::Name(x.spelled).toStdString();
      EXPECT_EQ(y.tieStart, x.tieStart) << where;
      EXPECT_EQ(y.tieStop, x.tieStop) << where;
      // MuseScore draws a sign on exactly the notes the file marks, and the same sign.
      EXPECT_EQ(y.accidental, marked[i].accidental)
          << where << " " << spelling::Name(x.spelled).toStdString();
      signs += marked[i].accidental.isEmpty() ? 0 : 1;
    }
    // The chord symbols: as written, and at the notes they were written at.
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(back[0].chords, written[0].chords) << e.name.toStdString();
    std::size_t chord = 0;
    for (const exports::KeyPart& part : e.what.keys) {
      for (int i = 0; i < part.phrase.NoteCount; ++i) {
        const QString text = part.phrase.NoteChord[i].trimmed();
        if (text.isEmpty() || e.what.category == category::kScale) continue;
        ASSERT_LT(chord, written[0].chords.size()) << e.name.toStdString();
        // The root as the symbol writes it, its sign included ("Bb" is not "B").
        EXPECT_EQ(written[0].chords[chord].root, spelling::Name(*spelling::SymbolRoot(text)))
            << text.toStdString();
        ++chord;
      }
    }
    EXPECT_EQ(chord, written[0].chords.size()) << e.name.toStdString();
  }
  // The music needs signs in every key: hundreds of them over the material.
  EXPECT_GT(signs, 500);
}

// The click is written with a drum note notation programs know, the map's bounds kept.
TEST(ExportClick, DrumNotesOutsideTheMapBecomeTheSideStick) {
  for (const auto& [note, written] :
       {std::pair{0, 37}, std::pair{33, 37}, std::pair{34, 37}, std::pair{35, 35},
        std::pair{68, 68}, std::pair{81, 81}, std::pair{82, 37}}) {
    EXPECT_EQ(exports::NotatedDrumNote(note), written) << note;
  }
}

TEST_F(Exports, MidiFileComesBackWithEveryNoteAtItsTimeAndPitch) {
  for (const Exported& e : *exported_) {
    // Each key's signature meta event: its sharps or flats, minor keys as minor.
    QFile file(folder_->filePath(e.name + QStringLiteral(".mid")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::vector<std::pair<int, int>> signatures;
    for (qsizetype at = bytes.indexOf("\xFF\x59\x02"); at >= 0 && at + 4 < bytes.size();
         at = bytes.indexOf("\xFF\x59\x02", at + 1)) {
      signatures.emplace_back(static_cast<std::int8_t>(bytes[at + 3]), bytes[at + 4]);
    }
    std::vector<std::pair<int, int>> expectedSignatures;
    for (const exports::KeyPart& part : e.what.keys) {
      expectedSignatures.emplace_back(exports::KeyFifths(e.what, part), part.minor ? 1 : 0);
    }
    EXPECT_EQ(signatures, expectedSignatures) << e.name.toStdString();
    const std::vector<ReadPart> back = ReadMusicXml(Back(e, "mid"));
    const auto melody = std::find_if(back.begin(), back.end(), [](const ReadPart& p) {
      return p.name.contains(QLatin1String("Melody"));
    });
    ASSERT_NE(melody, back.end()) << e.name.toStdString();
    // What sounds: onsets and pitches exactly; a value as written, or longer by at most the
    // rest after it (MuseScore's reading of a MIDI file fills a short rest into the note).
    std::vector<ReadNote> expected;
    std::vector<int> room;
    int offset = 0;
    for (const exports::KeyPart& part : e.what.keys) {
      const Phrase& ph = part.phrase;
      int at = offset;
      for (int i = 0; i < ph.NoteCount; ++i) {
        const int length = ph.NoteLength[i];
        if (ph.NoteIsRest[i]) {
          if (!room.empty()) room.back() += length;
        } else if (ph.NoteTie[i] && !expected.empty() &&
                   expected.back().midi == ph.NotePitch[i] + 36) {
          expected.back().duration += length;
        } else {
          ReadNote n;
          n.onset = at;
          n.duration = length;
          n.midi = ph.NotePitch[i] + 36;
          expected.push_back(n);
          room.push_back(0);
        }
        at += length;
      }
      offset += part.lengthTicks / (exports::kTicksPerQuarter / MusicMethod_Treat::TicksPerQuarter);
      if (!room.empty()) room.back() += offset - at;
    }
    const std::vector<ReadNote> sounding = Sounding(melody->notes);
    ASSERT_EQ(sounding.size(), expected.size()) << e.name.toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const std::string where = e.name.toStdString() + " note " + std::to_string(i);
      EXPECT_EQ(sounding[i].onset, expected[i].onset) << where;
      EXPECT_EQ(sounding[i].midi, expected[i].midi) << where;
      EXPECT_GE(sounding[i].duration, expected[i].duration) << where;
      EXPECT_LE(sounding[i].duration, expected[i].duration + room[i]) << where;
    }
  }
}

}  // namespace

namespace {

// The (on tick, off tick, note) of every note of a channel in a Standard MIDI File, read
// byte by byte: variable-length deltas, running status, meta and system exclusive events.
std::vector<std::array<std::int64_t, 3>> FileNotes(const QByteArray& bytes, int channel) {
  std::vector<std::array<std::int64_t, 3>> notes;
  std::map<int, std::size_t> sounding;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  qsizetype at = 14;  // after the header chunk
  while (at + 8 <= bytes.size()) {
    const qsizetype length =
        (data[at + 4] << 24) | (data[at + 5] << 16) | (data[at + 6] << 8) | data[at + 7];
    qsizetype p = at + 8;
    const qsizetype end = p + length;
    std::int64_t tick = 0;
    int status = 0;
    const auto number = [&] {
      std::int64_t v = 0;
      while (p < end) {
        const unsigned char b = data[p++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) break;
      }
      return v;
    };
    while (p < end) {
      tick += number();
      if (data[p] & 0x80) status = data[p++];
      if (status == 0xFF) {
        ++p;  // the meta event's type
        p += number();
      } else if (status == 0xF0 || status == 0xF7) {
        p += number();
      } else {
        const int kind = status & 0xF0;
        const int note = data[p];
        const int velocity = (kind == 0xC0 || kind == 0xD0) ? 0 : data[p + 1];
        p += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if ((status & 0x0F) != channel) continue;
        if (kind == 0x90 && velocity > 0) {
          sounding[note] = notes.size();
          notes.push_back({tick, -1, note});
        } else if ((kind == 0x80 || kind == 0x90) && sounding.count(note)) {
          notes[sounding[note]][1] = tick;
          sounding.erase(note);
        }
      }
    }
    at = end;
  }
  return notes;
}

}  // namespace

// A swung export is the pass the program plays: each melody note starts and ends at the
// same tick as the capture of that pass (at the export's tempo a ms is a tick), so no gap
// opens before a swung off-beat and no note rings past where the program ends it.
TEST(SwungExport, TheMelodyIsThePlayedPassTickForTick) {
  struct Case {
    int category, item;
    std::int16_t level;
  };
  // A scale in eighths, phrases with eighths, triplets, a rest first and ties, at each level.
  const Case cases[] = {{0, 0, 1}, {3, 0, 0}, {3, 0, 2}, {3, 3, 1}, {3, 5, 1}, {3, 2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "category " << c.category << " item " << c.item << " swing level " << c.level);
    settings::CfgRecord record = settings::DefaultRecord();
    record.SwingLevel = c.level;
    record.PitchAdjust = 0;
    practice::OfflineEngine world(record);
    ASSERT_GT(
        world.engine.LoadCategory(QStringLiteral(VORMINA_SOURCE_DIR "/data"), c.category, nullptr),
        c.item);
    exports::Request request;
    request.category = c.category;
    request.item = c.item;
    request.swing = true;
    exports::Export e;
    QString error;
    ASSERT_TRUE(exports::Build(world, request, e, &error)) << error.toStdString();
    ASSERT_EQ(e.keys.size(), 1u);
    const auto file = FileNotes(exports::MidiFile(e), midi1::kMelodyChannel);

    // The same pass played and captured: 125 bpm, swung, once, no count-in.
    settings::CfgRecord played = settings::DefaultRecord();
    played.SwingLevel = c.level;
    played.SwingOn = 1;
    played.PitchAdjust = 0;
    played.Tempo = 125;
    played.CountInOn = 0;
    played.RepeatOn = 0;
    played.SpeedUpOn = 0;
    practice::OfflineEngine capture(played);
    capture.engine.LoadCategory(QStringLiteral(VORMINA_SOURCE_DIR "/data"), c.category, nullptr);
    capture.engine.Select(c.category, c.item, e.keys[0].key);
    const practice::PassResult pass =
        capture.Pass(practice::OfflineEngine::Move::kInKey, e.keys[0].key);
    const std::int64_t origin = practice::PassStart(pass.messages);
    std::vector<std::array<std::int64_t, 3>> heard;
    for (const auto& [ms, m] : pass.messages) {
      if (m.channel() != midi1::kMelodyChannel) continue;
      if (m.kind() == sound::ShortMessage::kNoteOn && !m.IsNoteOff()) {
        heard.push_back({ms - origin, -1, m.data1()});
      } else if ((m.IsNoteOff() || m.IsAllNotesOff()) && !heard.empty() && heard.back()[1] < 0) {
        heard.back()[1] = ms - origin;
      }
    }
    ASSERT_EQ(file.size(), heard.size());
    bool swungOffBeat = false;
    for (std::size_t i = 0; i < heard.size(); ++i) {
      EXPECT_EQ(file[i], heard[i]) << "note " << i;
      swungOffBeat = swungOffBeat || heard[i][0] % 480 > 240;
    }
    if (c.category == 0) {
      EXPECT_TRUE(swungOffBeat);  // the pass does swing
    }
  }
}
