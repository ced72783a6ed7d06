#include "dialogs/small_windows.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/screen.h"

MainSet::MainSet(settings::CfgRecord& cfg, QWidget* parent) : QDialog(parent), cfg_(cfg) {
  setWindowTitle(QStringLiteral("補足設定"));
  setModal(false);
  resize(260, 230);
  const struct {
    QCheckBox** box;
    const char* caption;
    std::int16_t settings::CfgRecord::*field;
  } switches[] = {{&Check7, "クリック音", &settings::CfgRecord::ClickOn},
                  {&Check8, "カウントイン", &settings::CfgRecord::CountInOn},
                  {&Check9, "伴奏", &settings::CfgRecord::AccompOn},
                  {&Check10, "旋律", &settings::CfgRecord::MelodyOn}};
  int y = 16;
  for (const auto& s : switches) {
    auto* box = new QCheckBox(QString::fromUtf8(s.caption), this);
    box->setGeometry(30, y, 200, 26);
    y += 36;
    *s.box = box;
    box->setChecked(cfg_.*(s.field) != 0);
    // Stored at once: playback reads the switches when it needs them.
    const auto field = s.field;
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) { cfg_.*field = on ? 1 : 0; });
  }
  Command1 = new QPushButton(QStringLiteral("戻る"), this);
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
  static const char* const kLines[] = {
      "  ---------------------------", "　[Space]:  Play or Stop",   "　[ P,p ]:  半音上へシフト",
      "　[ Q,q ]:  半音下へシフト",    "　[ F,f ]:  ４度上へシフト", "　[ U,u ]:　テンポＵＰ",
      "　[ D,d ]:　テンポＤＯＷＮ",    "　[ M,m ]:　メトロノーム",   "　[ S,s ]:  音出"};
  QString text = QStringLiteral("  ショートカットの説明　");
  for (const char* line : kLines) text += QStringLiteral("\r\n\r\n") + QString::fromUtf8(line);
  return text;
}

sample::sample(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("ショートカット説明"));
  setModal(false);
  resize(360, 470);
  Text3 = new QPlainTextEdit(this);
  Text3->setGeometry(12, 12, 336, 390);
  Text3->setReadOnly(true);
  Text3->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 11));
  Text3->setPlainText(ShortcutText());
  Command3 = new QPushButton(QStringLiteral("戻る"), this);
  Command3->setGeometry(110, 418, 140, 36);
  connect(Command3, &QPushButton::clicked, this, &QWidget::close);
  kihon::CentreWindow(*this);
}
