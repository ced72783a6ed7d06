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
