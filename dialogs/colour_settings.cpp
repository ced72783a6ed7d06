#include "dialogs/colour_settings.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "app/screen.h"
#include "draw/surface.h"

namespace {

const char* const kLabels[7] = {QT_TRANSLATE_NOOP("frmColset", "円の色"),
                                QT_TRANSLATE_NOOP("frmColset", "多角形の色"),
                                QT_TRANSLATE_NOOP("frmColset", "ルートの色"),
                                QT_TRANSLATE_NOOP("frmColset", "ANS"),
                                QT_TRANSLATE_NOOP("frmColset", "ひく音"),
                                QT_TRANSLATE_NOOP("frmColset", "キーボードエントリー"),
                                QT_TRANSLATE_NOOP("frmColset", "キーボードヒット")};

}  // namespace

frmColset::frmColset(settings::CfgRecord& cfg, const QString& settingsPath,
                     settings::Reporter report, QWidget* parent)
    : QDialog(parent), cfg_(cfg), settingsPath_(settingsPath), report_(std::move(report)) {
  setWindowTitle(tr("カラー設定"));
  setModal(false);
  resize(380, 360);
  for (int i = 0; i < 7; ++i) {
    auto* label = new QLabel(QCoreApplication::translate("frmColset", kLabels[i]), this);
    label->setGeometry(20, 20 + i * 40, 200, 28);
    Picture1[i] = new QLabel(this);
    Picture1[i]->setGeometry(230, 18 + i * 40, 120, 30);
    Picture1[i]->setFrameShape(QFrame::Panel);
    Picture1[i]->setFrameShadow(QFrame::Sunken);
    Picture1[i]->setAutoFillBackground(true);
    Picture1[i]->setCursor(Qt::PointingHandCursor);
    Picture1[i]->installEventFilter(this);
  }
  Command2 = new QPushButton(tr("O K"), this);
  Command2->setGeometry(40, 306, 130, 36);
  Command1 = new QPushButton(tr("キャンセル"), this);
  Command1->setGeometry(210, 306, 130, 36);
  connect(Command2, &QPushButton::clicked, this, [this] {
    Store();
    close();
  });
  connect(Command1, &QPushButton::clicked, this, &QWidget::close);
  pickColour = [this](const QColor& start) {
    const QColor chosen = QColorDialog::getColor(start, this, windowTitle());
    return chosen.isValid() ? chosen : start;
  };

  kihon::CentreWindow(*this);
  const auto fields = Fields();
  for (int i = 0; i < 7; ++i) SetSwatch(i, *fields[i]);
}

std::array<std::int32_t*, 7> frmColset::Fields() {
  return {&cfg_.ColorCircle, &cfg_.ColorPolygon,  &cfg_.ColorRoot,  &cfg_.ColorAns,
          &cfg_.ColorPlayed, &cfg_.ColorKeyEntry, &cfg_.ColorKeyHit};
}

void frmColset::SetSwatch(int i, std::int32_t colour) {
  swatches_[i] = colour;
  QPalette palette = Picture1[i]->palette();
  palette.setColor(QPalette::Window, QColor(draw::ToQRgb(static_cast<draw::Colour>(colour))));
  Picture1[i]->setPalette(palette);
}

std::int32_t frmColset::SwatchColour(int i) const {
  return swatches_.at(i);
}

void frmColset::PickSwatch(int i) {
  const QColor start(draw::ToQRgb(static_cast<draw::Colour>(swatches_.at(i))));
  const QColor chosen = pickColour ? pickColour(start) : start;
  // An unchanged colour keeps its stored value exactly.
  if (chosen.rgb() == start.rgb()) return;
  SetSwatch(i, static_cast<std::int32_t>(draw::FromQRgb(chosen.rgb())));
}

void frmColset::Store() {
  const auto fields = Fields();
  for (int i = 0; i < 7; ++i) *fields[i] = swatches_[i];
  settings::SaveSettings(cfg_, settingsPath_, report_);
}

bool frmColset::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (int i = 0; i < 7; ++i) {
      if (watched == Picture1[i]) {
        PickSwatch(i);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}
