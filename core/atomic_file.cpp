#include "core/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace atomic_file {

#ifdef Q_OS_UNIX
namespace {

QString SystemError(const char* what) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                      QString::fromLocal8Bit(std::strerror(errno)));
}

// Writes all of bytes to fd, going on after partial writes and interruptions.
bool WriteAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
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

}  // namespace

bool Write(const QString& path, const QByteArray& bytes, QString* error) {
  const auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  // A link is followed to the file it names, which is the one replaced.
  QString target = path;
  const QFileInfo info(path);
  if (info.isSymLink()) target = info.symLinkTarget();
  const QFileInfo targetInfo(target);
  if (targetInfo.exists() && !targetInfo.isFile()) {
    return fail(QStringLiteral("通常のファイルではありません"));
  }
  mode_t mode = 0644;
  struct stat old {};
  if (::stat(QFile::encodeName(target).constData(), &old) == 0) mode = old.st_mode & 07777;

  QByteArray temporary = QFile::encodeName(target) + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return fail(SystemError("作成できません"));
  const auto abandon = [&](const QString& why) {
    ::close(fd);
    ::unlink(temporary.constData());
    return fail(why);
  };
  if (::fchmod(fd, mode) != 0) return abandon(SystemError("属性を設定できません"));
  if (!WriteAll(fd, bytes)) return abandon(SystemError("書き込めません"));
  if (::fsync(fd) != 0) return abandon(SystemError("ディスクに書き込めません"));
  if (::close(fd) != 0) {
    ::unlink(temporary.constData());
    return fail(SystemError("書き込めません"));
  }
  if (std::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
    const QString why = SystemError("置き換えられません");
    ::unlink(temporary.constData());
    return fail(why);
  }
  // The rename itself is made durable with the folder.
  const int folder = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(), O_RDONLY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

#else

bool Write(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
      !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

#endif

}  // namespace atomic_file
