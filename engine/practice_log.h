// The practice log: every pass judged in listen mode, one JSON line each in a file of the
// per-user data folder (date, item, key, tempo, score, timing), and the days it adds up to
// for the window "練習記録".
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "engine/listen.h"

namespace practice_log {

struct Entry {
  QDateTime date;
  QString item;
  int category = 0;
  QString key;  // the program's name of the key ("C", "D♭", ...)
  int tempo = 0;
  int notes = 0;  // the item's notes judged
  listen::Summary summary;
};

// One line of the log (without its line end), and back; nothing for a line that is not an
// entry (a line cut short by a full disk, a line edited by hand).
QByteArray ToJsonLine(const Entry& entry);
std::optional<Entry> FromJsonLine(const QByteArray& line);

// Appends one whole line to the log at path (its folder made when missing; links followed to
// the log's own file; a last line without its line end first ended). False, with the reason
// in error, when it could not be written whole, or when path is no regular file (a FIFO,
// /dev/null, a device): nothing is then written.
bool Append(const QString& path, const Entry& entry, QString* error = nullptr);

struct Log {
  std::vector<Entry> entries;
  int unreadable = 0;  // lines that were not entries, skipped
  QString error;       // the file exists but cannot be read (names it and says why)
  bool cut = false;    // the log is longer than is read: only its newest entries are here
};
// The log at path; an absent file is an empty log. Only a regular file is read, and of a
// log longer than file_read::kPracticeLogBytes its newest part.
Log Read(const QString& path);

// The items of the log, the one practised last first.
QStringList Items(const std::vector<Entry>& entries);

// One day of practice of an item (or of all items): for each key played that day (by pitch
// class) the share of its notes right over the day's passes in percent, and the highest
// tempo played.
struct Day {
  QDate date;
  std::array<std::optional<double>, 12> percentByKey{};
  int topTempo = 0;
  int passes = 0;
};
// The days of item (every item when empty), earliest first.
std::vector<Day> Daily(const std::vector<Entry>& entries, const QString& item);

// The pitch class of a key's name as the program writes it, or -1.
int KeyOfName(const QString& name);

}  // namespace practice_log
