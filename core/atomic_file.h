// Writing a whole file so that it cannot tear: the new contents go to a temporary file
// beside the target, every write is checked, the data is flushed to the disk, and only
// then does the temporary file replace the target by a rename. A failure at any point
// removes the temporary file and leaves the old file exactly as it was.
//
// A file that a rename would cut loose is written in place instead: a file with a second
// hard link (the rename would split the two names), and a writable file in a folder where
// no new file can be made. Its old contents are first copied aside (beside it, or in the
// per-user cache when its folder takes no new file) and put back when the write fails; the
// copy is removed once the new contents are on the disk.
#pragma once

#include <QByteArray>
#include <QString>

namespace atomic_file {

// Replaces the file at path by bytes. Symbolic links keep pointing where they did: the file
// at the end of the chain is replaced. Returns false, with a description in error that names
// the file, its folder and the reason, when the file could not be written whole.
bool Write(const QString& path, const QByteArray& bytes, QString* error);

// Writes all of the left bytes at data to the open file fd, going on after partial writes
// and interruptions; false with errno set when the system refuses.
bool WriteAll(int fd, const char* data, qint64 left);

// The folder where old contents are kept while a file is written in place, when its own
// folder takes no new file.
QString BackupFolder();

}  // namespace atomic_file
