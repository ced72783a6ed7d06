// What the disk and the folder may do to the program's files: a full disk, links, FIFOs,
// huge files, read-only folders. Nothing the user wrote is lost, nothing hangs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

#include "core/appdir.h"
#include "core/atomic_file.h"
#include "core/settings.h"
#include "engine/practice_engine.h"
#include "engine/practice_log.h"
#include "exports/exports.h"
#include "exports/sheet.h"
#include "material/file_Treat.h"
#include "sound/offline.h"

namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// A small file system of the test's own (a tmpfs, mounted by root), to be filled up or
// made read-only. Skips the test where nothing can be mounted.
class SmallDisk {
 public:
  SmallDisk() {
    path_ = dir_.filePath("disk");
    QDir().mkpath(path_);
    mounted_ = Run({"-t", "tmpfs", "-o", "size=256k", "tmpfs", path_});
  }
  ~SmallDisk() {
    for (const QString& file : bound_) QProcess::execute("umount", {file});
    if (mounted_) QProcess::execute("umount", {path_});
  }
  bool mounted() const { return mounted_; }
  QString File(const QString& name) const { return QDir(path_).filePath(name); }
  // Writes a filler file until the disk has no room left.
  void Fill() {
    QFile filler(File("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
  }
  bool MakeReadOnly() { return Run({"-o", "remount,ro", path_}); }
  // Puts the file from over the name in this disk (a bind mount): a file that stays
  // writable when the disk is read-only.
  bool Bind(const QString& from, const QString& name) {
    bound_ << File(name);
    return Run({"--bind", from, File(name)});
  }

 private:
  static bool Run(const QStringList& args) {
    QProcess mount;
    mount.start("mount", args);
    return mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
           mount.exitCode() == 0;
  }
  QTemporaryDir dir_;
  QString path_;
  QStringList bound_;
  bool mounted_ = false;
};

QStringList Messages;
const settings::Reporter kReport = [](const QString& m) { Messages << m; };

int RunCli(const QStringList& args, QString* errors = nullptr, QByteArray* out = nullptr) {
  QProcess cli;
  cli.start(QStringLiteral(VORMINA_CLI_PATH), args);
  if (!cli.waitForFinished(60000)) return -1;
  if (errors) *errors = QString::fromUtf8(cli.readAllStandardError());
  if (out) *out = cli.readAllStandardOutput();
  return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

void CopyShippedMaterial(const QString& dir) {
  for (const char* name : {"scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt"}) {
    QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/") + name, QDir(dir).filePath(name));
  }
}

}  // namespace

// On a full disk a save fails, says so, and leaves "cfg.inf" and an existing MIDI file byte
// for byte as they were; the command-line tool exits with an error.
TEST(FileSafety, AFullDiskLeavesTheOldFilesAndSaysSo) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  settings::CfgRecord record = settings::DefaultRecord();
  ASSERT_TRUE(settings::SaveSettings(record, disk.File("cfg.inf"), kReport));
  const QByteArray settingsBefore = Read(disk.File("cfg.inf"));
  Write(disk.File("take.mid"), QByteArray("MThd old file"));
  CopyShippedMaterial(disk.File(""));
  disk.Fill();

  Messages.clear();
  record.Tempo = 222;
  EXPECT_FALSE(settings::SaveSettings(record, disk.File("cfg.inf"), kReport));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(settings::kUnexpectedError));
  EXPECT_TRUE(Messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
      << Messages[0].toStdString();
  EXPECT_EQ(Read(disk.File("cfg.inf")), settingsBefore);

  sound::TimedMessages many;
  for (int i = 0; i < 20000; ++i) many.push_back({i, sound::ShortMessage::Unpack(0x7F3090u)});
  QString why;
  EXPECT_FALSE(offline::WriteMidiFile(disk.File("take.mid"), many, &why));
  EXPECT_FALSE(why.isEmpty());
  EXPECT_EQ(Read(disk.File("take.mid")), QByteArray("MThd old file"));

  QTemporaryDir elsewhere;
  QString errors;
  const int code =
      RunCli({"render", "--dir", disk.File(""), "--category", "0", "--item", "0", "--key", "0",
              "--out", elsewhere.filePath("take.wav"), "--midi", disk.File("take.mid")},
             &errors);
  EXPECT_NE(code, 0);
  EXPECT_TRUE(errors.contains("take.mid")) << errors.toStdString();
  EXPECT_EQ(Read(disk.File("take.mid")), QByteArray("MThd old file"));
  // No temporary file is left behind.
  EXPECT_EQ(QDir(disk.File("")).entryList({"*.XXXXXX", "cfg.inf.*", "take.mid.*"}, QDir::Files),
            QStringList{});
}

// A linked "cfg.inf" is written through: the file it points to is replaced and the link
// stays. A link to something that is not a regular file is never replaced, and a FIFO in
// the place of a settings or material file is not waited on.
TEST(FileSafety, LinksAndSpecialFiles) {
  QTemporaryDir dir;
  const QString real = dir.filePath("real-cfg.inf");
  const QString link = dir.filePath("cfg.inf");
  settings::CfgRecord record = settings::DefaultRecord();
  ASSERT_TRUE(settings::SaveSettings(record, real, kReport));
  ASSERT_TRUE(QFile::link(real, link));
  record.Tempo = 77;
  Messages.clear();
  ASSERT_TRUE(settings::SaveSettings(record, link, kReport));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(Read(real)[200])), 77);

  const QString fifo = dir.filePath("fifo");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString toFifo = dir.filePath("linked-cfg.inf");
  ASSERT_TRUE(QFile::link(fifo, toFifo));
  for (const QString& path : {fifo, toFifo}) {
    Messages.clear();
    settings::CfgRecord loaded;
    loaded.Root = 3;
    EXPECT_EQ(settings::LoadSettings(loaded, path, kReport), settings::LoadResult::kFailed);
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith(settings::kUnexpectedError));
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("通常のファイルではない")));
    EXPECT_FALSE(settings::SaveSettings(record, path, kReport));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is still a FIFO";
  }
  // A FIFO as a phrase book or a list file: read at once as a file that cannot be read.
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("ric.txt")).constData(), 0600), 0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("code.txt")).constData(), 0600), 0);
  file_Treat::MaterialLists lists;
  QString error;
  EXPECT_EQ(file_Treat::LoadCategory(lists, dir.path(), 3, &error), 0);
  EXPECT_TRUE(error.contains("読み込めません")) << error.toStdString();
  error.clear();
  EXPECT_EQ(file_Treat::LoadCategory(lists, dir.path(), 1, &error), 0);
  EXPECT_TRUE(error.contains("読み込めません")) << error.toStdString();
}

// Missing, unreadable and huge material files each get their own message naming the file.
TEST(FileSafety, MaterialFilesThatCannotBeReadSayWhy) {
  QTemporaryDir dir;
  file_Treat::MaterialLists lists;
  struct Case {
    const char* what;
    std::function<void()> make;
    const char* says;
  };
  const QString ric = dir.filePath("ric.txt");
  const Case cases[] = {
      {"missing", [] {}, "見つかりません"},
      {"a folder", [&] { QDir().mkpath(ric); }, "読み込めません"},
      {"a huge file",
       [&] {
         QDir(ric).removeRecursively();
         QFile f(ric);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         ASSERT_TRUE(f.resize(file_Treat::kMaxMaterialBytes + 1));  // sparse, quick
       },
       "大きすぎる"},
      {"a link to a file that never ends",
       [&] {
         QFile::remove(ric);
         ASSERT_TRUE(QFile::link("/dev/zero", ric));
       },
       "読み込めません"},
  };
  for (const Case& c : cases) {
    c.make();
    QString error;
    EXPECT_EQ(file_Treat::LoadCategory(lists, dir.path(), 3, &error), 0) << c.what;
    EXPECT_TRUE(error.contains("ric.txt")) << c.what;
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << c.what << ": " << error.toStdString();
  }
}

// In a read-only folder the tool warns that the new settings file cannot be written and
// goes on with the settings in memory.
TEST(FileSafety, TheToolWorksInAReadOnlyFolder) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  CopyShippedMaterial(disk.File(""));
  ASSERT_TRUE(disk.MakeReadOnly());
  for (const QStringList& command :
       {QStringList{"realise", "--category", "0", "--item", "0", "--key", "2"},
        QStringList{"events", "--category", "1", "--item", "0", "--key", "0"},
        QStringList{"settings"}}) {
    QString errors;
    QByteArray out;
    EXPECT_EQ(RunCli(command + QStringList{"--dir", disk.File("")}, &errors, &out), 0)
        << command.join(' ').toStdString() << ": " << errors.toStdString();
    EXPECT_TRUE(errors.contains("warning")) << errors.toStdString();
    EXPECT_FALSE(out.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(disk.File("cfg.inf")));
}

// A "cfg.inf" that may be written in a folder that takes no new file (a read-only disk with
// the file mounted writable on it) is written in place, its old contents kept in the
// per-user cache meanwhile and removed after; once the file too is read-only, the message
// names the file, the folder and the reason.
TEST(FileSafety, AWritableSettingsFileInAReadOnlyFolderIsSaved) {
  SmallDisk own, disk;
  if (!own.mounted() || !disk.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  QTemporaryDir cache;
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
  settings::CfgRecord record = settings::DefaultRecord();
  ASSERT_TRUE(settings::SaveSettings(record, own.File("cfg.inf"), kReport));
  Write(disk.File("cfg.inf"), "");
  ASSERT_TRUE(disk.Bind(own.File("cfg.inf"), "cfg.inf"));
  ASSERT_TRUE(disk.MakeReadOnly());
  record.Tempo = 177;
  Messages.clear();
  EXPECT_TRUE(settings::SaveSettings(record, disk.File("cfg.inf"), kReport))
      << Messages.join("").toStdString();
  EXPECT_EQ(static_cast<unsigned char>(Read(disk.File("cfg.inf"))[200]), 177);
  EXPECT_EQ(Read(disk.File("cfg.inf")).size(), settings::kRecordSize);
  EXPECT_TRUE(QDir(atomic_file::BackupFolder()).entryList(QDir::Files).isEmpty());

  ASSERT_TRUE(own.MakeReadOnly());
  record.Tempo = 99;
  Messages.clear();
  EXPECT_FALSE(settings::SaveSettings(record, disk.File("cfg.inf"), kReport));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(settings::kUnexpectedError));
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("cfg.inf を保存できません（フォルダー ") +
                                   disk.File("").chopped(1)))
      << Messages[0].toStdString();
  EXPECT_TRUE(Messages[0].contains(QString::fromLocal8Bit(std::strerror(EROFS))))
      << Messages[0].toStdString();
  EXPECT_EQ(static_cast<unsigned char>(Read(disk.File("cfg.inf"))[200]), 177);
  qunsetenv("XDG_CACHE_HOME");
}

// Every file the program writes, on a disk that takes no more (a file-size limit of 64
// bytes): the write is refused with a message naming the file, the old contents stay byte
// for byte, and nothing is left beside them.
TEST(FileSafety, EveryWriterKeepsTheOldFileWhenTheDiskIsFull) {
  QTemporaryDir dir;
  CopyShippedMaterial(dir.path());
  practice::OfflineEngine world(settings::DefaultRecord());
  ASSERT_GT(world.engine.LoadCategory(dir.path(), 0, nullptr), 0);
  exports::Request request;
  exports::Export built;
  ASSERT_TRUE(exports::Build(world, request, built, nullptr));
  const sound::TimedMessages pass = world.PlayInKey(0, 0, 0).messages;
  practice_log::Entry entry;
  entry.date = QDateTime::currentDateTime();
  entry.key = QStringLiteral("C");
  entry.tempo = 120;
  // A user's folder whose scale.txt is an old shipped version, to be replaced by the new one.
  QTemporaryDir user;
  CopyShippedMaterial(user.path());
  QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/cfg.inf"),
              QDir(user.path()).filePath("cfg.inf"));
  struct Case {
    const char* file;
    std::function<bool(const QString& path, QString* why)> write;
  };
  const Case cases[] = {
      {"cfg.inf",
       [](const QString& path, QString* why) {
         settings::CfgRecord record = settings::DefaultRecord();
         return settings::SaveSettings(record, path, [why](const QString& m) { *why = m; });
       }},
      {"take.mid",
       [&](const QString& path, QString* why) {
         return exports::Save(exports::Format::kMidi, built, path, why);
       }},
      {"take.musicxml",
       [&](const QString& path, QString* why) {
         return exports::Save(exports::Format::kMusicXml, built, path, why);
       }},
      {"sheet.pdf",
       [&](const QString& path, QString* why) {
         return exports::Save(exports::Format::kPdf, built, path, why);
       }},
      {"render.wav",
       [](const QString& path, QString* why) {
         return offline::WriteWav(path, std::vector<std::int16_t>(4000), 44100, why);
       }},
      {"render.mid",
       [&](const QString& path, QString* why) { return offline::WriteMidiFile(path, pass, why); }},
      {"practice-log.jsonl",
       [&](const QString& path, QString* why) { return practice_log::Append(path, entry, why); }},
      {"scale.txt",
       [&](const QString& path, QString* why) {
         const appdir::SeedOutcome outcome = appdir::SeedUserDirectory(
             QStringLiteral(VORMINA_SOURCE_DIR "/data"), QFileInfo(path).absolutePath(),
             {appdir::VersionEntry("scale.txt", Read(path))});
         *why = outcome.failed.join(u' ');
         return outcome.failed.isEmpty();
       }},
  };
  const QByteArray old(100, 'o');
  for (const Case& c : cases) {
    const QString folder = QString::fromUtf8(c.file) == "scale.txt" ? user.path() : dir.path();
    const QString path = QDir(folder).filePath(c.file);
    Write(path, old);
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    rlimit normal{};
    getrlimit(RLIMIT_FSIZE, &normal);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = normal;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    QString why;
    const bool written = c.write(path, &why);
    setrlimit(RLIMIT_FSIZE, &normal);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(written) << c.file;
    EXPECT_FALSE(why.isEmpty()) << c.file;
    EXPECT_EQ(Read(path), old) << c.file;
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), before) << c.file;
  }
}
