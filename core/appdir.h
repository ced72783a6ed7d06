// Where the settings file and the material files live.
#pragma once

#include <QString>
#include <QStringList>

namespace appdir {

// The name of the settings record file.
inline const QString kSettingsFileName = QStringLiteral("cfg.inf");

// The six material files, in the order of the study categories.
QStringList MaterialFiles();

// The files shipped beside the program that the program reads or the user edits.
QStringList ShippedFiles();

// The application directory: programDir (the directory of the executable) when it is
// writable, else userDir, which is created and seeded with copies of the shipped files
// that it does not hold yet (never over a file already there).
QString Resolve(const QString& programDir, const QString& userDir);

// Copies into userDir (created when missing) each shipped file of programDir that userDir
// does not hold yet; a file already there is never replaced.
void SeedUserDirectory(const QString& programDir, const QString& userDir);

// Where an installed program's shipped files are: share/vormina beside the executable's
// bin folder, when the executable's own folder holds no material files and that folder
// does. Empty otherwise (the build folder, a folder of its own).
QString InstalledShareDirectory(const QString& programDir);

// The application directory for programDir and userDir: for an installed program userDir,
// seeded from the shipped files; otherwise Resolve().
QString ApplicationDirectoryFor(const QString& programDir, const QString& userDir);

// ApplicationDirectoryFor() the running executable and the per-user application data
// folder.
QString ApplicationDirectory();

// Full path of a file in the application directory.
QString PathOf(const QString& dir, const QString& fileName);

}  // namespace appdir
