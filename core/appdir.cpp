#include "core/appdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace appdir {
namespace {

// A directory counts as writable when a file can really be created in it (permission bits
// alone do not tell about read-only mounts).
bool CanWriteIn(const QString& dir) {
  if (!QFileInfo(dir).isDir()) return false;
  QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".vormina-write-test-XXXXXX")));
  return probe.open();
}

}  // namespace

QStringList MaterialFiles() {
  return {QStringLiteral("scale.txt"), QStringLiteral("code.txt"), QStringLiteral("ptn.txt"),
          QStringLiteral("ric.txt"),   QStringLiteral("AUX1.txt"), QStringLiteral("AUX2.txt")};
}

QStringList ShippedFiles() {
  return QStringList{kSettingsFileName} + MaterialFiles() + QStringList{QStringLiteral("help.pdf")};
}

QString PathOf(const QString& dir, const QString& fileName) {
  return QDir(dir).filePath(fileName);
}

QString Resolve(const QString& programDir, const QString& userDir) {
  if (CanWriteIn(programDir)) return programDir;
  SeedUserDirectory(programDir, userDir);
  return userDir;
}

void SeedUserDirectory(const QString& programDir, const QString& userDir) {
  QDir().mkpath(userDir);
  for (const QString& name : ShippedFiles()) {
    const QString source = PathOf(programDir, name);
    const QString target = PathOf(userDir, name);
    if (QFileInfo::exists(source) && !QFileInfo::exists(target)) {
      if (QFile::copy(source, target)) {
        // Copies of read-only installed files must still be editable by their user.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
      }
    }
  }
}

QString InstalledShareDirectory(const QString& programDir) {
  const QString probe = MaterialFiles().front();
  if (QFileInfo::exists(PathOf(programDir, probe))) return {};
  const QString share =
      QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/vormina")));
  return QFileInfo::exists(PathOf(share, probe)) ? share : QString();
}

QString ApplicationDirectoryFor(const QString& programDir, const QString& userDir) {
  // An installed program never writes beside itself, even when it could (run by root): the
  // user's files are theirs, filled once from the shipped copies.
  const QString share = InstalledShareDirectory(programDir);
  if (!share.isEmpty()) {
    SeedUserDirectory(share, userDir);
    return userDir;
  }
  return Resolve(programDir, userDir);
}

QString ApplicationDirectory() {
  return ApplicationDirectoryFor(QCoreApplication::applicationDirPath(),
                                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

}  // namespace appdir
