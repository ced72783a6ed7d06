// Writing a whole file so that it cannot tear: the new contents go to a temporary file
// beside the target, every write is checked, the data is flushed to the disk, and only
// then does the temporary file replace the target by a rename. A failure at any point
// removes the temporary file and leaves the old file exactly as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace atomic_file {

// Replaces the file at path by bytes. A symbolic link keeps pointing where it did: the
// file it points to is replaced. Returns false, with a description in error, when the
// file could not be written whole.
bool Write(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace atomic_file
