#include "core/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace file_read {

QString SystemReason(int error) {
  // strerror speaks the language of the program's locale (set from the user's at start)
  // and writes in the locale's character set.
  return QString::fromLocal8Bit(std::strerror(error));
}

namespace {

// The longest chain of links followed, as the system's own limit (SYMLOOP_MAX is 40).
constexpr int kMaxLinks = 40;

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

}  // namespace

QString FinalTarget(const QString& path, QString* error) {
  QString current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(Native(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(Native(current).constData(), target.data(),
                                 static_cast<std::size_t>(target.size()));
    if (n < 0 || n >= target.size()) break;
    target.truncate(n);
    const QString next = QFile::decodeName(target);
    current = QDir::isAbsolutePath(next)
                  ? next
                  : QDir::cleanPath(QFileInfo(current).absolutePath() + u'/' + next);
  }
  if (error) *error = SystemReason(ELOOP);
  return QString();
}

namespace {

// Reads from fd until count bytes or the end; false on a read error (errno set).
bool ReadUpTo(int fd, qint64 count, QByteArray& bytes) {
  bytes.resize(count);
  qint64 got = 0;
  while (got < count) {
    const ssize_t n = ::read(fd, bytes.data() + got, static_cast<std::size_t>(count - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += n;
  }
  bytes.truncate(got);
  return true;
}

// Opens path for reading without waiting (a FIFO without a writer opens at once) and checks
// that it is a regular file; fd is -1 unless kRead.
Result Open(const QString& path, qint64 limit, Over over, int& fd, qint64& size) {
  Result result;
  fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.status = errno == ENOENT ? Status::kMissing : Status::kUnreadable;
    result.reason = SystemReason(errno);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.status = Status::kNotRegular;
  } else if (st.st_size > limit && over == Over::kRefuse) {
    result.status = Status::kTooLarge;
  } else {
    size = st.st_size;
    result.status = Status::kRead;
    return result;
  }
  ::close(fd);
  fd = -1;
  return result;
}

}  // namespace

Result Read(const QString& path, qint64 limit, Over over) {
  int fd = -1;
  qint64 size = 0;
  Result result = Open(path, limit, over, fd, size);
  if (fd < 0) return result;
  if (size > limit) {
    // Only the end is read (Over::kReadEnd).
    result.cut = ::lseek(fd, size - limit, SEEK_SET) >= 0;
    if (!result.cut) {
      result.status = Status::kUnreadable;
      result.reason = SystemReason(errno);
      ::close(fd);
      return result;
    }
  }
  // One byte more than the limit shows a file that grew while it was read.
  if (!ReadUpTo(fd, limit + 1, result.bytes)) {
    result.status = Status::kUnreadable;
    result.reason = SystemReason(errno);
    result.bytes.clear();
  } else if (result.bytes.size() > limit) {
    if (over == Over::kRefuse) {
      result.status = Status::kTooLarge;
      result.bytes.clear();
    } else {
      result.bytes.remove(0, result.bytes.size() - limit);
      result.cut = true;
    }
  }
  ::close(fd);
  return result;
}

Result Check(const QString& path, qint64 limit) {
  int fd = -1;
  qint64 size = 0;
  Result result = Open(path, limit, Over::kRefuse, fd, size);
  if (fd >= 0) ::close(fd);
  return result;
}

QString Problem(const Result& result, const QString& path, qint64 limit) {
  const QString file = QDir::toNativeSeparators(path);
  switch (result.status) {
    case Status::kRead:
      break;
    case Status::kMissing:
      return QCoreApplication::translate("file_read", "%1 が見つかりません。").arg(file);
    case Status::kNotRegular:
      return QCoreApplication::translate(
                 "file_read",
                 "%1 は通常のファイルではないため読み込みません（フォルダー、FIFO、"
                 "デバイスなど）。")
          .arg(file);
    case Status::kUnreadable:
      return QCoreApplication::translate("file_read", "%1 を読み込めません: %2")
          .arg(file, result.reason);
    case Status::kTooLarge: {
      const bool megabytes = limit >= 1024 * 1024;
      return QCoreApplication::translate("file_read",
                                         "%1 は大きすぎるため読み込みません（%2 %3 まで）。")
          .arg(file)
          .arg(megabytes ? limit / (1024 * 1024) : limit / 1024)
          .arg(megabytes ? QStringLiteral("MB") : QStringLiteral("KB"));
    }
  }
  return QString();
}

}  // namespace file_read
