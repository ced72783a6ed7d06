#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>

#include "core/file_read.h"

namespace atomic_file {

namespace {

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

// "cfg.inf を保存できません（フォルダー /home/…）。一時ファイルを作成できません: 理由"
QString Describe(const QString& target, const QString& step, const QString& reason) {
  const QFileInfo info(target);
  return QCoreApplication::translate("atomic_file", "%1 を保存できません（フォルダー %2）。%3: %4")
      .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()), step, reason);
}

// Copies everything of from (from its start) to to (at its start); false with errno set.
bool CopyWhole(int from, int to) {
  if (::lseek(from, 0, SEEK_SET) < 0 || ::lseek(to, 0, SEEK_SET) < 0) return false;
  char block[65536];
  for (;;) {
    const ssize_t n = ::read(from, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, block, n)) return false;
  }
}

// The failure of a step, with errno's reason, in error; always false.
bool Fail(QString* error, const QString& target, const QString& step, int errnum) {
  if (error) *error = Describe(target, step, file_read::SystemReason(errnum));
  return false;
}

// Makes a private file for the old contents of target: beside it, or in the per-user cache.
int MakeBackup(const QString& target, QByteArray& backupPath) {
  const QFileInfo info(target);
  backupPath = Native(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".old.XXXXXX";
  int fd = ::mkstemp(backupPath.data());
  if (fd >= 0) return fd;
  QDir().mkpath(BackupFolder());
  backupPath = Native(BackupFolder() + u'/' + info.fileName()) + ".old.XXXXXX";
  return ::mkstemp(backupPath.data());
}

// Writes bytes into target itself, its old contents kept aside until the new ones are on the
// disk and put back when the write fails.
bool WriteInPlace(const QString& target, const QByteArray& bytes, QString* error) {
  const int fd = ::open(Native(target).constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0)
    return Fail(error, target, QCoreApplication::translate("atomic_file", "開けません"), errno);
  QByteArray backupPath;
  const int backup = MakeBackup(target, backupPath);
  if (backup < 0) {
    const int why = errno;
    ::close(fd);
    return Fail(error, target,
                QCoreApplication::translate("atomic_file", "元の内容の控えを作れません"), why);
  }
  struct stat old {};
  if (::fstat(fd, &old) != 0 || !CopyWhole(fd, backup) || ::fsync(backup) != 0) {
    const int why = errno;
    ::close(backup);
    ::unlink(backupPath.constData());
    ::close(fd);
    return Fail(error, target,
                QCoreApplication::translate("atomic_file", "元の内容の控えを作れません"), why);
  }
  bool written = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes.constData(), bytes.size()) &&
                 ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
  const int why = errno;
  bool restored = written;
  if (!written) {
    restored = CopyWhole(backup, fd) && ::ftruncate(fd, old.st_size) == 0 && ::fsync(fd) == 0;
  }
  ::close(backup);
  written = ::close(fd) == 0 && written;
  if (restored) ::unlink(backupPath.constData());
  if (written) return true;
  Fail(error, target, QCoreApplication::translate("atomic_file", "書き込めません"), why);
  if (!restored && error) {
    *error += QCoreApplication::translate("atomic_file", "\n元の内容は %1 に残してあります。")
                  .arg(QDir::toNativeSeparators(QFile::decodeName(backupPath)));
  }
  return false;
}

// A folder that takes no new file, or a name that cannot be replaced (a file mounted on its
// own): the file is written in place when it exists.
bool FolderRefused(int errnum) {
  return errnum == EACCES || errnum == EPERM || errnum == EROFS || errnum == EBUSY ||
         errnum == EXDEV;
}

}  // namespace

bool WriteAll(int fd, const char* data, qint64 left) {
  while (left > 0) {
    const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= written;
  }
  return true;
}

QString BackupFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
         QStringLiteral("/backups");
}

bool Write(const QString& path, const QByteArray& bytes, QString* error) {
  QString linkError;
  const QString target = file_read::FinalTarget(path, &linkError);
  if (target.isEmpty()) {
    if (error)
      *error = Describe(path, QCoreApplication::translate("atomic_file", "リンクをたどれません"),
                        linkError);
    return false;
  }
  struct stat old {};
  const bool exists = ::stat(Native(target).constData(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    if (error) {
      *error = Describe(target, QCoreApplication::translate("atomic_file", "書き込みません"),
                        QCoreApplication::translate("atomic_file", "通常のファイルではありません"));
    }
    return false;
  }
  // A second name of the same file would be split off by a rename.
  if (exists && old.st_nlink > 1) return WriteInPlace(target, bytes, error);

  QByteArray temporary = Native(target) + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    if (exists && FolderRefused(errno)) return WriteInPlace(target, bytes, error);
    return Fail(error, target,
                QCoreApplication::translate("atomic_file", "一時ファイルを作成できません"), errno);
  }
  const auto abandon = [&](const QString& step) {
    const int why = errno;
    ::close(fd);
    ::unlink(temporary.constData());
    return Fail(error, target, step, why);
  };
  if (::fchmod(fd, exists ? (old.st_mode & 07777) : 0644) != 0) {
    return abandon(QCoreApplication::translate("atomic_file", "属性を設定できません"));
  }
  if (!WriteAll(fd, bytes.constData(), bytes.size()))
    return abandon(QCoreApplication::translate("atomic_file", "書き込めません"));
  if (::fsync(fd) != 0)
    return abandon(QCoreApplication::translate("atomic_file", "ディスクに書き込めません"));
  if (::close(fd) != 0) {
    const int why = errno;
    ::unlink(temporary.constData());
    return Fail(error, target, QCoreApplication::translate("atomic_file", "書き込めません"), why);
  }
  if (std::rename(temporary.constData(), Native(target).constData()) != 0) {
    const int why = errno;
    ::unlink(temporary.constData());
    if (exists && FolderRefused(why)) return WriteInPlace(target, bytes, error);
    return Fail(error, target, QCoreApplication::translate("atomic_file", "置き換えられません"),
                why);
  }
  // The rename itself is made durable with the folder.
  const int folder = ::open(Native(QFileInfo(target).absolutePath()).constData(), O_RDONLY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

}  // namespace atomic_file
