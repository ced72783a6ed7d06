#include "dialogs/practice_log_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

#include "core/file_read.h"
#include "theory/MusicMethod_Treat.h"

namespace {

// A colour a key, round the colour wheel as the keys go round the circle of fifths, so that
// neighbouring keys on the plot are told apart.
QColor KeyColour(int key) {
  const int fifths = (key * 7) % 12;
  return QColor::fromHsv(fifths * 30, 200, 200);
}

QString KeyName(int k) {
  return MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), k);
}

}  // namespace

PracticeChart::PracticeChart(QWidget* parent) : QWidget(parent) {
  setMinimumSize(560, 380);
  setAccessibleName(tr("練習記録のグラフ"));
}

void PracticeChart::SetDays(std::vector<practice_log::Day> days) {
  days_ = std::move(days);
  setAccessibleDescription(Description());
  update();
}

QString PracticeChart::Description() const {
  if (days_.empty()) return tr("記録がありません");
  QStringList parts;
  const practice_log::Day& last = days_.back();
  parts << tr("%1日分の記録。最後の日 %2、最高テンポ %3")
               .arg(days_.size())
               .arg(last.date.toString(QStringLiteral("yyyy/M/d")))
               .arg(last.topTempo);
  for (int k = 0; k < 12; ++k) {
    if (last.percentByKey[k]) {
      parts << QStringLiteral("%1 %2%").arg(KeyName(k)).arg(*last.percentByKey[k], 0, 'f', 0);
    }
  }
  return parts.join(tr("、"));
}

namespace {

// Where the chart draws: the share right per key above, the top tempo below, the legend of
// the keys on the right, and the x of each day.
struct ChartLayout {
  static constexpr int kLegend = 70;
  QRect area, scoreBox, tempoBox;
  int days = 0;
  int X(int i) const {
    return days == 1 ? area.center().x() : area.left() + area.width() * i / (days - 1);
  }
};

ChartLayout LayOut(const QRect& rect, int days) {
  ChartLayout l;
  l.days = days;
  l.area = rect.adjusted(48, 12, -ChartLayout::kLegend - 8, -28);
  const int gap = 28;
  const int scoreHeight = (l.area.height() - gap) * 2 / 3;
  l.scoreBox = QRect(l.area.left(), l.area.top(), l.area.width(), scoreHeight);
  l.tempoBox = QRect(l.area.left(), l.scoreBox.bottom() + gap, l.area.width(),
                     l.area.height() - scoreHeight - gap);
  return l;
}

// The score plot's frame, grid and labels: 0, 50 and 100 per cent.
void DrawScoreFrame(QPainter& p, const ChartLayout& l) {
  p.setPen(QColor(200, 200, 200));
  for (int v = 0; v <= 100; v += 25) {
    const int y = l.scoreBox.bottom() - l.scoreBox.height() * v / 100;
    p.drawLine(l.scoreBox.left(), y, l.scoreBox.right(), y);
  }
  p.setPen(Qt::black);
  p.drawRect(l.scoreBox);
  for (int v = 0; v <= 100; v += 50) {
    const int y = l.scoreBox.bottom() - l.scoreBox.height() * v / 100;
    p.drawText(QRect(0, y - 8, l.area.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1%").arg(v));
  }
  p.drawText(l.scoreBox.adjusted(6, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
             QCoreApplication::translate("PracticeChart", "正解率（キーごと）"));
}

// A line a key through the days it was played, a dot a day; the legend lists the keys
// played, in the program's order.
void DrawKeyLines(QPainter& p, const ChartLayout& l, const std::vector<practice_log::Day>& days) {
  int legendRow = 0;
  for (int k = 0; k < 12; ++k) {
    QPainterPath path;
    bool started = false;
    p.setPen(QPen(KeyColour(k), 2));
    p.setBrush(KeyColour(k));
    for (int i = 0; i < l.days; ++i) {
      const auto& v = days[static_cast<std::size_t>(i)].percentByKey[k];
      if (!v) continue;
      const QPointF at(l.X(i), l.scoreBox.bottom() - l.scoreBox.height() * *v / 100);
      started ? path.lineTo(at) : path.moveTo(at);
      started = true;
      p.drawEllipse(at, 3, 3);
    }
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    if (!started) continue;
    const int row = l.scoreBox.top() + legendRow++ * 18;
    p.fillRect(QRect(l.area.right() + 12, row + 4, 14, 10), KeyColour(k));
    p.setPen(Qt::black);
    p.drawText(QRect(l.area.right() + 30, row, ChartLayout::kLegend - 24, 18),
               Qt::AlignLeft | Qt::AlignVCenter, KeyName(k));
  }
}

// The top tempo of each day, between the lowest and highest played (10 beyond each), with
// the dates under it, as many as there is room for.
void DrawTempos(QPainter& p, const ChartLayout& l, const std::vector<practice_log::Day>& days) {
  p.setPen(Qt::black);
  p.drawRect(l.tempoBox);
  int lowTempo = days.front().topTempo, highTempo = lowTempo;
  for (const auto& d : days) {
    lowTempo = std::min(lowTempo, d.topTempo);
    highTempo = std::max(highTempo, d.topTempo);
  }
  lowTempo = std::max(0, lowTempo - 10);
  highTempo += 10;
  const auto tempoY = [&](int tempo) {
    return l.tempoBox.bottom() - l.tempoBox.height() * (tempo - lowTempo) / (highTempo - lowTempo);
  };
  p.drawText(QRect(0, l.tempoBox.top() - 8, l.area.left() - 4, 16),
             Qt::AlignRight | Qt::AlignVCenter, QString::number(highTempo));
  p.drawText(QRect(0, l.tempoBox.bottom() - 8, l.area.left() - 4, 16),
             Qt::AlignRight | Qt::AlignVCenter, QString::number(lowTempo));
  p.drawText(l.tempoBox.adjusted(6, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
             QCoreApplication::translate("PracticeChart", "最高テンポ"));
  const int every = std::max(1, l.days * 60 / std::max(l.area.width(), 1));
  for (int i = 0; i < l.days; i += every) {
    p.drawText(QRect(l.X(i) - 30, l.tempoBox.bottom() + 4, 60, 16), Qt::AlignCenter,
               days[static_cast<std::size_t>(i)].date.toString(QStringLiteral("M/d")));
  }
  QPainterPath tempo;
  p.setPen(QPen(QColor(40, 70, 160), 2));
  p.setBrush(QColor(40, 70, 160));
  for (int i = 0; i < l.days; ++i) {
    const QPointF at(l.X(i), tempoY(days[static_cast<std::size_t>(i)].topTempo));
    i == 0 ? tempo.moveTo(at) : tempo.lineTo(at);
    p.drawEllipse(at, 3, 3);
  }
  p.setBrush(Qt::NoBrush);
  p.drawPath(tempo);
}

}  // namespace

void PracticeChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  if (days_.empty()) {
    p.drawText(rect(), Qt::AlignCenter,
               tr("まだ記録がありません。\n設定の「聴き取り採点」をオンにして"
                  "演奏すると、ここに記録されます。"));
    return;
  }
  const ChartLayout layout = LayOut(rect(), static_cast<int>(days_.size()));
  DrawScoreFrame(p, layout);
  DrawTempos(p, layout, days_);
  DrawKeyLines(p, layout, days_);
}

PracticeLogWindow::PracticeLogWindow(const QString& logPath, QWidget* parent,
                                     std::function<QString(const QString&)> shown)
    : QDialog(parent) {
  setWindowTitle(tr("練習記録"));
  log_ = practice_log::Read(logPath);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* label = new QLabel(tr("項目："), this);
  ItemChoice = new QComboBox(this);
  ItemChoice->setAccessibleName(tr("記録を見る項目"));
  label->setBuddy(ItemChoice);
  ItemChoice->addItem(tr("すべての項目"));
  for (const QString& item : practice_log::Items(log_.entries)) {
    ItemChoice->addItem(shown ? shown(item) : item, item);
  }
  top->addWidget(label);
  top->addWidget(ItemChoice, 1);
  layout->addLayout(top);
  Chart = new PracticeChart(this);
  layout->addWidget(Chart, 1);
  Note = new QLabel(this);
  Note->setWordWrap(true);
  layout->addWidget(Note);
  QStringList notes;
  if (!log_.error.isEmpty()) {
    notes << tr("練習記録を読めませんでした。%1").arg(log_.error);
  } else {
    notes
        << tr("%1 回の採点（%2）").arg(log_.entries.size()).arg(QDir::toNativeSeparators(logPath));
  }
  if (log_.cut) {
    notes << tr("記録が長いため、新しいほうの %1 MB だけを読みました。")
                 .arg(file_read::kPracticeLogBytes / (1024 * 1024));
  }
  if (log_.unreadable > 0) {
    notes << tr("読めない行が %1 行あり、飛ばしました。").arg(log_.unreadable);
  }
  Note->setText(notes.join(QStringLiteral("\n")));
  // The item practised last is shown first.
  if (ItemChoice->count() > 1) ItemChoice->setCurrentIndex(1);
  connect(ItemChoice, &QComboBox::currentIndexChanged, this, &PracticeLogWindow::ShowItem);
  ShowItem();
  resize(720, 520);
}

void PracticeLogWindow::ShowItem() {
  const QString item =
      ItemChoice->currentIndex() <= 0 ? QString() : ItemChoice->currentData().toString();
  Chart->SetDays(practice_log::Daily(log_.entries, item));
}
