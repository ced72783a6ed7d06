// The material editor: a window of the program in which the user edits one of the six
// material files. It shows the file in its own encoding, with line numbers in a
// monospaced font; before saving it reads the text as the program will and points out the
// first problem; it saves in the file's own encoding and line ends through the atomic
// writer, and then lets the main window refill its item list.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <functional>

#include "material/file_Treat.h"

class QLabel;
class QPushButton;

// A plain text editor with the line numbers in a margin on its left.
class NumberedTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit NumberedTextEdit(QWidget* parent = nullptr);
  int NumberWidth() const;
  void PaintNumbers(QPaintEvent* event);
  // Puts the cursor at the start of a 1-based line and shows it.
  void GoToLine(int line);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* numbers_ = nullptr;
};

class MaterialEditor : public QDialog {
  Q_OBJECT
 public:
  // category 0..5, the file found for it in the program's folder; saved(category) runs
  // after every successful save. ask answers yes/no questions (a message box in the
  // program), report shows a message.
  MaterialEditor(int category, const QString& path, std::function<void(int)> saved,
                 QWidget* parent = nullptr);

  // Checks the text and, unless the user keeps it unsaved after a problem, writes it.
  // Returns whether the file was written.
  bool Save();
  // The caption of the encoding and line ends, as the window shows them.
  QString FormatText() const;

  int category() const { return category_; }
  const QString& path() const { return path_; }

  NumberedTextEdit* Text = nullptr;
  QLabel* Format = nullptr;
  QPushButton* SaveButton = nullptr;
  QPushButton* CloseButton = nullptr;

  // "Yes" answers: the program shows a message box; tests answer themselves. The second
  // form offers to save, discard or go back ("保存", "破棄", "キャンセル"): 1, 0 or -1.
  std::function<bool(const QString&)> ask;
  std::function<int(const QString&)> askToSave;
  std::function<void(const QString&)> report;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Load();

  int category_;
  QString path_;
  std::function<void(int)> saved_;
  file_Treat::TextEncoding encoding_ = file_Treat::TextEncoding::kShiftJis;
  QString lineEnd_ = QStringLiteral("\r\n");
  bool finalNewline_ = true;
  QHash<QString, QByteArray> keptBytes_;  // lines read with bytes written back unchanged
  QString damage_;                        // the lines with bytes that are no character
  bool readable_ = true;  // false for a path that is not a material file that can be read
};
