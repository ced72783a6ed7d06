#include "material/file_Treat.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>

#include "core/language.h"

using file_Treat::MaterialLists;

namespace {

// The language of the run for one test; Japanese again after it, as every other test expects.
class Speaking {
 public:
  explicit Speaking(language::Language language) { language::SetCurrent(language); }
  ~Speaking() { language::SetCurrent(language::Language::Japanese); }
  Speaking(const Speaking&) = delete;
  Speaking& operator=(const Speaking&) = delete;
};

// A character of Japanese text: kana, kanji, full-width forms, and the Roman-numeral signs
// ("Ⅱ") that Japanese text writes for degrees.
bool IsJapanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) ||
         (u >= 0xFF00 && u <= 0xFFEF) || (u >= 0x2160 && u <= 0x217F);
}

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

TEST_F(MaterialFiles, ListFilesStopAtSixtyAndFailSilently) {
  QString many;
  for (int i = 0; i < 65; ++i) many += QStringLiteral("chord%1,343\n").arg(i);
  Write("code.txt", many);
  EXPECT_EQ(file_Treat::LoadChordFile(lists, dir.path()), 60);
  EXPECT_EQ(lists.ChordSuffix[59], "chord59");
  EXPECT_EQ(lists.ChordSuffix[60], "");

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
  EXPECT_TRUE(error.contains("AUX2.txt")) << error.toStdString();
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

// Files saved by Linux editors (UTF-8 without a byte-order mark) are read as UTF-8; the
// shipped Shift-JIS files and plain ASCII files are read as before.
TEST_F(MaterialFiles, Utf8WithoutAByteOrderMarkIsRecognised) {
  using file_Treat::TextEncoding;
  QStringEncoder shiftJis("windows-31j");
  const QString japanese = QStringLiteral("ドリアン,WHWWWHW\nリディアン,WWWHWWH\n");
  struct Case {
    const char* what;
    QByteArray bytes;
    TextEncoding encoding;
    QString lineEnd;
  };
  const Case cases[] = {
      {"UTF-8 with LF", japanese.toUtf8(), TextEncoding::kUtf8, "\n"},
      {"UTF-8 with CR LF", QString(japanese).replace("\n", "\r\n").toUtf8(), TextEncoding::kUtf8,
       "\r\n"},
      {"UTF-8 after a BOM", QByteArray("\xEF\xBB\xBF") + japanese.toUtf8(),
       TextEncoding::kUtf8WithBom, "\n"},
      {"Shift-JIS with CR LF", shiftJis(QString(japanese).replace("\n", "\r\n")),
       TextEncoding::kShiftJis, "\r\n"},
      {"ASCII", QByteArray("Dorian,WHWWWHW\rLydian,WWWHWWH\r"), TextEncoding::kShiftJis, "\r"},
  };
  for (const Case& c : cases) {
    const file_Treat::MaterialText text = file_Treat::DecodeMaterialText(c.bytes);
    EXPECT_EQ(text.encoding, c.encoding) << c.what;
    EXPECT_EQ(text.lineEnd, c.lineEnd) << c.what;
    ASSERT_EQ(text.lines.size(), 2) << c.what;
    EXPECT_TRUE(text.lines[0] == "ドリアン,WHWWWHW" || text.lines[0] == "Dorian,WHWWWHW") << c.what;
    // Written back in its own encoding and line ends, the file is byte for byte the same.
    EXPECT_EQ(
        file_Treat::EncodeMaterialText(text.lines.join(u'\n') + u'\n', text.encoding, text.lineEnd),
        c.bytes)
        << c.what;
  }
  WriteBytes("scale.txt", japanese.toUtf8());
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, dir.path()), 2);
  EXPECT_EQ(lists.ScaleName[1], "リディアン");
}

// A byte that is no character does not turn a file into another encoding: UTF-8 with a
// stray byte (here one byte in a name, and a Latin-1 "é" in a comment) stays UTF-8, its
// lines named in the load's message; Shift-JIS with a broken pair stays Shift-JIS. Either way
// the lines as read are written back byte for byte.
TEST_F(MaterialFiles, AStrayByteIsShownWhereItIsAndKept) {
  using file_Treat::TextEncoding;
  QStringEncoder shiftJis("windows-31j");
  struct Case {
    const char* what;
    QByteArray bytes;
    TextEncoding encoding;
    std::vector<int> damaged;
  };
  const Case cases[] = {
      {"UTF-8 with one stray byte",
       QStringLiteral("ドリアン,WHWWWHW\n").toUtf8() + "Lydian\xFF,WWWHWWH\n" +
           QStringLiteral("ロクリアン,HWWHWWW\n# caf").toUtf8() + "\xE9\n",
       TextEncoding::kUtf8,
       {2, 4}},
      {"Shift-JIS with a broken pair",
       shiftJis(QStringLiteral("ドリアン,WHWWWHW\r\n")) + "Lydian,WWWHWWH\x81\x20\r\n" +
           shiftJis(QStringLiteral("ロクリアン,HWWHWWW\r\n")),
       TextEncoding::kShiftJis,
       {2}},
  };
  for (const Case& c : cases) {
    const file_Treat::MaterialText text = file_Treat::DecodeMaterialText(c.bytes);
    EXPECT_EQ(text.encoding, c.encoding) << c.what;
    ASSERT_GE(text.lines.size(), 3) << c.what;
    EXPECT_EQ(text.lines[0], QStringLiteral("ドリアン,WHWWWHW")) << c.what;
    EXPECT_EQ(text.lines[2], QStringLiteral("ロクリアン,HWWHWWW")) << c.what;
    EXPECT_EQ(text.damagedLines, c.damaged) << c.what;
    EXPECT_EQ(file_Treat::EncodeMaterialText(text.lines.join(u'\n') + u'\n', text.encoding,
                                             text.lineEnd, text.keptBytes),
              c.bytes)
        << c.what;
  }
  WriteBytes("scale.txt", cases[0].bytes);
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, dir.path(), &error), 3);
  EXPECT_EQ(lists.ScaleName[2], QStringLiteral("ロクリアン"));
  EXPECT_TRUE(error.contains(QStringLiteral("scale.txt の 2、4 行目"))) << error.toStdString();
}

// A list line that lost its comma still ends the list, but the message names the file and
// the line, so an edit does not empty a category silently.
TEST_F(MaterialFiles, ALineWithoutACommaIsNamed) {
  Write("code.txt", "# chords\nm7,343\nM7 434\n7,433\n");
  EXPECT_EQ(file_Treat::LoadCategory(lists, dir.path(), 1, &error), 0);
  EXPECT_TRUE(error.contains("code.txt")) << error.toStdString();
  EXPECT_TRUE(error.contains("3 行目")) << error.toStdString();
  EXPECT_TRUE(error.contains("M7 434")) << error.toStdString();
  error.clear();
  Write("code.txt", "m7,343\n");
  EXPECT_EQ(file_Treat::LoadCategory(lists, dir.path(), 1, &error), 1);
  EXPECT_TRUE(error.isEmpty());
}

// With both "AUX1.txt" and "aux1.txt" in the folder, the list and the editor use one file:
// the name the program gives it.
TEST_F(MaterialFiles, TheLoaderAndTheEditorUseTheSameFile) {
  Write("aux1.txt", "$lower\nC4\nD4\n");
  EXPECT_EQ(file_Treat::CategoryFile(dir.path(), 4), dir.filePath("aux1.txt"));
  EXPECT_EQ(LoadPhrases("aux1"), 1);
  EXPECT_EQ(lists.PhraseName[0], "lower");
  Write("AUX1.txt", "$upper\nC4\nD4\n");
  EXPECT_EQ(file_Treat::CategoryFile(dir.path(), 4), dir.filePath("AUX1.txt"));
  EXPECT_EQ(LoadPhrases("aux1"), 1);
  EXPECT_EQ(lists.PhraseName[0], "upper");
  // Only other spellings: the first in name order, for both.
  QFile::remove(dir.filePath("AUX1.txt"));
  QFile::remove(dir.filePath("aux1.txt"));
  Write("Aux2.TXT", "$b\nC4\nD4\n");
  Write("aux2.txt", "$a\nC4\nD4\n");
  EXPECT_EQ(file_Treat::CategoryFile(dir.path(), 5), dir.filePath("Aux2.TXT"));
  EXPECT_EQ(LoadPhrases("aux2"), 1);
  EXPECT_EQ(lists.PhraseName[0], "b");
  EXPECT_EQ(file_Treat::CategoryFile(dir.path(), 6), QString());
}

// In English the items of a material file are shown by the titles of the file beside it
// ("scale.en.txt" beside "scale.txt"), matched by name whatever the order; an item without a
// title, every item in Japanese, and the chord symbols keep their names. A title line that
// is no title (no tab, an empty side, a comment, a second line for a name) is passed over.
TEST_F(MaterialFiles, EnglishTitlesStandInForTheNamesTheyMatch) {
  using language::Language;
  struct Case {
    const char* what;
    Language language;
    int category;
    const char* materialFile;
    QString material;
    const char* titleFile;  // nullptr: no title file
    QString titles;
    QStringList expected;
  };
  const QString scales = QStringLiteral("ドリアン,WHWWWHW\nリディアン,WWWHWWH\nMine,WW\n");
  const QString scaleTitles = QStringLiteral("リディアン\tLydian\nドリアン\tDorian\n");
  const Case cases[] = {
      {"English, in another order",
       Language::English,
       0,
       "scale.txt",
       scales,
       "scale.en.txt",
       scaleTitles,
       {"Dorian", "Lydian", "Mine"}},
      {"Japanese",
       Language::Japanese,
       0,
       "scale.txt",
       scales,
       "scale.en.txt",
       scaleTitles,
       {"ドリアン", "リディアン", "Mine"}},
      {"no title file",
       Language::English,
       0,
       "scale.txt",
       scales,
       nullptr,
       {},
       {"ドリアン", "リディアン", "Mine"}},
      {"lines that are no title",
       Language::English,
       2,
       "ptn.txt",
       QStringLiteral("a,1\nb,1\nc,1\n d ,1\ne,1\n"),
       "ptn.en.txt",
       QStringLiteral("# comment\ta\n\na no tab\n\tEmpty name\nb\t \nb\t\nc\tSee\n"
                      "c\tSecond\n  d  \t  Dee  \r\ne\n"),
       {"a", "b", "See", "Dee", "e"}},
      {"a phrase book, its file named in other letters",
       Language::English,
       4,
       "AUX1.txt",
       QStringLiteral("$Ⅱ-Ⅴ (Bb)\nC4\n$#x\nD4\n$2nd\nE4\n"),
       "aux1.en.txt",
       QStringLiteral("2nd\tSecond\n#x\tHash\nⅡ-Ⅴ (Bb)\tII-V (B♭)\n"),
       {"II-V (B♭)", "#x", "Second"}},
      {"chord symbols",
       Language::English,
       1,
       "code.txt",
       QStringLiteral("m7,343\n"),
       "code.en.txt",
       QStringLiteral("m7\tminor seventh\n"),
       {"m7"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Speaking speaking(c.language);
    QTemporaryDir folder;
    const auto write = [&](const char* name, const QByteArray& bytes) {
      QFile f(folder.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(bytes);
    };
    QStringEncoder shiftJis("windows-31j");
    write(c.materialFile, shiftJis(c.material));
    if (c.titleFile) write(c.titleFile, c.titles.toUtf8());
    QString loadError;
    const int count = file_Treat::LoadCategory(lists, folder.path(), c.category, &loadError);
    EXPECT_TRUE(loadError.isEmpty()) << loadError.toStdString();
    QStringList names;
    for (int i = 0; i < count; ++i) names << file_Treat::ItemName(lists, c.category, i).trimmed();
    EXPECT_EQ(names, c.expected);
  }
}

// Every item of the shipped scales, patterns and phrase books has an English title with no
// Japanese left in it, one title for one item across the files (the practice log tells
// items apart by what they are called), a phrase's key in its parentheses as the name has
// it; the chords are their symbols in either language.
TEST(ShippedMaterial, EveryItemHasAnEnglishTitle) {
  const QString data = QStringLiteral(VORMINA_SOURCE_DIR "/data");
  MaterialLists lists;
  QSet<QString> seen;
  for (int category = 0; category < 6; ++category) {
    SCOPED_TRACE(category);
    QStringList names, titles;
    for (const language::Language l : {language::Language::Japanese, language::Language::English}) {
      const Speaking speaking(l);
      QString loadError;
      const int count = file_Treat::LoadCategory(lists, data, category, &loadError);
      ASSERT_GT(count, 0) << loadError.toStdString();
      QStringList& out = l == language::Language::English ? titles : names;
      for (int i = 0; i < count; ++i) out << file_Treat::ItemName(lists, category, i).trimmed();
    }
    ASSERT_EQ(titles.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
      const std::string name = names[i].toStdString();
      if (category == 1) {
        EXPECT_EQ(titles[i], names[i]) << name;
        continue;
      }
      EXPECT_NE(titles[i], names[i]) << name << ": no title";
      EXPECT_FALSE(std::any_of(titles[i].begin(), titles[i].end(), IsJapanese))
          << name << ": " << titles[i].toStdString();
      EXPECT_FALSE(seen.contains(titles[i])) << titles[i].toStdString() << " twice";
      seen.insert(titles[i]);
      if (category >= 3) {
        QString key = names[i].mid(names[i].lastIndexOf('('));
        if (key.size() > 2 && key[2] == u'b') key[2] = QChar(0x266D);
        if (key.size() > 2 && key[2] == u'#') key[2] = QChar(0x266F);
        EXPECT_TRUE(titles[i].endsWith(key)) << name << ": " << titles[i].toStdString();
      }
    }
  }
}
