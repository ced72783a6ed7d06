#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

namespace {
QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
}  // namespace

// A write replaces the whole file and leaves nothing else behind; through a link it
// replaces the file linked to and keeps the link; what is not a regular file, or a folder
// that does not exist, is refused with the old contents kept.
TEST(AtomicFile, ReplacesWholeFilesAndRefusesWhatItCannotWrite) {
  QTemporaryDir dir;
  const QString file = dir.filePath("scale.txt");
  QString error;
  ASSERT_TRUE(atomic_file::Write(file, "old", &error)) << error.toStdString();
  ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
  ASSERT_TRUE(atomic_file::Write(file, "new contents", &error));
  EXPECT_EQ(Read(file), "new contents");
  // The file keeps its permissions (here: private to its owner).
  const QFileDevice::Permissions others = QFile::ReadGroup | QFile::ReadOther;
  EXPECT_EQ(QFile::permissions(file) & (others | QFile::ReadOwner | QFile::WriteOwner),
            QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"scale.txt"});

  const QString link = dir.filePath("link.txt");
  ASSERT_TRUE(QFile::link(file, link));
  ASSERT_TRUE(atomic_file::Write(link, "through the link", &error));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(Read(file), "through the link");

  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  EXPECT_FALSE(atomic_file::Write(dir.filePath("folder"), "x", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());
  error.clear();
  EXPECT_FALSE(atomic_file::Write(dir.filePath("missing/scale.txt"), "x", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(Read(file), "through the link");

#ifdef Q_OS_UNIX
  // A disk that takes no more (here a limit of 8 bytes a file): refused with the reason, the
  // old contents kept and no temporary file left behind.
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  error.clear();
  const bool written = atomic_file::Write(file, "far more than eight bytes", &error);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(written);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(Read(file), "through the link");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"link.txt", "scale.txt"}));
#endif
}
