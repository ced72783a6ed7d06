#include "engine/practice_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <map>

#include "theory/MusicMethod_Treat.h"

namespace practice_log {

namespace {
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
  QDir().mkpath(QFileInfo(path).absolutePath());
  const qint64 before = QFileInfo(path).exists() ? QFileInfo(path).size() : 0;
  QFile log(path);
  const QByteArray bytes = ToJsonLine(entry) + '\n';
  if (log.open(QIODevice::Append | QIODevice::WriteOnly) && log.write(bytes) == bytes.size() &&
      log.flush()) {
    return true;
  }
  if (error) *error = log.errorString();
  log.close();
  // A line written in part would spoil the next one: the file goes back to where it was.
  if (QFileInfo(path).exists() && QFileInfo(path).size() > before) QFile::resize(path, before);
  return false;
}

Log Read(const QString& path) {
  Log result;
  QFile file(path);
  if (!file.exists()) return result;
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = file.errorString();
    return result;
  }
  const QList<QByteArray> lines = file.readAll().split('\n');
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
