// vormina-cli items and realise, run as a separate program on material folders of the
// tests' own.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
  int exitCode = -1;
  QJsonObject json;
  QString errors;
};

class Cli : public ::testing::Test {
 protected:
  void Write(const QString& name, const QString& text) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QStringEncoder encode("windows-31j");
    QString crlf = text;
    crlf.replace("\n", "\r\n");
    f.write(encode(crlf));
  }
  CliRun Call(QStringList args) {
    args << "--dir" << dir.path();
    QProcess cli;
    cli.start(QStringLiteral(VORMINA_CLI_PATH), args);
    CliRun run;
    if (!cli.waitForFinished(30000)) return run;
    run.exitCode = cli.exitCode();
    run.json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    run.errors = QString::fromUtf8(cli.readAllStandardError());
    return run;
  }
  static std::vector<int> Pitches(const QJsonObject& json) {
    std::vector<int> out;
    for (const QJsonValue& n : json["notes"].toArray()) out.push_back(n["pitch"].toInt());
    return out;
  }
  static QStringList Chords(const QJsonObject& json) {
    QStringList out;
    for (const QJsonValue& n : json["notes"].toArray()) out << n["chord"].toString();
    return out;
  }

  QTemporaryDir dir;
};

}  // namespace

TEST_F(Cli, ItemsListsNamesWithoutTheLeadingBlank) {
  QString many;
  for (int i = 0; i < 23; ++i) many += QStringLiteral("スケール%1,WW\n").arg(i);
  Write("scale.txt", many);
  const CliRun run = Call({"items", "--category", "0"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.json["count"].toInt(), 20);
  EXPECT_EQ(run.json["items"].toArray().first().toString(), "スケール0");
  const CliRun missing = Call({"items", "--category", "1"});
  EXPECT_EQ(missing.exitCode, 0);
  EXPECT_EQ(missing.json["count"].toInt(), 0);
}

TEST_F(Cli, RealisesAScaleWithItsPaddedLabel) {
  Write("scale.txt", "Dorian,WHWWWHW\nOdd, x3\n");
  const CliRun run = Call({"realise", "--category", "0", "--item", "0", "--key", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  EXPECT_EQ(run.json["root"].toInt(), 2);
  EXPECT_EQ(run.json["count"].toInt(), 8);
  EXPECT_EQ(Pitches(run.json), (std::vector<int>{2, 4, 5, 7, 9, 11, 12, 14}));
  EXPECT_EQ(Chords(run.json).first(), "D Dorian  ");
  EXPECT_EQ(run.json["notes"].toArray()[0].toObject()["degree"].toString(), "     ");
  EXPECT_EQ(run.json["notes"].toArray()[0].toObject()["group"].toInt(), 1);

  // A blank after the comma and an unknown character repeat the step before them.
  const CliRun odd = Call({"realise", "--category", "0", "--item", "1", "--key", "0"});
  EXPECT_EQ(Pitches(odd.json), (std::vector<int>{0, 0, 0, 3}));
}

TEST_F(Cli, RealisesAPhraseAndThenTransposesIt) {
  Write("ric.txt", "$two five\n*Dm7\n2D4\n2F4\n*G7\n2B4\n3D4\n");
  const CliRun first = Call({"realise", "--category", "3", "--item", "0", "--key", "0"});
  ASSERT_EQ(first.exitCode, 0) << first.errors.toStdString();
  EXPECT_EQ(first.json["root"].toInt(), 7);
  EXPECT_EQ(Pitches(first.json), (std::vector<int>{14, 17, 23, 26}));
  const CliRun moved =
      Call({"realise", "--category", "3", "--item", "0", "--key", "0", "--then-key", "2"});
  EXPECT_EQ(moved.json["root"].toInt(), 2);
  EXPECT_EQ(Pitches(moved.json), (std::vector<int>{9, 12, 18, 21}));
  EXPECT_EQ(Chords(moved.json)[0], "Am7       ");
  EXPECT_EQ(Chords(moved.json)[2], "D7        ");
}

TEST_F(Cli, ThenKeyRealisesOtherCategoriesAfresh) {
  Write("ptn.txt", "arp,1357\n");
  const CliRun run =
      Call({"realise", "--category", "2", "--item", "0", "--key", "0", "--then-key", "5"});
  EXPECT_EQ(run.json["root"].toInt(), 5);
  EXPECT_EQ(Chords(run.json)[0], "Gm7       ");
  EXPECT_EQ(Pitches(run.json)[0], 7);
}

TEST_F(Cli, PhraseErrorsAndLoadErrors) {
  QString full = "$full\n";
  for (int i = 0; i < 101; ++i) full += "C4\n";
  Write("AUX1.txt", full);
  const CliRun refused = Call({"realise", "--category", "4", "--item", "0", "--key", "3"});
  EXPECT_EQ(refused.exitCode, 0);
  EXPECT_EQ(refused.json["error"].toString(), "ファイルの内容が変です。修正してください");
  EXPECT_EQ(refused.json["root"].toInt(), 3);
  EXPECT_EQ(refused.json["count"].toInt(), 0);
  EXPECT_TRUE(refused.json["notes"].toArray().isEmpty());

  Write("AUX2.txt", "C4\n$late\n");
  const CliRun broken = Call({"realise", "--category", "5", "--item", "0", "--key", "0"});
  EXPECT_NE(broken.exitCode, 0);
  EXPECT_FALSE(broken.errors.isEmpty());
}

TEST_F(Cli, ThreeHundredAndTwoPhrasesKeepTheFirst301) {
  QString book;
  for (int i = 0; i < 302; ++i) book += QStringLiteral("$p%1\n*C7\n3C7\n").arg(i);
  Write("ric.txt", book);
  EXPECT_EQ(Call({"items", "--category", "3"}).json["count"].toInt(), 301);
  const CliRun last = Call({"realise", "--category", "3", "--item", "300", "--key", "0"});
  EXPECT_EQ(last.exitCode, 0);
  EXPECT_EQ(last.json["count"].toInt(), 1);
  EXPECT_NE(Call({"realise", "--category", "3", "--item", "301", "--key", "0"}).exitCode, 0);
}

TEST_F(Cli, BadArgumentsGetTheUsage) {
  Write("scale.txt", "a,W\n");
  const QStringList bad[] = {
      {"realise", "--category", "0", "--item", "0"},
      {"realise", "--category", "6", "--item", "0", "--key", "0"},
      {"realise", "--category", "0", "--item", "0", "--key", "12"},
      {"realise", "--category", "0", "--item", "x", "--key", "0"},
      {"realise", "--category", "0", "--item", "3", "--key", "0"},
      {"realise", "--category", "0", "--item", "0", "--key", "0", "--loud", "1"},
      {"items"},
      {"sing"},
  };
  for (const QStringList& args : bad) {
    const CliRun run = Call(args);
    EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.errors.contains("usage")) << args.join(' ').toStdString();
  }
}
