// Where the settings file and the material files live.
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

namespace appdir {

// The name of the settings record file.
inline const QString kSettingsFileName = QStringLiteral("cfg.inf");

// The six material files, in the order of the study categories.
QStringList MaterialFiles();

// The file of English item titles beside a material file: "scale.en.txt" beside
// "scale.txt". "" for code.txt, whose item names are the chord symbols themselves.
QString TitleFileOf(const QString& materialFile);
// The title files of the material files that have one, in the order of the categories.
QStringList TitleFiles();

// The files shipped beside the program that the program reads or the user edits.
QStringList ShippedFiles();

// The checksums (SHA-256, lower-case hex) of the versions of the material files and their
// title files the program has shipped, each with its file name: "<checksum>  <name>".
using ShippedVersions = QSet<QString>;
// Every version shipped so far, compiled into the program.
const ShippedVersions& KnownShippedVersions();
// The entry of ShippedVersions for the bytes of a file called name.
QString VersionEntry(const QString& name, const QByteArray& bytes);

// What seeding did to the material files the user folder already held when the shipped
// ones had changed.
struct SeedOutcome {
  QStringList replaced;  // an unchanged copy of an older shipped file, now the new one
  QStringList besides;   // a copy the user changed, kept; the new file put beside it (.new)
  QStringList failed;    // names and reasons of files that could not be written
};

// Copies into userDir (created when missing) each shipped file of programDir that userDir
// does not hold yet. A material file or title file already there is replaced by a differing
// shipped file only when it is byte for byte a version the program once shipped; one the
// user changed is kept and the shipped file written beside it as "<name>.new" (unless that
// is already there with the same bytes, or is something the user wrote). Other files are
// never replaced.
SeedOutcome SeedUserDirectory(const QString& programDir, const QString& userDir,
                              const ShippedVersions& shipped = KnownShippedVersions());
// The one message that tells the user what seeding did, or "" when there is nothing to say.
QString SeedMessage(const QString& userDir, const SeedOutcome& outcome);

// The application directory: programDir (the directory of the executable) when it is
// writable, else userDir, which is created and seeded from the shipped files
// (SeedUserDirectory; what it did goes to outcome when given).
QString Resolve(const QString& programDir, const QString& userDir, SeedOutcome* outcome = nullptr);

// Where an installed program's shipped files are: share/vormina beside the executable's
// bin folder, when the executable's own folder holds no material files and that folder
// does. Empty otherwise (the build folder, a folder of its own).
QString InstalledShareDirectory(const QString& programDir);

// The application directory for programDir and userDir: for an installed program userDir,
// seeded from the shipped files; otherwise Resolve().
QString ApplicationDirectoryFor(const QString& programDir, const QString& userDir,
                                SeedOutcome* outcome = nullptr);

// ApplicationDirectoryFor() the running executable and the per-user application data
// folder.
QString ApplicationDirectory(SeedOutcome* outcome = nullptr);

// Full path of a file in the application directory.
QString PathOf(const QString& dir, const QString& fileName);

}  // namespace appdir
