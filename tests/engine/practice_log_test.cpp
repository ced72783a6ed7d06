// The practice log: lines read back as written, lines that are not entries skipped, a log
// that cannot be written said so and left as it was, and the days an item's passes add up to.
#include "engine/practice_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/file_read.h"

namespace {

practice_log::Entry MakeEntry(const QString& date, const QString& key, int tempo, int hit,
                              int notes = 8, const QString& item = QStringLiteral("Dorian")) {
  practice_log::Entry e;
  e.date = QDateTime::fromString(date, Qt::ISODate);
  e.item = item;
  e.key = key;
  e.tempo = tempo;
  e.notes = notes;
  e.summary.hit = hit;
  e.summary.missed = notes - hit;
  e.summary.meanAbsTimingMs = 12.34;
  return e;
}

TEST(PracticeLog, AnEntryIsReadBackAsWritten) {
  const practice_log::Entry e = MakeEntry(QStringLiteral("2026-12-08T07:30:00"), "F", 132, 7);
  const auto back = practice_log::FromJsonLine(practice_log::ToJsonLine(e));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->date, e.date);
  EXPECT_EQ(back->item, e.item);
  EXPECT_EQ(back->key, QStringLiteral("F"));
  EXPECT_EQ(back->tempo, 132);
  EXPECT_EQ(back->summary.hit, 7);
  EXPECT_EQ(back->summary.missed, 1);
  EXPECT_DOUBLE_EQ(back->summary.meanAbsTimingMs, 12.3);  // kept to a tenth of a ms
}

TEST(PracticeLog, LinesThatAreNotEntriesAreRefused) {
  const std::vector<std::pair<const char*, const char*>> lines = {
      {"cut short", R"({"date": "2026-12-08T07:30:00", "item": "x", "key": "C", "te)"},
      {"no date", R"({"item": "x", "key": "C", "tempo": 120, "notes": 8, "hit": 8})"},
      {"no such key",
       R"({"date": "2026-12-08T07:30:00", "key": "H", "tempo": 120, "notes": 8, "hit": 8})"},
      {"more right than notes",
       R"({"date": "2026-12-08T07:30:00", "key": "C", "tempo": 120, "notes": 8, "hit": 9})"},
      {"no tempo", R"({"date": "2026-12-08T07:30:00", "key": "C", "notes": 8, "hit": 8})"},
      {"not an object", R"([1, 2, 3])"},
  };
  for (const auto& [what, line] : lines) {
    EXPECT_FALSE(practice_log::FromJsonLine(line).has_value()) << what;
  }
}

TEST(PracticeLog, TheLogSkipsWhatItCannotReadAndAnAbsentLogIsEmpty) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("data/practice-log.jsonl"));
  EXPECT_TRUE(practice_log::Read(path).entries.empty());
  EXPECT_TRUE(practice_log::Read(path).error.isEmpty());
  ASSERT_TRUE(practice_log::Append(path, MakeEntry("2026-12-01T20:00:00", "C", 100, 6)));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("not json\n\n");
  }
  ASSERT_TRUE(practice_log::Append(path, MakeEntry("2026-12-02T20:00:00", "G", 110, 8)));
  const practice_log::Log log = practice_log::Read(path);
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[1].key, QStringLiteral("G"));
  EXPECT_EQ(log.unreadable, 1);
}

TEST(PracticeLog, ALogThatCannotBeWrittenSaysWhyAndKeepsWhatItHad) {
  QTemporaryDir dir;
  // The log's place is a folder: nothing can be appended there.
  const QString path = dir.filePath(QStringLiteral("practice-log.jsonl"));
  ASSERT_TRUE(QDir().mkpath(path));
  QString error;
  EXPECT_FALSE(practice_log::Append(path, MakeEntry("2026-12-01T20:00:00", "C", 100, 6), &error));
  EXPECT_FALSE(error.isEmpty());
  // A full disk: the write fails and says so.
  if (QFile::exists(QStringLiteral("/dev/full"))) {
    error.clear();
    EXPECT_FALSE(practice_log::Append(QStringLiteral("/dev/full"),
                                      MakeEntry("2026-12-01T20:00:00", "C", 100, 6), &error));
    EXPECT_FALSE(error.isEmpty());
  }
}

// Whole lines only: a last entry without its line end (an editor's save, a cut-short write)
// stays an entry beside the new one; a chain of links leads to the log's own file.
TEST(PracticeLog, AppendsWholeLinesThroughLinks) {
  QTemporaryDir dir;
  const QString real = dir.filePath(QStringLiteral("logs/real.jsonl"));
  ASSERT_TRUE(QDir().mkpath(dir.filePath("logs")));
  {
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(practice_log::ToJsonLine(MakeEntry("2026-12-01T20:00:00", "C", 100, 6)));  // no \n
  }
  ASSERT_TRUE(QFile::link(real, dir.filePath("l2")));
  ASSERT_TRUE(QFile::link(dir.filePath("l2"), dir.filePath("practice-log.jsonl")));
  QString error;
  ASSERT_TRUE(practice_log::Append(dir.filePath("practice-log.jsonl"),
                                   MakeEntry("2026-12-02T20:00:00", "G", 110, 8), &error))
      << error.toStdString();
  const practice_log::Log log = practice_log::Read(dir.filePath("practice-log.jsonl"));
  ASSERT_EQ(log.entries.size(), 2u) << log.error.toStdString() << log.unreadable;
  EXPECT_EQ(log.entries[0].key, QStringLiteral("C"));
  EXPECT_EQ(log.entries[1].key, QStringLiteral("G"));
  EXPECT_EQ(log.unreadable, 0);
  EXPECT_TRUE(QFileInfo(dir.filePath("l2")).isSymLink());
}

// What is no regular file is neither waited on nor written to nor read without end: the
// append is refused at once with a reason, and the reader says why.
TEST(PracticeLog, AFifoOrADeviceIsNoLog) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& target : {fifo, QStringLiteral("/dev/null"), QStringLiteral("/dev/zero")}) {
    const QString path = dir.filePath(QFileInfo(target).fileName() + QStringLiteral(".jsonl"));
    ASSERT_TRUE(QFile::link(target, path));
    QString error;
    EXPECT_FALSE(practice_log::Append(path, MakeEntry("2026-12-01T20:00:00", "C", 100, 6), &error))
        << target.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("通常のファイルではありません")))
        << error.toStdString();
    const practice_log::Log log = practice_log::Read(path);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(log.error.contains(path)) << log.error.toStdString();
  }
}

// A log longer than is read at once gives its newest entries, the cut piece of a line at the
// start of what was read not counted as unreadable.
TEST(PracticeLog, ALogLongerThanItsLimitIsReadFromItsEnd) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("practice-log.jsonl"));
  const QByteArray old =
      practice_log::ToJsonLine(MakeEntry("2026-01-01T20:00:00", "C", 100, 6)) + '\n';
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray block;
    while (block.size() < 1024 * 1024) block += old;
    for (qint64 written = 0; written <= file_read::kPracticeLogBytes; written += block.size()) {
      ASSERT_EQ(f.write(block), block.size());
    }
    f.write("{\"date\": \"2026-");  // a piece of a line: the reader starts after a line end
    f.write("12-08\"}\n");
  }
  ASSERT_TRUE(practice_log::Append(path, MakeEntry("2026-12-08T20:00:00", "G", 110, 8)));
  const practice_log::Log log = practice_log::Read(path);
  EXPECT_TRUE(log.cut);
  ASSERT_FALSE(log.entries.empty());
  EXPECT_EQ(log.entries.back().key, QStringLiteral("G"));
  EXPECT_LE(static_cast<qint64>(log.entries.size()) * old.size(), file_read::kPracticeLogBytes);
  EXPECT_EQ(log.unreadable, 1);  // the hand-written piece, not the cut first line
}

TEST(PracticeLog, DaysAddUpTheirPassesPerKeyAndKeepTheHighestTempo) {
  const std::vector<practice_log::Entry> entries = {
      MakeEntry("2026-12-01T20:00:00", "C", 100, 6),
      MakeEntry("2026-12-01T20:10:00", "C", 110, 8),
      MakeEntry("2026-12-01T21:00:00", "F", 100, 4),
      MakeEntry("2026-12-02T08:00:00", "F", 90, 8, 8, QStringLiteral("Lydian")),
      MakeEntry("2026-12-03T08:00:00", "F", 120, 2, 4),
  };
  const auto all = practice_log::Daily(entries, QString());
  ASSERT_EQ(all.size(), 3u);
  const auto dorian = practice_log::Daily(entries, QStringLiteral("Dorian"));
  ASSERT_EQ(dorian.size(), 2u);
  EXPECT_EQ(dorian[0].date, QDate(2026, 12, 1));
  EXPECT_EQ(dorian[0].passes, 3);
  EXPECT_EQ(dorian[0].topTempo, 110);
  EXPECT_DOUBLE_EQ(*dorian[0].percentByKey[0], 87.5);  // 14 of 16
  EXPECT_DOUBLE_EQ(*dorian[0].percentByKey[5], 50);
  EXPECT_FALSE(dorian[0].percentByKey[7].has_value());
  EXPECT_EQ(dorian[1].date, QDate(2026, 12, 3));
  EXPECT_DOUBLE_EQ(*dorian[1].percentByKey[5], 50);
  EXPECT_EQ(practice_log::Items(entries),
            QStringList({QStringLiteral("Dorian"), QStringLiteral("Lydian")}));
}

}  // namespace
