// The main window's listen mode ("聴き取り採点"): what the player plays with a pass or in the
// answer's count after it is judged against the item's notes, painted on the staff as it is
// judged, summed up in a line above the staff and in the window "12キーの採点", and kept in
// the practice log.
#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/frmMain.h"
#include "core/language.h"
#include "dialogs/practice_log_window.h"
#include "draw/graph_treat.h"
#include "engine/practice_log.h"

namespace {

using listen::Mark;

constexpr draw::Colour kMarkColours[] = {draw::kBlack, draw::Rgb(0, 150, 0), draw::Rgb(230, 130, 0),
                                         draw::Rgb(220, 0, 0), draw::Rgb(150, 150, 150)};

QString MarkText(Mark mark) {
  switch (mark) {
    case Mark::kOnTime:
      return QStringLiteral("○");
    case Mark::kOffTime:
      return QStringLiteral("△");
    case Mark::kWrongPitch:
      return QStringLiteral("×");
    default:
      return QStringLiteral("－");
  }
}

// A timing of a pass's notes in ms; "—" when no note was played in it (there is none).
QString TimingText(double ms, const listen::Summary& s) {
  return s.hit + s.wrong > 0 ? QStringLiteral("%1 ms").arg(ms, 0, 'f', 0) : QStringLiteral("—");
}

}  // namespace

void frmMain::ConnectListenMenu() {
  const auto changed = [this](listen::Settings settings) {
    SetListen(settings);
    if (listenChanged) listenChanged(session_.settings());
  };
  connect(ui.mnu_settei_listen, &QAction::triggered, this, [this, changed](bool on) {
    listen::Settings s = session_.settings();
    s.on = on;
    changed(s);
  });
  connect(ui.mnu_settei_listen_along, &QAction::triggered, this, [this, changed] {
    listen::Settings s = session_.settings();
    s.mode = listen::Mode::kAlong;
    changed(s);
  });
  connect(ui.mnu_settei_listen_answer, &QAction::triggered, this, [this, changed] {
    listen::Settings s = session_.settings();
    s.mode = listen::Mode::kAnswer;
    changed(s);
  });
  connect(ui.mnu_settei_listen_octave, &QAction::triggered, this, [this, changed](bool on) {
    listen::Settings s = session_.settings();
    s.octaveFree = on;
    changed(s);
  });
  connect(ui.mnu_settei_listen_tolerance, &QAction::triggered, this, [this, changed] {
    bool ok = false;
    const int ms = QInputDialog::getInt(
        this, tr("聴き取り採点"),
        tr("合っている音がこれより早い・遅いときは △ で示します（ミリ秒）"),
        session_.settings().toleranceMs, listen::kMinToleranceMs, listen::kMaxToleranceMs, 5, &ok);
    if (!ok) return;
    listen::Settings s = session_.settings();
    s.toleranceMs = ms;
    changed(s);
  });
  connect(ui.mnu_View_practiceLog, &QAction::triggered, this, &frmMain::OpenPracticeLog);
}

void frmMain::SetListen(const listen::Settings& settings) {
  const bool wasOn = session_.settings().on;
  session_.SetSettings(settings);
  const listen::Settings& s = session_.settings();
  ui.mnu_settei_listen->setChecked(s.on);
  ui.mnu_settei_listen_along->setChecked(s.mode == listen::Mode::kAlong);
  ui.mnu_settei_listen_answer->setChecked(s.mode == listen::Mode::kAnswer);
  ui.mnu_settei_listen_octave->setChecked(s.octaveFree);
  ui.mnu_settei_listen_tolerance->setText(tr("早い・遅いとするずれ（%1 ms）…").arg(s.toleranceMs));
  // In answer mode the count goes on after each pass for the item's length.
  engine_.sequencer().AnswerAfterPass = session_.AnswerAfterPass();
  if (!s.on && liveTimer_) liveTimer_->stop();
  painted_.clear();
  // On or off, the circle makes room for what listen mode shows beside it, or takes it back.
  if (s.on != wasOn && state_.Initialising == 0) {
    Prepair4PLAY(false);
  } else {
    RedrawViews();
  }
}

void frmMain::StartListening(double startMs) {
  if (!session_.Begin(cfg_, appDir_, startMs)) return;
  // The marks of the pass before it in this key go: this one is painted afresh.
  const bool marked =
      std::any_of(painted_.begin(), painted_.end(), [](Mark m) { return m != Mark::kNone; });
  if (marked) {
    painted_.clear();
    showLastMarks_ = false;  // its score line stays; its notes' marks go
    ClearWindow();
    RedrawViews();
    showLastMarks_ = true;
    if (tempoLine_) {
      const auto [tempo, text] = *tempoLine_;
      ShowTempo(tempo, text);
    }
  }
  painted_.clear();  // sized again by PaintVerdict
  if (!liveTimer_) {
    liveTimer_ = new QTimer(this);
    liveTimer_->setInterval(100);
    connect(liveTimer_, &QTimer::timeout, this, &frmMain::UpdateLiveMarks);
  }
  liveTimer_->start();
}

void frmMain::ScorePass() {
  if (liveTimer_) liveTimer_->stop();
  if (!session_.Judge()) return;
  if (keyTable_) ShowKeyScores();
  AppendToPracticeLog();
  // Every note's verdict, over what was painted while it was played.
  DrawListenMarks();
}

void frmMain::UpdateLiveMarks() {
  if (!session_.Listening() || cfg_.ShowScore == 0 || cfg_.Root != session_.passKey()) return;
  const double now = static_cast<double>(engine_.waits().clock().NowMs());
  for (const listen::NoteResult& note : session_.KnownAt(now)) PaintVerdict(note);
}

void frmMain::PaintVerdict(const listen::NoteResult& note) {
  const int i = note.expected.index;
  const Phrase& ph = engine_.phrase();
  if (cfg_.ShowScore == 0 || i < 0 || i >= ph.NoteCount) return;
  if (painted_.size() < static_cast<std::size_t>(ph.NoteCount)) {
    painted_.resize(static_cast<std::size_t>(ph.NoteCount), Mark::kNone);
  }
  const Mark mark = listen::MarkOf(note, session_.settings().toleranceMs);
  Mark& shown = painted_[static_cast<std::size_t>(i)];
  if (shown == mark) return;
  const float x = ph.NoteCursorX[i];
  // The playback cursor's XOR line is on this note now: painted when it has moved on.
  if (score_.CursorShown && score_.LastCursorX == x) return;
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  if (shown != Mark::kNone) {
    // Another verdict than the one shown (a later note changed the alignment).
    surface_.FilledBox(x - 0.7f * S, T - 3.9f * S, x + 1.6f * S, T - 7.2f * S, surface_.BackColor);
  }
  shown = mark;
  const draw::Colour colour = kMarkColours[static_cast<int>(mark)];
  Scor_treat::PaintNoteHead(score_, surface_, i, colour);
  graph_treat::SavedFont saved;
  graph_treat::SaveFont(surface_, saved);
  graph_treat::SetFont(surface_, QStringLiteral("ＭＳ ゴシック"), 11, true, false);
  graph_treat::PrintAt(surface_, x - 0.4f * S, T - 4.2f * S, MarkText(mark), colour);
  if (note.timingMs) {
    graph_treat::SetFont(surface_, QStringLiteral("ＭＳ ゴシック"), 8, false, false);
    graph_treat::PrintAt(
        surface_, x - 0.6f * S, T - 5.8f * S,
        QStringLiteral("%1%2").arg(*note.timingMs > 0 ? "+" : "").arg(*note.timingMs, 0, 'f', 0),
        colour);
  }
  graph_treat::RestoreFont(surface_, saved);
}

void frmMain::DrawListenMarks() {
  // The score of the pass before goes first.
  if (listenLineBox_) {
    const QRectF& r = *listenLineBox_;
    surface_.FilledBox(static_cast<float>(r.left()), static_cast<float>(r.top()),
                       static_cast<float>(r.right()), static_cast<float>(r.bottom()),
                       surface_.BackColor);
    listenLineBox_.reset();
  }
  listenLines_.clear();
  const std::optional<listen::Result>& last = session_.lastScore();
  if (!session_.settings().on || !last || cfg_.ShowScore == 0) return;
  // The judgement belongs to the item and key it was played in: another category, item or
  // key on the staff shows neither its score nor its marks.
  if (session_.lastScoreOf() != listen::PassOf::Of(cfg_)) return;
  const listen::Summary& s = last->summary;
  const int total = static_cast<int>(last->notes.size());
  listenLines_ = {tr("聴き取り採点（%1）")
                      .arg(language::WithSigns(MusicMethod_Treat::KeyName(
                          MusicMethod_Treat::Tables(), session_.lastScoreKey()))),
                  tr("正解 %1 / %2").arg(s.hit).arg(total),
                  tr("音違い %1　抜け %2　余分 %3").arg(s.wrong).arg(s.missed).arg(s.extra),
                  tr("平均 %1　最大 %2")
                      .arg(TimingText(s.meanAbsTimingMs, s), TimingText(s.maxAbsTimingMs, s))};
  // Notes beyond what a pass could hold (a device sending a flood) are said, not judged.
  if (last->notJudged > 0) listenLines_.push_back(tr("未採点 %1").arg(last->notJudged));
  graph_treat::SavedFont saved;
  graph_treat::SaveFont(surface_, saved);
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  float left = 0;
  float top = 0;
  float rowHeight = 0;
  float width = 0;
  QStringList rows = listenLines_;
  const auto measure = [&](int size) {
    graph_treat::SetFont(surface_, QStringLiteral("ＭＳ ゴシック"), size, true, false);
    rowHeight = 1.25f * surface_.TextHeight(rows.front());
    width = 0;
    for (const QString& row : rows) width = std::max(width, surface_.TextWidth(row));
  };
  if (cfg_.ShowDiagram != 0 && circle_.laidOut) {
    // In short rows under the tempo line, right of the circle: no chord name is there. They
    // keep left of the controls and right of the circle's names beside them, in a smaller
    // type where the window is narrow.
    const float cx = circle_.CircleCentreX;
    const float R = circle_.CircleRadius;
    const float nameHalf = circle_.NamesRight - static_cast<float>(circle_.NameCentre[3].x());
    const float right = Frame2Left() - 150;
    top = circle_.CircleCentreY - 0.5f * R - 500;
    float clear = cx + R;
    for (const int size : {10, 9, 8}) {
      measure(size);
      const float bottom = top - static_cast<float>(rows.size()) * rowHeight;
      clear = cx + R;
      for (const QPointF& name : circle_.NameCentre) {
        const auto y = static_cast<float>(name.y());
        if (y - nameHalf <= top && y + nameHalf >= bottom) {
          clear = std::max(clear, static_cast<float>(name.x()) + nameHalf);
        }
      }
      clear += 100;
      left = std::min(cx + 1.5f * R + 200, right - width);
      if (left >= clear) break;
    }
    left = std::max(left, clear);
  } else {
    // Without the circle, in one row under the notes' marks.
    rows = {listenLines_.join(QStringLiteral("　"))};
    measure(10);
    left = staff_.StaffLeftX;
    top = T - 7.2f * S;
  }
  for (int i = 0; i < rows.size(); ++i) {
    graph_treat::PrintAt(surface_, left, top - static_cast<float>(i) * rowHeight, rows[i],
                         draw::kBlack);
  }
  listenLineBox_ = QRectF(QPointF(left, top),
                          QPointF(left + width, top - static_cast<float>(rows.size()) * rowHeight));
  graph_treat::RestoreFont(surface_, saved);
  // Each note's colour and mark: right and on time, right but early or late (beyond the
  // tolerance), wrong, missed.
  if (!showLastMarks_) return;
  painted_.clear();  // sized again by PaintVerdict
  for (const listen::NoteResult& r : last->notes) PaintVerdict(r);
}

void frmMain::PassEnded() {
  if (session_.settings().mode == listen::Mode::kAlong) ScorePass();
}

void frmMain::AnswerBegins() {
  if (session_.settings().mode == listen::Mode::kAnswer) {
    StartListening(static_cast<double>(engine_.waits().WaitReference()));
  }
}

void frmMain::AnswerEnded() {
  if (session_.settings().mode == listen::Mode::kAnswer) ScorePass();
}

void frmMain::ShowKeyScores(bool place) {
  const bool created = !keyTable_;
  if (created) {
    auto* window = new QDialog(this);
    window->setWindowTitle(tr("12キーの採点"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    keyTable_ = new QTableWidget(12, 4, window);
    keyTable_->verticalHeader()->hide();
    keyTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keyTable_->setAccessibleName(tr("キーごとの聴き取り採点"));
    keyTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    keyTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    QFont small = keyTable_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    keyTable_->setFont(small);
    keyTable_->verticalHeader()->setDefaultSectionSize(QFontMetrics(small).height() + 4);
    keyTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(keyTable_);
  }
  if (created || place) PlaceKeyTable();
  if (created) keyTable_->window()->show();
  for (int k = 0; k < 12; ++k) {
    const std::optional<listen::Summary>& s = session_.keyScores()[static_cast<std::size_t>(k)];
    const int total = s ? s->hit + s->wrong + s->missed : 0;
    const QStringList cells = {
        language::WithSigns(MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), k)),
        s ? QStringLiteral("%1 / %2").arg(s->hit).arg(total) : QStringLiteral("—"),
        s ? TimingText(s->meanAbsTimingMs, *s) : QString(),
        s ? TimingText(s->maxAbsTimingMs, *s) : QString()};
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c > 0) item->setTextAlignment(Qt::AlignCenter);
      // A key with notes not right stands out.
      if (s && s->hit < total) item->setBackground(QColor(255, 225, 200));
      if (s && s->hit == total) item->setBackground(QColor(215, 245, 215));
      keyTable_->setItem(k, c, item);
    }
  }
}

void frmMain::PlaceKeyTable() {
  QWidget* window = keyTable_ ? keyTable_->window() : nullptr;
  if (!window) return;
  // Where the player has moved it, it stays.
  if (keyTableAt_ && window->isVisible() && window->geometry() != *keyTableAt_) return;
  // All twelve rows at once, under the staff and its marks, right of the circle's names and
  // left of the controls: neither the staff, the circle nor the score under the tempo line
  // is covered. Narrow, it takes short headings; where the window is too narrow even for
  // that, it keeps to the controls' side.
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  const float right = Frame2Left() - 150;
  const float left = cfg_.ShowDiagram != 0 && circle_.laidOut ? circle_.NamesRight + 150 : right;
  const float top = cfg_.ShowScore != 0 ? T - (cfg_.ShowDiagram != 0 ? 7.5f : 9.5f) * S : height_;
  const QPoint topLeft = surface_.ToPixel(left, top);
  const int rightPx = surface_.ToPixel(right, top).x();
  constexpr int kWidest = 360;
  const int kNarrowest = static_cast<int>((kListenRoomRight - 300) / 15);
  const int width = std::clamp(rightPx - topLeft.x(), kNarrowest, kWidest);
  const bool narrow = width < 300;
  keyTable_->setHorizontalHeaderLabels({tr("キー"), tr("正解"),
                                        narrow ? tr("平均") : tr("平均のずれ"),
                                        narrow ? tr("最大") : tr("最大のずれ")});
  const int rows = 12 * keyTable_->verticalHeader()->defaultSectionSize();
  const int height =
      rows + keyTable_->horizontalHeader()->sizeHint().height() + 2 * keyTable_->frameWidth() + 12;
  const QPoint corner =
      view_->mapToGlobal(QPoint(std::min(topLeft.x(), rightPx - width), topLeft.y()));
  // The geometry of its inside: a window manager's title bar goes above it.
  keyTableAt_ =
      QRect(QPoint(std::max(0, corner.x()), std::max(0, corner.y())), QSize(width, height));
  window->setGeometry(*keyTableAt_);
}

void frmMain::AppendToPracticeLog() {
  if (practiceLogPath.isEmpty()) return;
  practice_log::Entry entry =
      session_.LogEntry(engine_.lists(), cfg_, QDateTime::currentDateTime());
  // The item as its file names it, so that its days add up whichever language it was
  // practised in.
  entry.item = file_Treat::WrittenName(appDir_, entry.category, entry.item);
  QString error;
  if (!practice_log::Append(practiceLogPath, entry, &error)) {
    // Said once; the practice goes on without the log.
    if (report) {
      report(tr("練習記録を書き込めませんでした。\n%1\n（%2）")
                 .arg(QDir::toNativeSeparators(practiceLogPath), error));
    }
    practiceLogPath.clear();
  }
}

void frmMain::OpenPracticeLog() {
  auto* window = new PracticeLogWindow(
      practiceLogPath, this,
      [dir = appDir_](const QString& written) { return file_Treat::ShownName(dir, written); });
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}
