// Reading a file the program did not write itself, safely: only a regular file is read
// (a FIFO would wait for ever, /dev/zero never ends, a folder is no file), it is opened
// without waiting, and never more than a limit of its kind is read. A refusal names the
// file and the reason in the user's words. Also here: the system's reason for a failure,
// and the file a chain of symbolic links finally names.
#pragma once

#include <QByteArray>
#include <QString>

namespace file_read {

// The most the program reads of each kind of file.
inline constexpr qint64 kSettingsBytes = 1024 * 1024;             // "cfg.inf" and what follows it
inline constexpr qint64 kMaterialBytes = 16 * 1024 * 1024;        // a material file
inline constexpr qint64 kPerformanceMidiBytes = 4 * 1024 * 1024;  // a played take as MIDI
inline constexpr qint64 kPerformanceWavBytes = 512LL * 1024 * 1024;  // a played take as sound
inline constexpr qint64 kPracticeLogBytes = 8 * 1024 * 1024;  // the practice log's newest part
inline constexpr qint64 kSoundFontBytes = 2LL * 1024 * 1024 * 1024;  // a SoundFont

enum class Status { kRead, kMissing, kNotRegular, kUnreadable, kTooLarge };

// What to do with a file above its limit: refuse it, or read its last limit bytes (a log,
// whose newest lines are at its end).
enum class Over { kRefuse, kReadEnd };

struct Result {
  Status status = Status::kMissing;
  QByteArray bytes;
  QString reason;    // the system's reason when kUnreadable
  bool cut = false;  // kReadEnd: only the end of a larger file was read
};

// The bytes of the regular file at path (links followed), at most limit of them.
Result Read(const QString& path, qint64 limit, Over over = Over::kRefuse);

// The same checks without reading: kRead when path is a regular file within limit that can
// be opened for reading.
Result Check(const QString& path, qint64 limit);

// The message for a file that was not read: it names the file and says why ("" for kRead).
QString Problem(const Result& result, const QString& path, qint64 limit);

// The system's text for an error number in the user's language, decoded as the system
// writes it.
QString SystemReason(int error);

// The file that path names at the end of its chain of symbolic links (relative links taken
// from the folder of the link): path itself when it is no link; the final name even when
// that file does not exist yet. Empty, with the reason in error, for a chain that loops or
// is longer than the system allows.
QString FinalTarget(const QString& path, QString* error = nullptr);

}  // namespace file_read
