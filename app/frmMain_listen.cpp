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
#include "dialogs/practice_log_window.h"
#include "draw/graph_treat.h"
#include "engine/practice_log.h"

namespace {

// The marks a note shows, as painted_ keeps them.
enum Mark { kNoMark = 0, kOnTime, kOffTime, kWrongPitch, kMissedNote };

constexpr draw::Colour kMarkColours[] = {draw::kBlack, draw::Rgb(0, 150, 0), draw::Rgb(230, 130, 0),
                                         draw::Rgb(220, 0, 0), draw::Rgb(150, 150, 150)};

Mark MarkOf(const listen::NoteResult& note, int toleranceMs) {
  switch (note.verdict) {
    case listen::Verdict::kHit:
      return std::abs(*note.timingMs) <= toleranceMs ? kOnTime : kOffTime;
    case listen::Verdict::kWrong:
      return kWrongPitch;
    case listen::Verdict::kMissed:
      break;
  }
  return kMissedNote;
}

QString MarkText(Mark mark) {
  switch (mark) {
    case kOnTime:
      return QStringLiteral("○");
    case kOffTime:
      return QStringLiteral("△");
    case kWrongPitch:
      return QStringLiteral("×");
    default:
      return QStringLiteral("－");
  }
}

}  // namespace

void frmMain::ConnectListenMenu() {
  const auto changed = [this](listen::Settings settings) {
    SetListen(settings);
    if (listenChanged) listenChanged(listen_);
  };
  connect(ui.mnu_settei_listen, &QAction::triggered, this, [this, changed](bool on) {
    listen::Settings s = listen_;
    s.on = on;
    changed(s);
  });
  connect(ui.mnu_settei_listen_along, &QAction::triggered, this, [this, changed] {
    listen::Settings s = listen_;
    s.mode = listen::Mode::kAlong;
    changed(s);
  });
  connect(ui.mnu_settei_listen_answer, &QAction::triggered, this, [this, changed] {
    listen::Settings s = listen_;
    s.mode = listen::Mode::kAnswer;
    changed(s);
  });
  connect(ui.mnu_settei_listen_octave, &QAction::triggered, this, [this, changed](bool on) {
    listen::Settings s = listen_;
    s.octaveFree = on;
    changed(s);
  });
  connect(ui.mnu_settei_listen_tolerance, &QAction::triggered, this, [this, changed] {
    bool ok = false;
    const int ms = QInputDialog::getInt(
        this, QStringLiteral("聴き取り採点"),
        QStringLiteral("合っている音がこれより早い・遅いときは △ で示します（ミリ秒）"),
        listen_.toleranceMs, listen::kMinToleranceMs, listen::kMaxToleranceMs, 5, &ok);
    if (!ok) return;
    listen::Settings s = listen_;
    s.toleranceMs = ms;
    changed(s);
  });
  connect(ui.mnu_View_practiceLog, &QAction::triggered, this, &frmMain::OpenPracticeLog);
}

void frmMain::SetListen(const listen::Settings& settings) {
  listen_ = settings;
  listen_.toleranceMs =
      std::clamp(listen_.toleranceMs, listen::kMinToleranceMs, listen::kMaxToleranceMs);
  ui.mnu_settei_listen->setChecked(listen_.on);
  ui.mnu_settei_listen_along->setChecked(listen_.mode == listen::Mode::kAlong);
  ui.mnu_settei_listen_answer->setChecked(listen_.mode == listen::Mode::kAnswer);
  ui.mnu_settei_listen_octave->setChecked(listen_.octaveFree);
  ui.mnu_settei_listen_tolerance->setText(
      QStringLiteral("早い・遅いとするずれ（%1 ms）…").arg(listen_.toleranceMs));
  // In answer mode the count goes on after each pass for the item's length.
  engine_.sequencer().AnswerAfterPass = listen_.on && listen_.mode == listen::Mode::kAnswer;
  if (!listen_.on) {
    passStartMs_ = -1;
    lastScore_.reset();
    if (liveTimer_) liveTimer_->stop();
  }
  painted_.clear();
  RedrawViews();
}

void frmMain::StartListening(double startMs) {
  if (!listen_.on) return;
  passKey_ = cfg_.Root;
  passTempo_ = cfg_.Tempo;
  played_.clear();
  // The item's notes as this pass plays them: the same pass in an engine of its own, on
  // the settings in force now. (Continuous play may have moved on when it is judged.)
  practice::OfflineEngine world(cfg_);
  QString error;
  const int category = std::clamp<int>(cfg_.Category, 0, 5);
  world.engine.LoadCategory(appDir_, category, &error);
  expected_.clear();
  if (error.isEmpty()) {
    expected_ = listen::ExpectedPass(world, category, cfg_.LastItem[category], passKey_, &error);
  }
  if (!error.isEmpty()) {
    passStartMs_ = -1;
    return;
  }
  // The marks of the pass before it in this key go: this one is painted afresh.
  const bool marked =
      std::any_of(painted_.begin(), painted_.end(), [](int m) { return m != kNoMark; });
  if (marked) {
    const int scoreKey = lastScoreKey_;
    lastScoreKey_ = -1;  // its score line stays; its notes' marks go
    ClearWindow();
    RedrawViews();
    lastScoreKey_ = scoreKey;
    if (tempoLine_) {
      const auto [tempo, text] = *tempoLine_;
      ShowTempo(tempo, text);
    }
  }
  painted_.clear();  // sized again by PaintVerdict
  passStartMs_ = startMs;
  // A first note played a little early, just before the pass or the answer began, is its.
  for (const listen::Played& p : recentlyPlayed_) {
    if (p.ms >= startMs - EarlyMs()) played_.push_back({p.pitch, p.ms - startMs});
  }
  if (!liveTimer_) {
    liveTimer_ = new QTimer(this);
    liveTimer_->setInterval(100);
    connect(liveTimer_, &QTimer::timeout, this, &frmMain::UpdateLiveMarks);
  }
  liveTimer_->start();
}

double frmMain::EarlyMs() const {
  return Sound_Treat::BeatMs(passTempo_) / 4.0;
}

void frmMain::ScorePass() {
  if (!listen_.on || passStartMs_ < 0) return;
  passStartMs_ = -1;
  if (liveTimer_) liveTimer_->stop();
  lastScore_ =
      listen::Match(expected_, played_, listen::OptionsFor(passTempo_, listen_.octaveFree));
  lastScoreKey_ = passKey_;
  played_.clear();
  keyScores_[MusicMethod_Treat::PitchClass(passKey_)] = lastScore_->summary;
  if (keyTable_) ShowKeyScores();
  AppendToPracticeLog(lastScore_->summary, static_cast<int>(lastScore_->notes.size()));
  // Every note's verdict, over what was painted while it was played.
  DrawListenMarks();
}

void frmMain::UpdateLiveMarks() {
  if (!listen_.on || passStartMs_ < 0 || cfg_.ShowScore == 0 || cfg_.Root != passKey_) return;
  const double now = static_cast<double>(engine_.waits().clock().NowMs()) - passStartMs_;
  const listen::Options options = listen::OptionsFor(passTempo_, listen_.octaveFree);
  const listen::Result so_far = listen::Match(expected_, played_, options);
  for (const listen::NoteResult& note : so_far.notes) {
    // Known once played, or when a beat has gone by with nothing played for it.
    if (note.played || note.expected.ms + options.beatMs < now) PaintVerdict(note);
  }
}

void frmMain::PaintVerdict(const listen::NoteResult& note) {
  const int i = note.expected.index;
  const Phrase& ph = engine_.phrase();
  if (cfg_.ShowScore == 0 || i < 0 || i >= ph.NoteCount) return;
  if (painted_.size() < static_cast<std::size_t>(ph.NoteCount)) {
    painted_.resize(static_cast<std::size_t>(ph.NoteCount), kNoMark);
  }
  const Mark mark = MarkOf(note, listen_.toleranceMs);
  int& shown = painted_[static_cast<std::size_t>(i)];
  if (shown == mark) return;
  const float x = ph.NoteCursorX[i];
  // The playback cursor's XOR line is on this note now: painted when it has moved on.
  if (score_.CursorShown && score_.LastCursorX == x) return;
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  if (shown != kNoMark) {
    // Another verdict than the one shown (a later note changed the alignment).
    surface_.FilledBox(x - 0.7f * S, T - 3.9f * S, x + 1.6f * S, T - 7.2f * S, surface_.BackColor);
  }
  shown = mark;
  const draw::Colour colour = kMarkColours[mark];
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
  if (!listen_.on || !lastScore_ || cfg_.ShowScore == 0) return;
  const listen::Summary& s = lastScore_->summary;
  const float S = staff_.LineSpacing;
  const float T = staff_.StaffBottomY;
  // Beside the item's title, ending where the staff ends.
  const float right = staff_.StaffLeftX + staff_.StaffWidth;
  const float top = T + 9.4f * S;
  graph_treat::SavedFont saved;
  graph_treat::SaveFont(surface_, saved);
  graph_treat::SetFont(surface_, QStringLiteral("ＭＳ ゴシック"), 10, true, false);
  const int total = static_cast<int>(lastScore_->notes.size());
  const QString line =
      QStringLiteral(
          "聴き取り採点（%1）　正解 %2 / %3　音違い %4　抜け %5　余分 %6　"
          "平均 %7 ms　最大 %8 ms")
          .arg(MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), lastScoreKey_))
          .arg(s.hit)
          .arg(total)
          .arg(s.wrong)
          .arg(s.missed)
          .arg(s.extra)
          .arg(s.meanAbsTimingMs, 0, 'f', 0)
          .arg(s.maxAbsTimingMs, 0, 'f', 0);
  // The line of the pass before goes first.
  const float left = right - surface_.TextWidth(line);
  surface_.FilledBox(std::min(left, right - staff_.StaffWidth * 0.55f), top, right,
                     top - surface_.TextHeight(line), surface_.BackColor);
  graph_treat::PrintAt(surface_, left, top, line, draw::kBlack);
  graph_treat::RestoreFont(surface_, saved);
  // Each note's colour and mark, when the staff shows the key it was played in: right and
  // on time, right but early or late (beyond the tolerance), wrong, missed.
  if (lastScoreKey_ != cfg_.Root) return;
  painted_.clear();  // sized again by PaintVerdict
  for (const listen::NoteResult& r : lastScore_->notes) PaintVerdict(r);
}

void frmMain::PassEnded() {
  if (listen_.mode == listen::Mode::kAlong) ScorePass();
}

void frmMain::AnswerBegins() {
  if (listen_.mode == listen::Mode::kAnswer) {
    StartListening(static_cast<double>(engine_.waits().WaitReference()));
  }
}

void frmMain::AnswerEnded() {
  if (listen_.mode == listen::Mode::kAnswer) ScorePass();
}

void frmMain::ShowKeyScores() {
  if (!keyTable_) {
    auto* window = new QDialog(this);
    window->setWindowTitle(QStringLiteral("12キーの採点"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    keyTable_ = new QTableWidget(12, 4, window);
    keyTable_->setHorizontalHeaderLabels({QStringLiteral("キー"), QStringLiteral("正解"),
                                          QStringLiteral("平均のずれ"),
                                          QStringLiteral("最大のずれ")});
    keyTable_->verticalHeader()->hide();
    keyTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keyTable_->setAccessibleName(QStringLiteral("キーごとの聴き取り採点"));
    keyTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    QFont small = keyTable_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    keyTable_->setFont(small);
    keyTable_->verticalHeader()->setDefaultSectionSize(QFontMetrics(small).height() + 4);
    keyTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(keyTable_);
    // All twelve rows at once, beside the circle: left of the controls, under the staff, so
    // that neither the staff nor the circle is covered.
    const int rows = 12 * keyTable_->verticalHeader()->defaultSectionSize();
    const int height = rows + keyTable_->horizontalHeader()->sizeHint().height() +
                       2 * keyTable_->frameWidth() + 12;
    const int width = 360;
    window->resize(width, height);
    const QPoint corner = ui.Frame2->mapToGlobal(QPoint(-width - 16, 0));
    window->move(std::max(0, corner.x()), mapToGlobal(QPoint(0, this->height() * 27 / 100)).y());
    window->show();
  }
  for (int k = 0; k < 12; ++k) {
    const std::optional<listen::Summary>& s = keyScores_[k];
    const int total = s ? s->hit + s->wrong + s->missed : 0;
    const QStringList cells = {
        MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), k),
        s ? QStringLiteral("%1 / %2").arg(s->hit).arg(total) : QStringLiteral("—"),
        s ? QStringLiteral("%1 ms").arg(s->meanAbsTimingMs, 0, 'f', 0) : QString(),
        s ? QStringLiteral("%1 ms").arg(s->maxAbsTimingMs, 0, 'f', 0) : QString()};
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

void frmMain::AppendToPracticeLog(const listen::Summary& summary, int notes) {
  if (practiceLogPath.isEmpty()) return;
  const int category = std::clamp<int>(cfg_.Category, 0, 5);
  practice_log::Entry entry;
  entry.date = QDateTime::currentDateTime();
  entry.item = file_Treat::ItemName(engine_.lists(), category, cfg_.LastItem[category]).trimmed();
  entry.category = category;
  entry.key = MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), passKey_);
  entry.tempo = passTempo_;
  entry.notes = notes;
  entry.summary = summary;
  QString error;
  if (!practice_log::Append(practiceLogPath, entry, &error)) {
    // Said once; the practice goes on without the log.
    if (report) {
      report(QStringLiteral("練習記録を書き込めませんでした。\n%1\n（%2）")
                 .arg(QDir::toNativeSeparators(practiceLogPath), error));
    }
    practiceLogPath.clear();
  }
}

void frmMain::OpenPracticeLog() {
  auto* window = new PracticeLogWindow(practiceLogPath, this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
}
