#include "dialogs/small_windows.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/screen.h"

MainSet::MainSet(settings::CfgRecord& cfg, QWidget* parent) : QDialog(parent), cfg_(cfg) {
  setWindowTitle(tr("補足設定"));
  setModal(false);
  resize(260, 230);
  const struct {
    QCheckBox** box;
    const char* caption;
    std::int16_t settings::CfgRecord::*field;
  } switches[] = {
      {&Check7, QT_TRANSLATE_NOOP("MainSet", "クリック音"), &settings::CfgRecord::ClickOn},
      {&Check8, QT_TRANSLATE_NOOP("MainSet", "カウントイン"), &settings::CfgRecord::CountInOn},
      {&Check9, QT_TRANSLATE_NOOP("MainSet", "伴奏"), &settings::CfgRecord::AccompOn},
      {&Check10, QT_TRANSLATE_NOOP("MainSet", "旋律"), &settings::CfgRecord::MelodyOn}};
  int y = 16;
  for (const auto& s : switches) {
    auto* box = new QCheckBox(QCoreApplication::translate("MainSet", s.caption), this);
    box->setGeometry(30, y, 200, 26);
    y += 36;
    *s.box = box;
    box->setChecked(cfg_.*(s.field) != 0);
    // Stored at once: playback reads the switches when it needs them.
    const auto field = s.field;
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) { cfg_.*field = on ? 1 : 0; });
  }
  Command1 = new QPushButton(tr("戻る"), this);
  Command1->setGeometry(60, 170, 140, 36);
  Timer1 = new QTimer(this);
  Timer1->setInterval(500);
  connect(Timer1, &QTimer::timeout, this, [this] { raise(); });
  connect(Command1, &QPushButton::clicked, this, [this] {
    Timer1->stop();
    QCoreApplication::processEvents();
    close();
  });
  kihon::CentreWindow(*this);
  Timer1->start();
}

QString sample::ShortcutText() {
  // The rule reads the same in every language; the Space line is English in Japanese too, but
  // begins with the ideographic space the Japanese lines begin with.
  static const char* const kLines[] = {"  ---------------------------",
                                       QT_TRANSLATE_NOOP("sample", "　[Space]:  Play or Stop"),
                                       QT_TRANSLATE_NOOP("sample", "　[ P,p ]:  半音上へシフト"),
                                       QT_TRANSLATE_NOOP("sample", "　[ Q,q ]:  半音下へシフト"),
                                       QT_TRANSLATE_NOOP("sample", "　[ F,f ]:  ４度上へシフト"),
                                       QT_TRANSLATE_NOOP("sample", "　[ U,u ]:　テンポＵＰ"),
                                       QT_TRANSLATE_NOOP("sample", "　[ D,d ]:　テンポＤＯＷＮ"),
                                       QT_TRANSLATE_NOOP("sample", "　[ M,m ]:　メトロノーム"),
                                       QT_TRANSLATE_NOOP("sample", "　[ S,s ]:  音出")};
  QString text = tr("  ショートカットの説明　");
  for (const char* line : kLines) {
    text += QStringLiteral("\r\n\r\n") + QCoreApplication::translate("sample", line);
  }
  return text;
}

sample::sample(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("ショートカット説明"));
  setModal(false);
  resize(360, 470);
  Text3 = new QPlainTextEdit(this);
  Text3->setGeometry(12, 12, 336, 390);
  Text3->setReadOnly(true);
  Text3->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 11));
  Text3->setPlainText(ShortcutText());
  Command3 = new QPushButton(tr("戻る"), this);
  Command3->setGeometry(110, 418, 140, 36);
  connect(Command3, &QPushButton::clicked, this, &QWidget::close);
  kihon::CentreWindow(*this);
}
