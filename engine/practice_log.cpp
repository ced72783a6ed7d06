#include "engine/practice_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cmath>
#include <map>

#include "core/atomic_file.h"
#include "core/file_read.h"
#include "theory/MusicMethod_Treat.h"

namespace practice_log {

namespace {
const QString kNoRegularFile = QCoreApplication::translate(
    "practice_log", "通常のファイルではありません（FIFO やデバイスには記録しません）");

double Tenths(double v) {
  return std::round(v * 10) / 10;
}
}  // namespace

QByteArray ToJsonLine(const Entry& entry) {
  const listen::Summary& s = entry.summary;
  const QJsonObject line{{"date", entry.date.toString(Qt::ISODate)},
                         {"item", entry.item},
                         {"category", entry.category},
                         {"key", entry.key},
                         {"tempo", entry.tempo},
                         {"notes", entry.notes},
                         {"hit", s.hit},
                         {"wrong", s.wrong},
                         {"missed", s.missed},
                         {"extra", s.extra},
                         {"mean_abs_timing_ms", Tenths(s.meanAbsTimingMs)},
                         {"max_abs_timing_ms", Tenths(s.maxAbsTimingMs)}};
  return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

std::optional<Entry> FromJsonLine(const QByteArray& line) {
  QJsonParseError parsed;
  const QJsonDocument doc = QJsonDocument::fromJson(line, &parsed);
  if (parsed.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  Entry e;
  e.date = QDateTime::fromString(o["date"].toString(), Qt::ISODate);
  e.item = o["item"].toString();
  e.key = o["key"].toString();
  e.category = o["category"].toInt();
  e.tempo = o["tempo"].toInt();
  e.notes = o["notes"].toInt(-1);
  e.summary.hit = o["hit"].toInt(-1);
  e.summary.wrong = o["wrong"].toInt();
  e.summary.missed = o["missed"].toInt();
  e.summary.extra = o["extra"].toInt();
  e.summary.meanAbsTimingMs = o["mean_abs_timing_ms"].toDouble();
  e.summary.maxAbsTimingMs = o["max_abs_timing_ms"].toDouble();
  // What a day, a key and a score cannot be made of is not an entry.
  if (!e.date.isValid() || KeyOfName(e.key) < 0 || e.notes < 0 || e.summary.hit < 0 ||
      e.summary.hit > e.notes || e.tempo <= 0) {
    return std::nullopt;
  }
  return e;
}

bool Append(const QString& path, const Entry& entry, QString* error) {
  const auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  // The log's own file at the end of any chain of links, written there and nowhere else.
  QString linkError;
  const QString target = file_read::FinalTarget(path, &linkError);
  if (target.isEmpty()) return fail(linkError);
  struct stat st {};
  if (::stat(QFile::encodeName(target).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return fail(kNoRegularFile);
  }
  QDir().mkpath(QFileInfo(target).absolutePath());
  // Opened without waiting (a FIFO put there after the check is not waited on), for reading
  // too: the last byte tells whether the last line has its line end.
  const int fd = ::open(QFile::encodeName(target).constData(),
                        O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return fail(file_read::SystemReason(errno));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    // /dev/null would take the entry and lose it; a device or a FIFO is no log.
    ::close(fd);
    return fail(kNoRegularFile);
  }
  QByteArray bytes = ToJsonLine(entry) + '\n';
  // A last line without its line end (cut short, or edited by hand) gets one first, so that
  // it and the new entry stay two lines.
  char last = '\n';
  if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') {
    bytes.prepend('\n');
  }
  const bool whole = atomic_file::WriteAll(fd, bytes.constData(), bytes.size());
  bool written = whole && ::fsync(fd) == 0;
  int why = errno;
  // A line written in part would spoil the next one: the file goes back to where it was.
  if (!whole && ::ftruncate(fd, st.st_size) != 0) {
    // Nothing more can be done; the reader skips a broken line.
  }
  if (::close(fd) != 0 && written) {
    written = false;
    why = errno;
  }
  return written || fail(file_read::SystemReason(why));
}

Log Read(const QString& path) {
  Log result;
  const file_read::Result read =
      file_read::Read(path, file_read::kPracticeLogBytes, file_read::Over::kReadEnd);
  if (read.status == file_read::Status::kMissing) return result;
  if (read.status != file_read::Status::kRead) {
    result.error = file_read::Problem(read, path, file_read::kPracticeLogBytes);
    return result;
  }
  QList<QByteArray> lines = read.bytes.split('\n');
  // Only the newest part of a very long log is read; its first line is a piece of one.
  result.cut = read.cut;
  if (read.cut && !lines.isEmpty()) lines.removeFirst();
  for (const QByteArray& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    if (std::optional<Entry> e = FromJsonLine(line)) {
      result.entries.push_back(*e);
    } else {
      ++result.unreadable;
    }
  }
  return result;
}

QStringList Items(const std::vector<Entry>& entries) {
  QStringList items;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (!items.contains(it->item)) items << it->item;
  }
  return items;
}

std::vector<Day> Daily(const std::vector<Entry>& entries, const QString& item) {
  struct Sums {
    std::array<int, 12> hit{}, notes{};
    int topTempo = 0, passes = 0;
  };
  std::map<QDate, Sums> days;
  for (const Entry& e : entries) {
    if (!item.isEmpty() && e.item != item) continue;
    Sums& d = days[e.date.date()];
    const int k = KeyOfName(e.key);
    d.hit[k] += e.summary.hit;
    d.notes[k] += e.notes;
    d.topTempo = std::max(d.topTempo, e.tempo);
    ++d.passes;
  }
  std::vector<Day> result;
  for (const auto& [date, d] : days) {
    Day day;
    day.date = date;
    day.topTempo = d.topTempo;
    day.passes = d.passes;
    for (int k = 0; k < 12; ++k) {
      if (d.notes[k] > 0) day.percentByKey[k] = 100.0 * d.hit[k] / d.notes[k];
    }
    result.push_back(day);
  }
  return result;
}

int KeyOfName(const QString& name) {
  for (int k = 0; k < 12; ++k) {
    if (MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), k) == name) return k;
  }
  return -1;
}

}  // namespace practice_log
