// The main window for a screen reader and the keyboard: a name of its own for every control
// (what it does, in the words the window shows), a sensible order of keyboard focus, and
// descriptions of what the staff, the circle and the keyboard show now.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "app/frmMain.h"
#include "theory/MusicMethod_Treat.h"

namespace {

void Name(QWidget* w, const QString& name, const QString& description = QString()) {
  w->setAccessibleName(name);
  if (!description.isEmpty()) w->setAccessibleDescription(description);
}

// A rectangle of the surface (user units, either corner order) in the widget's pixels.
QRect PixelRect(const draw::Surface& s, float x1, float y1, float x2, float y2) {
  return QRect(s.ToPixel(x1, y1), s.ToPixel(x2, y2)).normalized();
}

}  // namespace

void frmMain::NameControls() {
  ui.Label3->setBuddy(ui.Combo2);
  ui.Label2->setBuddy(ui.Combo1);
  ui.Label4->setBuddy(ui.Combo3);
  ui.Label5->setBuddy(ui.Combo4);
  Name(ui.Combo2, tr("学習別"), tr("スケール、コード、ⅡⅤⅠなど学ぶものの種類"));
  Name(ui.Combo1, tr("種類"), tr("練習する項目"));
  Name(ui.Combo3, tr("調子"), tr("ⅡⅤⅠパターンのメジャーかマイナーか"));
  Name(ui.Combo4, tr("Ｖ７あしらい"), tr("ⅡⅤⅠパターンのⅤ７に使うスケール"));
  Name(ui.Text2, tr("テンポの見出し"));
  Name(ui.Text1, tr("テンポ（1分あたりの拍数）"), tr("50から300までの数を入力します"));
  Name(ui.VScroll1, tr("テンポのつまみ"), tr("上へ動かすと速くなります"));
  // How to practise through the keys, said where the player looks for it: on ▶ and on the
  // repetition box, as tooltips and to a screen reader.
  const QString throughTheKeys =
      tr("「繰り返す」にチェックすると、▶の演奏は■で止めるまで続きます。同じキーで指定の回数"
         "演奏するたびに、選んだ進行（半音＋・半音－・４度）で次のキーへ進みます（「そのまま」"
         "ならキーは変わりません）。チェックしないと、▶は今のキーで１回演奏して止まります。");
  Name(ui.Command5, tr("連続演奏を始める"),
       tr("演奏を始めます（スペースキー）。") + throughTheKeys);
  Name(ui.Check2, tr("繰り返す"), throughTheKeys);
  for (QWidget* w : {static_cast<QWidget*>(ui.Command5), static_cast<QWidget*>(ui.Check2),
                     static_cast<QWidget*>(ui.Combo5)}) {
    w->setToolTip(throughTheKeys);
  }
  Name(ui.Command9, tr("演奏を止める"), tr("スペースキーでも止まります"));
  Name(ui.Combo5, tr("繰り返しの回数"));
  // On Linux a list is read by the label that names it: the count's label is not shown
  // (the check box "繰り返す" beside it says it to the eye).
  auto* countLabel = new QLabel(tr("繰り返しの回数"), ui.Combo5->parentWidget());
  countLabel->setBuddy(ui.Combo5);
  countLabel->hide();
  Name(ui.Text3, tr("早くする割合（％UP）"), tr("繰り返しのあいだにテンポを上げる割合"));
  Name(ui.Command2, tr("音出し"), tr("項目を1回演奏します"));
  Name(ui.Command3, tr("半音　＋"), tr("キーを半音上げます（P キー）"));
  Name(ui.Command4, tr("半音　－"), tr("キーを半音下げます（Q キー）"));
  Name(ui.Command6, tr("CAL Bb（B♭の基準音）"));
  Name(ui.Command8, tr("CAL A（Aの基準音）"));
  const QString staffNames[] = {tr("五線を大きく上へ"), tr("五線を少し上へ"), tr("五線を少し下へ"),
                                tr("五線を大きく下へ"), tr("五線の位置をリセット")};
  for (int i = 0; i < 5; ++i) Name(ui.Command12[i], staffNames[i]);
  Name(ui.Command17, tr("OK（五線位置調整を終える）"));
  Name(ui.Command1, tr("終了"), tr("設定を保存してプログラムを終わります"));
  Name(ui.Check1, tr("MIDIを使う"));
  Name(ui.Image1, tr("ト音記号"));
  Name(ui.Frame1, tr("選択とテンポ"));
  Name(ui.Frame3, tr("単発の操作"));

  // Keyboard focus: the selections and the tempo, continuous play, the single actions,
  // then the switches on the drawing.
  std::vector<QWidget*> order;
  const auto add = [&order](auto*... widgets) { (order.push_back(widgets), ...); };
  add(ui.Combo2, ui.Combo1, ui.Combo3, ui.Combo4, ui.Text1, ui.VScroll1, ui.Check6);
  for (QRadioButton* r : ui.Option1) add(r);
  add(ui.Command5, ui.Command9, ui.Command7, ui.Command10, ui.Check2, ui.Combo5, ui.Check4,
      ui.Text3, ui.Command2, ui.Command3, ui.Command4, ui.Command6, ui.Command8);
  for (QPushButton* b : ui.Command12) add(b);
  add(ui.Command17, ui.Command1, ui.Check3, ui.Check5);
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

  view_->parts = [this] { return PictureParts(); };
}

std::vector<SurfaceWidget::Part> frmMain::PictureParts() const {
  const QString title = ItemTitle(settings::CurrentItem(cfg_), cfg_.Root).trimmed();
  const Phrase& ph = engine_.phrase();
  const int count = std::clamp<int>(ph.NoteCount, 0, kNoteSlots);
  QStringList notes;
  QStringList classes;
  for (int i = 0; i < count; ++i) {
    if (ph.NoteIsRest[i] == 1) {
      notes << tr("休符");
      continue;
    }
    if (ph.NoteTie[i] == 1) continue;  // sounds on from the note before
    const QString name = i < static_cast<int>(spelled_.size())
                             ? spelling::Name(spelled_[static_cast<std::size_t>(i)])
                             : QString::number(ph.NotePitch[i]);
    notes << name;
    if (!classes.contains(name)) classes << name;
  }
  std::vector<SurfaceWidget::Part> parts;
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  parts.push_back({tr("五線譜"),
                   cfg_.ShowScore == 0 ? QString()
                                       : tr("%1 の楽譜。%2 音：%3")
                                             .arg(title)
                                             .arg(notes.size())
                                             .arg(notes.join(QLatin1Char(' '))),
                   cfg_.ShowScore == 0
                       ? QRect()
                       : PixelRect(surface_, staff_.StaffLeftX, T + 10 * S,
                                   staff_.StaffLeftX + staff_.StaffWidth, T - 7 * S)});
  const float R = circle_.CircleRadius * 1.35f;
  parts.push_back(
      {tr("サークル図"),
       cfg_.ShowDiagram == 0
           ? QString()
           : tr("12の音名を並べた円。%1 の音：%2").arg(title, classes.join(QLatin1Char(' '))),
       cfg_.ShowDiagram == 0
           ? QRect()
           : PixelRect(surface_, circle_.CircleCentreX - R, circle_.CircleCentreY - R,
                       circle_.CircleCentreX + R, circle_.CircleCentreY + R)});
  QStringList held;
  for (const int p : heldPitches_) held << QString::number(p + cfg_.PitchBase);
  QString keys = tr("鍵盤");
  if (cfg_.ShowEntry != 0) {
    keys += tr("。%1 の音に印：%2").arg(title, classes.join(QLatin1Char(' ')));
  }
  if (!held.isEmpty()) keys += tr("。押している鍵（MIDIノート）：") + held.join(' ');
  // The keyboard's place: every key laid out.
  QRect keyArea;
  for (const auto& key : keyboard_.KeyRect) {
    if (key.right <= key.left) continue;
    keyArea |= PixelRect(surface_, static_cast<float>(key.left), static_cast<float>(key.bottom),
                         static_cast<float>(key.right), static_cast<float>(key.top));
  }
  parts.push_back({tr("鍵盤"), cfg_.ShowKeyboard == 0 ? QString() : keys,
                   cfg_.ShowKeyboard == 0 ? QRect() : keyArea});
  return parts;
}
