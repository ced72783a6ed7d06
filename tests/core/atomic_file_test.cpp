#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

namespace {
QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Runs write with the files of this process limited to bytes (a disk that takes no more).
bool WithSizeLimit(rlim_t bytes, const std::function<bool()>& write) {
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = write();
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  return written;
}

nlink_t Links(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_nlink : 0;
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

  // A disk that takes no more (here a limit of 8 bytes a file): refused with the reason, the
  // old contents kept and no temporary file left behind.
  error.clear();
  EXPECT_FALSE(WithSizeLimit(
      8, [&] { return atomic_file::Write(file, "far more than eight bytes", &error); }));
  EXPECT_TRUE(error.contains(QStringLiteral("scale.txt を保存できません"))) << error.toStdString();
  EXPECT_EQ(Read(file), "through the link");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"link.txt", "scale.txt"}));
}

// A chain of links is followed to its end, whichever way each link is written, and the
// links stay links; a chain that loops is refused. A file with a second name is written in
// place, so both names keep showing one file; a failed write there puts the old contents
// back and leaves no copy behind.
TEST(AtomicFile, ChainsOfLinksAndSecondNamesAreWrittenThrough) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  const QString target = dir.filePath("sub/target.mid");
  ASSERT_TRUE(atomic_file::Write(target, "old", nullptr));
  // out -> l2 (absolute), l2 -> sub/target.mid (relative to l2's folder).
  ASSERT_EQ(::symlink("sub/target.mid", QFile::encodeName(dir.filePath("l2")).constData()), 0);
  ASSERT_TRUE(QFile::link(dir.filePath("l2"), dir.filePath("out.mid")));
  // A chain to a file not there yet: d1 -> d2 -> sub/new.mid.
  ASSERT_EQ(::symlink("sub/new.mid", QFile::encodeName(dir.filePath("d2")).constData()), 0);
  ASSERT_TRUE(QFile::link(dir.filePath("d2"), dir.filePath("d1")));
  QString error;
  ASSERT_TRUE(atomic_file::Write(dir.filePath("out.mid"), "through two links", &error))
      << error.toStdString();
  ASSERT_TRUE(atomic_file::Write(dir.filePath("d1"), "made at the end", &error))
      << error.toStdString();
  EXPECT_EQ(Read(target), "through two links");
  EXPECT_EQ(Read(dir.filePath("sub/new.mid")), "made at the end");
  for (const char* link : {"out.mid", "l2", "d1", "d2"}) {
    EXPECT_TRUE(QFileInfo(dir.filePath(link)).isSymLink()) << link;
  }

  ASSERT_TRUE(QFile::link(dir.filePath("loop-b"), dir.filePath("loop-a")));
  ASSERT_TRUE(QFile::link(dir.filePath("loop-a"), dir.filePath("loop-b")));
  error.clear();
  EXPECT_FALSE(atomic_file::Write(dir.filePath("loop-a"), "x", &error));
  EXPECT_TRUE(error.contains("loop-a")) << error.toStdString();

  const QString second = dir.filePath("second-name.mid");
  ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(second).constData()),
            0);
  ASSERT_TRUE(atomic_file::Write(second, "both names", &error)) << error.toStdString();
  EXPECT_EQ(Read(target), "both names");
  EXPECT_EQ(Links(target), 2u);
  EXPECT_FALSE(WithSizeLimit(
      12, [&] { return atomic_file::Write(target, "more than twelve bytes", &error); }));
  EXPECT_EQ(Read(second), "both names");
  EXPECT_EQ(Links(second), 2u);
  EXPECT_EQ(QDir(dir.filePath("sub")).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"new.mid", "target.mid"}));
}
