// Turns a user manual (Markdown with pictures) into a PDF with Qt's own PDF writer: the
// Japanese manual into "help.pdf", the English one into "help.en.pdf".
//
//   vormina-help-pdf MANUAL.md OUT.pdf
//
// Pictures are referred to relative to the manual's folder and scaled down to the text
// width; text is set in the IPA fonts, which hold both the Japanese and the Latin letters.
// The document's title is the manual's own first heading, so each manual carries the title
// in its own language.
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Widest picture on the page, in the document's pixels (96 per inch): A4 less 2 cm margins.
constexpr double kMaxPictureWidth = 600;

const QString kBodyFont = QStringLiteral("IPAPGothic");
const QString kFixedFont = QStringLiteral("IPAGothic");

struct Change {
  int position;
  int length;
  QTextCharFormat format;
};

// Scales pictures to the text width and sets fixed-pitch text in a Japanese fixed font.
// Changes are collected first, as the fragments move while the document is edited.
bool FitPicturesAndFixedText(QTextDocument& doc, const QString& baseDir) {
  std::vector<Change> changes;
  bool ok = true;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      QTextCharFormat format = fragment.charFormat();
      if (format.isImageFormat()) {
        QTextImageFormat image = format.toImageFormat();
        const QString path =
            QFileInfo(baseDir + QLatin1Char('/') + image.name()).absoluteFilePath();
        const QImage picture(path);
        if (picture.isNull()) {
          std::fprintf(stderr, "vormina-help-pdf: picture not found: %s\n", qPrintable(path));
          ok = false;
          continue;
        }
        const double width = std::min<double>(picture.width(), kMaxPictureWidth);
        image.setName(QUrl::fromLocalFile(path).toString());
        doc.addResource(QTextDocument::ImageResource, QUrl(image.name()), picture);
        image.setWidth(width);
        image.setHeight(width * picture.height() / picture.width());
        changes.push_back({fragment.position(), fragment.length(), image});
      } else if (format.fontFixedPitch() ||
                 format.fontFamilies().toStringList().contains(
                     QFontDatabase::systemFont(QFontDatabase::FixedFont).family())) {
        format.setFontFamilies({kFixedFont});
        changes.push_back({fragment.position(), fragment.length(), format});
      }
    }
  }
  for (const Change& change : changes) {
    QTextCursor cursor(&doc);
    cursor.setPosition(change.position);
    cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
    cursor.setCharFormat(change.format);
  }
  return ok;
}

// Gives every table a little room around its cell texts and thin borders.
void LoosenTables(QTextDocument& doc) {
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
      QTextTableFormat format = table->format();
      format.setCellPadding(4);
      format.setCellSpacing(0);
      format.setBorder(1);
      format.setBorderBrush(QColor(0x80, 0x80, 0x80));
      format.setBorderCollapse(true);
      table->setFormat(format);
    }
  }
}

// The text of the first top-level heading, or the program's name when there is none.
QString TitleOf(const QTextDocument& doc) {
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() == 1) return block.text().trimmed();
  }
  return QStringLiteral("VORMINA");
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: vormina-help-pdf MANUAL.md OUT.pdf\n");
    return 2;
  }
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QString target = QString::fromLocal8Bit(argv[2]);
  QFile file(source);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "vormina-help-pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  QTextDocument doc;
  doc.setDefaultFont(QFont(kBodyFont, 10));
  doc.setMarkdown(QString::fromUtf8(file.readAll()));
  if (!FitPicturesAndFixedText(doc, QFileInfo(source).absolutePath())) return 1;
  LoosenTables(doc);

  {
    QPdfWriter writer(target);
    writer.setTitle(TitleOf(doc));
    writer.setCreator(QStringLiteral("VORMINA"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    doc.print(&writer);
  }  // the file is complete once the writer is gone
  if (!QFileInfo(target).size()) {
    std::fprintf(stderr, "vormina-help-pdf: nothing written to %s\n", argv[2]);
    return 1;
  }
  return 0;
}
