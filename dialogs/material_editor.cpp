#include "dialogs/material_editor.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/screen.h"
#include "core/atomic_file.h"
#include "theory/material_check.h"

namespace {

const QString kProgramName = QStringLiteral("ＶＯＲＭＩＮＡ");

// The margin that shows the line numbers of its editor.
class NumberArea : public QWidget {
 public:
  explicit NumberArea(NumberedTextEdit* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return QSize(editor_->NumberWidth(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintNumbers(event); }

 private:
  NumberedTextEdit* editor_;
};

QString EncodingName(file_Treat::TextEncoding encoding) {
  switch (encoding) {
    case file_Treat::TextEncoding::kUtf8:
      return QStringLiteral("UTF-8");
    case file_Treat::TextEncoding::kUtf8WithBom:
      return QCoreApplication::translate("MaterialEditor", "UTF-8 (BOM付き)");
    case file_Treat::TextEncoding::kShiftJis:
      break;
  }
  return QStringLiteral("Shift-JIS");
}

QString LineEndName(const QString& lineEnd) {
  if (lineEnd == QStringLiteral("\r\n")) return QStringLiteral("CR LF");
  if (lineEnd == QStringLiteral("\r")) return QStringLiteral("CR");
  return QStringLiteral("LF");
}

}  // namespace

NumberedTextEdit::NumberedTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  numbers_ = new NumberArea(this);
  const auto widen = [this] { setViewportMargins(NumberWidth(), 0, 0, 0); };
  connect(this, &QPlainTextEdit::blockCountChanged, this, widen);
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      numbers_->scroll(0, dy);
    } else {
      numbers_->update(0, rect.y(), numbers_->width(), rect.height());
    }
  });
  widen();
}

int NumberedTextEdit::NumberWidth() const {
  const int digits = QString::number(std::max(1, blockCount())).size();
  return 10 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(3, digits);
}

void NumberedTextEdit::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect inside = contentsRect();
  numbers_->setGeometry(QRect(inside.left(), inside.top(), NumberWidth(), inside.height()));
}

void NumberedTextEdit::PaintNumbers(QPaintEvent* event) {
  QPainter painter(numbers_);
  painter.fillRect(event->rect(), QColor(236, 236, 236));
  painter.setPen(QColor(110, 110, 110));
  QTextBlock block = firstVisibleBlock();
  int top = static_cast<int>(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = static_cast<int>(blockBoundingRect(block).height());
    if (block.isVisible()) {
      painter.drawText(0, top, numbers_->width() - 5, fontMetrics().height(), Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    }
    block = block.next();
    top += height;
  }
}

void NumberedTextEdit::GoToLine(int line) {
  const QTextBlock block = document()->findBlockByNumber(std::max(0, line - 1));
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  centerCursor();
  setFocus();
}

MaterialEditor::MaterialEditor(int category, const QString& path, std::function<void(int)> saved,
                               QWidget* parent)
    : QDialog(parent), category_(category), path_(path), saved_(std::move(saved)) {
  setWindowTitle(tr("%1 - 設定ファイル編集").arg(QFileInfo(path).fileName()));
  setModal(false);
  Text = new NumberedTextEdit(this);
  // A monospaced font with Japanese letters, so that columns of notes line up.
  QFont mono(QStringLiteral("ＭＳ ゴシック"), 11);
  mono.setStyleHint(QFont::Monospace);
  mono.setFixedPitch(true);
  Text->setFont(mono);
  Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  Format = new QLabel(this);
  SaveButton = new QPushButton(tr("保存"), this);
  CloseButton = new QPushButton(tr("閉じる"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Format, 1);
  buttons->addWidget(SaveButton);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text, 1);
  layout->addLayout(buttons);
  connect(SaveButton, &QPushButton::clicked, this, [this] { Save(); });
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
  auto* saveKey = new QShortcut(QKeySequence::Save, this);
  connect(saveKey, &QShortcut::activated, this, [this] { Save(); });

  ask = [this](const QString& question) {
    return QMessageBox::question(this, kProgramName, question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  askToSave = [this](const QString& question) {
    const auto answer = QMessageBox::question(
        this, kProgramName, question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    return answer == QMessageBox::Save ? 1 : answer == QMessageBox::Discard ? 0 : -1;
  };
  report = [this](const QString& message) { QMessageBox::warning(this, kProgramName, message); };
  Load();
  const QSize screenPixels = screen::ScreenSizeTwips() / screen::kTwipsPerPixel;
  resize(std::min(900, screenPixels.width() - 40), std::min(700, screenPixels.height() - 80));
}

void MaterialEditor::Load() {
  file_Treat::MaterialText text;
  const file_Treat::ReadStatus status = file_Treat::ReadMaterialFile(path_, text);
  if (status == file_Treat::ReadStatus::kRead) {
    encoding_ = text.encoding;
    lineEnd_ = text.lineEnd;
    // A file that ends with a line end gets one again on saving; one that does not, not.
    finalNewline_ = text.endsWithLineEnd;
    keptBytes_ = text.keptBytes;
    damage_ = file_Treat::DamageWarning(text, QFileInfo(path_).fileName());
    Text->setPlainText(text.lines.join(u'\n'));
  } else if (status != file_Treat::ReadStatus::kMissing) {
    // Something that is not a material file to edit: shown, never written over.
    Text->setPlainText(file_Treat::ReadProblem(status, QDir::toNativeSeparators(path_)));
    Text->setReadOnly(true);
    SaveButton->setEnabled(false);
    readable_ = false;
  }
  // A file that is not there yet is written the way the shipped files are.
  Text->document()->setModified(false);
  Format->setText(FormatText());
}

QString MaterialEditor::FormatText() const {
  const QString format =
      tr("%1　（%2・%3）")
          .arg(QDir::toNativeSeparators(path_), EncodingName(encoding_), LineEndName(lineEnd_));
  // Lines with bytes that are no character are said; unless edited they are saved unchanged.
  return damage_.isEmpty() ? format
                           : tr("%1\n%2その行は、書き換えなければ元のバイトのまま保存します。")
                                 .arg(format, damage_);
}

bool MaterialEditor::Save() {
  if (!readable_) return false;
  const QString text = Text->toPlainText();
  const QStringList lines = text.split(u'\n');
  if (const auto problem = material_check::FirstProblem(category_, lines)) {
    if (problem->line > 0) Text->GoToLine(problem->line);
    if (!ask(tr("%1\n\nこのまま保存しますか？").arg(problem->message))) return false;
  }
  // What the file's encoding cannot hold is never changed into something else on the disk:
  // the user saves as UTF-8 instead, or goes back to the text.
  if (const QString lost = file_Treat::Unwritable(text, encoding_, keptBytes_); !lost.isEmpty()) {
    if (!ask(tr("%1 は %2 では保存できない文字です。\n\nUTF-8 で保存しますか？"
                "（「いいえ」で保存せずに戻ります）")
                 .arg(lost, EncodingName(encoding_)))) {
      return false;
    }
    encoding_ = file_Treat::TextEncoding::kUtf8;
    // Bytes kept from the Shift-JIS file have no place in a UTF-8 one.
    keptBytes_.clear();
    Format->setText(FormatText());
  }
  const QByteArray bytes = file_Treat::EncodeMaterialText(
      text + (finalNewline_ && !text.isEmpty() ? QStringLiteral("\n") : QString()), encoding_,
      lineEnd_, keptBytes_);
  QString why;
  if (!atomic_file::Write(path_, bytes, &why)) {
    report(tr("%1\n編集中の内容はこの画面に残っています。").arg(why));
    return false;
  }
  Text->document()->setModified(false);
  if (saved_) saved_(category_);
  return true;
}

void MaterialEditor::closeEvent(QCloseEvent* event) {
  if (Text->document()->isModified()) {
    const int answer =
        askToSave(tr("%1 は変更されています。保存しますか？").arg(QFileInfo(path_).fileName()));
    if (answer < 0 || (answer > 0 && !Save())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

void MaterialEditor::reject() {
  // Escape closes the window as the close box does, asking about unsaved changes.
  close();
}
