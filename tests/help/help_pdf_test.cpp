// The manuals beside the program, "help.pdf" in Japanese and "help.en.pdf" in English: each
// exists after a build, opens with its own title, names every control, menu and file in its
// language (the English one by the English the program shows, from its compiled-in
// translation), and its first pages show text and pictures.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <vector>

namespace {

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

// Texts the program shows, as its source writes them in Japanese, and the translation
// context they belong to.
struct Labels {
  const char* context;
  bool messages;  // messages, which the manual quotes
  std::vector<const char*> japanese;
};

struct Manual {
  const char* name;  // for the test's name
  const char* path;
  const char* title;               // the manual's first heading
  std::vector<const char*> terms;  // found as written
  // Found by the English the program shows, with the Japanese in brackets after it (a
  // message in quotes before its Japanese): "Play once (音出し", "\"Quit VORMINA?\" (終了し…".
  std::vector<Labels> englishLabels;
};

void PrintTo(const Manual& manual, std::ostream* os) {
  *os << manual.name;
}

const Manual kManuals[] = {
    {"Japanese",
     VORMINA_HELP_PDF,
     "ＶＯＲＭＩＮＡ　ユーザーマニュアル",
     {// Main window.
      "学習別", "種類", "調子", "Ｖ７あしらい", "テンポ", "スイング", "半音＋進行", "半音－進行",
      "４度進行", "そのまま", "メトロノーム", "補足設定", "繰り返す", "徐々に早くする", "％UP",
      "音出し", "CAL Bb", "CAL A", "五線位置調整", "リセット", "終了", "弾くときは実音",
      "エントリー表示",
      // Menus.
      "スケール設定ファイル編集", "設定ファイル編集", "スコア表示", "ダイヤグラム表示", "鍵盤表示",
      "音設定", "色設定", "五線の位置調整", "マエストロフォントを使う", "ショートカット説明",
      "バージョン情報", "言語", "システムの言語に合わせる",
      // Shortcuts.
      "Space",
      // Dialogs.
      "楽器番号", "テスト", "スイングレベル", "ピッチ調整", "音程基準値", "音域を制限する", "高音",
      "低音", "円の色", "多角形の色", "ルートの色", "ANS", "ひく音", "キーボードエントリー",
      "キーボードヒット", "クリック音", "カウントイン", "伴奏", "旋律",
      // Material files and their syntax, the English manual and titles.
      "scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt", "WWHWWWH", "$", "*Dm7",
      "cfg.inf", "help.en.pdf", "scale.en.txt"},
     {}},
    {"English",
     VORMINA_HELP_EN_PDF,
     "VORMINA User Manual",
     {// Labels the translation does not hold.
      "Semitone + / Semitone −", "CAL Bb", "CAL A", "Space", "日本語", "English",
      // The material files and their syntax, kept as written; the manuals and the titles.
      "scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt", "アイオニアン,WWHWWWH",
      "[オクターブ][音名][# または b][長さ][T または .][=]", "$8分音符のアルペジオ (C)", "*Dm7",
      "cfg.inf", "help.en.pdf", "help.pdf", "scale.en.txt", "semiquaver", "crotchet"},
     {{"frmMain",
       false,
       {// Main window: studies, lists, frames, buttons and tick boxes.
        "学習別", " スケール", " コード", " ⅡⅤⅠﾊﾟﾀｰﾝ", " ⅡⅤⅠｸﾘｼｪ", " その他-1", " その他-2", "種類",
        "調子", " メジャー", " マイナー", "Ｖ７あしらい", " ミクソ", " コンデミ", " オルタード",
        " ホールトーン", "テンポ", "スイング", "連続", "半音＋進行", "半音－進行", "４度進行",
        "そのまま", "メトロノーム", "補足設定", "繰り返す", "徐々に早くする", "％UP", "音出し",
        "五線位置調整", "リセット", "終了", "弾くときは実音", "エントリー表示",
        // Menus and the windows they open.
        "ファイル(&F)", "MIDIファイル書き出し…", "MusicXML書き出し…", "12キー練習シート(PDF)…",
        "編集(&E)", "スケール設定ファイル編集", "コード設定ファイル編集",
        "ⅡⅤパターン設定ファイル編集", "ⅡⅤリック設定ファイル編集", "その他1ファイル編集",
        "その他2ファイル編集", "設定ファイル編集", "表示(&V)", "スコア表示", "ダイヤグラム表示",
        "鍵盤表示", "練習記録…", "設定(&S)", "音設定", "色設定", "五線の位置調整",
        "マエストロフォントを使う", "聴き取り採点", "演奏と一緒に弾く", "演奏の後に答えて弾く",
        "オクターブ違いも正解にする", "早い・遅いとするずれ…", "言語", "システムの言語に合わせる",
        "ヘルプ(&H)", "ヘルプ", "ショートカット説明", "バージョン情報", "12キーの採点",
        // What becomes of an export.
        "ファイルを開く", "フォルダーを開く", "閉じる"}},
      {"ExportDialog",
       false,
       {// The export window.
        "キー", "進行", "半音ずつ上へ", "半音ずつ下へ", "4度ずつ上へ", "楽器", "実音（C）",
        "演奏どおりスウィングさせる", "保存先を選ぶ…"}},
      {"MaterialEditor",
       false,
       {// The material editor.
        "保存"}},
      {"settei",
       false,
       {// Sound settings: the parts, the swing, the pitch and the tempo.
        "メロディ", "ベース", "クリック", "楽器番号", "音　　量", "テスト", "スイングレベル",
        "軽め", "標準", "重め", "ピッチ調整", "音程基準値：C=", "テンポ(  /分)", "キャンセル",
        // The range, the output and the input.
        "ルート、スケール変更時に音出しする", "音域を制限する", "高音", "低音", "出力", "出力先",
        "SoundFont選択…", "標準に戻す", "入力", "入力の遅れ補正", "入力の遅れを測る"}},
      {"MainSet",
       false,
       {// Playback options.
        "クリック音", "カウントイン", "伴奏", "旋律", "戻る"}},
      {"frmColset",
       false,
       {// Colour settings.
        "円の色", "多角形の色", "ルートの色", "ANS", "ひく音", "キーボードエントリー",
        "キーボードヒット", "O K"}},
      // Messages.
      {"main", true, {"ＶＯＲＭＩＮＡは既に起動しています。"}},
      {"frmMain", true, {"\u3000\u3000終了してよろしいですか？\u3000\u3000"}},
      {"midi1", true, {"MIDIデバイスオープンに失敗しました"}},
      {"phrase", true, {"ファイルの内容が変です。修正してください"}},
      {"settings", true, {"予期しないエラー発生"}}}},
};

class HelpDocument : public testing::TestWithParam<Manual> {};

TEST_P(HelpDocument, OpensWithItsTitleAndHasPages) {
  const QString pdf = QString::fromUtf8(GetParam().path);
  ASSERT_TRUE(QFileInfo::exists(pdf)) << GetParam().path;
  const QString info = RunTool("pdfinfo", {pdf});
  const QRegularExpressionMatch pages =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
  ASSERT_TRUE(pages.hasMatch()) << info.toStdString();
  EXPECT_GE(pages.captured(1).toInt(), 5);
  const QRegularExpressionMatch title =
      QRegularExpression(QStringLiteral("Title:\\s+([^\\n]*)")).match(info);
  ASSERT_TRUE(title.hasMatch()) << info.toStdString();
  EXPECT_EQ(title.captured(1).trimmed().toStdString(), GetParam().title);
}

TEST_P(HelpDocument, DescribesEveryControlMenuAndFile) {
  // The text in the order it is drawn, so that a table cell's lines stay together rather than
  // interleave with the cell beside it.
  const QString text =
      RunTool("pdftotext",
              {QStringLiteral("-raw"), QString::fromUtf8(GetParam().path), QStringLiteral("-")});
  // Words may be broken across lines in the extracted text; compare without line breaks, and
  // with the space a break between words leaves behind (full-width blanks too, as in "音　　量").
  const QRegularExpression blanks(QStringLiteral("\\s+"),
                                  QRegularExpression::UseUnicodePropertiesOption);
  const QString flat = QString(text).remove(blanks);
  for (const char* term : GetParam().terms) {
    const QString wanted = QString::fromUtf8(term).remove(blanks);
    EXPECT_TRUE(flat.contains(wanted)) << term;
  }
  if (GetParam().englishLabels.empty()) return;
  // The English the program shows, from the translation built into it.
  QTranslator english;
  ASSERT_TRUE(english.load(QStringLiteral("vormina_en"), QStringLiteral(":/i18n")));
  for (const Labels& labels : GetParam().englishLabels) {
    for (const char* source : labels.japanese) {
      QString shown = english.translate(labels.context, source);
      ASSERT_FALSE(shown.isEmpty()) << labels.context << ": " << source << " is not translated";
      // A menu's mnemonic ("ファイル(&F)", "&File") and a list entry's leading blank are not
      // written in the manual.
      shown = shown.remove(QLatin1Char('&')).trimmed();
      if (labels.messages) shown = QLatin1Char('"') + shown + QLatin1Char('"');
      const QString japanese =
          QString::fromUtf8(source).remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
      const QString wanted = shown + QStringLiteral(" (") + japanese.trimmed();
      EXPECT_TRUE(flat.contains(QString(wanted).remove(blanks))) << wanted.toStdString();
    }
  }
}

TEST_P(HelpDocument, FirstPagesShowTextAndPictures) {
  QTemporaryDir dir;
  // The first two pages hold the title, the first chapter's text and the picture of the main
  // window.
  int dark = 0, coloured = 0, pixels = 0;
  for (int number = 1; number <= 2; ++number) {
    const QString name = QStringLiteral("page%1").arg(number);
    RunTool("pdftoppm", {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
                         QStringLiteral("-f"), QString::number(number), QStringLiteral("-l"),
                         QString::number(number), QStringLiteral("-singlefile"),
                         QString::fromUtf8(GetParam().path), dir.filePath(name)});
    QImage page(dir.filePath(name + QStringLiteral(".png")));
    ASSERT_FALSE(page.isNull()) << number;
    for (int y = 0; y < page.height(); ++y) {
      for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, y);
        if (c.lightness() < 100) ++dark;
        if (c.saturation() > 80 && c.value() > 80) ++coloured;
      }
    }
    pixels += page.width() * page.height();
  }
  EXPECT_GT(dark, pixels / 200);      // text
  EXPECT_GT(coloured, pixels / 400);  // the screenshot's circle and keyboard colours
}

INSTANTIATE_TEST_SUITE_P(Manuals, HelpDocument, testing::ValuesIn(kManuals),
                         [](const testing::TestParamInfo<Manual>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
