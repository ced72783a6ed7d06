// "help.pdf" beside the program: it exists after a build, opens, and its pages show the
// manual with Japanese text and pictures.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString kHelp = QStringLiteral(VORMINA_HELP_PDF);

// Runs a poppler tool; its standard output.
QString RunTool(const char* tool, const QStringList& arguments) {
  const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
  EXPECT_FALSE(path.isEmpty()) << tool << " is missing (Debian package poppler-utils)";
  if (path.isEmpty()) return {};
  QProcess process;
  process.start(path, arguments);
  EXPECT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(HelpDocument, OpensAndHasPages) {
  ASSERT_TRUE(QFileInfo::exists(kHelp));
  const QString info = RunTool("pdfinfo", {kHelp});
  const QRegularExpressionMatch pages =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
  ASSERT_TRUE(pages.hasMatch()) << info.toStdString();
  EXPECT_GE(pages.captured(1).toInt(), 5);
}

TEST(HelpDocument, DescribesEveryControlMenuAndFile) {
  const QString text = RunTool("pdftotext", {kHelp, QStringLiteral("-")});
  // Words may be broken across lines in the extracted text; compare without line breaks.
  const QString flat = QString(text).remove(QLatin1Char('\n'));
  const char* terms[] = {
      // Main window.
      "学習別", "種類", "調子", "Ｖ７あしらい", "テンポ", "スイング", "半音＋進行", "半音－進行",
      "４度進行", "そのまま", "メトロノーム", "補足設定", "繰り返す", "徐々に早くする", "％UP",
      "音出し", "CAL Bb", "CAL A", "五線位置調整", "リセット", "終了", "弾くときは実音",
      "エントリー表示",
      // Menus.
      "スケール設定ファイル編集", "設定ファイル編集", "スコア表示", "ダイヤグラム表示", "鍵盤表示",
      "音設定", "色設定", "五線の位置調整", "マエストロフォントを使う", "ショートカット説明",
      "バージョン情報",
      // Shortcuts.
      "Space",
      // Dialogs.
      "楽器番号", "テスト", "スイングレベル", "ピッチ調整", "音程基準値", "音域を制限する", "高音",
      "低音", "円の色", "多角形の色", "ルートの色", "ANS", "ひく音", "キーボードエントリー",
      "キーボードヒット", "クリック音", "カウントイン", "伴奏", "旋律",
      // Material files and their syntax.
      "scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt", "WWHWWWH", "$", "*Dm7",
      "cfg.inf"};
  for (const char* term : terms) {
    EXPECT_TRUE(flat.contains(QString::fromUtf8(term))) << term;
  }
}

TEST(HelpDocument, PagesShowTextAndPictures) {
  QTemporaryDir dir;
  // The first page (named page.png whatever the number of pages) holds the title, text and
  // the picture of the main window.
  RunTool("pdftoppm",
          {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"), QStringLiteral("-f"),
           QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
           QStringLiteral("-singlefile"), kHelp, dir.filePath(QStringLiteral("page"))});
  QImage page(dir.filePath(QStringLiteral("page.png")));
  ASSERT_FALSE(page.isNull());
  int dark = 0, coloured = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      if (c.lightness() < 100) ++dark;
      if (c.saturation() > 80 && c.value() > 80) ++coloured;
    }
  }
  const int pixels = page.width() * page.height();
  EXPECT_GT(dark, pixels / 200);      // text
  EXPECT_GT(coloured, pixels / 200);  // the screenshot's circle and keyboard colours
}

}  // namespace
