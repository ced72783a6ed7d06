// The settings dialogs, the small windows and the menus of the main window.
#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <tuple>
#include <vector>

#include "core/user_settings.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "tests/app/main_window_fixture.h"

namespace {

// Packed MIDI short messages.
constexpr std::uint32_t Message(int status, int data1, int data2 = 0) {
  return static_cast<std::uint32_t>(status | (data1 << 8) | (data2 << 16));
}

class Dialogs : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    cfg.PitchBase = 36;
    cfg.MelodyVolume = 100;
    cfg.AccompVolume = 90;
    cfg.BassVolume = 80;
    cfg.ClickVolume = 70;
    cfg.ShowScore = -1;
    cfg.ShowKeyboard = -1;
  }

  // The messages sent from index `from` on.
  std::vector<std::uint32_t> SentSince(std::size_t from) const {
    std::vector<std::uint32_t> sent;
    for (std::size_t i = from; i < midiOut.messages.size(); ++i) {
      sent.push_back(midiOut.messages[i].message.Packed());
    }
    return sent;
  }

  settings::CfgRecord Saved() const {
    settings::CfgRecord saved;
    settings::LoadSettings(saved, SettingsPath(), [](const QString&) {});
    return saved;
  }

  // Number of separate black runs along the preview column at x between y0 and y1 (units).
  static int BlackRuns(settei& dialog, float x, float y0, float y1) {
    int runs = 0;
    bool inRun = false;
    const int top = std::max(0, dialog.preview().ToPixel(x, y1).y());
    const int bottom =
        std::min(dialog.preview().PixelHeight() - 1, dialog.preview().ToPixel(x, y0).y());
    const int px = dialog.preview().ToPixel(x, y0).x();
    for (int py = top; py <= bottom; ++py) {
      const bool black = dialog.preview().PixelAt(px, py) == draw::kBlack;
      if (black && !inRun) ++runs;
      inRun = black;
    }
    return runs;
  }
};

TEST_F(Dialogs, MelodyChoiceStoresItsNumberAndTheTestPlaysItsProgram) {
  const struct {
    const char* name;
    int stored;
  } cases[] = {{"Piano1", 1},     {"GtHarmonic", 32}, {"Trunpet", 57},
               {"Trombone2", 59}, {"SynBrass1", 63},  {"B.Sax", 68}};
  Start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settei* dialog = window->OpenSoundSettings();
    const int entry = dialog->Combo1->findText(QString::fromUtf8(c.name));
    ASSERT_GE(entry, 0);
    dialog->Combo1->setCurrentIndex(entry);
    EXPECT_EQ(cfg.MelodyInstrument, c.stored);
    const std::size_t before = midiOut.messages.size();
    const std::int64_t start = clock.NowMs();
    dialog->Command3->click();
    // Program change, note 30 for a second, all off, note 42 for a second, all off.
    const std::vector<std::uint32_t> expected = {Message(0xC0, c.stored - 1),
                                                 Message(0x90, 30 + 36, 100), Message(0xB0, 0x7B),
                                                 Message(0x90, 42 + 36, 100), Message(0xB0, 0x7B)};
    EXPECT_EQ(SentSince(before), expected);
    EXPECT_EQ(clock.NowMs() - start, 2000);
    dialog->Command1->click();  // OK
    // Reopening selects the stored instrument again.
    dialog = window->OpenSoundSettings();
    EXPECT_EQ(dialog->Combo1->currentText(), QString::fromUtf8(c.name));
    dialog->Command2->click();
  }
}

TEST_F(Dialogs, ListsHoldTheirEntriesAndTheOtherTestsSoundTheirVoices) {
  cfg.AccompInstrument = 27;  // JazzGt
  cfg.BassInstrument = 1;
  cfg.ClickInstrument = 1;
  Start();
  settei* dialog = window->OpenSoundSettings();
  EXPECT_EQ(dialog->Combo1->count(), 41);
  EXPECT_EQ(dialog->Combo1->itemText(6), QStringLiteral("Hapsichord "));
  EXPECT_EQ(dialog->Combo2->count(), 32);
  EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("JazzGt"));
  EXPECT_EQ(dialog->Combo3->count(), 8);
  EXPECT_EQ(dialog->Combo3->itemText(7), QStringLiteral("Synth Bs2 "));
  EXPECT_EQ(dialog->Combo4->count(), 10);
  EXPECT_EQ(dialog->Combo4->currentText(), QStringLiteral("スネア"));

  std::size_t before = midiOut.messages.size();
  dialog->Command4->click();
  EXPECT_EQ(SentSince(before), (std::vector<std::uint32_t>{
                                   Message(0xC1, 26), Message(0x91, 60, 90), Message(0x91, 64, 90),
                                   Message(0x91, 67, 90), Message(0xB1, 0x7B)}));
  EXPECT_EQ(midiOut.messages.back().ms - midiOut.messages[before + 3].ms, 3000);

  before = midiOut.messages.size();
  dialog->Command5->click();
  const int program = window->engine().midi().BassProgramTable()[1] - 1;
  EXPECT_EQ(SentSince(before),
            (std::vector<std::uint32_t>{Message(0xC2, program), Message(0x92, 48, 80),
                                        Message(0x92, 52, 80), Message(0x92, 55, 80),
                                        Message(0xB2, 0x7B)}));

  // The click test sounds at the slider's volume and leaves the stored volume alone.
  dialog->Slider1[3]->setValue(111);
  before = midiOut.messages.size();
  dialog->Command6->click();
  EXPECT_EQ(
      SentSince(before),
      (std::vector<std::uint32_t>{Message(0x99, window->engine().midi().DrumNoteTable()[1], 111)}));
  EXPECT_EQ(cfg.ClickVolume, 70);
  dialog->Command2->click();
}

TEST_F(Dialogs, CancelPutsBackWhatWasChosenAndHeard) {
  cfg.MelodyInstrument = 1;
  cfg.AccompInstrument = 1;
  cfg.SwingLevel = 1;
  cfg.Root = 3;  // changed in the main window since the last save: must survive
  for (bool byWindowButton : {false, true}) {
    SCOPED_TRACE(byWindowButton ? "closed by the window's button" : "キャンセル");
    if (!window) Start();
    QPointer<settei> dialog = window->OpenSoundSettings();
    dialog->Combo1->setCurrentIndex(dialog->Combo1->findText(QStringLiteral("Trunpet")));
    dialog->Combo2->setCurrentIndex(dialog->Combo2->findText(QStringLiteral("JazzGt")));
    dialog->Option1[2]->click();
    dialog->Command3->click();
    dialog->Command4->click();
    EXPECT_EQ(cfg.MelodyInstrument, 57);
    EXPECT_EQ(cfg.AccompInstrument, 27);
    EXPECT_EQ(cfg.SwingLevel, 2);
    if (byWindowButton) {
      dialog->close();
    } else {
      dialog->Command2->click();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(cfg.MelodyInstrument, 1);
    EXPECT_EQ(cfg.AccompInstrument, 1);
    EXPECT_EQ(cfg.SwingLevel, 1);
    EXPECT_EQ(cfg.Root, 3);
    EXPECT_FALSE(QFile::exists(SettingsPath()));
  }
}

TEST_F(Dialogs, OkStoresSavesAndPreparesAgain) {
  Start();
  settei* dialog = window->OpenSoundSettings();
  dialog->Combo1->setCurrentIndex(dialog->Combo1->findText(QStringLiteral("A.Sax")));
  dialog->Slider1[0]->setValue(64);
  dialog->Text1->setText(QStringLiteral("-2"));
  dialog->Text3->setText(QStringLiteral("48"));
  dialog->Text4->setText(QStringLiteral("180"));
  dialog->Check1->setChecked(true);
  dialog->Check2->setChecked(true);
  dialog->VScroll1->setValue(21);
  dialog->VScroll2->setValue(60);
  const std::size_t before = midiOut.messages.size();
  dialog->Command1->click();

  const settings::CfgRecord saved = Saved();
  EXPECT_EQ(saved.MelodyInstrument, 66);
  EXPECT_EQ(saved.MelodyVolume, 64);
  EXPECT_EQ(saved.PitchAdjust, -2);
  EXPECT_EQ(saved.PitchBase, 48);
  EXPECT_EQ(saved.Tempo, 180);
  EXPECT_EQ(saved.SoundOnChange, -1);
  EXPECT_EQ(saved.LimitRange, 1);
  EXPECT_EQ(saved.RangeLow, 21);
  EXPECT_EQ(saved.RangeHigh, 60);
  // The preparation sends the new melody program and the tempo bar follows.
  ASSERT_GT(midiOut.messages.size(), before);
  EXPECT_EQ(midiOut.messages[before].message.Packed(), Message(0xC0, 65));
  EXPECT_EQ(window->ui.VScroll1->value(), 180);
  EXPECT_EQ(window->ui.Text1->text(), QStringLiteral("180"));
}

TEST_F(Dialogs, TextFieldsTakeTheirLeadingNumberAndRefuseWhatDoesNotFit) {
  const struct {
    const char* adjust;
    const char* base;
    const char* tempo;
    bool accepted;
    int storedAdjust, storedBase, storedTempo;
  } cases[] = {
      {"12abc", "", "120", true, 12, 0, 120},
      {" -3 ", "36.5", "99.5", true, -3, 36, 100},  // halves go to the even neighbour
      {"20", "120", "300", true, 20, 120, 300},
      {"0", "36", "0", false, 0, 0, 0},      // tempo 0
      {"0", "121", "120", false, 0, 0, 0},   // pitch base beyond 120
      {"-21", "36", "120", false, 0, 0, 0},  // pitch adjustment beyond a tenth
      {"0", "36", "99999", false, 0, 0, 0},  // does not fit
      {"0", "36", "abc", false, 0, 0, 0},
  };
  Start();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.adjust) + " / " + c.base + " / " + c.tempo);
    QFile::remove(SettingsPath());
    messages.clear();
    QPointer<settei> dialog = window->OpenSoundSettings();
    dialog->Text1->setText(QString::fromUtf8(c.adjust));
    dialog->Text3->setText(QString::fromUtf8(c.base));
    dialog->Text4->setText(QString::fromUtf8(c.tempo));
    dialog->Command1->click();
    if (c.accepted) {
      EXPECT_TRUE(messages.isEmpty());
      const settings::CfgRecord saved = Saved();
      EXPECT_EQ(saved.PitchAdjust, c.storedAdjust);
      EXPECT_EQ(saved.PitchBase, c.storedBase);
      EXPECT_EQ(saved.Tempo, c.storedTempo);
    } else {
      // Refused: a message, the dialog stays open and nothing is saved.
      ASSERT_EQ(messages.size(), 1);
      EXPECT_TRUE(dialog->isVisible());
      EXPECT_FALSE(QFile::exists(SettingsPath()));
      dialog->Command2->click();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(Dialogs, PreviewShowsLedgerLinesAndSharps) {
  Start();
  settei* dialog = window->OpenSoundSettings();
  const float B = 700, S = 50;
  const float lowX = 0.45f * 440 + 20, highX = 0.8f * 440 + 20;
  const struct {
    int pitch;
    float y;
    int below, above;
    bool sharp;
  } cases[] = {
      {28, 700, 0, 0, false}, {24, 650, 1, 0, false},  {25, 650, 1, 0, true},
      {21, 600, 2, 0, false}, {45, 950, 0, 1, false},  {48, 1000, 0, 2, false},
      {0, 300, 8, 0, false},  {72, 1350, 0, 9, false}, {88, 1575, 0, 13, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pitch);
    EXPECT_FLOAT_EQ(dialog->PreviewPitchY(c.pitch), c.y);
    EXPECT_EQ(dialog->PreviewPitchSign(c.pitch), c.sharp ? QStringLiteral("#") : QString());
    dialog->VScroll1->setValue(c.pitch);
    dialog->VScroll2->setValue(28);
    // Ledger lines reach past the head on the right; count them outside the staff.
    EXPECT_EQ(BlackRuns(*dialog, lowX + 0.8f * S, 0, B - S / 2), c.below);
    EXPECT_EQ(BlackRuns(*dialog, lowX + 0.8f * S, B + 4.5f * S, 1599), c.above);
    // The head is filled.
    EXPECT_EQ(dialog->preview().Point(lowX, c.y), draw::kBlack);
    // The sharp sign stands to the left of the head.
    bool ink = false;
    for (float x = lowX - 1.2f * S; x < lowX - 0.5f * S; x += 2) {
      // Heights between the possible ledger lines, inside the picture.
      for (float y : {c.y + 0.3f * S, c.y + 0.7f * S}) {
        ink = ink || (y < 1600 && dialog->preview().Point(x, y) == draw::kBlack);
      }
    }
    EXPECT_EQ(ink, c.sharp);
  }
  // The high note is drawn the same way at its own place.
  dialog->VScroll2->setValue(45);
  EXPECT_EQ(dialog->preview().Point(highX, 950), draw::kBlack);
  EXPECT_EQ(BlackRuns(*dialog, highX + 0.8f * S, B + 4.5f * S, 1599), 1);
  // Five staff lines.
  EXPECT_EQ(BlackRuns(*dialog, 30, B - 10, B + 4 * S + 10), 5);
}

TEST_F(Dialogs, TheRangeBoxEnablesThePreviewControls) {
  for (std::int16_t limit : {0, 1}) {
    SCOPED_TRACE(limit);
    cfg.LimitRange = limit;
    cfg.RangeLow = 24;
    cfg.RangeHigh = 48;
    if (!window) Start();
    settei* dialog = window->OpenSoundSettings();
    EXPECT_EQ(dialog->Check2->isChecked(), limit == 1);
    EXPECT_EQ(dialog->VScroll1->value(), 24);
    EXPECT_EQ(dialog->VScroll2->value(), 48);
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialog->Pict1, dialog->VScroll1, dialog->VScroll2,
                                         dialog->LabelLow, dialog->LabelHigh}) {
      EXPECT_EQ(w->isEnabled(), limit == 1);
    }
    dialog->Check2->click();
    EXPECT_EQ(dialog->VScroll1->isEnabled(), limit == 0);
    EXPECT_EQ(dialog->Pict1->isEnabled(), limit == 0);
    dialog->Command2->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(Dialogs, ColourCancelChangesNothingAndOkStoresAndSaves) {
  cfg.ColorCircle = 0x112233;
  cfg.ColorRoot = 0x445566;
  cfg.ColorKeyEntry = 0x778899;
  Start();
  const settings::CfgRecord before = cfg;
  QPointer<frmColset> dialog = window->OpenColourSettings();
  EXPECT_EQ(dialog->SwatchColour(0), 0x112233);
  EXPECT_EQ(dialog->SwatchColour(5), 0x778899);
  std::vector<QColor> offered;
  dialog->pickColour = [&](const QColor& start) {
    offered.push_back(start);
    return QColor(255, 0, 0);
  };
  dialog->PickSwatch(2);
  dialog->PickSwatch(5);
  // The picker starts from the swatch's colour (Windows values keep red in the low byte).
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0], QColor(0x66, 0x55, 0x44));
  EXPECT_EQ(dialog->SwatchColour(2), 0x0000FF);
  dialog->Command1->click();  // キャンセル
  EXPECT_EQ(settings::EncodeRecord(cfg), settings::EncodeRecord(before));
  EXPECT_FALSE(QFile::exists(SettingsPath()));

  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  dialog = window->OpenColourSettings();
  EXPECT_EQ(dialog->SwatchColour(2), 0x445566);
  dialog->pickColour = [](const QColor& start) { return start; };  // the picker cancelled
  dialog->PickSwatch(0);
  EXPECT_EQ(dialog->SwatchColour(0), 0x112233);
  dialog->pickColour = [](const QColor&) { return QColor(0, 0, 255); };
  dialog->PickSwatch(6);
  dialog->Command2->click();  // O K
  EXPECT_EQ(cfg.ColorKeyHit, 0xFF0000);
  EXPECT_EQ(cfg.ColorCircle, 0x112233);
  EXPECT_EQ(Saved().ColorKeyHit, 0xFF0000);
}

TEST_F(Dialogs, SupplementarySwitchesStoreAtOnceAndStayInFront) {
  cfg.ClickOn = 1;
  cfg.CountInOn = 0;
  cfg.AccompOn = 1;
  cfg.MelodyOn = 1;
  Start();
  window->ui.Command10->click();
  QPointer<MainSet> set = window->OpenMainSet();
  ASSERT_TRUE(set);
  EXPECT_TRUE(set->isVisible());
  EXPECT_TRUE(set->Check7->isChecked());
  EXPECT_FALSE(set->Check8->isChecked());
  EXPECT_EQ(set->Timer1->interval(), 500);
  EXPECT_TRUE(set->Timer1->isActive());
  set->Check10->click();
  set->Check8->click();
  EXPECT_EQ(cfg.MelodyOn, 0);
  EXPECT_EQ(cfg.CountInOn, 1);
  set->Command1->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(set.isNull());
  EXPECT_FALSE(QFile::exists(SettingsPath()));  // saved with the record, not here
}

TEST_F(Dialogs, ShortcutTextLineByLine) {
  const QStringList expected = {
      "  ショートカットの説明　",
      "",
      "  ---------------------------",
      "",
      "　[Space]:  Play or Stop",
      "",
      "　[ P,p ]:  半音上へシフト",
      "",
      "　[ Q,q ]:  半音下へシフト",
      "",
      "　[ F,f ]:  ４度上へシフト",
      "",
      "　[ U,u ]:　テンポＵＰ",
      "",
      "　[ D,d ]:　テンポＤＯＷＮ",
      "",
      "　[ M,m ]:　メトロノーム",
      "",
      "　[ S,s ]:  音出",
  };
  EXPECT_EQ(sample::ShortcutText().split(QStringLiteral("\r\n")), expected);
  Start();
  window->ui.mnu_help_ShortCut->trigger();
  sample* shortcuts = window->OpenShortcuts();
  EXPECT_TRUE(shortcuts->isVisible());
  EXPECT_EQ(shortcuts->Text3->toPlainText().split(QLatin1Char('\n')), expected);
}

TEST_F(Dialogs, ToggleViewTurnsAStoredOneOnAndTheKeyboardTakesItsBoxes) {
  cfg.ShowScore = 1;  // on, but not in the switch form
  Start();
  window->ui.mnu_View_showScore->trigger();
  EXPECT_EQ(cfg.ShowScore, -1);
  EXPECT_TRUE(window->ui.mnu_View_showScore->isChecked());

  ASSERT_TRUE(window->ui.Check3->isVisible());
  window->ui.mnu_View_ShowKeyBord->trigger();
  EXPECT_EQ(cfg.ShowKeyboard, 0);
  EXPECT_FALSE(window->ui.mnu_View_ShowKeyBord->isChecked());
  EXPECT_FALSE(window->ui.Check3->isVisible());
  EXPECT_FALSE(window->ui.Check5->isVisible());
  window->ui.mnu_View_ShowKeyBord->trigger();
  EXPECT_EQ(cfg.ShowKeyboard, -1);
  EXPECT_TRUE(window->ui.Check3->isVisible());
  EXPECT_TRUE(window->ui.Check5->isVisible());
}

TEST_F(Dialogs, MenuEntriesOpenTheirWindows) {
  Start();
  window->ui.mnu_settei_sound->trigger();
  window->ui.mnu_settei_color->trigger();
  const auto dialogs = window->findChildren<QDialog*>();
  int sound = 0, colour = 0;
  for (QDialog* d : dialogs) {
    sound += qobject_cast<settei*>(d) != nullptr && d->isVisible();
    colour += qobject_cast<frmColset*>(d) != nullptr && d->isVisible();
  }
  EXPECT_EQ(sound, 1);
  EXPECT_EQ(colour, 1);
  // Asking again brings the open one forward instead of opening a second.
  EXPECT_EQ(window->OpenSoundSettings(), window->OpenSoundSettings());
  EXPECT_EQ(window->findChildren<settei*>().size(), 1);
  EXPECT_EQ(window->OpenSoundSettings()->windowTitle(), QStringLiteral("サウンド設定"));
  EXPECT_EQ(window->OpenColourSettings()->windowTitle(), QStringLiteral("カラー設定"));
  // The staff-position entry needs the symbol font; with it, the entry shows the buttons.
  EXPECT_FALSE(window->ui.mmu_setting_gosen->isEnabled());
  window->ui.Frame4->hide();
  window->ui.mmu_setting_gosen->setEnabled(true);
  window->ui.mmu_setting_gosen->trigger();
  EXPECT_TRUE(window->ui.Frame4->isVisible());
}

TEST_F(Dialogs, MaterialFilesHelpAndVersion) {
  Start();
  std::vector<QUrl> opened;
  bool opens = true;
  window->openUrl = [&](const QUrl& url) {
    opened.push_back(url);
    return opens;
  };
  const char* files[] = {"scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt"};
  for (int i = 0; i < 6; ++i) {
    window->ui.mnu_edit_seting_file[i]->trigger();
    MaterialEditor* editor = window->EditMaterial(i);  // the one already open comes forward
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->path(), dir.filePath(QString::fromLatin1(files[i])));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->Text->toPlainText().isEmpty());
    editor->close();
  }
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(messages.isEmpty());
  // The last entry opens the folder holding the settings and material files.
  window->ui.mnu_edit_seting_file[6]->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(QDir(opened.back().toLocalFile()), QDir(dir.path()));
  // No file manager: the message names the folder.
  opens = false;
  EXPECT_EQ(window->EditMaterial(6), nullptr);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.back().contains(QDir::toNativeSeparators(dir.path())));
  opens = true;
  const std::size_t count = opened.size();
  messages.clear();

  // Help: a missing document is reported (a present one: see the next test).
  window->ui.mnu_help_help->trigger();
  EXPECT_EQ(opened.size(), count);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages.back(), QStringLiteral("ヘルプファイルが見つかりません。\n") +
                                 QDir::toNativeSeparators(dir.filePath("help.pdf")));

  window->ui.mnu_help_show_ver->trigger();
  ASSERT_EQ(messages.size(), 2);
  const QStringList lines = messages.back().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], QStringLiteral("Ver1.1.2　 2009.01.12"));
  EXPECT_EQ(lines[1], QString());
  EXPECT_FALSE(lines[2].isEmpty());
}

// PATH set to one folder while it lives (the desktop's tools are looked up there).
class PathFor {
 public:
  explicit PathFor(const QString& folder) : saved_(qgetenv("PATH")) {
    qputenv("PATH", QFile::encodeName(folder));
  }
  ~PathFor() { qputenv("PATH", saved_); }
  PathFor(const PathFor&) = delete;
  PathFor& operator=(const PathFor&) = delete;

 private:
  QByteArray saved_;
};

// Help with the document present: it is handed to xdg-open, which the test replaces with a
// script that notes its argument and ends as the desktop's would. Where no application
// opens it, the message names the document so that it can be opened by hand.
TEST_F(Dialogs, HelpOpensWithTheDesktopsApplicationOrSaysWhereTheDocumentIs) {
  Start();
  QFile help(dir.filePath("help.pdf"));
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.close();
  const QString none = QStringLiteral(
                           "ヘルプを表示できませんでした。\nPDFを開くアプリケーションがありません。"
                           "マニュアルはここにあります：\n") +
                       QDir::toNativeSeparators(help.fileName());
  const struct {
    const char* what;
    const char* exitCode;  // nullptr: no xdg-open on the PATH
    bool said;
  } cases[] = {
      {"an application opens it", "0", false},
      {"no application for PDF files", "3", true},
      {"the application fails", "4", true},
      {"no xdg-open", nullptr, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString tools = dir.filePath(QStringLiteral("tools%1").arg(n++));
    ASSERT_TRUE(QDir().mkpath(tools));
    if (c.exitCode) {
      QFile script(tools + QStringLiteral("/xdg-open"));
      ASSERT_TRUE(script.open(QIODevice::WriteOnly));
      script.write(QByteArray("#!/bin/sh\nprintf '%s' \"$1\" > \"${0%/*}/opened\"\nexit ") +
                   c.exitCode + "\n");
      script.close();
      ASSERT_TRUE(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    }
    messages.clear();
    const PathFor path(tools);
    window->show_help();
    if (c.exitCode) {
      // The window goes on while xdg-open runs; what it says comes when it has ended.
      EXPECT_TRUE(messages.isEmpty());
      EXPECT_TRUE(QTest::qWaitFor([&] { return window->OpenersRunning() == 0; }));
      QFile opened(tools + QStringLiteral("/opened"));
      EXPECT_TRUE(opened.open(QIODevice::ReadOnly));
      EXPECT_EQ(QString::fromLocal8Bit(opened.readAll()), help.fileName());
    }
    EXPECT_EQ(messages, c.said ? QStringList{none} : QStringList{});
  }
}

// The choices an export dialog shows.
struct Choices {
  bool allKeys;
  int progression, instrument;
  bool swing;
  bool operator==(const Choices&) const = default;
};
void PrintTo(const Choices& c, std::ostream* out) {
  *out << (c.allKeys ? "12 keys" : "one key") << ", progression " << c.progression
       << ", instrument " << c.instrument << (c.swing ? ", swung" : "");
}

// The export dialog keeps its last choices per user and the next one opens with them. The
// sheet has no one-key choice and only the MIDI file a swing choice, so those are kept
// only where they are offered; a cancelled dialog keeps nothing.
TEST_F(Dialogs, TheExportDialogOpensWithTheLastChoices) {
  cfg.ProgressionMode = 0;
  Start();
  const auto store = user_settings::Open(dir.filePath(QStringLiteral("user.ini")));
  const auto shown = [](const ExportDialog& d) {
    return Choices{d.OptionAllKeys->isChecked(), d.ComboProgression->currentIndex(),
                   d.ComboInstrument->currentIndex(), d.CheckSwing->isChecked()};
  };
  using exports::Format;
  const struct {
    const char* what;
    Format format;
    Choices made;
    bool accepted;
    Format next;
    Choices expected;
  } steps[] = {
      {"nothing kept yet",
       Format::kMusicXml,
       {false, 0, 0, false},
       false,
       Format::kMidi,
       {false, 0, 0, false}},
      {"MIDI: twelve keys in fourths, B♭, swung",
       Format::kMidi,
       {true, 2, 1, true},
       true,
       Format::kMidi,
       {true, 2, 1, true}},
      {"the sheet: E♭, a semitone down",
       Format::kPdf,
       {true, 1, 2, false},
       true,
       Format::kMidi,
       {true, 1, 2, true}},
      {"MusicXML: this key, F; the progression, greyed out, is not kept",
       Format::kMusicXml,
       {false, 0, 3, false},
       true,
       Format::kMidi,
       {false, 1, 3, true}},
      {"the sheet is still in twelve keys",
       Format::kMusicXml,
       {false, 0, 3, false},
       false,
       Format::kPdf,
       {true, 1, 3, true}},
      {"a cancelled dialog keeps nothing",
       Format::kMidi,
       {true, 2, 0, false},
       false,
       Format::kMusicXml,
       {false, 1, 3, true}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    {
      ExportDialog d(step.format, cfg, window.get(), false, store.get());
      (step.made.allKeys ? d.OptionAllKeys : d.OptionOneKey)->setChecked(true);
      d.ComboProgression->setCurrentIndex(step.made.progression);
      d.ComboInstrument->setCurrentIndex(step.made.instrument);
      d.CheckSwing->setChecked(step.made.swing);
      d.findChild<QDialogButtonBox*>()
          ->button(step.accepted ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
          ->click();
    }
    const ExportDialog next(step.next, cfg, window.get(), false, store.get());
    EXPECT_EQ(shown(next), step.expected);
  }
  // Values no list has are not taken: the dialog starts as it would without them.
  cfg.ProgressionMode = 2;
  store->setValue(user_settings::kExportInstrument, 9);
  store->setValue(user_settings::kExportProgression, QStringLiteral("x"));
  const ExportDialog odd(Format::kMusicXml, cfg, window.get(), false, store.get());
  EXPECT_EQ(odd.ComboInstrument->currentIndex(), 0);
  EXPECT_EQ(odd.ComboProgression->currentIndex(), cfg.ProgressionMode);
}

}  // namespace

// Qt's standard buttons and the colour dialog are in Japanese, like the rest of the program.
TEST(QtTranslations, StandardButtonsAndColourDialogSpeakJapanese) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("ＶＯＲＭＩＮＡ"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  const struct {
    QMessageBox::StandardButton button;
    const char* japanese;
  } kButtons[] = {
      {QMessageBox::Yes, "はい"}, {QMessageBox::No, "いいえ"}, {QMessageBox::Cancel, "キャンセル"}};
  for (const auto& b : kButtons) {
    ASSERT_NE(box.button(b.button), nullptr);
    EXPECT_TRUE(box.button(b.button)->text().contains(QString::fromUtf8(b.japanese)))
        << box.button(b.button)->text().toStdString();
  }
  QColorDialog colours;
  colours.setOption(QColorDialog::DontUseNativeDialog);
  QStringList labels;
  for (const QLabel* label : colours.findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.join(u' ').contains(QStringLiteral("色"))) << labels.join(u' ').toStdString();
}

namespace {
// The share of the pixels along the row y, between x0 and x1, that are dark (ink or line).
double DarkShare(const QImage& image, int y, int x0, int x1) {
  int dark = 0;
  for (int x = x0; x <= x1; ++x) dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  return static_cast<double>(dark) / (x1 - x0 + 1);
}
}  // namespace

// The clef sits on the staff: the staff lines run under the clef picture from the staff's
// left end, in the main window and in the range preview.
TEST_F(MainWindow, TheStaffLinesRunUnderTheClef) {
  cfg.ShowScore = -1;
  cfg.LimitRange = 1;
  cfg.RangeHigh = 50;
  cfg.RangeLow = 21;
  frmMain& w = Start();
  ASSERT_TRUE(w.ui.Image1->isVisible());
  const QImage window = w.centralWidget()->grab().toImage();
  const QRect clef = w.ui.Image1->geometry();
  EXPECT_LE(std::abs(clef.left() - w.surface().ToPixel(w.staff().StaffLeftX, 0).x()), 1);
  for (int k = 0; k <= 4; ++k) {
    const int y = w.surface().ToPixel(0, w.staff().StaffBottomY + k * w.staff().LineSpacing).y();
    EXPECT_GT(DarkShare(window, y, clef.left() + 1, clef.right() - 1), 0.95) << "line " << k;
  }
  settei* dialog = w.OpenSoundSettings();
  const QImage preview = dialog->Pict1->grab().toImage();
  const QRect small = dialog->Image1->geometry();
  for (int k = 0; k <= 4; ++k) {
    const int y = dialog->preview().ToPixel(0, 700 + 50.0f * k).y();
    EXPECT_GT(DarkShare(preview, y, small.left() + 1, small.right() - 1), 0.95) << "line " << k;
  }
}

namespace {

// The outputs as the sound settings see them: two drivers and a port, and what was chosen.
class FakeOutputs final : public sound::OutputChoices {
 public:
  std::vector<sound::OutputEntry> Present() const override {
    return {{QStringLiteral("synth:"), QStringLiteral("内蔵シンセサイザー（自動）")},
            {QStringLiteral("synth:alsa"), QStringLiteral("内蔵シンセサイザー（ALSA）")},
            {QStringLiteral("port:Piano"), QStringLiteral("MIDIポート: Piano")}};
  }
  QString Chosen() const override { return chosen; }
  QString ChosenSoundFont() const override { return soundFont; }
  QString SoundFontInUse() const override {
    return soundFont.isEmpty() ? QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2") : soundFont;
  }
  double OutputLatencyMs() const override { return 17.6; }
  int Underflows() const override { return underflows; }
  void Choose(const QString& code, const QString& file) override {
    chosen = code;
    soundFont = file;
    ++chooses;
  }
  QStringList InputPorts() const override { return {QStringLiteral("Keystation:in")}; }
  QString ChosenInput() const override { return input; }
  double InputLatencyMs() const override { return inputLatency; }
  void ChooseInput(const QString& port, double latencyMs) override {
    input = port;
    inputLatency = latencyMs;
    ++inputChooses;
  }
  QString chosen = QStringLiteral("synth:");
  QString soundFont;
  int chooses = 0;
  int underflows = 0;
  std::vector<std::pair<QString, QString>> AudioInputs() const override {
    return {{QStringLiteral("audio:alsa_input.usb-mic"), QStringLiteral("USB マイク")}};
  }
  bool EarReading(double& level, double& pitch) const override {
    level = levelDb;
    pitch = heard;
    return listening;
  }
  QString input;
  double inputLatency = 0;
  int inputChooses = 0;
  bool listening = false;
  double levelDb = -120, heard = 0;
};

}  // namespace

TEST_F(Dialogs, TheOutputFrameShowsAndKeepsTheChoice) {
  Start();
  settei* dialog = window->OpenSoundSettings();
  // Around another output (the tests' recorder) the frame has nothing to offer.
  EXPECT_FALSE(dialog->ComboOutput->parentWidget()->isEnabled());
  dialog->Command2->click();

  struct Case {
    const char* name;
    QString startChosen;
    int pick;      // the entry picked, -1 for none
    QString file;  // the SoundFont picked, empty for none
    bool ok;       // OK, else キャンセル
    int chooses;   // how often the choice is stored
    QString chosenAfter;
  };
  const QString own = QStringLiteral("/home/me/Steinway.sf2");
  for (const Case& c :
       {Case{"OK with a port and a SoundFont", "synth:", 2, own, true, 1, "port:Piano"},
        Case{"OK with nothing changed", "synth:", -1, QString(), true, 0, "synth:"},
        Case{"キャンセル", "synth:", 1, own, false, 0, "synth:"},
        Case{"a port that is not there now", "port:Gone", 1, QString(), true, 1, "synth:alsa"}}) {
    SCOPED_TRACE(c.name);
    FakeOutputs outputs;
    outputs.chosen = c.startChosen;
    const bool ranDry = c.startChosen == "port:Gone";  // the latency line says so
    outputs.underflows = ranDry ? 2 : 0;
    settei* d = window->OpenSoundSettings();
    d->SetOutputs(&outputs);
    EXPECT_TRUE(d->ComboOutput->parentWidget()->isEnabled());
    EXPECT_EQ(d->ComboOutput->currentData().toString(), c.startChosen);
    EXPECT_EQ(d->LabelLatency->text(),
              ranDry ? QStringLiteral("出力の遅れ：約 17.6 ms（音切れ 2 回のため広げました）")
                     : QStringLiteral("出力の遅れ：約 17.6 ms"));
    EXPECT_EQ(d->LabelSoundFont->text(), QStringLiteral("SoundFont：FluidR3_GM.sf2（標準）"));
    if (c.startChosen == "port:Gone") {
      EXPECT_EQ(d->ComboOutput->currentText(), QStringLiteral("Gone（見つかりません）"));
    }
    if (c.pick >= 0) d->ComboOutput->setCurrentIndex(c.pick);
    if (!c.file.isEmpty()) {
      d->pickSoundFont = [&c] { return c.file; };
      d->CommandSoundFont->click();
      EXPECT_EQ(d->LabelSoundFont->text(), QStringLiteral("SoundFont：Steinway.sf2"));
    }
    const int opens = midiOut.opens;
    (c.ok ? d->Command1 : d->Command2)->click();
    EXPECT_EQ(outputs.chooses, c.chooses);
    EXPECT_EQ(outputs.chosen, c.chosenAfter);
    if (c.chooses > 0) {
      EXPECT_EQ(outputs.soundFont, c.file);
      EXPECT_EQ(midiOut.opens, opens + 1);  // opened again at once
    }
  }
}

// The input choice offers the sound server's microphones beside the MIDI ports; while one
// is listened to, the frame shows its level and the note it hears, as a tuner names it.
TEST_F(Dialogs, TheInputOffersMicrophonesAndShowsWhatTheyHear) {
  Start();
  FakeOutputs outputs;
  settei* d = window->OpenSoundSettings();
  d->SetOutputs(&outputs);
  const int mic = d->ComboInput->findData(QStringLiteral("audio:alsa_input.usb-mic"));
  ASSERT_GE(mic, 0);
  EXPECT_EQ(d->ComboInput->itemText(mic), QStringLiteral("マイク：USB マイク"));
  EXPECT_FALSE(d->MeterInput->isEnabled());
  struct Reading {
    double levelDb, pitch;
    int meter;
    const char* heard;
  };
  outputs.listening = true;
  for (const Reading& r :
       {Reading{-20, 69.88, -20, "今の音：B♭4 −12 セント"},
        Reading{-6, 61.3, -6, "今の音：D♭4 +30 セント"}, Reading{-90, 0, -60, "今の音：—"},
        Reading{3, 60, 0, "今の音：C4 ±0 セント"}}) {
    outputs.levelDb = r.levelDb;
    outputs.heard = r.pitch;
    // The frame looks at the ear twenty times a second; a loaded machine may be slower.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return d->LabelHeard->text() == QString::fromUtf8(r.heard); }, 5000));
    EXPECT_TRUE(d->MeterInput->isEnabled());
    EXPECT_EQ(d->MeterInput->value(), r.meter);
    EXPECT_EQ(d->LabelHeard->text(), QString::fromUtf8(r.heard));
  }
  d->ComboInput->setCurrentIndex(mic);
  d->Command1->click();
  EXPECT_EQ(outputs.input, QStringLiteral("audio:alsa_input.usb-mic"));
  // A microphone chosen before and not there now is still shown as chosen.
  outputs.input = QStringLiteral("audio:gone");
  d = window->OpenSoundSettings();
  d->SetOutputs(&outputs);
  EXPECT_EQ(d->ComboInput->currentText(), QStringLiteral("マイク：gone（見つかりません）"));
  d->Command2->click();
}

// 入力の遅れを測る: eight clicks after four, a note played with each; the median lateness
// becomes the input's correction, shown beside the button. Notes too far from the clicks:
// said, the correction unchanged.
TEST_F(Dialogs, MeasuringTheInputSetsItsCorrection) {
  Start();
  FakeOutputs outputs;
  settei* d = window->OpenSoundSettings();
  d->SetOutputs(&outputs);
  d->measureBeatMs = 100;  // the test's beat: a note counts within 50 ms of its click
  for (const auto& [lateMs, shown, correction] :
       {std::tuple{35.0, "遅れ 35 ms（8/8 拍）", 35}, std::tuple{60.0, "測れませんでした", 7}}) {
    SCOPED_TRACE(shown);
    d->SpinInputLatency->setValue(7);
    const qsizetype said = messages.size();
    clock.Advance(1000);
    d->CommandMeasureInput->click();
    EXPECT_FALSE(d->CommandMeasureInput->isEnabled());
    // The player's notes, lateMs after the clicks (the window's clock stands still in the
    // test: every click is at its now).
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          window->PlayedNote(60, 90, static_cast<double>(clock.NowMs()) + lateMs);
          window->PlayedNote(60, 0);
          return d->CommandMeasureInput->isEnabled();
        },
        5000));
    EXPECT_EQ(d->LabelMeasured->text(), QString::fromUtf8(shown));
    EXPECT_EQ(d->SpinInputLatency->value(), correction);
    EXPECT_EQ(messages.size(), said + (correction == 35 ? 0 : 1));
  }
  d->Command2->click();
}

// The file menu's exports: the entries, the choices starting from what is shown, a file
// written for the item in its key, and a write that cannot be made said in a message.
TEST_F(MainWindow, TheFileMenuExportsTheShownItemAndSaysWhenItCannot) {
  cfg.Category = 3;
  cfg.LastItem[3] = 1;
  frmMain& w = Start();
  const QList<QAction*> entries = w.ui.mnu_file->actions();
  QStringList texts;
  for (const QAction* a : entries) texts << a->text();
  EXPECT_EQ(
      texts,
      (QStringList{QStringLiteral("MIDIファイル書き出し…"), QStringLiteral("MusicXML書き出し…"),
                   QStringLiteral("12キー練習シート(PDF)…"), QString(), QStringLiteral("終了")}));
  const int shownKey = cfg.Root;  // the phrase's own key, as the window shows it
  ExportDialog choices(exports::Format::kMusicXml, cfg, &w);
  EXPECT_TRUE(choices.OptionOneKey->isChecked());
  EXPECT_FALSE(choices.ComboProgression->isEnabled());
  EXPECT_FALSE(choices.CheckSwing->isVisibleTo(&choices));
  exports::Request request = choices.Chosen();
  EXPECT_EQ(request.category, 3);
  EXPECT_EQ(request.item, 1);
  EXPECT_EQ(request.key, shownKey);
  EXPECT_FALSE(request.allKeys);
  const QString path = dir.filePath(QStringLiteral("phrase.musicxml"));
  ASSERT_TRUE(w.ExportTo(exports::Format::kMusicXml, request, path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray xml = file.readAll();
  EXPECT_TRUE(xml.contains("<score-partwise version=\"3.1\">"));
  int ticks = 0;
  for (int i = 0; i < w.engine().phrase().NoteCount; ++i)
    ticks += w.engine().phrase().NoteLength[i];
  EXPECT_EQ(xml.count("<measure "), (ticks + 95) / 96);  // the bars of the phrase, in one key
  EXPECT_TRUE(messages.isEmpty()) << messages.join(u' ').toStdString();

  // All twelve keys, a semitone down, for an E♭ instrument.
  choices.OptionAllKeys->setChecked(true);
  EXPECT_TRUE(choices.ComboProgression->isEnabled());
  choices.ComboProgression->setCurrentIndex(1);
  choices.ComboInstrument->setCurrentIndex(2);
  request = choices.Chosen();
  EXPECT_TRUE(request.allKeys);
  EXPECT_EQ(request.progression, exports::Progression::kDown);
  EXPECT_EQ(request.instrument, exports::Instrument::kEb);
  const QString sheet = dir.filePath(QStringLiteral("sheet.pdf"));
  ASSERT_TRUE(w.ExportTo(exports::Format::kPdf, request, sheet));
  QFile pdf(sheet);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");

  // The sheet is always in twelve keys; only the MIDI file offers the swing.
  ExportDialog sheetChoices(exports::Format::kPdf, cfg, &w);
  EXPECT_TRUE(sheetChoices.OptionAllKeys->isChecked());
  EXPECT_FALSE(sheetChoices.OptionOneKey->isEnabled());
  ExportDialog midiChoices(exports::Format::kMidi, cfg, &w);
  EXPECT_TRUE(midiChoices.CheckSwing->isVisibleTo(&midiChoices));

  // A folder that is not there: one message, and no file.
  const QString nowhere = dir.filePath(QStringLiteral("missing/phrase.mid"));
  EXPECT_FALSE(w.ExportTo(exports::Format::kMidi, request, nowhere));
  EXPECT_FALSE(QFile::exists(nowhere));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("書き出せませんでした。")))
      << messages[0].toStdString();
}

// An export from the file menu: the instrument chosen comes back in the next dialog, the
// save dialog starts in the folder written to last, and a written file is offered to be
// opened, or its folder; a write that fails still says why.
TEST_F(MainWindow, AnExportOffersToOpenTheFileOrItsFolder) {
  frmMain& w = Start();
  w.userSettingsFile = dir.filePath(QStringLiteral("user.ini"));
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("takes")));
  QStringList opened;
  bool opens = true;
  // Where nothing opens it, the window's own opener is asked, with an xdg-open on the PATH
  // that finds no application (as on a machine without one).
  const auto desktop = w.openUrl;
  w.openUrl = [&](const QUrl& url) {
    opened << url.toString();
    return opens || desktop(url);
  };
  const QString tools = dir.filePath(QStringLiteral("tools"));
  ASSERT_TRUE(QDir().mkpath(tools));
  QFile script(tools + QStringLiteral("/xdg-open"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nexit 3\n");
  script.close();
  ASSERT_TRUE(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
  QStringList offered, buttons;
  int press = -1;
  w.offer = [&](const QString& message, const QStringList& texts) {
    offered << message;
    buttons = texts;
    return press;
  };
  QString suggested, answer;
  w.askSavePath = [&](const QString&, const QString& path, const QString&) {
    suggested = path;
    return answer;
  };
  enum Opened { kNothing, kTheFile, kTheFolder };
  const struct {
    const char* what;
    int instrument;
    const char* name;
    bool written;
    int press;  // the button pressed in the offer
    bool opens;
    Opened expected;
    const char* said;  // the message, nullptr: none
  } cases[] = {
      {"the file opened", 1, "takes/one.mid", true, 0, true, kTheFile, nullptr},
      {"its folder opened", 2, "takes/two.mid", true, 1, true, kTheFolder, nullptr},
      {"closed", 3, "takes/three.mid", true, 2, true, kNothing, nullptr},
      {"no application for it", 0, "takes/four.mid", true, 0, false, kTheFile,
       "ファイルを開けませんでした（開くアプリケーションがありません）。\n"},
      {"a folder that is not there", 1, "missing/five.mid", false, 0, true, kNothing,
       "書き出せませんでした。"},
  };
  int lastInstrument = 0;
  QString lastFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    answer = path;
    press = c.press;
    opens = c.opens;
    opened.clear();
    offered.clear();
    messages.clear();
    // The choices: the instrument shown is noted, another one chosen, the dialog accepted.
    int shownInstrument = -1;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
      auto* d = w.findChild<ExportDialog*>();
      if (!d || !d->isVisible()) return;
      answering.stop();
      shownInstrument = d->ComboInstrument->currentIndex();
      d->ComboInstrument->setCurrentIndex(c.instrument);
      d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    answering.start(10);
    {
      const PathFor desktopTools(tools);
      w.ExportWithDialog(exports::Format::kMidi);
    }
    answering.stop();
    // What xdg-open ends with is said when it has ended.
    if (c.said) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 5000));
    }
    EXPECT_EQ(shownInstrument, lastInstrument);
    lastInstrument = c.instrument;
    EXPECT_EQ(QFileInfo(suggested).absolutePath(), QFileInfo(lastFolder).absoluteFilePath());
    QStringList expected;
    if (c.expected == kTheFile) expected << QUrl::fromLocalFile(path).toString();
    if (c.expected == kTheFolder) expected << QUrl::fromLocalFile(dir.filePath("takes")).toString();
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(QFile::exists(path), c.written);
    if (c.written) {
      lastFolder = QFileInfo(path).absolutePath();
      EXPECT_EQ(offered,
                QStringList{QStringLiteral("書き出しました。\n") + QDir::toNativeSeparators(path)});
      EXPECT_EQ(buttons,
                (QStringList{QStringLiteral("ファイルを開く"), QStringLiteral("フォルダーを開く"),
                             QStringLiteral("閉じる")}));
    } else {
      EXPECT_TRUE(offered.isEmpty());
    }
    if (c.said) {
      EXPECT_EQ(messages.size(), 1);
      const QString said = messages.value(0);
      EXPECT_TRUE(said.startsWith(QString::fromUtf8(c.said))) << said.toStdString();
      EXPECT_TRUE(said.contains(QDir::toNativeSeparators(path))) << said.toStdString();
    } else {
      EXPECT_TRUE(messages.isEmpty()) << messages.join(u' ').toStdString();
    }
  }
}

// The MIDI input in the sound settings: the ports present, "なし" when nothing is chosen,
// a chosen port that is gone still shown, and the choice with its latency stored at OK.
TEST_F(Dialogs, TheInputChoiceIsShownAndKeptWithItsLatency) {
  Start();
  FakeOutputs outputs;
  settei* d = window->OpenSoundSettings();
  d->SetOutputs(&outputs);
  ASSERT_EQ(d->ComboInput->count(), 3);  // なし, the MIDI port, the microphone
  EXPECT_EQ(d->ComboInput->currentText(), QStringLiteral("なし"));
  EXPECT_EQ(d->ComboInput->itemText(1), QStringLiteral("Keystation:in"));
  d->ComboInput->setCurrentIndex(1);
  d->SpinInputLatency->setValue(12);
  d->Command1->click();
  EXPECT_EQ(outputs.inputChooses, 1);
  EXPECT_EQ(outputs.input, QStringLiteral("Keystation:in"));
  EXPECT_EQ(outputs.inputLatency, 12);

  // Opened again with nothing changed: nothing stored. A port not there now stays shown.
  outputs.input = QStringLiteral("Gone:out");
  d = window->OpenSoundSettings();
  d->SetOutputs(&outputs);
  EXPECT_EQ(d->ComboInput->currentText(), QStringLiteral("Gone:out（見つかりません）"));
  EXPECT_EQ(d->SpinInputLatency->value(), 12);
  d->Command1->click();
  EXPECT_EQ(outputs.inputChooses, 1);
}
