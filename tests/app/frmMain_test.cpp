#include "app/frmMain.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
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
#include <memory>
#include <vector>

#include "app/screen.h"
#include "tests/app/main_window_fixture.h"
#include "views/circle/circle.h"

TEST_F(MainWindow, PatternListsShowOnlyForTheIIVIPatternCategory) {
  for (int category = 0; category < 6; ++category) {
    cfg.Category = static_cast<std::int16_t>(category);
    frmMain& w = Start();
    const bool shown = category == 2;
    EXPECT_EQ(w.ui.Combo2->currentIndex(), category);
    for (QWidget* c : {static_cast<QWidget*>(w.ui.Combo3), static_cast<QWidget*>(w.ui.Combo4),
                       static_cast<QWidget*>(w.ui.Label4), static_cast<QWidget*>(w.ui.Label5)}) {
      EXPECT_EQ(!c->isHidden(), shown) << "category " << category;
    }
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

TEST_F(MainWindow, ChoosingACategoryShowsOrHidesThePatternLists) {
  frmMain& w = Start();
  EXPECT_TRUE(w.ui.Combo3->isHidden());
  w.ui.Combo2->setCurrentIndex(2);
  EXPECT_EQ(cfg.Category, 2);
  EXPECT_FALSE(w.ui.Combo3->isHidden());
  EXPECT_FALSE(w.ui.Label5->isHidden());
  w.ui.Combo2->setCurrentIndex(4);
  EXPECT_TRUE(w.ui.Combo4->isHidden());
}

TEST_F(MainWindow, ListsHoldTheirDesignedEntries) {
  frmMain& w = Start();
  ASSERT_EQ(w.ui.Combo5->count(), 20);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(w.ui.Combo5->itemText(i), QString::number(i + 1) + QStringLiteral(" 回"));
  }
  ASSERT_EQ(w.ui.Combo2->count(), 6);
  EXPECT_EQ(w.ui.Combo2->itemText(2), QStringLiteral(" ⅡⅤⅠﾊﾟﾀｰﾝ"));
  EXPECT_EQ(w.ui.Combo3->itemText(1), QStringLiteral(" マイナー"));
  EXPECT_EQ(w.ui.Combo4->itemText(3), QStringLiteral(" ホールトーン"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("C アイオニアンＶＯＲＭＩＮＡ　   "));
  EXPECT_EQ(w.ui.Combo1->count(), 25);  // the shipped scales
  EXPECT_EQ(w.ui.Combo1->itemText(1), QStringLiteral(" ドリアン"));
  EXPECT_EQ(w.ui.mnu_edit->actions().size(), 7);
  EXPECT_EQ(w.ui.mnu_help_show_ver->text(), QStringLiteral("バージョン情報"));
}

TEST_F(MainWindow, OutOfRangeStoredIndicesSelectTheNearestEntry) {
  cfg.Category = 9;
  cfg.Tonality = -2;
  cfg.V7Treatment = 4;
  cfg.RepeatCount = 100;
  cfg.ProgressionMode = 7;
  frmMain& w = Start();
  EXPECT_EQ(w.ui.Combo2->currentIndex(), 5);
  EXPECT_EQ(cfg.Category, 5);
  EXPECT_EQ(w.ui.Combo3->currentIndex(), 0);
  EXPECT_EQ(w.ui.Combo4->currentIndex(), 3);
  EXPECT_EQ(w.ui.Combo5->currentIndex(), 19);
  EXPECT_EQ(cfg.RepeatCount, 20);
  EXPECT_TRUE(w.ui.Option1[3]->isChecked());
  EXPECT_EQ(cfg.ProgressionMode, 3);
}

TEST_F(MainWindow, RestoresCheckBoxesAndTheirHandlersRun) {
  cfg.RepeatOn = 1;
  cfg.SwingOn = 1;
  cfg.SpeedUpOn = 1;
  cfg.SpeedUpPercent = 7;
  cfg.ProgressionMode = 1;
  cfg.RepeatCount = 4;
  frmMain& w = Start();
  EXPECT_TRUE(w.ui.Check2->isChecked());
  EXPECT_TRUE(w.ui.Check6->isChecked());
  EXPECT_TRUE(w.ui.Check4->isChecked());
  EXPECT_TRUE(w.ui.Text3->isEnabled());
  EXPECT_EQ(w.ui.Text3->text(), QStringLiteral("7"));
  EXPECT_TRUE(w.ui.Option1[1]->isChecked());
  EXPECT_EQ(w.ui.Combo5->currentText(), QStringLiteral("4 回"));
  EXPECT_EQ(state.Initialising, 0);
  EXPECT_EQ(state.StopRequested, 0);

  w.ui.Check6->click();
  EXPECT_EQ(cfg.SwingOn, 0);
  w.ui.Text3->setText(QStringLiteral("12 percent"));
  EXPECT_EQ(cfg.SpeedUpPercent, 12);
  w.ui.Check4->click();
  EXPECT_EQ(cfg.SpeedUpOn, 0);
  EXPECT_FALSE(w.ui.Text3->isEnabled());
}

// With speed-up off the box's handler never runs at start-up, so the box keeps its
// enabled design state.
TEST_F(MainWindow, SpeedUpPercentBoxStaysEnabledWhenSpeedUpIsOff) {
  cfg.SpeedUpOn = 0;
  frmMain& w = Start();
  EXPECT_TRUE(w.ui.Text3->isEnabled());
}

TEST_F(MainWindow, StartUpTempoRule) {
  struct Case {
    std::int16_t stored, expected;
  };
  for (const Case c : {Case{0, 100}, Case{49, 100}, Case{50, 50}, Case{120, 120}, Case{300, 300},
                       Case{301, 300}}) {
    cfg.Tempo = c.stored;
    frmMain& w = Start();
    EXPECT_EQ(cfg.Tempo, c.expected) << c.stored;
    EXPECT_EQ(w.ui.VScroll1->value(), c.expected) << c.stored;
    EXPECT_EQ(w.ui.Text1->text(), QString::number(c.expected)) << c.stored;
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

TEST_F(MainWindow, DiagramIsForcedOnAndViewMarksShowTheStoredValues) {
  cfg.ShowDiagram = 0;
  cfg.ShowScore = -1;
  cfg.ShowKeyboard = 0;
  frmMain& w = Start();
  EXPECT_EQ(cfg.ShowDiagram, -1);
  EXPECT_FALSE(w.ui.mnu_View_showDiagram->isChecked());
  EXPECT_TRUE(w.ui.mnu_View_showScore->isChecked());
  EXPECT_FALSE(w.ui.mnu_View_ShowKeyBord->isChecked());
  EXPECT_TRUE(w.ui.Check1->isHidden());
  EXPECT_TRUE(w.ui.Check3->isHidden());
  EXPECT_TRUE(w.ui.Check5->isHidden());
  EXPECT_TRUE(w.ui.Frame4->isHidden());
  EXPECT_TRUE(w.ui.Label7->isHidden());
}

TEST_F(MainWindow, EntryBoxesShowWithTheKeyboard) {
  cfg.ShowKeyboard = -1;
  frmMain& w = Start();
  EXPECT_FALSE(w.ui.Check3->isHidden());
  EXPECT_FALSE(w.ui.Check5->isHidden());
  EXPECT_TRUE(w.ui.Check1->isHidden());
}

TEST_F(MainWindow, WithoutTheSymbolFontItsMenuEntriesAreOffAndDisabled) {
  cfg.UseMaestroFont = -1;
  frmMain& w = Start();
  EXPECT_FALSE(w.MaestroActive());
  EXPECT_EQ(cfg.UseMaestroFont, 0);
  EXPECT_FALSE(w.ui.mnu_settei_use_maestroF->isChecked());
  EXPECT_FALSE(w.ui.mnu_settei_use_maestroF->isEnabled());
  EXPECT_FALSE(w.ui.mmu_setting_gosen->isEnabled());
}

TEST_F(MainWindow, TheColumnHangsFromTheTopRightAndReachesNearTheBottom) {
  frmMain& w = Start();
  EXPECT_EQ(w.W(), 1920 * 15);
  EXPECT_EQ(w.H(), 1080 * 15 - 400);
  draw::Surface& s = w.surface();
  EXPECT_EQ(w.ui.Frame1->y(), 0);
  const QPointF rightEdge = s.FromPixel(w.ui.Frame1->x() + w.ui.Frame1->width(), 0);
  EXPECT_NEAR(rightEdge.x(), w.W() - 200, 20);
  EXPECT_EQ(w.ui.Frame2->x(), w.ui.Frame1->x());
  EXPECT_GT(w.ui.Frame2->y(), w.ui.Frame1->y() + w.ui.Frame1->height());
  EXPECT_GT(w.ui.Frame3->y(), w.ui.Frame2->y() + w.ui.Frame2->height());
  const QPointF frame3Bottom = s.FromPixel(0, w.ui.Frame3->y() + w.ui.Frame3->height());
  EXPECT_NEAR(frame3Bottom.y(), 100, 20);
  EXPECT_EQ(w.ui.Command1->y() + 2 * w.ui.Command1->height(), w.ui.Frame3->height());
  // The drawing frame runs from y = H at the top to 0 at the bottom.
  EXPECT_EQ(s.ToPixel(0, w.H()), QPoint(0, 0));
  EXPECT_EQ(s.ToPixel(w.W(), 0), QPoint(s.PixelWidth(), s.PixelHeight()));
}

TEST_F(MainWindow, AnsweringNoKeepsTheProgramRunningAndWritesNothing) {
  frmMain& w = Start();
  answer = false;
  w.ui.Command1->click();
  EXPECT_EQ(questions, QStringList{QStringLiteral("　　終了してよろしいですか？　　")});
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  EXPECT_EQ(state.StopRequested, 0);
}

TEST_F(MainWindow, AnsweringYesStopsSavesAndClosesAfterOneQuestion) {
  frmMain& w = Start();
  cfg.Root = 5;
  answer = true;
  w.ui.mnu_file_end->trigger();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(state.StopRequested, -1);
  QFile f(SettingsPath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  ASSERT_EQ(bytes.size(), 318);
  EXPECT_EQ(bytes[130], 5);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindow, TheSurfaceKeepsItsDrawing) {
  frmMain& w = Start();
  w.surface().FilledBox(1000, 1000, 3000, 3000, draw::Rgb(255, 0, 0));
  w.centralWidget()->repaint();
  EXPECT_EQ(w.surface().Point(2000, 2000), draw::Rgb(255, 0, 0));
  const QImage shown = w.centralWidget()->grab().toImage();
  const QPoint p = w.surface().ToPixel(2000, 2000);
  EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(MainWindow, EachCategoryRestoresItsLastItem) {
  frmMain& w = Start();
  w.ui.Combo1->setCurrentIndex(3);
  EXPECT_EQ(cfg.LastItem[0], 3);
  w.ui.Combo2->setCurrentIndex(1);
  w.ui.Combo1->setCurrentIndex(5);
  w.ui.Combo2->setCurrentIndex(0);
  EXPECT_EQ(w.ui.Combo1->currentIndex(), 3);
  w.ui.Combo2->setCurrentIndex(1);
  EXPECT_EQ(w.ui.Combo1->currentIndex(), 5);
  EXPECT_EQ(cfg.LastItem[1], 5);
}

// A list of sixty items is shown whole and its last item chosen and kept in the settings
// file (its layout unchanged); a stored item past the list selects nothing.
TEST_F(MainWindow, ListsOfSixtyItemsAreShownChosenAndKept) {
  QFile file(dir.filePath("scale.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  for (int i = 1; i <= 61; ++i) file.write(QStringLiteral("s%1,WWHWWWH\n").arg(i).toUtf8());
  file.close();
  cfg.LastItem[0] = 60;
  frmMain& w = Start();
  EXPECT_EQ(w.ui.Combo1->count(), 60);
  EXPECT_EQ(w.ui.Combo1->currentIndex(), -1);
  w.ui.Combo1->setCurrentIndex(59);
  EXPECT_EQ(cfg.LastItem[0], 59);
  EXPECT_EQ(w.engine().phrase().NoteChord[0].trimmed(), QStringLiteral("C s60"));
  ASSERT_TRUE(settings::SaveSettings(cfg, SettingsPath(), {}));
  EXPECT_EQ(QFileInfo(SettingsPath()).size(), settings::kRecordSize);
  settings::CfgRecord stored;
  settings::LoadSettings(stored, SettingsPath(), {});
  EXPECT_EQ(stored.LastItem[0], 59);
}

TEST_F(MainWindow, PreparationSendsTheProgramChangesFirst) {
  cfg.MelodyInstrument = 57;
  cfg.AccompInstrument = 0;  // no program: skipped, never a byte out of range
  cfg.BassInstrument = 2;
  Start();
  ASSERT_GE(midiOut.messages.size(), 3u);
  EXPECT_EQ(midiOut.messages[0].message.Packed(), 0x38C0u);  // channel 0, program 56
  EXPECT_EQ(midiOut.messages[1].message.Packed(), 0x22C2u);  // channel 2, program 34
  EXPECT_EQ(midiOut.messages[2].message.Packed(), 0x01C3u);  // channel 3, program 1
}

TEST_F(MainWindow, SemitoneButtonsAndShortcutsChangeTheKey) {
  struct Case {
    int root;
    int key;
    int expected;
  };
  frmMain& w = Start();
  for (const Case c : {Case{11, Qt::Key_P, 0}, Case{0, Qt::Key_Q, 11}, Case{9, Qt::Key_F, 2}}) {
    cfg.Root = static_cast<std::int16_t>(c.root);
    QTest::keyClick(w.ui.Combo2, static_cast<Qt::Key>(c.key));
    EXPECT_EQ(cfg.Root, c.expected) << c.root;
    QTest::keyClick(w.ui.Text3, static_cast<Qt::Key>(c.key), Qt::ShiftModifier);
    EXPECT_NE(cfg.Root, c.expected) << "the upper-case letter works too";
  }
  // F moves up a fourth: twelve presses visit all twelve keys and come back.
  cfg.Root = 0;
  std::vector<int> visited;
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(w.ui.Combo2, Qt::Key_F);
    visited.push_back(cfg.Root);
  }
  EXPECT_EQ(visited, (std::vector<int>{5, 10, 3, 8, 1, 6, 11, 4, 9, 2, 7, 0}));
  cfg.Root = 3;
  w.ui.Command3->click();
  EXPECT_EQ(cfg.Root, 4);
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("E アイオニアン")));
  w.ui.Command4->click();
  w.ui.Command4->click();
  EXPECT_EQ(cfg.Root, 2);
  w.ui.Command4->setEnabled(false);
  QTest::keyClick(w.ui.Combo2, Qt::Key_Q);
  QTest::keyClick(w.ui.Combo2, Qt::Key_F);
  EXPECT_EQ(cfg.Root, 2);  // both need "半音　－" enabled
  // Letters typed with Alt or Ctrl belong to the menus, not to the shortcuts.
  for (Qt::KeyboardModifier modifier : {Qt::AltModifier, Qt::ControlModifier}) {
    QTest::keyClick(w.ui.Combo2, Qt::Key_P, modifier);
    EXPECT_EQ(cfg.Root, 2);
  }
}

TEST_F(MainWindow, TempoShortcutsStayInRange) {
  frmMain& w = Start();
  QTest::keyClick(w.ui.Combo2, Qt::Key_U);
  EXPECT_EQ(cfg.Tempo, 121);
  EXPECT_EQ(w.ui.Text1->text(), "121");
  w.ui.VScroll1->setValue(300);
  QTest::keyClick(w.ui.Combo2, Qt::Key_U);
  EXPECT_EQ(cfg.Tempo, 300);
  w.ui.VScroll1->setValue(50);
  QTest::keyClick(w.ui.Combo2, Qt::Key_D);
  EXPECT_EQ(cfg.Tempo, 50);
}

TEST_F(MainWindow, APhraseIsTransposedByTheWholeKeyDifference) {
  cfg.Category = 3;
  cfg.LastItem[3] = 0;
  frmMain& w = Start();
  EXPECT_EQ(cfg.Root, 0);  // the phrase's own key
  const Phrase& phrase = w.engine().phrase();
  std::vector<int> inC(phrase.NotePitch.begin(), phrase.NotePitch.begin() + phrase.NoteCount);
  cfg.Root = 10;
  w.ui.Command3->click();  // to 11
  std::vector<int> inB(phrase.NotePitch.begin(), phrase.NotePitch.begin() + phrase.NoteCount);
  w.ui.Command3->click();  // 11 -> 0: down 11
  ASSERT_EQ(phrase.NoteCount, static_cast<int>(inC.size()));
  for (int i = 0; i < phrase.NoteCount; ++i) {
    EXPECT_EQ(phrase.NotePitch[i], inB[i] - 11) << i;
  }
  EXPECT_TRUE(w.windowTitle().contains(QStringLiteral(" ( C )")));
}

TEST_F(MainWindow, AFreshPhraseNamesItsOwnKeyInTheCaption) {
  cfg.Root = 5;
  cfg.Category = 3;
  cfg.LastItem[3] = 0;  // a II-V-I in C
  frmMain& w = Start();
  EXPECT_EQ(cfg.Root, 0);
  EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral(" ( C )ＶＯＲＭＩＮＡ　   ")))
      << w.windowTitle().toStdString();
}

TEST_F(MainWindow, ACircleClickPicksTheKey) {
  cfg.ShowKeyboard = 0;
  frmMain& w = Start();
  const QPointF g = w.circle().CircleGeometry[YEN_treat::kName][7];
  w.KeyOrCircle(static_cast<float>(g.x() + 500), static_cast<float>(g.y()));
  EXPECT_EQ(cfg.Root, 0);
  w.KeyOrCircle(static_cast<float>(g.x() + 499), static_cast<float>(g.y()));
  EXPECT_EQ(cfg.Root, 7);
  EXPECT_EQ(state.PreviousRoot, 0);
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("G ")));
}

TEST_F(MainWindow, ABrokenPhraseBookIsReported) {
  QFile broken(dir.filePath("ric.txt"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write("C4\r\n$late\r\n");
  broken.close();
  frmMain& w = Start();
  w.ui.Combo2->setCurrentIndex(3);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains("ric.txt"));
  EXPECT_EQ(w.ui.Combo1->count(), 0);
}

TEST_F(MainWindow, TheEntryBoxesSitAboveTheKeyboard) {
  cfg.ShowKeyboard = -1;
  frmMain& w = Start();
  const KB_Treat::KeyRectangle& lowest = w.keyboard().KeyRect[1];
  const QPoint keyTop = w.surface().ToPixel(static_cast<float>(lowest.right), lowest.top);
  EXPECT_LT(w.ui.Check3->y() + w.ui.Check3->height(), keyTop.y());
  EXPECT_GT(w.ui.Check3->x(), keyTop.x());
  EXPECT_GT(w.ui.Check5->x(), w.ui.Check3->x() + w.ui.Check3->width());
  EXPECT_EQ(w.ui.Check5->y(), w.ui.Check3->y());
}

// A list that loads with a warning (a byte that is no character) says so once, not again at
// every layout or when its category is chosen again; the list is there all the same. A list
// that cannot load says so once per time the user asks for it, not at every layout (the
// message came back at each, and the window never showed).
TEST_F(MainWindow, AWarningAboutAListIsSaidOnce) {
  QFile scales(dir.filePath("scale.txt"));
  ASSERT_TRUE(scales.open(QIODevice::WriteOnly | QIODevice::Truncate));
  scales.write(QStringLiteral("アイオニアン,WWHWWWH\n# caf").toUtf8() + "\xE9\n" +
               QStringLiteral("ドリアン,WHWWWHW\n").toUtf8());
  scales.close();
  cfg.Category = 0;
  frmMain& w = Start();
  w.resize(w.width() - 40, w.height() - 40);
  QCoreApplication::processEvents();
  w.ui.Combo2->setCurrentIndex(1);
  w.ui.Combo2->setCurrentIndex(0);
  ASSERT_EQ(messages.size(), 1) << messages.join(u'|').toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("scale.txt の 2 行目")))
      << messages[0].toStdString();
  EXPECT_EQ(w.ui.Combo1->count(), 2);

  QFile chords(dir.filePath("code.txt"));
  ASSERT_TRUE(chords.open(QIODevice::WriteOnly | QIODevice::Truncate));
  chords.write("m7,343\nM7 434\n");
  chords.close();
  messages.clear();
  w.ui.Combo2->setCurrentIndex(1);
  w.resize(w.width() + 40, w.height() + 40);
  QCoreApplication::processEvents();
  ASSERT_EQ(messages.size(), 1) << messages.join(u'|').toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("code.txt の 2 行目にコンマ")));
  w.ui.Combo2->setCurrentIndex(0);
  w.ui.Combo2->setCurrentIndex(1);
  EXPECT_EQ(messages.size(), 2);
}
