// vormina-cli settings, run as a user runs it, against the file layout the tests know.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "core/settings.h"
#include "tests/core/settings_fields.h"

using namespace settings_test;

TEST(SettingsCli, PrintsTheValidatedRecordAndCreatesAMissingFile) {
  QTemporaryDir dir;
  CfgRecord stored;
  stored.Root = 15;
  stored.Category = 3;
  stored.LastItem[3] = 42;
  stored.StaffOffset = 2.5f;
  QProcess cli;
  // A missing file is created first.
  cli.start(QStringLiteral(VORMINA_CLI_PATH),
            {QStringLiteral("settings"), QStringLiteral("--dir"), dir.path()});
  ASSERT_TRUE(cli.waitForFinished(30000));
  EXPECT_EQ(cli.exitCode(), 0);
  EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("cfg.inf"))).size(), 318);

  WriteAll(dir.filePath(QStringLiteral("cfg.inf")), ImageOf(stored));
  cli.start(QStringLiteral(VORMINA_CLI_PATH),
            {QStringLiteral("settings"), QStringLiteral("--dir"), dir.path()});
  ASSERT_TRUE(cli.waitForFinished(30000));
  EXPECT_EQ(cli.exitCode(), 0);
  const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
  EXPECT_EQ(json.value("Root").toInt(), 11);
  EXPECT_EQ(json.value("Category").toInt(), 3);
  EXPECT_EQ(json.value("UseMidi").toInt(), 1);
  EXPECT_EQ(json.value("StaffOffset").toDouble(), 2.5);
  const QJsonArray lastItem = json.value("LastItem").toArray();
  ASSERT_EQ(lastItem.size(), 11);
  EXPECT_EQ(lastItem[3].toInt(), 42);
  for (const Int16Field& f : kInt16Fields) EXPECT_TRUE(json.contains(f.name)) << f.name;
  EXPECT_FALSE(json.contains("ReservedText1"));
}
