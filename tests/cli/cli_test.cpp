// vormina-cli items and realise, run as a separate program on material folders of the
// tests' own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

#include "core/file_read.h"
#include "core/settings.h"
#include "sound/midi_file_reader.h"
#include "tests/sound/takes.h"

namespace {

struct CliRun {
  int exitCode = -1;
  QJsonObject json;
  QString output;
  QString errors;
};

class Cli : public ::testing::Test {
 protected:
  // A settings file without a note range, so that items come out at the pitches written
  // (a missing file would give the shipped defaults, which limit the range).
  void SetUp() override {
    settings::CfgRecord cfg;
    cfg.MelodyInstrument = 1;
    cfg.RepeatCount = 1;
    WriteSettings(cfg);
  }
  void WriteSettings(const settings::CfgRecord& cfg) {
    const settings::RecordImage image = settings::EncodeRecord(cfg);
    QFile f(dir.filePath("cfg.inf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(image.data()), settings::kRecordSize);
  }
  void Write(const QString& name, const QString& text) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QStringEncoder encode("windows-31j");
    QString crlf = text;
    crlf.replace("\n", "\r\n");
    f.write(encode(crlf));
  }
  CliRun Call(QStringList args) {
    args << "--dir" << dir.path();
    return Bare(args);
  }
  // The tool's environment: a system in the locale asked (Japanese unless a test says
  // otherwise), with no per-user settings, so that the system's language decides.
  static inline QString locale = QStringLiteral("ja_JP.UTF-8");
  static QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent/vormina-config"));
    return env;
  }
  // The tool run with these arguments alone (no --dir added).
  static CliRun Bare(const QStringList& args) {
    QProcess cli;
    cli.setProcessEnvironment(Environment());
    cli.start(QStringLiteral(VORMINA_CLI_PATH), args);
    CliRun run;
    if (!cli.waitForFinished(30000)) return run;
    run.exitCode = cli.exitCode();
    run.output = QString::fromUtf8(cli.readAllStandardOutput());
    run.json = QJsonDocument::fromJson(run.output.toUtf8()).object();
    run.errors = QString::fromUtf8(cli.readAllStandardError());
    return run;
  }
  // A settings file for playing: melody on, no click, no swing, no count-in.
  void WritePlayingSettings(std::int16_t tempo, std::int16_t pitchAdjust = 0) {
    settings::CfgRecord cfg;
    cfg.Tempo = tempo;
    cfg.PitchAdjust = pitchAdjust;
    cfg.MelodyOn = 1;
    cfg.MelodyVolume = 100;
    cfg.MelodyInstrument = 1;
    cfg.AccompInstrument = 1;
    cfg.PitchBase = 36;
    cfg.RepeatCount = 1;
    cfg.LimitRange = 1;
    cfg.RangeLow = 21;
    cfg.RangeHigh = 50;
    WriteSettings(cfg);
  }
  QStringList Lines(QStringList args) {
    args << "--dir" << dir.path();
    QProcess cli;
    cli.setProcessEnvironment(Environment());
    cli.start(QStringLiteral(VORMINA_CLI_PATH), args);
    if (!cli.waitForFinished(60000)) return {};
    return QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  }
  static std::vector<int> Pitches(const QJsonObject& json) {
    std::vector<int> out;
    for (const QJsonValue& n : json["notes"].toArray()) out.push_back(n["pitch"].toInt());
    return out;
  }
  static QStringList Chords(const QJsonObject& json) {
    QStringList out;
    for (const QJsonValue& n : json["notes"].toArray()) out << n["chord"].toString();
    return out;
  }

  QTemporaryDir dir;
};

}  // namespace

TEST_F(Cli, ItemsListsNamesWithoutTheLeadingBlank) {
  QString many;
  for (int i = 0; i < 63; ++i) many += QStringLiteral("スケール%1,WW\n").arg(i);
  Write("scale.txt", many);
  const CliRun run = Call({"items", "--category", "0"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.json["count"].toInt(), 60);
  EXPECT_EQ(run.json["items"].toArray().first().toString(), "スケール0");
  const CliRun missing = Call({"items", "--category", "1"});
  EXPECT_EQ(missing.exitCode, 0);
  EXPECT_EQ(missing.json["count"].toInt(), 0);
}

TEST_F(Cli, RealisesAScaleWithItsPaddedLabel) {
  Write("scale.txt", "Dorian,WHWWWHW\nOdd, x3\n");
  const CliRun run = Call({"realise", "--category", "0", "--item", "0", "--key", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  EXPECT_EQ(run.json["root"].toInt(), 2);
  EXPECT_EQ(run.json["count"].toInt(), 8);
  EXPECT_EQ(Pitches(run.json), (std::vector<int>{2, 4, 5, 7, 9, 11, 12, 14}));
  EXPECT_EQ(Chords(run.json).first(), "D Dorian  ");
  EXPECT_EQ(run.json["notes"].toArray()[0].toObject()["degree"].toString(), "     ");
  EXPECT_EQ(run.json["notes"].toArray()[0].toObject()["group"].toInt(), 1);

  // A blank after the comma and an unknown character repeat the step before them.
  const CliRun odd = Call({"realise", "--category", "0", "--item", "1", "--key", "0"});
  EXPECT_EQ(Pitches(odd.json), (std::vector<int>{0, 0, 0, 3}));
}

TEST_F(Cli, RealisesAPhraseAndThenTransposesIt) {
  Write("ric.txt", "$two five\n*Dm7\n2D4\n2F4\n*G7\n2B4\n3D4\n");
  // In the key it is written in (its last chord's), a phrase keeps its written pitches.
  const CliRun first = Call({"realise", "--category", "3", "--item", "0", "--key", "7"});
  ASSERT_EQ(first.exitCode, 0) << first.errors.toStdString();
  EXPECT_EQ(first.json["root"].toInt(), 7);
  EXPECT_EQ(Pitches(first.json), (std::vector<int>{14, 17, 23, 26}));
  const CliRun moved =
      Call({"realise", "--category", "3", "--item", "0", "--key", "0", "--then-key", "2"});
  EXPECT_EQ(moved.json["root"].toInt(), 2);
  EXPECT_EQ(Pitches(moved.json), (std::vector<int>{9, 12, 18, 21}));
  EXPECT_EQ(Chords(moved.json)[0], "Am7       ");
  EXPECT_EQ(Chords(moved.json)[2], "D7        ");
}

TEST_F(Cli, ThenKeyRealisesOtherCategoriesAfresh) {
  Write("ptn.txt", "arp,1357\n");
  const CliRun run =
      Call({"realise", "--category", "2", "--item", "0", "--key", "0", "--then-key", "5"});
  EXPECT_EQ(run.json["root"].toInt(), 5);
  EXPECT_EQ(Chords(run.json)[0], "Gm7       ");
  EXPECT_EQ(Pitches(run.json)[0], 7);
}

TEST_F(Cli, PhraseErrorsAndLoadErrors) {
  QString full = "$full\n";
  for (int i = 0; i < 101; ++i) full += "C4\n";
  Write("AUX1.txt", full);
  const CliRun refused = Call({"realise", "--category", "4", "--item", "0", "--key", "3"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.errors.contains("ファイルの内容が変です")) << refused.errors.toStdString();
  EXPECT_EQ(refused.json["error"].toString(), "ファイルの内容が変です。修正してください");
  EXPECT_EQ(refused.json["root"].toInt(), 3);
  EXPECT_EQ(refused.json["count"].toInt(), 0);
  EXPECT_TRUE(refused.json["notes"].toArray().isEmpty());

  Write("AUX2.txt", "C4\n$late\n");
  const CliRun broken = Call({"realise", "--category", "5", "--item", "0", "--key", "0"});
  EXPECT_NE(broken.exitCode, 0);
  EXPECT_FALSE(broken.errors.isEmpty());
}

// Every command says what went wrong and exits non-zero: material that is a FIFO, a folder
// or too large, a phrase that cannot be realised, a performance that is a FIFO, a device or
// too large, and a file that cannot be written. Nothing waits on a FIFO.
TEST_F(Cli, EveryCommandExitsNonZeroOnWhatItReports) {
  Write("scale.txt", "Ionian,WWHWWWH\n");
  QString full = "$full\n";
  for (int i = 0; i < 101; ++i) full += "C4\n";
  Write("AUX2.txt", full);
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("ric.txt")).constData(), 0600), 0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("take.mid")).constData(), 0600), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("AUX1.txt"));
  for (const char* name : {"code.txt", "big.mid"}) {
    QFile big(dir.filePath(name));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(file_read::kMaterialBytes + 1));  // sparse, quick
  }
  const QStringList scale = {"--category", "0", "--item", "0", "--key", "0"};
  const QString nowhere = dir.filePath("missing/out");
  // What the tool says on a Japanese system, and on any other.
  struct Case {
    QStringList args;
    const char* says;
    const char* saysInEnglish;
  };
  const Case cases[] = {
      {{"items", "--category", "3"}, "ric.txt", "ric.txt"},
      {{"items", "--category", "4"}, "AUX1.txt", "AUX1.txt"},
      {{"items", "--category", "1"}, "大きすぎる", "too large"},
      {{"realise", "--category", "3", "--item", "0", "--key", "0"}, "ric.txt", "ric.txt"},
      {{"realise", "--category", "5", "--item", "0", "--key", "0"},
       "ファイルの内容が変です",
       "contents are wrong"},
      {{"events", "--category", "4", "--item", "0", "--key", "0"}, "AUX1.txt", "AUX1.txt"},
      {{"render", "--category", "1", "--item", "0", "--key", "0", "--out", nowhere},
       "大きすぎる",
       "too large"},
      {QStringList{"render"} + scale + QStringList{"--out", nowhere + ".wav"}, "保存できません",
       "Cannot save"},
      {{"export", "--category", "5", "--item", "0", "--key", "0", "--format", "midi", "--out",
        nowhere},
       "ファイルの内容が変です",
       "contents are wrong"},
      {QStringList{"export"} + scale + QStringList{"--format", "musicxml", "--out", nowhere},
       "missing", "missing"},
      {QStringList{"score"} + scale + QStringList{"--performance", dir.filePath("take.mid")},
       "通常のファイルではない", "not a regular file"},
      {QStringList{"score"} + scale + QStringList{"--performance", "/dev/zero"},
       "通常のファイルではない", "not a regular file"},
      {QStringList{"score"} + scale + QStringList{"--performance", dir.filePath("big.mid")},
       "大きすぎる", "too large"},
      {{"transcribe", dir.filePath("scale.txt")}, "WAV ファイルではありません", "not a WAV file"},
      {{"transcribe", "/dev/zero"}, "通常のファイルではない", "not a regular file"},
  };
  for (const char* system : {"ja_JP.UTF-8", "en_US.UTF-8"}) {
    locale = QString::fromLatin1(system);
    for (const Case& c : cases) {
      const CliRun run = Call(c.args);
      const QString expected =
          QString::fromUtf8(locale.startsWith(QStringLiteral("ja")) ? c.says : c.saysInEnglish);
      EXPECT_EQ(run.exitCode, 1) << system << " " << c.args.join(' ').toStdString() << ": "
                                 << run.errors.toStdString();
      EXPECT_TRUE(run.errors.contains(expected))
          << system << " " << c.args.join(' ').toStdString() << ": " << run.errors.toStdString();
    }
  }
  locale = QStringLiteral("ja_JP.UTF-8");
}

TEST_F(Cli, ThreeHundredAndTwoPhrasesKeepTheFirst301) {
  QString book;
  for (int i = 0; i < 302; ++i) book += QStringLiteral("$p%1\n*C7\n3C7\n").arg(i);
  Write("ric.txt", book);
  EXPECT_EQ(Call({"items", "--category", "3"}).json["count"].toInt(), 301);
  const CliRun last = Call({"realise", "--category", "3", "--item", "300", "--key", "0"});
  EXPECT_EQ(last.exitCode, 0);
  EXPECT_EQ(last.json["count"].toInt(), 1);
  EXPECT_NE(Call({"realise", "--category", "3", "--item", "301", "--key", "0"}).exitCode, 0);
}

TEST_F(Cli, BadArgumentsGetTheUsage) {
  Write("scale.txt", "a,W\n");
  const QStringList bad[] = {
      {"realise", "--category", "0", "--item", "0"},
      {"realise", "--category", "6", "--item", "0", "--key", "0"},
      {"realise", "--category", "0", "--item", "0", "--key", "12"},
      {"realise", "--category", "0", "--item", "x", "--key", "0"},
      {"realise", "--category", "0", "--item", "3", "--key", "0"},
      {"realise", "--category", "0", "--item", "0", "--key", "0", "--loud", "1"},
      {"items"},
      {"sing"},
  };
  for (const QStringList& args : bad) {
    const CliRun run = Call(args);
    EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.errors.contains("usage")) << args.join(' ').toStdString();
  }
}

// The overview however it is asked for lists every command on a line of its own; each
// command's help, asked either way, names all its options with their ranges and shows it at
// work; the help of a command there is not is refused as a bad command line.
TEST_F(Cli, HelpExplainsEveryCommand) {
  struct Case {
    const char* command;
    QStringList says;  // its options and the ranges of their values
  };
  const QStringList item = {"--dir", "--category", "--item", "--key", "0..5", "0..11"};
  const Case cases[] = {
      {"settings", {"--dir"}},
      {"items", {"--dir", "--category", "0..5"}},
      {"realise", item + QStringList{"--then-key", "key_name"}},
      {"events", item},
      {"render", item + QStringList{"--out", "--midi"}},
      {"export", item + QStringList{"--format", "--out", "--keys", "--progression",
                                    "--transpose-for", "--swing", "fourths", "Eb"}},
      {"score", item + QStringList{"--performance", "--mode", "--octave-free", "key_name"}},
      {"transcribe", {"TAKE.wav"}},
      {"help", {"COMMAND"}},
      {"version", {"--version"}},
  };
  const CliRun overview = Bare({"--help"});
  EXPECT_EQ(overview.exitCode, 0);
  EXPECT_TRUE(overview.errors.isEmpty()) << overview.errors.toStdString();
  EXPECT_TRUE(overview.output.contains("help COMMAND"));
  for (const QStringList& ask : {QStringList{"-h"}, QStringList{"help"}}) {
    const CliRun run = Bare(ask);
    EXPECT_EQ(run.exitCode, 0) << ask.join(' ').toStdString();
    EXPECT_EQ(run.output, overview.output) << ask.join(' ').toStdString();
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const QString name = QString::fromUtf8(c.command);
    EXPECT_EQ(overview.output.count(
                  QRegularExpression("^  " + name + " ", QRegularExpression::MultilineOption)),
              1);
    const CliRun help = Bare({"help", name});
    const CliRun asked = Bare({name, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(asked.exitCode, 0);
    EXPECT_TRUE(help.errors.isEmpty()) << help.errors.toStdString();
    EXPECT_EQ(asked.output, help.output);
    EXPECT_NE(help.output, overview.output);
    for (const QString& says : c.says) {
      EXPECT_TRUE(help.output.contains(says)) << says.toStdString();
    }
    // At least one example: a command line that runs this command.
    EXPECT_TRUE(help.output.contains(QRegularExpression(
        "^\\s+vormina-cli (" + name + "|--" + name + ")\\b", QRegularExpression::MultilineOption)))
        << help.output.toStdString();
  }
  const CliRun unknown = Bare({"help", "sing"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_TRUE(unknown.output.isEmpty());
  EXPECT_TRUE(unknown.errors.contains("sing")) << unknown.errors.toStdString();
  EXPECT_TRUE(unknown.errors.contains("usage")) << unknown.errors.toStdString();
}

// The version is the build's, however it is asked for.
TEST_F(Cli, VersionIsTheBuilds) {
  for (const char* ask : {"--version", "version"}) {
    const CliRun run = Bare({ask});
    EXPECT_EQ(run.exitCode, 0) << ask;
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();
    EXPECT_TRUE(run.output.trimmed().endsWith(" " VORMINA_VERSION)) << run.output.toStdString();
  }
}

// --key K puts the item in K in every command and every category: a phrase is moved from the
// key it is written in. Between two keys the first note moves by the interval between them
// in realise, in events and in the exported MIDI file alike; each says which key it is in.
TEST_F(Cli, EveryCommandPutsTheItemInTheKeyAsked) {
  WritePlayingSettings(125);
  Write("scale.txt", "Ionian,WWHWWWH\n");
  Write("code.txt", "7,433\n");
  Write("ptn.txt", "arp,1357\n");
  Write("ric.txt", "$two five\n*Dm7\n2D4\n2F4\n*G7\n2B4\n3D4\n");          // in G
  Write("AUX1.txt", "$minor\n*Dm7b5\n2Ab4\n2F4\n*G7\n2B4\n*Cm7\n3Eb4\n");  // in C minor
  Write("AUX2.txt", "$blues\n*F7\n2A4\n2C5\n*Bb7\n3D5\n");                 // in B♭
  struct Case {
    int category;
    const char* written;   // a phrase's own key; empty for the lists
    const char* names[2];  // the key's name in the two keys
  };
  const int keys[2] = {2, 10};
  const Case cases[] = {
      {0, "", {"D", "B♭"}},  {1, "", {"D", "B♭"}},     {2, "", {"D", "B♭"}},
      {3, "G", {"D", "B♭"}}, {4, "Cm", {"Dm", "B♭m"}}, {5, "B♭", {"D", "B♭"}},
  };
  const auto firstNote = [](const QJsonObject& json) {
    for (const QJsonValue& n : json["notes"].toArray()) {
      if (!n["rest"].toInt()) return n["pitch"].toInt();
    }
    return -1;
  };
  const auto pitchClass = [](int pitch) { return (pitch % 12 + 12) % 12; };
  for (const Case& c : cases) {
    int pitchClasses[3][2] = {};  // realise, events, export; in each key
    for (int k = 0; k < 2; ++k) {
      SCOPED_TRACE(testing::Message() << "category " << c.category << " key " << keys[k]);
      const QString name = QString::fromUtf8(c.names[k]);
      const QStringList args = {"--category", QString::number(c.category), "--item", "0",
                                "--key",      QString::number(keys[k])};
      const CliRun realised = Call(QStringList{"realise"} + args);
      ASSERT_EQ(realised.exitCode, 0) << realised.errors.toStdString();
      EXPECT_EQ(realised.json["root"].toInt(), keys[k]);
      EXPECT_EQ(realised.json["key_name"].toString(), name);
      EXPECT_EQ(realised.json["written_key_name"].toString(), QString::fromUtf8(c.written));
      pitchClasses[0][k] = pitchClass(firstNote(realised.json));

      // What the commands without JSON say of the key.
      const QString said =
          " in key " + name + (*c.written ? QStringLiteral(" (written in %1)").arg(c.written) : "");
      const CliRun events = Call(QStringList{"events"} + args);
      ASSERT_EQ(events.exitCode, 0) << events.errors.toStdString();
      EXPECT_TRUE(events.errors.contains(said)) << events.errors.toStdString();
      for (const QString& line : events.output.split('\n', Qt::SkipEmptyParts)) {
        const uint packed = line.section(' ', 1).toUInt(nullptr, 16);
        if ((packed & 0xFF) == 0x90 && (packed >> 16) != 0) {
          pitchClasses[1][k] = pitchClass(static_cast<int>((packed >> 8) & 0x7F));
          break;
        }
      }

      const QString midi = dir.filePath(QStringLiteral("key%1.mid").arg(k));
      const CliRun exported =
          Call(QStringList{"export"} + args + QStringList{"--format", "midi", "--out", midi});
      ASSERT_EQ(exported.exitCode, 0) << exported.errors.toStdString();
      EXPECT_TRUE(exported.errors.contains(said)) << exported.errors.toStdString();
      QFile file(midi);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      std::vector<midifile::NoteOn> played;
      ASSERT_TRUE(midifile::ReadNoteOns(file.readAll(), played));
      const auto melody = std::find_if(played.begin(), played.end(),
                                       [](const midifile::NoteOn& n) { return n.channel == 0; });
      ASSERT_NE(melody, played.end());
      pitchClasses[2][k] = pitchClass(melody->note);

      // The same file judged as a performance of the item in that key.
      const CliRun scored = Call(QStringList{"score"} + args + QStringList{"--performance", midi});
      ASSERT_EQ(scored.exitCode, 0) << scored.errors.toStdString();
      EXPECT_EQ(scored.json["key_name"].toString(), name);
      EXPECT_EQ(scored.json["summary"].toObject()["wrong"].toInt(), 0);
    }
    SCOPED_TRACE(testing::Message() << "category " << c.category);
    for (int command = 0; command < 3; ++command) {
      EXPECT_EQ(pitchClasses[command][0], pitchClasses[0][0]) << command;
      EXPECT_EQ(pitchClass(pitchClasses[command][1] - pitchClasses[command][0]),
                pitchClass(keys[1] - keys[0]))
          << command;
    }
  }
}

TEST_F(Cli, EventsOfAPlayOncePass) {
  Write("scale.txt", "Ionian,WWHWWWH\n");
  WritePlayingSettings(120);
  const QStringList lines = Lines({"events", "--category", "0", "--item", "0", "--key", "0"});
  ASSERT_GE(lines.size(), 12);
  // The preparation's program changes come first, at time 0.
  EXPECT_EQ(lines.mid(0, 4), (QStringList{"0 000000C0", "0 000000C1", "0 000020C2", "0 000001C3"}));
  QStringList noteOns;
  for (const QString& line : lines) {
    if (line.endsWith("90") && !line.split(' ')[1].startsWith("0000")) noteOns << line;
  }
  // Straight eighths 250 ms apart at 120 bpm; C (24) at pitch base 36 is note 60 (3C).
  ASSERT_EQ(noteOns.size(), 8);
  EXPECT_EQ(noteOns[0], "0 00643C90");
  EXPECT_EQ(noteOns[1], "250 00643E90");
  EXPECT_EQ(noteOns[7], "1750 00644890");
  EXPECT_EQ(lines.last(), "2000 00007BB2");
}

TEST_F(Cli, EventsUseTheStartUpTempoRule) {
  Write("scale.txt", "Ionian,WW\n");
  WritePlayingSettings(0);  // a tempo of 0 plays at 100: beat 600 ms, tick 25 ms
  const QStringList lines = Lines({"events", "--category", "0", "--item", "0", "--key", "0"});
  EXPECT_TRUE(lines.contains("300 00643E90")) << lines.join(" | ").toStdString();
}

TEST_F(Cli, RenderedScaleHasTheScalesPitches) {
  Write("scale.txt", "Ionian,WWHWWWH\n");
  WritePlayingSettings(120);
  const QString wav = dir.filePath("scale.wav");
  const QString mid = dir.filePath("scale.mid");
  QStringList args = {"render", "--category", "0",      "--item", "0",     "--key",   "0",
                      "--out",  wav,          "--midi", mid,      "--dir", dir.path()};
  QProcess cli;
  cli.start(QStringLiteral(VORMINA_CLI_PATH), args);
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  QFile file(wav);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GT(bytes.size(), 44);
  EXPECT_EQ(bytes.left(4), "RIFF");
  EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[22]), 2);  // stereo
  // 2000 ms of music and a second of release, at 44.1 kHz, 4 bytes a frame.
  EXPECT_EQ(bytes.size() - 44, (2000 + 1000) * 441 / 10 * 4);
  QFile midi(mid);
  ASSERT_TRUE(midi.open(QIODevice::ReadOnly));
  EXPECT_EQ(midi.read(4), "MThd");
  // The last sound has a second to die away: the track ends 1000 ticks (ms) after it.
  EXPECT_TRUE(midi.readAll().endsWith(QByteArray("\x87\x68\xFF\x2F\x00", 5)));

  const QString tracker = QStandardPaths::findExecutable("aubionotes");
  if (tracker.isEmpty()) GTEST_SKIP() << "aubionotes (Debian package aubio-tools) is not installed";
  QProcess aubio;
  aubio.start(tracker, {"-i", wav});
  ASSERT_TRUE(aubio.waitForFinished(60000));
  QList<int> notes;
  for (const QString& line : QString::fromUtf8(aubio.readAllStandardOutput()).split('\n')) {
    const QStringList fields = line.split('\t', Qt::SkipEmptyParts);
    if (fields.size() == 3) notes << static_cast<int>(std::lround(fields[0].toDouble()));
  }
  EXPECT_EQ(notes, (QList<int>{60, 62, 64, 65, 67, 69, 71, 72}));
}

// vormina-cli export: its choices, a MIDI file of one track per voice with a note-off for
// every note, MusicXML written for a transposing instrument, and a write that cannot be made.
TEST_F(Cli, ExportWritesEachFormatAndRefusesWhatItCannotDo) {
  Write("scale.txt", "Ionian,WWHWWWH\n");
  WritePlayingSettings(120);
  const QStringList item = {"export", "--category", "0", "--item", "0", "--key", "3"};
  const QStringList bad[] = {
      item + QStringList{"--format", "wav", "--out", dir.filePath("x")},
      item + QStringList{"--format", "midi"},
      item + QStringList{"--format", "midi", "--out", dir.filePath("x"), "--keys", "some"},
      item + QStringList{"--format", "midi", "--out", dir.filePath("x"), "--transpose-for", "A"},
      item + QStringList{"--format", "midi", "--out", dir.filePath("x"), "--progression", "up3"},
  };
  for (const QStringList& args : bad) {
    const CliRun run = Call(args);
    EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.errors.contains("usage")) << args.join(' ').toStdString();
  }

  // MIDI: format 1 with a conductor track and one track a voice, each note-on ended.
  const QString midi = dir.filePath("scale.mid");
  ASSERT_EQ(Call(item + QStringList{"--format", "midi", "--out", midi, "--swing"}).exitCode, 0);
  QFile file(midi);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 14);
  EXPECT_EQ(bytes.left(4), QByteArray("MThd"));
  EXPECT_EQ(bytes.mid(8, 2), QByteArray("\x00\x01", 2));   // format 1
  EXPECT_EQ(bytes.mid(12, 2), QByteArray("\x01\xE0", 2));  // 480 ticks to the quarter
  EXPECT_TRUE(bytes.contains("Melody"));
  int on = 0;
  int off = 0;
  for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
    const auto status = static_cast<unsigned char>(bytes[i]);
    if (status == 0x90 && bytes[i + 2] != 0) ++on;
    if (status == 0x80) ++off;
  }
  EXPECT_EQ(on, 8);  // the scale's eight notes (nothing else plays in these settings)
  EXPECT_EQ(off, on);
  // For a B♭ instrument the part is written a whole step up, but the file sounds as the band
  // does: the same notes as at concert pitch.
  const QString written = dir.filePath("scale-bb.mid");
  ASSERT_EQ(Call(item + QStringList{"--format", "midi", "--out", written, "--transpose-for", "Bb"})
                .exitCode,
            0);
  QFile writtenFile(written);
  ASSERT_TRUE(writtenFile.open(QIODevice::ReadOnly));
  const auto noteOns = [](const QByteArray& file) {
    QByteArray notes;
    for (qsizetype i = 0; i + 2 < file.size(); ++i) {
      if (static_cast<unsigned char>(file[i]) == 0x90 && file[i + 2] != 0)
        notes.append(file[i + 1]);
    }
    return notes;
  };
  EXPECT_EQ(noteOns(writtenFile.readAll()), noteOns(bytes));

  // MusicXML for a B♭ instrument: written a whole step up, E♭ major sounding as F major. A
  // scale is written with its signs and no key signature: its B♭ carries a flat.
  const QString xml = dir.filePath("scale.musicxml");
  ASSERT_EQ(Call(item + QStringList{"--format", "musicxml", "--out", xml, "--transpose-for", "Bb"})
                .exitCode,
            0);
  QFile xmlFile(xml);
  ASSERT_TRUE(xmlFile.open(QIODevice::ReadOnly));
  const QByteArray text = xmlFile.readAll();
  EXPECT_TRUE(text.contains("<fifths>0</fifths>"));
  EXPECT_TRUE(text.contains("<alter>-1</alter>"));
  EXPECT_TRUE(text.contains("<accidental>flat</accidental>"));
  EXPECT_TRUE(text.contains("<chromatic>-2</chromatic>"));
  EXPECT_TRUE(text.contains("B♭管"));

  // A folder that is not there: a message, exit 1, and no file.
  const QString nowhere = dir.filePath("missing/scale.mid");
  const CliRun failed = Call(item + QStringList{"--format", "midi", "--out", nowhere});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_TRUE(failed.errors.contains("cannot write")) << failed.errors.toStdString();
  EXPECT_FALSE(QFile::exists(nowhere));
}

// vormina-cli score: the item's own MIDI export played back as a performance scores every
// note as hit on time; a note changed in the file is judged wrong at its place.
TEST_F(Cli, ScoreJudgesAPerformanceFile) {
  Write("scale.txt", "Ionian,WWHWWWH\n");
  WritePlayingSettings(125);  // 20 ms a step: the file's ticks are the pass's milliseconds
  const QStringList item = {"--category", "0", "--item", "0", "--key", "2"};
  const QString played = dir.filePath("played.mid");
  ASSERT_EQ(Call(QStringList{"export"} + item + QStringList{"--format", "midi", "--out", played})
                .exitCode,
            0);
  CliRun run =
      Call(QStringList{"score"} + item + QStringList{"--performance", played, "--mode", "along"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  QJsonArray notes = run.json["notes"].toArray();
  ASSERT_EQ(notes.size(), 8);
  const int pitches[] = {62, 64, 66, 67, 69, 71, 73, 74};
  for (int i = 0; i < 8; ++i) {
    const QJsonObject n = notes[i].toObject();
    EXPECT_EQ(n["index"].toInt(), i);
    EXPECT_EQ(n["expected_pitch"].toInt(), pitches[i]) << i;  // D major, in the range
    EXPECT_EQ(n["verdict"].toString(), QStringLiteral("hit")) << i;
    EXPECT_EQ(n["timing_ms"].toDouble(), 0) << i;
    EXPECT_EQ(n["expected_ms"].toDouble(), 240.0 * i) << i;
  }
  EXPECT_EQ(run.json["summary"].toObject()["hit"].toInt(), 8);
  EXPECT_TRUE(run.json["extra"].toArray().isEmpty());

  // The third note a semitone higher.
  QFile file(played);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  file.close();
  int seen = 0;
  for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) == 0x90 && bytes[i + 2] != 0 && ++seen == 3) {
      bytes[i + 1] = static_cast<char>(bytes[i + 1] + 1);
      break;
    }
  }
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();
  run = Call(QStringList{"score"} + item + QStringList{"--performance", played});
  ASSERT_EQ(run.exitCode, 0);
  notes = run.json["notes"].toArray();
  ASSERT_EQ(notes.size(), 8);
  EXPECT_EQ(notes[2].toObject()["verdict"].toString(), QStringLiteral("wrong"));
  EXPECT_EQ(notes[2].toObject()["played_pitch"].toInt(),
            notes[2].toObject()["expected_pitch"].toInt() + 1);
  EXPECT_EQ(run.json["summary"].toObject()["wrong"].toInt(), 1);

  // A recording: a horn-like tone for each note of the scale at its time, the sixth a
  // semitone low. Heard, it is judged as the MIDI take is; and so is the same take a tone
  // lower from a B♭ instrument (the pitch adjustment -2: the item sounds a tone below its
  // written notes, and the microphone hears what sounds).
  const int playedPitches[] = {62, 64, 66, 67, 69, 70, 73, 74};
  const auto writeTake = [&](int shift) {
    std::vector<takes::Note> take;
    for (int i = 0; i < 8; ++i) take.push_back({240.0 * i, 220, playedPitches[i] + shift});
    QFile file(dir.filePath("take.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(takes::Wav(take));
  };
  for (const int adjust : {0, -2}) {
    SCOPED_TRACE(adjust);
    WritePlayingSettings(125, static_cast<std::int16_t>(adjust));
    writeTake(adjust);
    run =
        Call(QStringList{"score"} + item + QStringList{"--performance", dir.filePath("take.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    notes = run.json["notes"].toArray();
    ASSERT_EQ(notes.size(), 8);
    for (int i = 0; i < 8; ++i) {
      const QJsonObject n = notes[i].toObject();
      EXPECT_EQ(n["verdict"].toString(), i == 5 ? QStringLiteral("wrong") : QStringLiteral("hit"))
          << i;
      EXPECT_EQ(n["played_pitch"].toInt(), playedPitches[i] + adjust) << i;
      EXPECT_LE(std::abs(n["timing_ms"].toDouble()), 20) << i;
    }
  }
  writeTake(0);
  run = Call({"transcribe", dir.filePath("take.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  EXPECT_EQ(run.json["notes"].toArray().size(), 8);
  EXPECT_EQ(run.json["notes"].toArray()[5].toObject()["name"].toString(), QStringLiteral("Bb4"));

  // Not a MIDI file: a message and exit 1.
  Write("not.mid", "hello\n");
  run = Call(QStringList{"score"} + item + QStringList{"--performance", dir.filePath("not.mid")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.errors.contains("not a Standard MIDI File")) << run.errors.toStdString();
}

// The twelve-key sheet as a teacher prints it: drawn as vector shapes and text, so its chord
// symbols and key names are text in the PDF, it holds no picture but the clef (once), and it
// stays small.
TEST_F(Cli, TheSheetIsDrawnAsVectorsWithItsTextAsText) {
  QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/ric.txt"), dir.filePath("ric.txt"));
  const QString pdf = dir.filePath("sheet.pdf");
  ASSERT_EQ(Call({"export", "--category", "3", "--item", "0", "--key", "0", "--format", "pdf",
                  "--out", pdf, "--keys", "all"})
                .exitCode,
            0);
  EXPECT_LT(QFileInfo(pdf).size(), 150 * 1024);
  const auto run = [](const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
  };
  const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  // The arpeggio's Ⅱ-Ⅴ-Ⅰ in C, in D♭ and in E, and the keys' names.
  for (const char* symbol :
       {"Dm7", "G7", "CM7", "Ebm7", "Ab7", "DbM7", "F#m7", "B7", "EM7", "キー D♭", "キー F♯"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(symbol))) << symbol;
  }
  // Each picture the pages show, by its object: the clef and its mask.
  QSet<QString> objects;
  for (const QString& line : run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                 .split(u'\n', Qt::SkipEmptyParts)
                                 .mid(2)) {
    objects << line.simplified().section(u' ', 10, 10);
  }
  EXPECT_GE(objects.size(), 1);
  EXPECT_LE(objects.size(), 2);
}
