// What the disk and the folder may do to the program's files: a full disk, links, FIFOs,
// huge files, read-only folders. Nothing the user wrote is lost, nothing hangs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "core/settings.h"
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

 private:
  static bool Run(const QStringList& args) {
    QProcess mount;
    mount.start("mount", args);
    return mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
           mount.exitCode() == 0;
  }
  QTemporaryDir dir_;
  QString path_;
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
  EXPECT_EQ(Messages, QStringList{settings::kUnexpectedError});
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
    EXPECT_EQ(Messages, QStringList{settings::kUnexpectedError});
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
