// Fuzz target: any bytes as the practice log. Every line is read or counted as unreadable,
// every entry read has a date, a key of the twelve and a score within its notes, and the
// days they add up to hold shares between 0 and 100 %.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "engine/practice_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("practice-log.jsonl"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  const practice_log::Log log = practice_log::Read(path);
  if (!log.error.isEmpty()) std::abort();
  const qsizetype lines =
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).count('\n') + 1;
  if (static_cast<qsizetype>(log.entries.size()) + log.unreadable > lines) std::abort();
  for (const practice_log::Entry& e : log.entries) {
    if (!e.date.isValid() || practice_log::KeyOfName(e.key) < 0 || e.summary.hit > e.notes ||
        e.summary.hit < 0 || e.tempo <= 0) {
      std::abort();
    }
  }
  for (const practice_log::Day& day : practice_log::Daily(log.entries, QString())) {
    for (const auto& percent : day.percentByKey) {
      if (percent && !(*percent >= 0 && *percent <= 100)) std::abort();
    }
  }
  // An entry appended after whatever was there is read back as the last entry.
  practice_log::Entry entry;
  entry.date = QDateTime::fromString(QStringLiteral("2026-12-08T20:00:00"), Qt::ISODate);
  entry.key = QStringLiteral("G");
  entry.tempo = 120;
  entry.notes = 8;
  entry.summary.hit = 8;
  if (!practice_log::Append(path, entry)) std::abort();
  const practice_log::Log after = practice_log::Read(path);
  if (after.entries.empty() || after.entries.back().key != QStringLiteral("G") ||
      after.entries.size() != log.entries.size() + 1) {
    std::abort();
  }
  return 0;
}
