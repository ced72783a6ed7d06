#include "material/file_Treat.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using file_Treat::MaterialLists;

namespace {

class MaterialFiles : public ::testing::Test {
 protected:
  // Writes text as Shift-JIS (CP932) with CR LF line ends unless told otherwise.
  void Write(const QString& name, const QString& text, bool crlf = true) {
    QString body = text;
    if (crlf) body.replace("\n", "\r\n");
    QStringEncoder encode("windows-31j");
    WriteBytes(name, encode(body));
  }
  void WriteBytes(const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  std::int16_t LoadPhrases(const QString& base) {
    error.clear();
    return file_Treat::LoadPhraseFile(lists, dir.path(), base, &error);
  }
  const QString& Line(int phrase, int line) { return (*lists.PhraseLine)[phrase][line]; }

  QTemporaryDir dir;
  MaterialLists lists;
  QString error;
};

}  // namespace

TEST_F(MaterialFiles, ListFileSyntax) {
  Write("scale.txt",
        "# 見出し\n"
        "\n"
        "   # indented comment\n"
        "ドリアン (Dorian),WHWWWHW\n"
        "  Spaced , WW  \n"
        "Three,343,ignored\n"
        "\t#tab,1\n");
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, dir.path()), 4);
  EXPECT_EQ(lists.ScaleName[0], "ドリアン (Dorian)");
  EXPECT_EQ(lists.ScaleSteps[0], "WHWWWHW");
  EXPECT_EQ(lists.ScaleName[1], "Spaced ");  // fields are not trimmed
  EXPECT_EQ(lists.ScaleSteps[1], " WW");
  EXPECT_EQ(lists.ScaleSteps[2], "343");
  EXPECT_EQ(lists.ScaleName[3], "\t#tab");  // a tab before "#" makes no comment
}

TEST_F(MaterialFiles, ListFilesStopAtTwentyAndFailSilently) {
  QString many;
  for (int i = 0; i < 25; ++i) many += QStringLiteral("chord%1,343\n").arg(i);
  Write("code.txt", many);
  EXPECT_EQ(file_Treat::LoadChordFile(lists, dir.path()), 20);
  EXPECT_EQ(lists.ChordSuffix[19], "chord19");
  EXPECT_EQ(lists.ChordSuffix[20], "");

  Write("ptn.txt", "one,1357\nno comma here\nthree,135\n");
  EXPECT_EQ(file_Treat::LoadPatternFile(lists, dir.path()), 0);
  EXPECT_EQ(lists.PatternName[0], "one");  // stored before the failure
  Write("ptn.txt", "# only comments\n\n   \n");
  EXPECT_EQ(file_Treat::LoadPatternFile(lists, dir.path()), 0);
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, dir.filePath("nowhere")), 0);
}

TEST_F(MaterialFiles, EncodingsAndLineEnds) {
  WriteBytes("scale.txt", QByteArray("\xEF\xBB\xBF") + QString("ブルース,3WHH3W\nB,1\n").toUtf8());
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, dir.path()), 2);
  EXPECT_EQ(lists.ScaleName[0], "ブルース");
  Write("code.txt", "ⅡⅤ用,343\rLF only,434", false);
  EXPECT_EQ(file_Treat::LoadChordFile(lists, dir.path()), 2);
  EXPECT_EQ(lists.ChordSuffix[0], "ⅡⅤ用");
  EXPECT_EQ(lists.ChordSteps[1], "434");
  WriteBytes("ptn.txt", QByteArray("a,1\0\0,9\n", 9));
  EXPECT_EQ(file_Treat::LoadPatternFile(lists, dir.path()), 1);
  EXPECT_EQ(lists.PatternDegrees[0], "1  ");  // the NULs became spaces inside the line
}

TEST_F(MaterialFiles, PhraseBookSyntax) {
  Write("ric.txt",
        "' comment\n"
        "$Ⅱ-Ⅴ-Ⅰ in C\n"
        "*Dm7\n"
        "  3D4  \n"
        "#not a comment\n"
        "$\n"
        "$ second\n"
        "C5\n");
  EXPECT_EQ(LoadPhrases("ric"), 3);
  EXPECT_TRUE(error.isEmpty());
  EXPECT_EQ(lists.PhraseName[0], "Ⅱ-Ⅴ-Ⅰ in C");
  EXPECT_EQ(Line(0, 0), "*Dm7");
  EXPECT_EQ(Line(0, 1), "3D4");
  EXPECT_EQ(Line(0, 2), "#not a comment");
  EXPECT_EQ(Line(0, 3), "");
  EXPECT_EQ(lists.PhraseName[1], "");
  EXPECT_EQ(Line(1, 0), "");  // two "$" lines in a row: a phrase without a body
  EXPECT_EQ(lists.PhraseName[2], " second");
}

TEST_F(MaterialFiles, PhraseBookLimitsAndNames) {
  QString book;
  for (int i = 0; i < 302; ++i) book += QStringLiteral("$p%1\nC4\n").arg(i);
  Write("AUX1.txt", book);
  EXPECT_EQ(LoadPhrases("aux1"), 301);  // the file name matches without regard to case
  EXPECT_EQ(lists.PhraseName[300], "p300");

  QString body = "$long\n";
  for (int i = 0; i < 101; ++i) body += "C4\n";
  Write("aux2.txt", body);
  EXPECT_EQ(LoadPhrases("aux2"), 1);  // 101 lines fit (the realisation then refuses them)
  Write("aux2.txt", body + "C4\n");
  EXPECT_EQ(LoadPhrases("aux2"), 0);
  EXPECT_TRUE(error.contains("101")) << error.toStdString();
  EXPECT_EQ(Line(0, 0), "C4");  // the table was cleared, then filled up to the failure
}

TEST_F(MaterialFiles, PhraseBookErrorsAreDescribed) {
  Write("ric.txt", "C4\n$late\n");
  EXPECT_EQ(LoadPhrases("ric"), 0);
  EXPECT_TRUE(error.contains("$")) << error.toStdString();
  EXPECT_EQ(LoadPhrases("aux2"), 0);
  EXPECT_TRUE(error.contains("aux2.txt")) << error.toStdString();
}

TEST_F(MaterialFiles, ALoadReplacesTheWholePhraseTable) {
  Write("ric.txt", "$a\nC4\nD4\nE4\n$b\nF4\n");
  Write("AUX1.txt", "$x\nG4\n");
  EXPECT_EQ(LoadPhrases("ric"), 2);
  EXPECT_EQ(LoadPhrases("aux1"), 1);
  EXPECT_EQ(lists.PhraseName[0], "x");
  EXPECT_EQ(Line(0, 0), "G4");
  EXPECT_EQ(Line(0, 1), "");
  EXPECT_EQ(Line(1, 0), "");
}
