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
#include <cmath>
#include <memory>
#include <optional>

#include "core/appdir.h"
#include "core/file_read.h"
#include "core/settings.h"
#include "engine/listen.h"
#include "engine/practice_engine.h"
#include "exports/exports.h"
#include "exports/sheet.h"
#include "material/file_Treat.h"
#include "sound/fluidsynth_out.h"
#include "sound/midi_file_reader.h"
#include "sound/offline.h"
#include "sound/transcriber.h"
#include "sound/wav_reader.h"
#include "theory/phrase.h"
#include "theory/spelling.h"

namespace {

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
    "DIR defaults to the application folder; C is 0..5, I an item of the category, K and K2\n"
    "keys 0..11. A WAV take (PCM or float, mono or stereo, any rate) is heard as listen\n"
    "mode hears a microphone.\n";

int Usage(const QString& problem = QString()) {
  QTextStream err(stderr);
  if (!problem.isEmpty()) err << "vormina-cli: " << problem << '\n';
  err << kUsage;
  return 2;
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

// The realised item: its key as written and each note with its written name ("Eb4"; empty
// for a rest) beside its pitch, length, flags, chord symbol, degree and beam code.
QString PhraseJson(const Phrase& phrase, const file_Treat::MaterialLists& lists,
                   const settings::CfgRecord& cfg) {
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
  return OrderedJson()
      .Add("root", cfg.Root)
      .Add("key", spelling::KeyText(spelling::ItemKey(phrase, cfg.Root)))
      .Add("count", phrase.NoteCount)
      .AddRaw("notes", u'[' + notes.join(u',') + u']')
      .ToString();
}

// The item of the arguments, loaded and chosen in an engine of its own as the program
// would have it.
struct Selection {
  std::unique_ptr<practice::OfflineEngine> world;
  QString dir;
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
  return -1;
}

// The play-once pass of the selected item, as the program plays it after starting.
practice::PassResult Pass(Selection& sel) {
  practice::PassResult pass = sel.world->PlayOnce();
  if (!pass.error.isEmpty()) QTextStream(stderr) << "vormina-cli: " << pass.error << '\n';
  for (const QString& warning : pass.warnings) {
    QTextStream(stderr) << "vormina-cli: warning: " << warning << '\n';
  }
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
  QString realiseError = sel.world->Pass(Move::kAsChosen, cfg.Root, false).error;
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
  Print(PhraseJson(engine.phrase(), engine.lists(), cfg));
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
  request.key = cfg.Root;
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
  const int key = cfg.Root;
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
  Print(
      OrderedJson()
          .AddRaw("notes", u'[' + notes.join(u',') + u']')
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
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty()) return Usage();
  const QString command = args[0];
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
