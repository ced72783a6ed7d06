// vormina-cli: the program's work without a window.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "core/appdir.h"
#include "core/file_read.h"
#include "core/settings.h"
#include "core/translations.h"
#include "engine/listen.h"
#include "engine/practice_engine.h"
#include "exports/exports.h"
#include "exports/sheet.h"
#include "material/category.h"
#include "material/file_Treat.h"
#include "sound/fluidsynth_out.h"
#include "sound/midi_file_reader.h"
#include "sound/offline.h"
#include "sound/transcriber.h"
#include "sound/wav_reader.h"
#include "theory/phrase.h"
#include "theory/spelling.h"

namespace {

// The short usage, said with every command line the tool cannot take.
const char* const kUsage =
    "usage:\n"
    "  vormina-cli settings [--dir DIR]\n"
    "  vormina-cli items [--dir DIR] --category C\n"
    "  vormina-cli realise [--dir DIR] --category C --item I --key K [--then-key K2]\n"
    "  vormina-cli events  [--dir DIR] --category C --item I --key K\n"
    "  vormina-cli render  [--dir DIR] --category C --item I --key K --out FILE.wav [--midi "
    "FILE.mid]\n"
    "  vormina-cli export  [--dir DIR] --category C --item I --key K --format midi|musicxml|pdf\n"
    "                      --out FILE [--keys one|all] [--progression up|down|fourths]\n"
    "                      [--transpose-for C|Bb|Eb|F] [--swing]\n"
    "  vormina-cli score   [--dir DIR] --category C --item I --key K\n"
    "                      --performance FILE.mid|TAKE.wav [--mode answer|along] [--octave-free]\n"
    "  vormina-cli transcribe TAKE.wav       (also: vormina-cli --transcribe TAKE.wav)\n"
    "  vormina-cli help [COMMAND]            (also: --help, -h, COMMAND --help)\n"
    "  vormina-cli version                   (also: --version)\n"
    "DIR defaults to the application folder; C is 0..5, I an item of the category, K and K2\n"
    "keys 0..11. A WAV take (PCM or float, mono or stereo, any rate) is heard as listen\n"
    "mode hears a microphone. \"vormina-cli help COMMAND\" explains a command.\n";

int Usage(const QString& problem = QString()) {
  QTextStream err(stderr);
  if (!problem.isEmpty()) err << "vormina-cli: " << problem << '\n';
  err << kUsage;
  return 2;
}

// The options every command on one item takes, as the help of each explains them.
const char* const kItemOptions =
    "  --dir DIR       the folder of the material files and cfg.inf (default: the folder the\n"
    "                  program uses)\n"
    "  --category C    the category, 0..5: 0 scales, 1 chords, 2 II-V-I patterns, 3 II-V-I\n"
    "                  phrases, 4 and 5 the other two phrase books\n"
    "  --item I        the item, counted from 0 in the order \"vormina-cli items\" lists them:\n"
    "                  0..59 in categories 0..2, 0..300 in the phrase books, and below the\n"
    "                  category's count\n"
    "  --key K         the key the item is in, 0..11: 0 C, 1 D♭, 2 D, 3 E♭, 4 E, 5 F, 6 F♯,\n"
    "                  7 G, 8 A♭, 9 A, 10 B♭, 11 B; a phrase of a phrase book is moved there\n"
    "                  from the key it is written in\n";

// What every command says of the key: the same rule for each.
const char* const kKeyRule =
    "Key: --key K means the same in every command and every category: the item is in key K.\n"
    "A scale, chord or pattern is built on K; a phrase of a phrase book is moved from the key\n"
    "it is written in to K, as choosing a key in the window moves it. realise and score name\n"
    "the key in their JSON (\"key_name\", as the program writes it: \"B♭\", \"C♯m\"; for a\n"
    "phrase also \"written_key_name\"); events, render and export name it on standard error:\n"
    "  vormina-cli: NAME in key B♭ (written in G)\n";

// A command: its name, the line the overview gives it, and its own help after its usage.
struct Command {
  const char* name;
  const char* summary;
  const char* usage;
  const char* text;     // what it does
  const char* options;  // its own options after the item's, if it takes an item
  bool takesItem;       // --dir, --category, --item and --key
  const char* examples;
};

const Command kCommands[] = {
    {"settings", "print the settings (cfg.inf) as the program loads them, as JSON",
     "vormina-cli settings [--dir DIR]",
     "Prints the settings record, after loading and checking it as the program does, as one\n"
     "JSON object keyed by the record's field names. A missing cfg.inf is created, as the\n"
     "program creates it.\n",
     "  --dir DIR       the folder of cfg.inf (default: the folder the program uses)\n", false,
     "  vormina-cli settings\n"
     "  vormina-cli settings --dir ~/my-material\n"},
    {"items", "list the item names of a category, as JSON",
     "vormina-cli items [--dir DIR] --category C",
     "Prints {\"count\": N, \"items\": [...]}: the names of the items of category C, in the\n"
     "order the window lists them; --item counts in this order from 0.\n",
     "  --dir DIR       the folder of the material files (default: the folder the program uses)\n"
     "  --category C    the category, 0..5: 0 scales, 1 chords, 2 II-V-I patterns, 3 II-V-I\n"
     "                  phrases, 4 and 5 the other two phrase books\n",
     false, "  vormina-cli items --category 3\n"},
    {"realise", "realise an item in a key and print its notes as JSON",
     "vormina-cli realise [--dir DIR] --category C --item I --key K [--then-key K2]",
     "Realises item I of category C in key K as the program does (fitted into the note range of\n"
     "the settings, grouped into beams) and prints one JSON object: \"root\" (the key as a\n"
     "number), \"key\" (its plain name, \"Bb\"), \"key_name\" (as the program writes it, \"B♭\"),\n"
     "for a phrase \"written_key_name\", then \"count\" and \"notes\" (each note's pitch, name,\n"
     "length, rest, tie, chord, degree and group). A phrase the program refuses prints\n"
     "{\"error\": ...} and exits 1.\n",
     "  --then-key K2   then change the key to K2 (0..11) as the semitone buttons do, and print\n"
     "                  the result of that step\n",
     true,
     "  vormina-cli realise --category 0 --item 0 --key 2\n"
     "  vormina-cli realise --category 3 --item 0 --key 10 --then-key 3\n"},
    {"events", "play an item once on a virtual clock and print its MIDI messages",
     "vormina-cli events [--dir DIR] --category C --item I --key K",
     "Plays item I of category C in key K once, as the program plays it after starting, on a\n"
     "virtual clock from time 0, and prints one line a MIDI message: the time in milliseconds\n"
     "and the packed message as 8 hexadecimal digits (the program changes first).\n",
     "", true, "  vormina-cli events --category 2 --item 0 --key 5\n"},
    {"render", "play an item once through the built-in synthesiser into a WAV file",
     "vormina-cli render [--dir DIR] --category C --item I --key K --out FILE.wav [--midi "
     "FILE.mid]",
     "Plays the pass that \"events\" prints through the built-in synthesiser (the program's\n"
     "SoundFont) into a 44.1 kHz 16-bit stereo WAV file, with a second for the last sound to\n"
     "die away.\n",
     "  --out FILE.wav  the WAV file to write (required)\n"
     "  --midi FILE.mid also write the pass as a Standard MIDI File (one tick a millisecond)\n",
     true,
     "  vormina-cli render --category 3 --item 0 --key 7 --out phrase.wav --midi phrase.mid\n"},
    {"export", "write an item as a Standard MIDI File, MusicXML or the twelve-key sheet (PDF)",
     "vormina-cli export [--dir DIR] --category C --item I --key K --format midi|musicxml|pdf\n"
     "                   --out FILE [--keys one|all] [--progression up|down|fourths]\n"
     "                   [--transpose-for C|Bb|Eb|F] [--swing]",
     "Writes the item in key K, or in all twelve keys from K, as the file menu's exports do.\n"
     "The file is written whole or not at all. K is the key as it sounds (concert pitch).\n",
     "  --format F      midi (a Standard MIDI File, format 1), musicxml (MusicXML 3.1) or pdf\n"
     "                  (the twelve-key practice sheet, A4); required\n"
     "  --out FILE      the file to write; required\n"
     "  --keys one|all  key K alone (the default), or all twelve keys from K\n"
     "  --progression P the order of the twelve keys: up (a semitone up each time, the\n"
     "                  default), down (a semitone down) or fourths (a fourth up)\n"
     "  --transpose-for C|Bb|Eb|F\n"
     "                  the part for an instrument: C (concert pitch, the default), or a B♭,\n"
     "                  E♭ or F instrument, written a major second, a major sixth or a fifth\n"
     "                  above how it sounds (the MIDI file still sounds at concert pitch)\n"
     "  --swing         the MIDI file swung as the program plays it (straight without)\n",
     true,
     "  vormina-cli export --category 3 --item 0 --key 10 --format midi --out phrase.mid\n"
     "  vormina-cli export --category 0 --item 0 --key 0 --format pdf --out sheet.pdf --keys all "
     "\\\n"
     "      --progression fourths --transpose-for Bb\n"},
    {"score", "judge a performance (a MIDI file or a WAV take) against an item",
     "vormina-cli score [--dir DIR] --category C --item I --key K\n"
     "                  --performance FILE.mid|TAKE.wav [--mode answer|along] [--octave-free]",
     "Judges a performance against the notes of item I in key K as the pass plays them, with\n"
     "listen mode's matcher, and prints one JSON object: \"root\", \"key_name\" (for a phrase\n"
     "also \"written_key_name\"), \"notes\" (each note's expected and played pitch and time,\n"
     "its verdict hit, wrong or missed, and its timing error in ms), \"extra\" (notes played\n"
     "beyond the item's) and \"summary\".\n",
     "  --performance FILE.mid|TAKE.wav\n"
     "                  the performance: a Standard MIDI File (time 0 the start of the pass, or\n"
     "                  of the answer) or a WAV recording (PCM or float, mono or stereo, any\n"
     "                  rate), heard as listen mode hears a microphone; required\n"
     "  --mode answer|along\n"
     "                  how it was played: in the answer after the pass (the default) or along\n"
     "                  with the pass\n"
     "  --octave-free   a note in another octave counts: the pitch class alone is judged\n",
     true,
     "  vormina-cli score --category 0 --item 0 --key 2 --performance take.mid --mode along\n"
     "  vormina-cli score --category 3 --item 0 --key 10 --performance take.wav --octave-free\n"},
    {"transcribe", "print the notes a WAV take holds, as listen mode hears them",
     "vormina-cli transcribe TAKE.wav       (also: vormina-cli --transcribe TAKE.wav)",
     "Prints the notes a recording holds as one JSON object: its rate and length in seconds,\n"
     "and each note's onset and length in ms, pitch, name and how far off it is in cents.\n",
     "  TAKE.wav        the recording: PCM (8, 16, 24 or 32 bits) or float, mono or stereo, any\n"
     "                  rate\n",
     false, "  vormina-cli transcribe take.wav\n"},
    {"help", "print this overview, or the help of one command",
     "vormina-cli help [COMMAND]            (also: --help, -h, COMMAND --help)",
     "Prints the overview of the commands, or with a COMMAND that command's help: what it\n"
     "does, every option with its range, and examples.\n",
     "  COMMAND         one of the commands the overview lists\n", false,
     "  vormina-cli help export\n"
     "  vormina-cli export --help\n"},
    {"version", "print the program's version",
     "vormina-cli version                   (also: --version)",
     "Prints the version of VORMINA this tool was built with.\n", "", false,
     "  vormina-cli --version\n"},
};

// The command of a name or of its other spelling ("--transcribe", "--help", "-h",
// "--version"); nothing for an unknown name.
const Command* FindCommand(const QString& name) {
  static const QHash<QString, QString> kOtherNames = {
      {QStringLiteral("--transcribe"), QStringLiteral("transcribe")},
      {QStringLiteral("--help"), QStringLiteral("help")},
      {QStringLiteral("-h"), QStringLiteral("help")},
      {QStringLiteral("--version"), QStringLiteral("version")}};
  const QString plain = kOtherNames.value(name, name);
  for (const Command& command : kCommands) {
    if (plain == QLatin1String(command.name)) return &command;
  }
  return nullptr;
}

QString Overview() {
  QString text = QStringLiteral(
      "vormina-cli: VORMINA's work on one item of the practice material, without a window.\n\n"
      "usage: vormina-cli COMMAND [OPTIONS]\n\ncommands:\n");
  for (const Command& command : kCommands) {
    text += QStringLiteral("  %1%2\n")
                .arg(QLatin1String(command.name), -12)
                .arg(QString::fromUtf8(command.summary));
  }
  text += QStringLiteral(
      "\n\"vormina-cli help COMMAND\" or \"vormina-cli COMMAND --help\" shows a command's options\n"
      "and examples; \"vormina-cli --version\" prints the version.\n\n");
  text += QString::fromUtf8(kKeyRule);
  text += QStringLiteral(
      "\nExit status: 0 done; 1 the work could not be done (the reason on standard error or in\n"
      "the JSON); 2 a command line the tool cannot take (with the short usage).\n");
  return text;
}

QString HelpOf(const Command& command) {
  QString text = QStringLiteral("usage: ") + QString::fromUtf8(command.usage) +
                 QStringLiteral("\n\n") + QString::fromUtf8(command.text);
  const QString own = QString::fromUtf8(command.options);
  if (command.takesItem || !own.isEmpty()) {
    text += QStringLiteral("\noptions:\n");
    if (command.takesItem) text += QString::fromUtf8(kItemOptions);
    text += own;
  }
  if (command.takesItem) text += u'\n' + QString::fromUtf8(kKeyRule);
  text += QStringLiteral("\nexamples:\n") + QString::fromUtf8(command.examples);
  return text;
}

int PrintHelp(const QStringList& args) {
  if (args.size() > 1) return Usage(QStringLiteral("help takes at most one command"));
  if (args.isEmpty()) {
    QTextStream(stdout) << Overview();
    return 0;
  }
  const Command* command = FindCommand(args[0]);
  if (!command) return Usage(QStringLiteral("unknown command %1").arg(args[0]));
  QTextStream(stdout) << HelpOf(*command);
  return 0;
}

int PrintVersion(const QStringList& args) {
  if (!args.isEmpty()) return Usage(QStringLiteral("version takes no arguments"));
  QTextStream(stdout) << "vormina-cli (VORMINA) " << VORMINA_VERSION << '\n';
  return 0;
}

// A JSON object written with its keys in the order given (QJsonObject would sort them).
class OrderedJson {
 public:
  OrderedJson& Add(const QString& key, const QJsonValue& value) {
    parts_ << Quote(key) + u':' + Text(value);
    return *this;
  }
  OrderedJson& AddRaw(const QString& key, const QString& json) {
    parts_ << Quote(key) + u':' + json;
    return *this;
  }
  QString ToString() const { return u'{' + parts_.join(u',') + u'}'; }

  static QString Text(const QJsonValue& value) {
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
  }
  static QString Quote(const QString& text) { return Text(QJsonValue(text)); }

 private:
  QStringList parts_;
};

void Print(const QString& json) {
  QTextStream(stdout) << json << '\n';
}

// Options of the form --name value, each at most once, from a fixed set of names.
class Options {
 public:
  bool Parse(const QStringList& args, const QStringList& known, QString& problem) {
    for (qsizetype i = 0; i < args.size(); i += 2) {
      const QString& name = args[i];
      if (!known.contains(name)) {
        problem = QStringLiteral("unknown argument %1").arg(name);
        return false;
      }
      if (i + 1 >= args.size()) {
        problem = QStringLiteral("%1 needs a value").arg(name);
        return false;
      }
      if (values_.contains(name)) {
        problem = QStringLiteral("%1 given twice").arg(name);
        return false;
      }
      values_.insert(name, args[i + 1]);
    }
    return true;
  }
  QString Text(const QString& name, const QString& fallback) const {
    return values_.value(name, fallback);
  }
  bool Has(const QString& name) const { return values_.contains(name); }
  // A whole number within [low, high], or nothing with a problem description.
  std::optional<int> Number(const QString& name, int low, int high, QString& problem) const {
    if (!values_.contains(name)) {
      problem = QStringLiteral("%1 is required").arg(name);
      return std::nullopt;
    }
    bool ok = false;
    const int value = values_.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
      problem =
          QStringLiteral("%1 must be a whole number from %2 to %3").arg(name).arg(low).arg(high);
      return std::nullopt;
    }
    return value;
  }

 private:
  QHash<QString, QString> values_;
};

QString Directory(const Options& options) {
  // New shipped material kept beside the user's changed files is said, as the window does.
  appdir::SeedOutcome seeded;
  const QString dir = appdir::ApplicationDirectory(&seeded);
  if (const QString message = appdir::SeedMessage(dir, seeded); !message.isEmpty()) {
    QTextStream(stderr) << "vormina-cli: " << message << '\n';
  }
  return options.Text(QStringLiteral("--dir"), dir);
}

// The settings of dir as the program loads them; false after a failure to read them. A
// new settings file that cannot be written (a read-only folder) is only a warning: the
// tool goes on with the validated record, as the program does.
bool LoadSettingsOf(const QString& dir, settings::CfgRecord& record) {
  QStringList messages;
  const settings::LoadResult result =
      settings::LoadSettings(record, appdir::PathOf(dir, appdir::kSettingsFileName),
                             [&messages](const QString& message) { messages << message; });
  if (result == settings::LoadResult::kNotWritten) {
    QTextStream(stderr) << "vormina-cli: warning: "
                        << QDir::toNativeSeparators(appdir::PathOf(dir, appdir::kSettingsFileName))
                        << " cannot be written; the settings are used without saving them\n";
    return true;
  }
  for (const QString& message : messages) QTextStream(stderr) << message << '\n';
  return result != settings::LoadResult::kFailed;
}

// A material load's message on standard error: an error when nothing was loaded (exit code
// 1), else a warning (bytes that are no character) and the work goes on (-1).
int ReportLoad(const QString& error, int count) {
  if (error.isEmpty()) return count >= 0 ? 0 : 1;
  if (count == 0) {
    QTextStream(stderr) << "vormina-cli: " << error << '\n';
    return 1;
  }
  QTextStream(stderr) << "vormina-cli: warning: " << error << '\n';
  return 0;
}

int PrintSettings(const QStringList& args) {
  Options options;
  QString problem;
  if (!options.Parse(args, {QStringLiteral("--dir")}, problem)) return Usage(problem);
  settings::CfgRecord record;
  const bool ok = LoadSettingsOf(Directory(options), record);
  QTextStream(stdout) << settings::ToJson(record) << '\n';
  return ok ? 0 : 1;
}

int PrintItems(const QStringList& args) {
  Options options;
  QString problem;
  if (!options.Parse(args, {QStringLiteral("--dir"), QStringLiteral("--category")}, problem)) {
    return Usage(problem);
  }
  const std::optional<int> category = options.Number(QStringLiteral("--category"), 0, 5, problem);
  if (!category) return Usage(problem);
  file_Treat::MaterialLists lists;
  QString error;
  const int count = file_Treat::LoadCategory(lists, Directory(options), *category, &error);
  QJsonArray items;
  for (int i = 0; i < count; ++i) items.append(file_Treat::ItemName(lists, *category, i));
  OrderedJson out;
  out.Add("count", count).Add("items", items);
  if (!error.isEmpty()) out.Add("error", error);
  Print(out.ToString());
  return ReportLoad(error, count);
}

// The key the engine's item is in, as the program writes it ("B♭", "C♯m").
QString KeyNameOf(const practice::Engine& engine) {
  return spelling::KeyTitle(spelling::ItemKey(engine.phrase(), engine.cfg().Root));
}

// The realised item: its key (as a number, by its plain name and as the program writes it,
// with a phrase's written key) and each note with its written name ("Eb4"; empty for a
// rest) beside its pitch, length, flags, chord symbol, degree and beam code.
QString PhraseJson(const practice::Engine& engine, const QString& writtenKey) {
  const Phrase& phrase = engine.phrase();
  const settings::CfgRecord& cfg = engine.cfg();
  const file_Treat::MaterialLists& lists = engine.lists();
  const std::vector<spelling::Spelled> spelled = spelling::SpellItem(phrase, lists, cfg);
  QStringList notes;
  for (int i = 0; i < phrase.NoteCount; ++i) {
    const spelling::Spelled& s = spelled[static_cast<std::size_t>(i)];
    notes << OrderedJson()
                 .Add("pitch", phrase.NotePitch[i])
                 .Add("name", phrase.NoteIsRest[i] ? QString()
                                                   : spelling::Name(s) + QString::number(s.octave))
                 .Add("length", phrase.NoteLength[i])
                 .Add("rest", phrase.NoteIsRest[i])
                 .Add("tie", phrase.NoteTie[i])
                 .Add("chord", phrase.NoteChord[i])
                 .Add("degree", phrase.NoteDegree[i])
                 .Add("group", phrase.NoteGroup(i))
                 .ToString();
  }
  OrderedJson out;
  out.Add("root", cfg.Root)
      .Add("key", spelling::KeyText(spelling::ItemKey(phrase, cfg.Root)))
      .Add("key_name", KeyNameOf(engine));
  if (!writtenKey.isEmpty()) out.Add("written_key_name", writtenKey);
  return out.Add("count", phrase.NoteCount)
      .AddRaw("notes", u'[' + notes.join(u',') + u']')
      .ToString();
}

// The item of the arguments, loaded and chosen in an engine of its own as the program
// would have it.
struct Selection {
  std::unique_ptr<practice::OfflineEngine> world;
  QString dir;
  int key = 0;         // the key the item is to be in
  QString writtenKey;  // a phrase's own key as the program writes it; empty for the lists
};

// Parses --category, --item and --key (and the extra options named), loads the settings and
// the category's material. Returns the exit code on failure, or -1.
int Select(const QStringList& args, const QStringList& extra, Options& options, Selection& sel) {
  QString problem;
  QStringList known = {QStringLiteral("--dir"), QStringLiteral("--category"),
                       QStringLiteral("--item"), QStringLiteral("--key")};
  known << extra;
  if (!options.Parse(args, known, problem)) return Usage(problem);
  const std::optional<int> category = options.Number(QStringLiteral("--category"), 0, 5, problem);
  if (!category) return Usage(problem);
  const int lastItem =
      category::IsList(*category) ? file_Treat::kMaxListItems - 1 : file_Treat::kPhraseSlots - 1;
  const std::optional<int> item = options.Number(QStringLiteral("--item"), 0, lastItem, problem);
  if (!item) return Usage(problem);
  const std::optional<int> key = options.Number(QStringLiteral("--key"), 0, 11, problem);
  if (!key) return Usage(problem);
  sel.dir = Directory(options);
  settings::CfgRecord record;
  if (!LoadSettingsOf(sel.dir, record)) return 1;
  sel.world = std::make_unique<practice::OfflineEngine>(record);
  practice::Engine& engine = sel.world->engine;
  QString loadError;
  const int count = engine.LoadCategory(sel.dir, *category, &loadError);
  if (ReportLoad(loadError, count) != 0) return 1;
  if (*item >= count) {
    return Usage(QStringLiteral("category %1 has %2 items").arg(*category).arg(count));
  }
  engine.Select(*category, *item, *key);
  sel.key = *key;
  // A phrase is written in a key of its own, from which it is moved to K: the phrase
  // realised as written names it. (A phrase that cannot be realised is reported by the
  // command's own pass.)
  if (category::IsPhraseBook(*category)) {
    using Move = practice::OfflineEngine::Move;
    if (sel.world->Pass(Move::kAsChosen, *key, false).error.isEmpty()) {
      sel.writtenKey = KeyNameOf(engine);
    }
    engine.Select(*category, *item, *key);
  }
  return -1;
}

// The key of the item as the commands without JSON say it on standard error: "NAME in key
// B♭", with a phrase's written key, and every key of an export through twelve keys.
void SayKey(const QString& item, const QStringList& keys, const QString& writtenKey) {
  QTextStream err(stderr);
  err << "vormina-cli: " << item << (keys.size() > 1 ? " in keys " : " in key ") << keys.join(u' ');
  if (!writtenKey.isEmpty()) err << " (written in " << writtenKey << ')';
  err << '\n';
}

// The name of the selected item, as the window lists it.
QString ItemNameOf(const Selection& sel) {
  const settings::CfgRecord& cfg = sel.world->cfg;
  return file_Treat::ItemName(sel.world->engine.lists(), cfg.Category, settings::CurrentItem(cfg))
      .trimmed();
}

// The play-once pass of the selected item in its key, as the program plays it after
// starting; the key is said on standard error.
practice::PassResult Pass(Selection& sel) {
  practice::PassResult pass = sel.world->Pass(practice::OfflineEngine::Move::kInKey, sel.key);
  if (!pass.error.isEmpty()) QTextStream(stderr) << "vormina-cli: " << pass.error << '\n';
  for (const QString& warning : pass.warnings) {
    QTextStream(stderr) << "vormina-cli: warning: " << warning << '\n';
  }
  if (pass.error.isEmpty()) SayKey(ItemNameOf(sel), {KeyNameOf(sel.world->engine)}, sel.writtenKey);
  return pass;
}

int PrintRealisation(const QStringList& args) {
  Options options;
  Selection sel;
  if (const int code = Select(args, {QStringLiteral("--then-key")}, options, sel); code >= 0) {
    return code;
  }
  QString problem;
  std::optional<int> thenKey;
  if (options.Has(QStringLiteral("--then-key"))) {
    thenKey = options.Number(QStringLiteral("--then-key"), 0, 11, problem);
    if (!thenKey) return Usage(problem);
  }
  practice::Engine& engine = sel.world->engine;
  settings::CfgRecord& cfg = engine.cfg();
  using Move = practice::OfflineEngine::Move;
  QString realiseError = sel.world->Pass(Move::kInKey, sel.key, false).error;
  if (realiseError.isEmpty() && thenKey) {
    realiseError = sel.world->Pass(Move::kKeyChange, *thenKey, false).error;
  }
  if (!realiseError.isEmpty()) {
    Print(OrderedJson()
              .Add("error", realiseError)
              .Add("root", cfg.Root)
              .Add("count", 0)
              .AddRaw("notes", "[]")
              .ToString());
    QTextStream(stderr) << "vormina-cli: " << realiseError << '\n';
    return 1;
  }
  Print(PhraseJson(engine, sel.writtenKey));
  return 0;
}

int PrintEvents(const QStringList& args) {
  Options options;
  Selection sel;
  if (const int code = Select(args, {}, options, sel); code >= 0) return code;
  const practice::PassResult pass = Pass(sel);
  QTextStream out(stdout);
  for (const auto& [ms, message] : pass.messages) {
    out << ms << ' ' << QStringLiteral("%1").arg(message.Packed(), 8, 16, QChar(u'0')).toUpper()
        << '\n';
  }
  return pass.error.isEmpty() ? 0 : 1;
}

int Render(const QStringList& args) {
  Options options;
  Selection sel;
  if (const int code =
          Select(args, {QStringLiteral("--out"), QStringLiteral("--midi")}, options, sel);
      code >= 0) {
    return code;
  }
  const QString wav = options.Text(QStringLiteral("--out"), QString());
  if (wav.isEmpty()) return Usage(QStringLiteral("--out is required"));
  const practice::PassResult pass = Pass(sel);
  if (!pass.error.isEmpty()) return 1;
  std::vector<std::int16_t> samples;
  QString error;
  const QString soundFont = sound::FindSoundFont(QCoreApplication::applicationDirPath());
  if (!sound::RenderOffline(soundFont, pass.messages, 1000, samples, error)) {
    QTextStream(stderr) << "vormina-cli: " << error << '\n';
    return 1;
  }
  QString why;
  if (!offline::WriteWav(wav, samples, sound::kRenderRate, &why)) {
    QTextStream(stderr) << "vormina-cli: cannot write " << wav << " (" << why << ")\n";
    return 1;
  }
  const QString midi = options.Text(QStringLiteral("--midi"), QString());
  if (!midi.isEmpty() && !offline::WriteMidiFile(midi, pass.messages, &why)) {
    QTextStream(stderr) << "vormina-cli: cannot write " << midi << " (" << why << ")\n";
    return 1;
  }
  return 0;
}

// One of the words a choice option allows, as its index; the first when it is not given.
std::optional<int> Choice(const Options& options, const QString& name, const QStringList& words,
                          QString& problem) {
  const QString value = options.Text(name, words.front());
  const qsizetype index = words.indexOf(value);
  if (index < 0) {
    problem = QStringLiteral("%1 must be one of %2").arg(name, words.join(u'|'));
    return std::nullopt;
  }
  return static_cast<int>(index);
}

int Export(QStringList args) {
  const bool swing = args.removeAll(QStringLiteral("--swing")) > 0;
  Options options;
  Selection sel;
  const QStringList extra = {QStringLiteral("--format"), QStringLiteral("--out"),
                             QStringLiteral("--keys"), QStringLiteral("--progression"),
                             QStringLiteral("--transpose-for")};
  if (const int code = Select(args, extra, options, sel); code >= 0) return code;
  QString problem;
  const std::optional<int> format =
      Choice(options, QStringLiteral("--format"),
             {QStringLiteral("midi"), QStringLiteral("musicxml"), QStringLiteral("pdf")}, problem);
  const std::optional<int> keys = Choice(options, QStringLiteral("--keys"),
                                         {QStringLiteral("one"), QStringLiteral("all")}, problem);
  const std::optional<int> progression =
      Choice(options, QStringLiteral("--progression"),
             {QStringLiteral("up"), QStringLiteral("down"), QStringLiteral("fourths")}, problem);
  const std::optional<int> instrument =
      Choice(options, QStringLiteral("--transpose-for"),
             {QStringLiteral("C"), QStringLiteral("Bb"), QStringLiteral("Eb"), QStringLiteral("F")},
             problem);
  if (!format || !keys || !progression || !instrument) return Usage(problem);
  const QString path = options.Text(QStringLiteral("--out"), QString());
  if (path.isEmpty()) return Usage(QStringLiteral("--out is required"));
  const settings::CfgRecord& cfg = sel.world->cfg;
  exports::Request request;
  request.category = cfg.Category;
  request.item = settings::CurrentItem(cfg);
  request.key = sel.key;
  request.allKeys = *keys == 1;
  request.progression = static_cast<exports::Progression>(*progression);
  request.instrument = static_cast<exports::Instrument>(*instrument);
  request.swing = swing;
  exports::Export built;
  QString error;
  if (!exports::Build(*sel.world, request, built, &error)) {
    QTextStream(stderr) << "vormina-cli: " << error << '\n';
    return 1;
  }
  if (!exports::Save(static_cast<exports::Format>(*format), built, path, &error)) {
    QTextStream(stderr) << "vormina-cli: cannot write " << path << " (" << error << ")\n";
    return 1;
  }
  // The keys as they sound, whatever instrument the part is written for.
  QStringList keyNames;
  for (const exports::KeyPart& part : built.keys) {
    keyNames << exports::KeyTitle(part.concertKey, part.minor);
  }
  SayKey(built.title, keyNames, sel.writtenKey);
  return 0;
}

// A number for JSON, or null.
QJsonValue Maybe(const std::optional<double>& value) {
  return value ? QJsonValue(std::round(*value * 10) / 10) : QJsonValue(QJsonValue::Null);
}

// A recorded take: its bytes read (a regular file, bounded) and its sound decoded. False
// after saying why on standard error.
bool ReadTake(const QString& path, wav::Sound& sound) {
  const file_read::Result take = file_read::Read(path, file_read::kPerformanceWavBytes);
  QString error;
  if (take.status != file_read::Status::kRead) {
    error = file_read::Problem(take, path, file_read::kPerformanceWavBytes);
  } else if (!wav::Read(take.bytes, sound, &error)) {
    error = path + QStringLiteral(": ") + error;
  }
  if (error.isEmpty()) return true;
  QTextStream(stderr) << "vormina-cli: " << error << '\n';
  return false;
}

// The notes of a performance: a recording's (a RIFF file) as the ear hears them, or a
// Standard MIDI File's note-ons. False after saying why on standard error.
bool ReadPerformance(const QString& path, std::vector<listen::Played>& played) {
  const file_read::Result head = file_read::Check(path, file_read::kPerformanceWavBytes);
  QFile file(path);
  const bool wave = head.status == file_read::Status::kRead && file.open(QIODevice::ReadOnly) &&
                    file.read(4) == QByteArrayLiteral("RIFF");
  file.close();
  if (wave) {
    wav::Sound sound;
    if (!ReadTake(path, sound)) return false;
    for (const sound::HeardNote& n : sound::Transcribe(sound.samples, sound.rate)) {
      played.push_back({n.pitch, n.onsetMs});
    }
    return true;
  }
  // A take as MIDI is a regular file of bounded size: a FIFO is not waited on, /dev/zero
  // not read.
  const file_read::Result take = file_read::Read(path, file_read::kPerformanceMidiBytes);
  if (take.status != file_read::Status::kRead) {
    QTextStream(stderr) << "vormina-cli: "
                        << file_read::Problem(take, path, file_read::kPerformanceMidiBytes) << '\n';
    return false;
  }
  std::vector<midifile::NoteOn> performance;
  QString error;
  if (!midifile::ReadNoteOns(take.bytes, performance, &error)) {
    QTextStream(stderr) << "vormina-cli: " << path << ": " << error << '\n';
    return false;
  }
  for (const midifile::NoteOn& n : performance) played.push_back({n.note, n.ms});
  return true;
}

// The notes a recording holds, as listen mode hears them: onset, pitch, how far off in
// cents, length.
int Transcribe(QStringList args) {
  // --dir, accepted as every command accepts it, has nothing to say here.
  if (const qsizetype at = args.indexOf(QStringLiteral("--dir")); at >= 0 && at + 1 < args.size()) {
    args.remove(at, 2);
  }
  if (args.size() != 1) return Usage(QStringLiteral("transcribe takes one WAV file"));
  wav::Sound sound;
  if (!ReadTake(args[0], sound)) return 1;
  QStringList notes;
  for (const sound::HeardNote& n : sound::Transcribe(sound.samples, sound.rate)) {
    notes << OrderedJson()
                 .Add("onset_ms", std::round(n.onsetMs * 10) / 10)
                 .Add("pitch", n.pitch)
                 .Add("name", spelling::Name(spelling::PlainName(n.pitch % 12, true)) +
                                  QString::number(n.pitch / 12 - 1))
                 .Add("cents", std::round(n.cents * 10) / 10)
                 .Add("length_ms", std::round(n.lengthMs * 10) / 10)
                 .ToString();
  }
  Print(OrderedJson()
            .Add("rate", sound.rate)
            .Add("seconds",
                 std::round(static_cast<double>(sound.samples.size()) / sound.rate * 1000) / 1000)
            .AddRaw("notes", u'[' + notes.join(u',') + u']')
            .ToString());
  return 0;
}

int Score(QStringList args) {
  const bool octaveFree = args.removeAll(QStringLiteral("--octave-free")) > 0;
  Options options;
  Selection sel;
  if (const int code =
          Select(args, {QStringLiteral("--performance"), QStringLiteral("--mode")}, options, sel);
      code >= 0) {
    return code;
  }
  QString problem;
  const std::optional<int> mode =
      Choice(options, QStringLiteral("--mode"), {QStringLiteral("answer"), QStringLiteral("along")},
             problem);
  if (!mode) return Usage(problem);
  const QString path = options.Text(QStringLiteral("--performance"), QString());
  if (path.isEmpty()) return Usage(QStringLiteral("--performance is required"));
  std::vector<listen::Played> played;
  if (!ReadPerformance(path, played)) return 1;
  QString error;
  // The item's notes as the pass plays them, melody on, without count-in or repetitions.
  settings::CfgRecord& cfg = sel.world->cfg;
  const int category = cfg.Category;
  const int item = settings::CurrentItem(cfg);
  const int key = sel.key;
  const std::vector<listen::Expected> expected =
      listen::ExpectedPass(*sel.world, category, item, key, &error);
  if (!error.isEmpty()) {
    QTextStream(stderr) << "vormina-cli: " << error << '\n';
    return 1;
  }
  const listen::Result result =
      listen::Match(expected, played, listen::OptionsFor(cfg.Tempo, octaveFree));
  if (result.notJudged > 0) {
    QTextStream(stderr) << "vormina-cli: warning: " << path << " holds " << played.size()
                        << " notes, more than a pass of " << expected.size()
                        << " notes could; the last " << result.notJudged << " were not judged\n";
  }
  QStringList notes;
  for (const listen::NoteResult& r : result.notes) {
    notes << OrderedJson()
                 .Add("index", r.expected.index)
                 .Add("expected_pitch", r.expected.pitch)
                 .Add("expected_ms", std::round(r.expected.ms * 10) / 10)
                 .Add("played_pitch",
                      r.played ? QJsonValue(r.played->pitch) : QJsonValue(QJsonValue::Null))
                 .Add("played_ms",
                      Maybe(r.played ? std::optional<double>(r.played->ms) : std::nullopt))
                 .Add("verdict", listen::VerdictName(r.verdict))
                 .Add("timing_ms", Maybe(r.timingMs))
                 .ToString();
  }
  QStringList extra;
  for (const listen::Played& p : result.extra) {
    extra << OrderedJson().Add("pitch", p.pitch).Add("ms", std::round(p.ms * 10) / 10).ToString();
  }
  const listen::Summary& s = result.summary;
  OrderedJson out;
  out.Add("root", cfg.Root).Add("key_name", KeyNameOf(sel.world->engine));
  if (!sel.writtenKey.isEmpty()) out.Add("written_key_name", sel.writtenKey);
  Print(
      out.AddRaw("notes", u'[' + notes.join(u',') + u']')
          .AddRaw("extra", u'[' + extra.join(u',') + u']')
          .AddRaw("summary", OrderedJson()
                                 .Add("hit", s.hit)
                                 .Add("wrong", s.wrong)
                                 .Add("missed", s.missed)
                                 .Add("extra", s.extra)
                                 .Add("mean_abs_timing_ms", std::round(s.meanAbsTimingMs * 10) / 10)
                                 .Add("max_abs_timing_ms", std::round(s.maxAbsTimingMs * 10) / 10)
                                 .ToString())
          .ToString());
  return 0;
}

}  // namespace

// The practice sheet draws with fonts, which need the graphical side of Qt (on no screen).
bool NeedsFonts(int argc, char* argv[]) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (qstrcmp(argv[i], "--format") == 0 && qstrcmp(argv[i + 1], "pdf") == 0) return true;
  }
  return false;
}

int main(int argc, char* argv[]) {
  std::unique_ptr<QCoreApplication> app;
  if (NeedsFonts(argc, argv)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("vormina"));
  QCoreApplication::setOrganizationName(QStringLiteral("vormina"));
  // The tool's own words are English. What it passes on from the program (a material file's
  // faults, a file that cannot be written, a title of the practice sheet) speaks the program's
  // language for this user: the choice in 設定 > 言語, else the system's.
  const translations::Installed translated(translations::ForThisUser());
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty()) return Usage();
  const QString command = args[0];
  // COMMAND --help (or -h), wherever it stands among the command's arguments.
  const Command* known = FindCommand(command);
  const auto isHelp = [](const QString& arg) {
    return arg == QStringLiteral("--help") || arg == QStringLiteral("-h");
  };
  if (known && std::any_of(args.begin() + 1, args.end(), isHelp)) {
    QTextStream(stdout) << HelpOf(*known);
    return 0;
  }
  if (known && QLatin1String(known->name) == QLatin1String("help")) return PrintHelp(args.mid(1));
  if (known && QLatin1String(known->name) == QLatin1String("version")) {
    return PrintVersion(args.mid(1));
  }
  if (command == QStringLiteral("settings")) return PrintSettings(args.mid(1));
  if (command == QStringLiteral("items")) return PrintItems(args.mid(1));
  if (command == QStringLiteral("realise")) return PrintRealisation(args.mid(1));
  if (command == QStringLiteral("events")) return PrintEvents(args.mid(1));
  if (command == QStringLiteral("render")) return Render(args.mid(1));
  if (command == QStringLiteral("export")) return Export(args.mid(1));
  if (command == QStringLiteral("score")) return Score(args.mid(1));
  if (command == QStringLiteral("transcribe") || command == QStringLiteral("--transcribe")) {
    return Transcribe(args.mid(1));
  }
  return Usage(QStringLiteral("unknown command %1").arg(command));
}
