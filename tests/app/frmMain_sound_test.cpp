// The main window's sound: keys played with the mouse, the output opened after the first
// paint, reference tones, continuous play, the metronome, play once, and what the window's
// passes play for every category.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "app/frmMain.h"
#include "app/screen.h"
#include "tests/app/main_window_fixture.h"
#include "views/circle/circle.h"

namespace {
std::vector<std::uint32_t> Messages(const sound::CaptureMidiOut& out) {
  std::vector<std::uint32_t> m;
  for (const auto& [t, message] : out.messages) m.push_back(message.Packed());
  return m;
}
bool Contains(const std::vector<std::uint32_t>& messages, std::uint32_t message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}
}  // namespace

TEST_F(MainWindow, AKeyPressedWithTheMouseSoundsTransposedOrAtConcertPitch) {
  cfg.ShowKeyboard = -1;
  cfg.PitchBase = 48;
  cfg.PitchAdjust = -2;
  frmMain& w = Start();
  const KB_Treat::KeyRectangle& f = w.keyboard().KeyRect[1];
  for (const int concert : {0, 1}) {
    cfg.PlayConcertPitch = static_cast<std::int16_t>(concert);
    midiOut.messages.clear();
    w.KeyOrCircle(f.left + 50.0f, f.bottom + 100.0f);
    EXPECT_EQ(state.SoundingKey, 1);
    EXPECT_EQ(w.surface().Point(f.left + 50.0f, f.bottom + 100.0f), draw::Rgb(255, 0, 0));
    w.KeyRelease();
    EXPECT_EQ(w.surface().Point(f.left + 50.0f, f.bottom + 100.0f), draw::kWhite);
    const std::uint32_t note = concert ? 53 : 51;
    EXPECT_EQ(Messages(midiOut), (std::vector<std::uint32_t>{0x7F0090 | (note << 8), 0x7BB0}));
  }
  midiOut.messages.clear();
  w.KeyOrCircle(f.right, f.bottom + 100.0f);  // the edge between two keys: nothing
  EXPECT_TRUE(midiOut.messages.empty());
}

TEST_F(MainWindow, AKeyPressedDuringPlaybackSoundsAtOnce) {
  cfg.ShowKeyboard = -1;
  cfg.PitchBase = 48;
  cfg.PitchAdjust = 0;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 3;
  frmMain& w = Start();
  const KB_Treat::KeyRectangle& f = w.keyboard().KeyRect[1];
  std::int64_t pressedAt = -1;
  int atOnceBefore = 0;
  const std::int64_t start = clock.NowMs();
  clock.whileWaiting = [&](kihon::VirtualClock& c) {
    if (pressedAt < 0 && c.Deadline() >= start + 1000) {
      c.Advance(3);  // between two steps
      pressedAt = c.NowMs();
      atOnceBefore = midiOut.atOnce;
      w.KeyOrCircle(f.left + 50.0f, f.bottom + 100.0f);
      w.KeyRelease();
    }
    if (c.Deadline() >= start + 2000) state.StopRequested = -1;
  };
  QTest::keyClick(w.ui.Combo5, Qt::Key_Space);
  ASSERT_GT(pressedAt, 0);
  // The key's note-on and its all-notes-off, at the moment of the press, not at a step.
  const auto pressed =
      std::find(midiOut.messages.begin(), midiOut.messages.end(),
                sound::TimedMessage{pressedAt, sound::ShortMessage::Unpack(0x7F3590u)});
  ASSERT_NE(pressed, midiOut.messages.end());  // F
  ASSERT_NE(pressed + 1, midiOut.messages.end());
  EXPECT_EQ((pressed + 1)->ms, pressedAt);
  EXPECT_GE(midiOut.atOnce, atOnceBefore + 2);
}

TEST_F(MainWindow, TheSoundOpensAfterTheFirstPaintAndNothingIsLost) {
  cfg.MelodyInstrument = 12;
  cfg.ShowKeyboard = -1;
  frmMain& w = Start(false);
  struct Case {
    const char* name;
    std::function<void()> first;  // what opens the output
  };
  // Shown and prepared, the output not opened yet: the programs wait for it, and the first
  // paint opens it.
  EXPECT_EQ(midiOut.opens, 0);
  EXPECT_TRUE(w.engine().midi().OpenPending());
  for (int i = 0; i < 50 && w.engine().midi().OpenPending(); ++i) QApplication::processEvents();
  EXPECT_EQ(midiOut.opens, 1);
  ASSERT_FALSE(midiOut.messages.empty());
  EXPECT_EQ(midiOut.messages[0].message.Packed(), 0xC0u | (11u << 8));
  for (const Case& c :
       {Case{"opened after the first paint", [&] { w.engine().midi().FinishOpen(); }},
        Case{"a key pressed before it", [&] {
               const KB_Treat::KeyRectangle& f = w.keyboard().KeyRect[1];
               w.KeyOrCircle(f.left + 50.0f, f.bottom + 100.0f);
             }}}) {
    SCOPED_TRACE(c.name);
    midiOut.messages.clear();
    midiOut.opens = 0;
    w.engine().midi().StartMidiOut({}, true);
    w.engine().midi().SendInstruments();
    // Prepared, but the output is not opened yet: the programs wait for it.
    EXPECT_EQ(midiOut.opens, 0);
    EXPECT_TRUE(midiOut.messages.empty());
    EXPECT_TRUE(w.engine().midi().OpenPending());
    c.first();
    EXPECT_EQ(midiOut.opens, 1);
    ASSERT_GE(midiOut.messages.size(), 3u);
    // The program changes of the preparation (the accompaniment's stored 0 has none), then
    // whatever opened the output.
    EXPECT_EQ(midiOut.messages[0].message.Packed(), 0xC0u | (11u << 8));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(midiOut.messages[i].message.Packed() & 0xF0u, 0xC0u) << i;
  }
  EXPECT_EQ(midiOut.messages.back().message.Packed() & 0xFFu, 0x90u);  // the key sounds
}

TEST_F(MainWindow, ReferenceTonesWhileTheButtonsAreHeld) {
  cfg.PitchBase = 36;
  cfg.PitchAdjust = 3;  // reference tones sound at concert pitch
  frmMain& w = Start();
  midiOut.messages.clear();
  QTest::mousePress(w.ui.Command8, Qt::LeftButton);
  QTest::mouseRelease(w.ui.Command8, Qt::LeftButton);
  QTest::mousePress(w.ui.Command6, Qt::LeftButton);
  QTest::mouseRelease(w.ui.Command6, Qt::LeftButton);
  // A (33) a semitone below B flat (34).
  EXPECT_EQ(Messages(midiOut), (std::vector<std::uint32_t>{0x7F4593, 0x7BB3, 0x7F4693, 0x7BB3}));
}

TEST_F(MainWindow, SpaceStartsContinuousPlayAndStopsIt) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 2;
  cfg.Tempo = 140;
  cfg.CountInOn = 1;
  frmMain& w = Start();
  int waited = 0;
  bool playingSeen = false;
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    if (++waited == 12) {
      playingSeen =
          !w.ui.Command5->isEnabled() && w.ui.Command9->isEnabled() && !w.ui.Combo1->isEnabled();
      cfg.Tempo = 180;  // as a speed-up would
      QTest::keyClick(w.ui.Combo5, Qt::Key_Space);
    }
  };
  QTest::keyClick(w.ui.Combo5, Qt::Key_Space);
  EXPECT_TRUE(playingSeen);
  EXPECT_TRUE(w.ui.Command5->isEnabled());
  EXPECT_FALSE(w.ui.Command9->isEnabled());
  EXPECT_TRUE(w.ui.Combo1->isEnabled());
  EXPECT_EQ(cfg.Tempo, 140);
  EXPECT_EQ(state.StopRequested, -1);
  EXPECT_TRUE(Contains(Messages(midiOut), 0x7F4499));  // the count-in
}

TEST_F(MainWindow, ClosingDuringPlaybackEndsItAndSaves) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 3;
  frmMain& w = Start();
  answer = true;
  int waited = 0;
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    if (++waited == 20) w.close();
  };
  w.ui.Command5->click();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(state.StopRequested, -1);
  EXPECT_TRUE(QFile::exists(SettingsPath()));
  EXPECT_EQ(midiOut.closes, 2);  // once at start (close before open), once at exit
}

TEST_F(MainWindow, TheMetronomeFollowsTempoChangesAndRestoresTheTempo) {
  cfg.CountInOn = 0;
  cfg.ClickInstrument = 0;
  cfg.ClickVolume = 100;
  frmMain& w = Start();
  midiOut.messages.clear();
  std::vector<std::int64_t> clicks;
  sound::CaptureMidiOut* out = &midiOut;
  const std::int64_t start = clock.NowMs();
  bool changed = false;
  bool stopped = false;
  clock.whileWaiting = [&](kihon::VirtualClock& c) {
    // 150 bpm from 700 ms: the click not yet heard (due at 1000) comes at 500 + 400.
    if (!changed && c.Deadline() >= start + 700) {
      changed = true;
      w.ui.VScroll1->setValue(150);
    }
    if (!stopped && c.Deadline() >= start + 1400) {
      stopped = true;
      w.ui.Command9->click();
    }
  };
  w.ui.Command7->click();
  for (const auto& [t, m] : out->messages) {
    if (m.Packed() == 0x642199) clicks.push_back(t - start);
  }
  EXPECT_EQ(clicks, (std::vector<std::int64_t>{0, 500, 900, 1300}));
  EXPECT_EQ(cfg.Tempo, 120);
  // The bar and the box show the tempo in force again.
  EXPECT_EQ(w.ui.VScroll1->value(), 120);
  EXPECT_EQ(w.ui.Text1->text(), QStringLiteral("120"));
  EXPECT_FALSE(w.ui.Command9->isEnabled());
}

TEST_F(MainWindow, PlayOnceAndTheStaffPositionButtons) {
  cfg.MelodyOn = 1;
  cfg.MelodyVolume = 100;
  cfg.PitchBase = 36;
  frmMain& w = Start();
  midiOut.messages.clear();
  QTest::keyClick(w.ui.Combo5, Qt::Key_S);
  const auto sent = Messages(midiOut);
  EXPECT_TRUE(Contains(sent, 0x642490));  // the scale's first note: pitch 0 at pitch base 36
  EXPECT_TRUE(w.ui.Command1->isEnabled());
  EXPECT_TRUE(w.ui.Command2->isEnabled());

  cfg.StaffOffset = 45;
  for (int i = 0; i < 5; ++i) w.ui.Command12[0]->click();
  EXPECT_FLOAT_EQ(cfg.StaffOffset, 95);
  EXPECT_FLOAT_EQ(w.staff().StaffBottomY, w.H() - w.H() / 8 * 1.2f + 95);
  w.ui.Command12[4]->click();
  EXPECT_FLOAT_EQ(cfg.StaffOffset, 0);
  w.ui.Command12[2]->click();
  EXPECT_FLOAT_EQ(cfg.StaffOffset, -1);
}

// An E phrase chosen right after a B flat phrase is spelled in E at once: its chord names,
// the staff's accidentals and the circle's note names all agree with the caption.
TEST_F(MainWindow, APhraseIsSpelledInItsOwnKeyAtFirstView) {
  QFile ric(dir.filePath("ric.txt"));
  ASSERT_TRUE(ric.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ric.write(
      "$in B flat\r\n*Cm7\r\n2C4\r\n2Eb4\r\n*F7\r\n2A4\r\n*BbM7\r\n2Bb5\r\n"
      "$in E\r\n*F#m7\r\n2F#4\r\n2A4\r\n*B7\r\n2D#4\r\n*EM7\r\n2G#5\r\n");
  ric.close();
  cfg.Category = 3;
  cfg.LastItem[3] = 0;
  cfg.ShowScore = -1;
  frmMain& w = Start();
  EXPECT_EQ(cfg.Root, 10);
  w.ui.Combo1->setCurrentIndex(1);
  EXPECT_EQ(cfg.Root, 4);
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("in E ( E )")));
  EXPECT_EQ(w.engine().phrase().NoteChord[0].trimmed(), QStringLiteral("F#m7"));
  // F sharp, D sharp and G sharp are written with sharps on the staff.
  for (int pitch : {30, 39, 44}) {
    EXPECT_EQ(w.staff().PitchAccidental[pitch], QStringLiteral("#")) << pitch;
  }
  Scor_treat::ClearAccidentals(w.staff());
  EXPECT_EQ(Scor_treat::AccidentalToDraw(w.staff(), 30), QStringLiteral("#"));
  // Back to the B flat phrase: flats again.
  w.ui.Combo1->setCurrentIndex(0);
  EXPECT_EQ(w.engine().phrase().NoteChord[0].trimmed(), QStringLiteral("Cm7"));
  EXPECT_EQ(w.staff().PitchAccidental[27], QStringLiteral("b"));
}

namespace {
// The part of the picture between two corners given in window units.
QImage Region(frmMain& w, float left, float top, float right, float bottom) {
  const QPoint a = w.surface().ToPixel(left, top);
  const QPoint b = w.surface().ToPixel(right, bottom);
  return w.surface().Image().copy(QRect(a, b));
}
}  // namespace

// A click on the circle while a scale plays redraws the window in the new key; when the
// playback is stopped, the staff and the circle look exactly like a fresh drawing of that
// key (no stray cursor line, no stray XOR circle), and the entry marks are back.
TEST_F(MainWindow, ViewsAreCleanAfterACircleClickAndAStopDuringPlayback) {
  cfg.ShowScore = -1;
  cfg.ShowKeyboard = -1;
  cfg.ShowEntry = 1;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 3;
  cfg.ColorKeyEntry = static_cast<std::int32_t>(draw::Rgb(96, 165, 250));
  cfg.ColorCircle = static_cast<std::int32_t>(draw::Rgb(205, 225, 250));
  cfg.ColorPolygon = static_cast<std::int32_t>(draw::Rgb(255, 196, 120));
  frmMain& w = Start();
  int waited = 0;
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    ++waited;
    if (waited == 5) {
      const QPointF g = w.circle().CircleGeometry[YEN_treat::kName][7];
      w.KeyOrCircle(static_cast<float>(g.x()) + 10, static_cast<float>(g.y()) + 10);
    }
    if (waited == 15) w.ui.Command9->click();
  };
  w.ui.Command5->click();
  ASSERT_GE(waited, 15);
  EXPECT_EQ(cfg.Root, 7);
  const YEN_treat::CircleState& c = w.circle();
  const float R = c.CircleRadius;
  const auto circleArea = [&] {
    return Region(w, c.CircleCentreX - 1.1f * R, c.CircleCentreY + 1.1f * R,
                  c.CircleCentreX + 1.1f * R, c.CircleCentreY - 1.1f * R);
  };
  const float s = w.staff().LineSpacing;
  const float T = w.staff().StaffBottomY;
  const auto staffArea = [&] {
    return Region(w, w.staff().StaffLeftX, T + 6 * s, w.staff().StaffLeftX + w.staff().StaffWidth,
                  T - 2 * s);
  };
  const QImage circleAfter = circleArea();
  const QImage staffAfter = staffArea();
  // The entry marks of G Ionian are painted again.
  for (int k = 1; k < w.keyboard().KeyCount; ++k) {
    const KB_Treat::KeyRectangle& r = w.keyboard().KeyRect[k];
    if (w.keyboard().EntryMark[k] == 0) continue;
    EXPECT_EQ(w.surface().Point((r.left + r.right) / 2.0f, r.bottom + 150.0f),
              draw::Rgb(96, 165, 250))
        << "key " << k;
  }
  clock.whileWaiting = nullptr;
  w.Prepair4PLAY(false);
  EXPECT_TRUE(circleArea() == circleAfter);
  EXPECT_TRUE(staffArea() == staffAfter);
}

// After a phrase is stopped, after a key pressed with the mouse is let go, and after a note
// played in or heard ends, the phrase's entry marks are shown on the keyboard again.
TEST_F(MainWindow, EntryMarksReturnAfterAStopOrAKey) {
  cfg.ShowKeyboard = -1;
  cfg.ShowEntry = 1;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 3;
  cfg.Category = 3;
  cfg.ColorKeyEntry = static_cast<std::int32_t>(draw::Rgb(96, 165, 250));
  const std::vector<std::pair<const char*, std::function<void(frmMain&)>>> disturbances = {
      {"a stop",
       [this](frmMain& w) {
         int waited = 0;
         clock.whileWaiting = [&](kihon::VirtualClock&) {
           if (++waited == 12) w.ui.Command9->click();
         };
         w.ui.Command5->click();
         clock.whileWaiting = nullptr;
       }},
      {"a mouse key",
       [](frmMain& w) {
         for (int k = 1; k < w.keyboard().KeyCount; ++k) {
           if (w.keyboard().EntryMark[k] == 0) continue;
           const KB_Treat::KeyRectangle& r = w.keyboard().KeyRect[k];
           w.KeyOrCircle((r.left + r.right) / 2.0f, r.bottom + 150.0f);
           w.KeyRelease();
           break;
         }
       }},
      {"a MIDI note",
       [](frmMain& w) {
         w.PlayedNote(60, 100);
         w.PlayedNote(60, 0);
       }},
      {"a heard note",
       [](frmMain& w) {
         w.ShowHeard(62);
         w.ShowHeard(-1);
       }},
  };
  for (const auto& [what, disturb] : disturbances) {
    frmMain& w = Start();
    disturb(w);
    int marked = 0;
    for (int k = 1; k < w.keyboard().KeyCount; ++k) {
      const KB_Treat::KeyRectangle& r = w.keyboard().KeyRect[k];
      if (w.keyboard().EntryMark[k] == 0) continue;
      ++marked;
      EXPECT_EQ(w.surface().Point((r.left + r.right) / 2.0f, r.bottom + 150.0f),
                draw::Rgb(96, 165, 250))
          << what << ", key " << k;
    }
    EXPECT_GT(marked, 2) << what;
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

// A tempo typed into the box and confirmed with Enter or by leaving the box moves the bar;
// a number outside 50..300, or no number, is refused with a message naming the range.
TEST_F(MainWindow, TheTempoBoxTakesATypedTempo) {
  frmMain& w = Start();
  w.show();
  struct Case {
    const char* typed;
    bool byEnter;
    int tempo;  // in force afterwards
    bool refused;
  };
  const Case cases[] = {
      {"150", true, 150, false}, {"49", true, 150, true},    {"301", true, 150, true},
      {"abc", true, 150, true},  {"300", false, 300, false}, {" 50 ", true, 50, false},
      {"", true, 50, true},
  };
  for (const Case& c : cases) {
    messages.clear();
    w.ui.Text1->setFocus();
    w.ui.Text1->setText(QString::fromLatin1(c.typed));
    if (c.byEnter) {
      QTest::keyClick(w.ui.Text1, Qt::Key_Return);
    } else {
      QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(w.ui.Text1, &leave);
    }
    EXPECT_EQ(cfg.Tempo, c.tempo) << c.typed;
    EXPECT_EQ(w.ui.VScroll1->value(), c.tempo) << c.typed;
    EXPECT_EQ(w.ui.Text1->text(), QString::number(c.tempo)) << c.typed;
    if (c.refused) {
      ASSERT_EQ(messages.size(), 1) << c.typed;
      EXPECT_TRUE(messages[0].contains("50") && messages[0].contains("300")) << c.typed;
    } else {
      EXPECT_TRUE(messages.isEmpty()) << c.typed;
    }
  }
}

// After a run that sped up, the bar and the box show the tempo it started from.
TEST_F(MainWindow, TheTempoBarShowsTheTempoInForceAfterASpeedUp) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 3;
  cfg.SpeedUpOn = 1;
  cfg.SpeedUpPercent = 20;
  cfg.CountInOn = 0;
  frmMain& w = Start();
  int waited = 0;
  int fastest = 0;
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    ++waited;
    // The bar follows the speed-up while it runs.
    EXPECT_EQ(w.ui.VScroll1->value(), cfg.Tempo);
    fastest = std::max<int>(fastest, cfg.Tempo);
    if (waited == 400) w.ui.Command9->click();
  };
  w.ui.Command5->click();
  EXPECT_GT(fastest, 120);
  EXPECT_EQ(cfg.Tempo, 120);
  EXPECT_EQ(w.ui.VScroll1->value(), 120);
  EXPECT_EQ(w.ui.Text1->text(), QStringLiteral("120"));
}

// The item list's popup shows the longest item name whole.
TEST_F(MainWindow, TheItemPopupIsAsWideAsItsLongestEntry) {
  for (int category = 0; category < 6; ++category) {
    cfg.Category = static_cast<std::int16_t>(category);
    frmMain& w = Start();
    ASSERT_GT(w.ui.Combo1->count(), 0) << category;
    int widest = 0;
    for (int i = 0; i < w.ui.Combo1->count(); ++i) {
      widest = std::max(
          widest, w.ui.Combo1->view()->fontMetrics().horizontalAdvance(w.ui.Combo1->itemText(i)));
    }
    EXPECT_GT(w.ui.Combo1->view()->minimumWidth(), widest) << category;
    EXPECT_GE(w.ui.Combo1->view()->minimumWidth(), w.ui.Combo1->width()) << category;
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

// What the window plays and what the command-line tool reports are the same messages at the
// same times: both prepare and play through the practice engine.
TEST_F(MainWindow, ThePlayOncePassIsTheOfflineEnginesPass) {
  cfg.MelodyOn = 1;
  cfg.MelodyVolume = 100;
  cfg.AccompOn = 1;
  cfg.ClickOn = 1;
  cfg.SwingOn = 1;
  frmMain& w = Start();
  struct Row {
    int category, item, key;
  };
  for (const Row row : {Row{0, 3, 5}, Row{1, 2, 10}, Row{2, 4, 7}, Row{3, 1, 2}, Row{5, 0, 11}}) {
    SCOPED_TRACE(testing::Message()
                 << "category " << row.category << " item " << row.item << " key " << row.key);
    w.ui.Combo2->setCurrentIndex(row.category);
    cfg.Root = static_cast<std::int16_t>(row.key);
    midiOut.messages.clear();
    // Choosing the item prepares it (program changes, realisation); 音出し plays it.
    w.ui.Combo1->setCurrentIndex(-1);
    w.ui.Combo1->setCurrentIndex(row.item);
    w.ui.Command2->click();
    sound::TimedMessages played = midiOut.messages;
    ASSERT_GT(played.size(), 4u);
    const std::int64_t start = played[4].ms;  // the pass starts after the program changes
    for (std::size_t i = 4; i < played.size(); ++i) played[i].ms -= start;
    for (std::size_t i = 0; i < 4; ++i) played[i].ms = 0;

    settings::CfgRecord record = cfg;
    record.Root = static_cast<std::int16_t>(row.key);
    practice::OfflineEngine tool(record);
    tool.engine.LoadCategory(dir.path(), row.category, nullptr);
    tool.engine.Select(row.category, row.item, row.key);
    const practice::PassResult pass = tool.PlayOnce();
    ASSERT_TRUE(pass.error.isEmpty());
    EXPECT_EQ(played, pass.messages);
  }
}
