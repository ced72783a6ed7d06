// The material editor: the file in its own encoding, problems pointed out before saving,
// saves that keep the encoding and line ends and refill the item list.
#include "dialogs/material_editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>

#include "tests/app/main_window_fixture.h"

namespace {

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// A pattern list one item longer than the list shows.
QString TooLong() {
  QString text;
  for (int i = 1; i <= 61; ++i) text += QStringLiteral("p%1,135\n").arg(i);
  return text;
}

class Editing : public MainWindow {
 protected:
  MaterialEditor& Open(int category) {
    MaterialEditor* editor = window->EditMaterial(category);
    EXPECT_NE(editor, nullptr);
    editor->ask = [this](const QString& q) {
      editorQuestions << q;
      return keepAnyway;
    };
    editor->askToSave = [this](const QString& q) {
      editorQuestions << q;
      return saveOnClose;
    };
    editor->report = [this](const QString& m) { editorMessages << m; };
    return *editor;
  }
  // Closes the window; it is deleted at once, as the event loop would soon do.
  static void Close(MaterialEditor& editor) {
    editor.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QStringList editorQuestions, editorMessages;
  bool keepAnyway = false;
  int saveOnClose = -1;
};

}  // namespace

// Every kind of file comes back byte for byte when saved unchanged, and an edit is written
// in the file's own encoding and line ends.
TEST_F(Editing, SavesInTheFilesOwnEncodingAndLineEnds) {
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  QStringEncoder shiftJis("windows-31j");
  const QString text = QStringLiteral("# スケール\nアイオニアン,WWHWWWH\nドリアン,WHWWWHW\n");
  const Case cases[] = {
      {"Shift-JIS, CR LF", shiftJis(QString(text).replace("\n", "\r\n"))},
      {"UTF-8, LF", text.toUtf8()},
      {"UTF-8 with BOM, CR LF", "\xEF\xBB\xBF" + QString(text).replace("\n", "\r\n").toUtf8()},
      {"no line end at the end", text.chopped(1).toUtf8()},
  };
  frmMain& w = Start();
  for (const Case& c : cases) {
    WriteBytes(dir.filePath("scale.txt"), c.bytes);
    MaterialEditor& editor = Open(0);
    EXPECT_TRUE(editor.Text->toPlainText().startsWith(QStringLiteral("# スケール\nアイオニアン")))
        << c.what << ": " << editor.Text->toPlainText().left(40).toStdString();
    ASSERT_TRUE(editor.Save()) << c.what;
    EXPECT_EQ(ReadBytes(dir.filePath("scale.txt")), c.bytes) << c.what;
    // An added scale is written the same way and appears in the item list at once.
    editor.Text->appendPlainText(QStringLiteral("リディアン,WWWHWWH"));
    ASSERT_TRUE(editor.Save()) << c.what;
    const QByteArray saved = ReadBytes(dir.filePath("scale.txt"));
    EXPECT_EQ(file_Treat::DecodeMaterialText(saved).encoding,
              file_Treat::DecodeMaterialText(c.bytes).encoding)
        << c.what;
    EXPECT_EQ(saved.contains("\r\n"), c.bytes.contains("\r\n")) << c.what;
    EXPECT_EQ(w.ui.Combo1->count(), 3) << c.what;
    EXPECT_EQ(w.ui.Combo1->itemText(2), QStringLiteral(" リディアン")) << c.what;
    EXPECT_TRUE(editorQuestions.isEmpty()) << c.what;
    Close(editor);
  }
}

// The editor never writes what it cannot write back: a line with bytes that are no
// character goes back byte for byte; a character the file's encoding cannot hold is named,
// and the file is left alone unless the user saves it as UTF-8 instead.
TEST_F(Editing, WhatTheEncodingCannotHoldIsNeverChanged) {
  QStringEncoder shiftJis("windows-31j");
  const QByteArray bytes = shiftJis(QStringLiteral("# スケール\r\n")) + "# \x81\x20\r\n" +
                           shiftJis(QStringLiteral("アイオニアン,WWHWWWH\r\n"));
  Start();
  WriteBytes(dir.filePath("scale.txt"), bytes);
  MaterialEditor& editor = Open(0);
  editor.Text->appendPlainText(QStringLiteral("ドリアン,WHWWWHW"));
  ASSERT_TRUE(editor.Save());
  const QByteArray saved = ReadBytes(dir.filePath("scale.txt"));
  EXPECT_TRUE(saved.startsWith(bytes)) << saved.toHex().toStdString();
  EXPECT_TRUE(editorQuestions.isEmpty());

  editor.Text->appendPlainText(QStringLiteral("リディアン😀,WWWHWWH"));
  keepAnyway = false;
  EXPECT_FALSE(editor.Save());
  ASSERT_EQ(editorQuestions.size(), 1);
  EXPECT_TRUE(editorQuestions[0].contains(QStringLiteral("「😀」（5 行目）")))
      << editorQuestions[0].toStdString();
  EXPECT_TRUE(editorQuestions[0].contains(QStringLiteral("UTF-8 で保存しますか")));
  EXPECT_EQ(ReadBytes(dir.filePath("scale.txt")), saved);
  keepAnyway = true;
  ASSERT_TRUE(editor.Save());
  const QByteArray utf8 = ReadBytes(dir.filePath("scale.txt"));
  EXPECT_EQ(file_Treat::DecodeMaterialText(utf8).encoding, file_Treat::TextEncoding::kUtf8);
  EXPECT_TRUE(utf8.contains(QStringLiteral("リディアン😀,WWWHWWH\r\n").toUtf8()));
  EXPECT_TRUE(editor.FormatText().contains(QStringLiteral("UTF-8")));
  Close(editor);
}

// Before saving, the text is read as the program reads it; the first problem is shown with
// its line, and the file is only written when the user keeps the text anyway.
TEST_F(Editing, TheFirstProblemIsShownWithItsLine) {
  struct Case {
    int category;
    const char* file;
    QString text;
    int line;
    const char* says;
  };
  const Case cases[] = {
      {1, "code.txt", "m7,343\nM7 434\n7,433\n", 2, "コンマ"},
      {3, "ric.txt", "$ok\n*Dm7\n2D4\n2F4\n$broken\n*G7\n2B99999\n2D4\n", 5,
       "ファイルの内容が変です"},
      {4, "AUX1.txt", "C4\n$late\nC4\nD4\n", 1, "$"},
      {5, "AUX2.txt", "$one note\n*C7\nC5\n", 1, "２つ"},
      // What the loader reads differently from what is written.
      {0, "scale.txt", "# steps\nアイオニアン,WWHWWWH\nドリアン,WHWXWHW\n", 3, "前のステップ"},
      {3, "ric.txt", "$ok\n*Dm7\n3D4\n3DQ\n3F4\n", 4, "長さ"},
      {4, "AUX1.txt", "$ok\n*C7\n3C4\n3E4x\n", 4, "「x」は読まれず"},
      {2, "ptn.txt", TooLong(), 61, "60 項目まで"},
  };
  frmMain& w = Start();
  for (const Case& c : cases) {
    const QByteArray before = ReadBytes(dir.filePath(c.file));
    MaterialEditor& editor = Open(c.category);
    editor.Text->setPlainText(c.text);
    editorQuestions.clear();
    keepAnyway = false;
    EXPECT_FALSE(editor.Save()) << c.file;
    ASSERT_EQ(editorQuestions.size(), 1) << c.file;
    EXPECT_TRUE(editorQuestions[0].contains(QString::fromLatin1(c.file))) << c.file;
    EXPECT_TRUE(editorQuestions[0].contains(QStringLiteral("%1 行目").arg(c.line)))
        << editorQuestions[0].toStdString();
    EXPECT_TRUE(editorQuestions[0].contains(QString::fromUtf8(c.says)))
        << editorQuestions[0].toStdString();
    EXPECT_EQ(editor.Text->textCursor().blockNumber() + 1, c.line) << c.file;
    EXPECT_EQ(ReadBytes(dir.filePath(c.file)), before) << c.file;  // nothing written
    keepAnyway = true;
    EXPECT_TRUE(editor.Save()) << c.file;
    EXPECT_NE(ReadBytes(dir.filePath(c.file)), before) << c.file;
    saveOnClose = 0;
    Close(editor);
  }
  (void)w;
}

// Closing with unsaved changes asks; "キャンセル" keeps the window and the text, "破棄"
// closes without writing. A save that cannot be written says so and keeps the old file.
TEST_F(Editing, NothingIsLostOnClosingOrOnAFailedSave) {
  Start();
  const QByteArray before = ReadBytes(dir.filePath("ptn.txt"));
  MaterialEditor& editor = Open(2);
  editor.show();
  editor.Text->appendPlainText(QStringLiteral("新しい,1234"));
  saveOnClose = -1;
  editor.close();
  EXPECT_EQ(editorQuestions.size(), 1);
  EXPECT_TRUE(editor.isVisible());
  saveOnClose = 0;
  editor.close();
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(ReadBytes(dir.filePath("ptn.txt")), before);

  MaterialEditor lost(2, dir.filePath("no/such/folder/ptn.txt"), nullptr);
  lost.report = [this](const QString& m) { editorMessages << m; };
  lost.Text->insertPlainText(QStringLiteral("a,1\n"));
  EXPECT_FALSE(lost.Save());
  ASSERT_EQ(editorMessages.size(), 1);
  EXPECT_TRUE(editorMessages[0].contains(QStringLiteral("ptn.txt")));
  EXPECT_TRUE(lost.Text->document()->isModified());
  lost.askToSave = [](const QString&) { return 0; };
}

// A FIFO or a huge file in the place of a material file is shown as such at once and is
// never written over.
TEST_F(Editing, WhatCannotBeReadIsNotOpenedForEditing) {
  Start();
  QFile::remove(dir.filePath("ptn.txt"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("ptn.txt")).constData(), 0600), 0);
  {
    QFile huge(dir.filePath("code.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(huge.resize(file_Treat::kMaxMaterialBytes + 10));
  }
  for (int category : {2, 1}) {
    MaterialEditor& editor = Open(category);
    EXPECT_FALSE(editor.SaveButton->isEnabled()) << category;
    EXPECT_TRUE(editor.Text->isReadOnly()) << category;
    EXPECT_FALSE(editor.Save()) << category;
    Close(editor);
  }
  EXPECT_EQ(QFileInfo(dir.filePath("code.txt")).size(), file_Treat::kMaxMaterialBytes + 10);
}
