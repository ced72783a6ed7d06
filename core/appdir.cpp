#include "core/appdir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <optional>

#include "core/atomic_file.h"
#include "core/file_read.h"
#include "shipped_versions.h"

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

QString TitleFileOf(const QString& materialFile) {
  if (materialFile.compare(QStringLiteral("code.txt"), Qt::CaseInsensitive) == 0) return {};
  const QString suffix = QStringLiteral(".txt");
  const QString stem = materialFile.endsWith(suffix, Qt::CaseInsensitive)
                           ? materialFile.chopped(suffix.size())
                           : materialFile;
  return stem + QStringLiteral(".en.txt");
}

QStringList TitleFiles() {
  QStringList titles;
  for (const QString& name : MaterialFiles()) {
    if (const QString title = TitleFileOf(name); !title.isEmpty()) titles << title;
  }
  return titles;
}

QStringList ShippedFiles() {
  return QStringList{kSettingsFileName} + MaterialFiles() + TitleFiles() +
         QStringList{QStringLiteral("help.pdf"), QStringLiteral("help.en.pdf")};
}

QString PathOf(const QString& dir, const QString& fileName) {
  return QDir(dir).filePath(fileName);
}

QString Resolve(const QString& programDir, const QString& userDir, SeedOutcome* outcome) {
  if (CanWriteIn(programDir)) return programDir;
  const SeedOutcome seeded = SeedUserDirectory(programDir, userDir);
  if (outcome) *outcome = seeded;
  return userDir;
}

const ShippedVersions& KnownShippedVersions() {
  static const ShippedVersions versions = [] {
    ShippedVersions v;
    for (const QString& line : QString::fromLatin1(kShippedVersions).split(u'\n')) {
      if (!line.trimmed().isEmpty()) v.insert(line.trimmed());
    }
    return v;
  }();
  return versions;
}

QString VersionEntry(const QString& name, const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) +
         QStringLiteral("  ") + name;
}

namespace {

// The whole of a regular material file, or nothing (a missing file, a folder, a device, a
// file larger than material is).
std::optional<QByteArray> ReadWhole(const QString& path) {
  file_read::Result read = file_read::Read(path, file_read::kMaterialBytes);
  if (read.status != file_read::Status::kRead) return std::nullopt;
  return std::move(read.bytes);
}

// Brings the user's copy of a material file up to a differing shipped one, as
// SeedUserDirectory says.
void UpgradeMaterial(const QString& name, const QByteArray& shippedBytes, const QString& target,
                     const ShippedVersions& shipped, SeedOutcome& outcome) {
  const auto own = ReadWhole(target);
  if (!own || *own == shippedBytes) return;
  QString why;
  if (shipped.contains(VersionEntry(name, *own))) {
    if (atomic_file::Write(target, shippedBytes, &why)) {
      outcome.replaced << name;
    } else {
      outcome.failed << QCoreApplication::translate("appdir", "%1（%2）").arg(name, why);
    }
    return;
  }
  const QString beside = target + QStringLiteral(".new");
  if (QFileInfo::exists(beside)) {
    const auto old = ReadWhole(beside);
    // Already there from an earlier start, or something the user wrote there: left alone.
    if (!old || *old == shippedBytes || !shipped.contains(VersionEntry(name, *old))) return;
  }
  if (atomic_file::Write(beside, shippedBytes, &why)) {
    outcome.besides << name;
  } else {
    outcome.failed << QCoreApplication::translate("appdir", "%1（%2）")
                          .arg(name + QStringLiteral(".new"), why);
  }
}

}  // namespace

SeedOutcome SeedUserDirectory(const QString& programDir, const QString& userDir,
                              const ShippedVersions& shipped) {
  SeedOutcome outcome;
  QDir().mkpath(userDir);
  // The material files and their titles: a newer shipped version replaces an unchanged copy.
  const QStringList material = MaterialFiles() + TitleFiles();
  for (const QString& name : ShippedFiles()) {
    const QString source = PathOf(programDir, name);
    const QString target = PathOf(userDir, name);
    if (!QFileInfo::exists(source)) continue;
    if (!QFileInfo::exists(target)) {
      if (QFile::copy(source, target)) {
        // Copies of read-only installed files must still be editable by their user.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
      }
    } else if (material.contains(name)) {
      if (const auto shippedBytes = ReadWhole(source)) {
        UpgradeMaterial(name, *shippedBytes, target, shipped, outcome);
      }
    }
  }
  return outcome;
}

QString SeedMessage(const QString& userDir, const SeedOutcome& outcome) {
  QStringList parts;
  if (!outcome.besides.isEmpty()) {
    QStringList pairs;
    for (const QString& name : outcome.besides) {
      pairs << QStringLiteral("　%1 → %1.new").arg(name);
    }
    parts << QCoreApplication::translate(
                 "appdir",
                 "新しい版の教材があります。次のファイルはあなたが変更しているので"
                 "そのまま残し、新しい版を隣に置きました:\n") +
                 pairs.join(u'\n');
  }
  if (!outcome.failed.isEmpty()) {
    parts << QCoreApplication::translate(
                 "appdir", "次の教材ファイルを新しい版にできませんでした（元のままです）:\n　") +
                 outcome.failed.join(QStringLiteral("\n　"));
  }
  if (parts.isEmpty()) return {};
  return parts.join(QStringLiteral("\n\n")) +
         QCoreApplication::translate("appdir", "\n\nフォルダ: ") +
         QDir::toNativeSeparators(userDir);
}

QString InstalledShareDirectory(const QString& programDir) {
  const QString probe = MaterialFiles().front();
  if (QFileInfo::exists(PathOf(programDir, probe))) return {};
  const QString share =
      QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/vormina")));
  return QFileInfo::exists(PathOf(share, probe)) ? share : QString();
}

QString ApplicationDirectoryFor(const QString& programDir, const QString& userDir,
                                SeedOutcome* outcome) {
  // An installed program never writes beside itself, even when it could (run by root): the
  // user's files are theirs, filled once from the shipped copies.
  const QString share = InstalledShareDirectory(programDir);
  if (!share.isEmpty()) {
    const SeedOutcome seeded = SeedUserDirectory(share, userDir);
    if (outcome) *outcome = seeded;
    return userDir;
  }
  return Resolve(programDir, userDir, outcome);
}

QString ApplicationDirectory(SeedOutcome* outcome) {
  return ApplicationDirectoryFor(QCoreApplication::applicationDirPath(),
                                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                 outcome);
}

}  // namespace appdir
