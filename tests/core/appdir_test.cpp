#include "core/appdir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(ApplicationDirectory, AWritableProgramFolderIsUsedAsItIs) {
  QTemporaryDir program;
  QTemporaryDir user;
  EXPECT_EQ(appdir::Resolve(program.path(), user.filePath("vormina")), program.path());
  EXPECT_FALSE(QDir(user.filePath("vormina")).exists());
}

TEST(ApplicationDirectory, SeedingCopiesOnlyWhatTheUserFolderLacks) {
  QTemporaryDir program;
  QTemporaryDir user;
  const QString userDir = user.filePath("vormina");
  Write(program.filePath("cfg.inf"), "shipped settings");
  Write(program.filePath("scale.txt"), "shipped scales");
  Write(program.filePath("unrelated.bin"), "not ours");
  QDir().mkpath(userDir);
  Write(QDir(userDir).filePath("cfg.inf"), "the user's own settings");

  appdir::SeedUserDirectory(program.path(), userDir);

  EXPECT_EQ(Read(QDir(userDir).filePath("cfg.inf")), "the user's own settings");
  EXPECT_EQ(Read(QDir(userDir).filePath("scale.txt")), "shipped scales");
  EXPECT_FALSE(QFile::exists(QDir(userDir).filePath("unrelated.bin")));
  EXPECT_FALSE(QFile::exists(QDir(userDir).filePath("code.txt")));
}

// An installed program (bin/ beside share/vormina) keeps the user's files in the per-user
// folder, filled once from share/vormina, even when it could write beside itself; a build
// folder holding the material files is used as it is.
TEST(ApplicationDirectory, AnInstalledProgramUsesTheUserFolderFilledFromShare) {
  QTemporaryDir prefix;
  QTemporaryDir user;
  const QString bin = prefix.filePath("bin");
  const QString share = prefix.filePath("share/vormina");
  QDir().mkpath(bin);
  QDir().mkpath(share);
  Write(QDir(share).filePath("scale.txt"), "shipped scales");
  Write(QDir(share).filePath("cfg.inf"), "shipped settings");
  const QString userDir = user.filePath("vormina");
  QDir().mkpath(userDir);
  Write(QDir(userDir).filePath("cfg.inf"), "the user's own settings");

  EXPECT_EQ(appdir::InstalledShareDirectory(bin), QDir::cleanPath(share));
  EXPECT_EQ(appdir::ApplicationDirectoryFor(bin, userDir), userDir);
  EXPECT_EQ(Read(QDir(userDir).filePath("scale.txt")), "shipped scales");
  EXPECT_EQ(Read(QDir(userDir).filePath("cfg.inf")), "the user's own settings");

  // The build folder: its own material files, no share folder looked for.
  Write(QDir(bin).filePath("scale.txt"), "the build's scales");
  EXPECT_TRUE(appdir::InstalledShareDirectory(bin).isEmpty());
  EXPECT_EQ(appdir::ApplicationDirectoryFor(bin, user.filePath("other")), bin);
}

// A new version's material reaches a user folder filled by an older one: a copy the user
// never changed is replaced, a changed one is kept with the new file beside it and one
// message naming both, and a second start changes and says nothing.
TEST(ApplicationDirectory, NewShippedMaterialReachesTheUserFolder) {
  QTemporaryDir program;
  QTemporaryDir user;
  const QString userDir = user.filePath("vormina");
  const QDir u(userDir);
  QDir().mkpath(userDir);
  Write(program.filePath("scale.txt"), "scales, version 2");
  Write(program.filePath("code.txt"), "chords, version 2");
  Write(program.filePath("ptn.txt"), "patterns, version 2");
  Write(program.filePath("cfg.inf"), "shipped settings, version 2");
  Write(program.filePath("ric.en.txt"), "phrase titles, version 2");
  Write(program.filePath("AUX1.en.txt"), "blues titles");
  Write(u.filePath("scale.txt"), "scales, version 1");
  Write(u.filePath("ric.en.txt"), "phrase titles, version 1");
  Write(u.filePath("code.txt"), "chords, version 1 and the user's own chord");
  Write(u.filePath("ptn.txt"), "patterns, version 2");
  Write(u.filePath("cfg.inf"), "shipped settings, version 1");
  const appdir::ShippedVersions shipped = {
      appdir::VersionEntry("scale.txt", "scales, version 1"),
      appdir::VersionEntry("code.txt", "chords, version 1"),
      appdir::VersionEntry("ric.en.txt", "phrase titles, version 1"),
      appdir::VersionEntry("cfg.inf", "shipped settings, version 1")};

  const appdir::SeedOutcome first = appdir::SeedUserDirectory(program.path(), userDir, shipped);
  // The English titles beside the material files go the same way.
  EXPECT_EQ(first.replaced, (QStringList{"scale.txt", "ric.en.txt"}));
  EXPECT_EQ(Read(u.filePath("ric.en.txt")), "phrase titles, version 2");
  EXPECT_EQ(Read(u.filePath("AUX1.en.txt")), "blues titles");
  EXPECT_EQ(first.besides, QStringList{"code.txt"});
  EXPECT_TRUE(first.failed.isEmpty());
  EXPECT_EQ(Read(u.filePath("scale.txt")), "scales, version 2");
  EXPECT_EQ(Read(u.filePath("code.txt")), "chords, version 1 and the user's own chord");
  EXPECT_EQ(Read(u.filePath("code.txt.new")), "chords, version 2");
  EXPECT_EQ(Read(u.filePath("cfg.inf")), "shipped settings, version 1");  // not material
  EXPECT_FALSE(QFile::exists(u.filePath("ptn.txt.new")));
  const QString message = appdir::SeedMessage(userDir, first);
  EXPECT_TRUE(message.contains("code.txt → code.txt.new")) << message.toStdString();
  EXPECT_FALSE(message.contains("scale.txt")) << message.toStdString();

  const appdir::SeedOutcome second = appdir::SeedUserDirectory(program.path(), userDir, shipped);
  EXPECT_TRUE(second.replaced.isEmpty() && second.besides.isEmpty() && second.failed.isEmpty());
  EXPECT_TRUE(appdir::SeedMessage(userDir, second).isEmpty());
  EXPECT_EQ(Read(u.filePath("code.txt")), "chords, version 1 and the user's own chord");

  // What the user wrote into the ".new" file is not overwritten by a third version.
  Write(u.filePath("code.txt.new"), "the user's notes");
  Write(program.filePath("code.txt"), "chords, version 3");
  const appdir::SeedOutcome third = appdir::SeedUserDirectory(program.path(), userDir, shipped);
  EXPECT_TRUE(third.besides.isEmpty());
  EXPECT_EQ(Read(u.filePath("code.txt.new")), "the user's notes");
}

// The material files and their English titles as they stand are among the versions the
// program knows it shipped (scripts/shipped-versions.sh writes the list), so the next version
// can replace them.
TEST(ApplicationDirectory, EveryShippedMaterialFileIsAKnownVersion) {
  for (const QString& name : appdir::MaterialFiles() + appdir::TitleFiles()) {
    SCOPED_TRACE(name.toStdString());
    const QByteArray bytes = Read(QStringLiteral(VORMINA_SOURCE_DIR "/data/") + name);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(appdir::KnownShippedVersions().contains(appdir::VersionEntry(name, bytes)))
        << "run scripts/shipped-versions.sh";
  }
}
