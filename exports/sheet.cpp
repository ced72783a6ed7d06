#include "exports/sheet.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "core/atomic_file.h"
#include "draw/paint.h"
#include "draw/surface.h"
#include "theory/MusicMethod_Treat.h"
#include "views/score/score.h"
#include "views/score/staff.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static bool RegisterPictures() {
  Q_INIT_RESOURCE(resources);
  return true;
}

namespace sheet {
namespace {

// The staff is laid out in window units (twips) as on the screen, over a window this wide;
// the picture of one staff is drawn at this resolution, so its fonts keep their size to
// the staff (a point is 20 units at any resolution).
constexpr float kWindowWidth = 16000;
constexpr float kWindowHeight = 15800;
constexpr double kDotsPerInch = 288;
constexpr double kUnitsPerPixel = 1440.0 / kDotsPerInch;
// The part of the window one staff takes: from below its lowest ledger lines to above its
// chord names, in line spacings from the bottom line.
constexpr float kBelow = 4.0f;
constexpr float kAbove = 10.5f;

// One key's staff, with the clef, drawn as vector shapes and text into the rectangle of the
// page that starts at topLeft, as wide as width and no taller than height. The program's own
// score renderer draws it, as on the screen; its picture of the staff is only the
// renderer's scratch.
void DrawStaff(QPainter& page, const QPointF& topLeft, double width, double height,
               const exports::Export& e, const exports::KeyPart& part) {
  Scor_treat::StaffLayout staff;
  Scor_treat::LayoutStaff(staff, kWindowWidth, kWindowHeight, kWindowWidth * 0.98f / 0.97f, 0);
  Scor_treat::BuildPitchTables(staff, part.key);
  const float s = staff.LineSpacing;
  const float top = staff.StaffBottomY + kAbove * s;
  const float bottom = staff.StaffBottomY - kBelow * s;
  draw::Surface surface(static_cast<int>(kWindowWidth / kUnitsPerPixel),
                        static_cast<int>((top - bottom) / kUnitsPerPixel));
  surface.SetDotsPerInch(kDotsPerInch);
  surface.Scale(0, top, kWindowWidth, bottom);
  // The whole staff at the page's width, or smaller to keep within its slot.
  const double scale = std::min(width / surface.PixelWidth(), height / surface.PixelHeight());
  surface.MirrorTo(
      &page, QRectF(topLeft, QSizeF(surface.PixelWidth() * scale, surface.PixelHeight() * scale)));
  draw::Paint paint;
  Scor_treat::ScoreState state;
  settings::CfgRecord cfg;
  cfg.Category = static_cast<std::int16_t>(e.category);
  cfg.Root = static_cast<std::int16_t>(part.key);
  cfg.ShowScore = 1;
  cfg.UseMaestroFont = 0;
  Phrase phrase = part.phrase;
  bool clef = false;
  Scor_treat::ScoreContext ctx{state,
                               staff,
                               surface,
                               paint,
                               cfg,
                               phrase,
                               [&clef](bool shown) { clef = shown; },
                               [](const QString&) {},
                               &part.spelled};
  Scor_treat::DrawScore(ctx);
  if (clef) {
    const QPointF at = topLeft + surface.ToPixelF(staff.ClefLeft, staff.ClefTop) * scale;
    page.setRenderHint(QPainter::SmoothPixmapTransform);
    page.drawImage(QRectF(at.x(), at.y(), staff.ClefWidth / kUnitsPerPixel * scale,
                          staff.ClefHeight / kUnitsPerPixel * scale),
                   TrebleClef());
  }
}

QImage InkOf(const QImage& picture);

QString Heading(const exports::Export& e) {
  QString heading = QCoreApplication::translate("sheet", "12キー練習シート　") + e.title;
  const QString instrument = exports::InstrumentName(e.instrument);
  if (!instrument.isEmpty())
    heading += QCoreApplication::translate("sheet", "　（%1用）").arg(instrument);
  return heading;
}

}  // namespace

QImage TrebleClef() {
  // Made once: every staff of a sheet draws the same picture, which the PDF then holds once.
  static const QImage clef = [] {
    // The pictures are compiled into a static library: register them before the first use.
    RegisterPictures();
    return InkOf(QImage(QStringLiteral(":/pictures/treble_clef.png")));
  }();
  return clef;
}

namespace {

QImage InkOf(const QImage& picture) {
  // The stored picture is grey ink on white. The clef sits on the staff, whose lines are
  // drawn under it: the white becomes transparent and the grey the ink's coverage.
  const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
  QImage ink(grey.size(), QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    const uchar* in = grey.constScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(ink.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) out[x] = qRgba(0, 0, 0, 255 - in[x]);
  }
  return ink;
}

}  // namespace

QByteArray Pdf(const exports::Export& e, QString* error) {
  if (e.keys.empty()) {
    if (error) *error = QStringLiteral("nothing to write");
    return {};
  }
  draw::InstallFontSubstitutions();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setTitle(Heading(e));
  pdf.setCreator(QStringLiteral("VORMINA"));
  pdf.setResolution(300);
  pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
  QPainter p;
  if (!p.begin(&pdf)) {
    if (error) *error = QStringLiteral("the PDF cannot be started");
    return {};
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QRectF page = QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()));
  const double mm = pdf.resolution() / 25.4;
  QFont title(QStringLiteral("IPAGothic"));
  title.setPointSizeF(14);
  title.setBold(true);
  QFont key(QStringLiteral("IPAGothic"));
  key.setPointSizeF(11);
  key.setBold(true);
  QFont small(QStringLiteral("IPAGothic"));
  small.setPointSizeF(8);
  const double headingHeight = 16 * mm;
  const double slot = (page.height() - headingHeight) / kStavesPerPage;
  const int pages = (static_cast<int>(e.keys.size()) + kStavesPerPage - 1) / kStavesPerPage;
  for (std::size_t k = 0; k < e.keys.size(); ++k) {
    const int onPage = static_cast<int>(k) % kStavesPerPage;
    if (onPage == 0) {
      if (k > 0) pdf.newPage();
      p.setFont(title);
      p.drawText(QRectF(0, 0, page.width(), 8 * mm), Qt::AlignLeft | Qt::AlignVCenter, Heading(e));
      p.setFont(small);
      p.drawText(QRectF(0, 8 * mm, page.width(), 5 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                 QCoreApplication::translate("sheet", "テンポ %1　　%2 / %3 ページ　　VORMINA")
                     .arg(e.tempo)
                     .arg(static_cast<int>(k) / kStavesPerPage + 1)
                     .arg(pages));
    }
    const exports::KeyPart& part = e.keys[k];
    const double y = headingHeight + onPage * slot;
    QString name = QCoreApplication::translate("sheet", "%1. キー %2")
                       .arg(k + 1)
                       .arg(exports::KeyTitle(part.key, part.minor));
    if (e.instrument != exports::Instrument::kConcert) {
      name += QCoreApplication::translate("sheet", "（実音 %1）")
                  .arg(exports::KeyTitle(part.concertKey, part.minor));
    }
    p.setFont(key);
    p.drawText(QRectF(0, y, page.width(), 7 * mm), Qt::AlignLeft | Qt::AlignVCenter, name);
    DrawStaff(p, QPointF(0, y + 7 * mm), page.width(), slot - 8 * mm, e, part);
  }
  if (!p.end()) {
    if (error) *error = QStringLiteral("the PDF cannot be finished");
    return {};
  }
  return bytes;
}

}  // namespace sheet

namespace exports {

QString Suffix(Format format) {
  switch (format) {
    case Format::kMidi:
      return QStringLiteral(".mid");
    case Format::kMusicXml:
      return QStringLiteral(".musicxml");
    default:
      return QStringLiteral(".pdf");
  }
}

bool Save(Format format, const Export& e, const QString& path, QString* error) {
  QString why;
  const QByteArray bytes = format == Format::kMidi       ? MidiFile(e)
                           : format == Format::kMusicXml ? MusicXml(e)
                                                         : sheet::Pdf(e, &why);
  if (bytes.isEmpty()) {
    if (error) *error = why;
    return false;
  }
  return atomic_file::Write(path, bytes, error);
}

}  // namespace exports
