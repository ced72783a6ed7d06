// The program in English and in Japanese: every window speaks the language of the run, and no
// text is wider than the control that shows it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTextEdit>

#include "core/translations.h"
#include "core/user_settings.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/practice_log_window.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "engine/practice_log.h"
#include "tests/app/main_window_fixture.h"

namespace {

// A Japanese character: kana (half-width too), the ideographs, the ideographic space and
// punctuation, and the full-width letters, digits and signs.
bool IsJapanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) ||
         (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFFEF);
}

// The program's name is written in full-width letters in both languages, and the language
// menu names Japanese in its own words.
bool HasJapanese(QString text) {
  text.remove(QStringLiteral("ＶＯＲＭＩＮＡ"));
  if (text == QStringLiteral("日本語")) return false;
  return std::any_of(text.begin(), text.end(), IsJapanese);
}

// A text a window shows, the control that shows it and the width it has there (-1: a text
// that is not measured, such as a tooltip or a window title).
struct Shown {
  QString text;
  const QWidget* control;
  int room;
};

int Widest(const QFontMetrics& metrics, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    widest = std::max(widest, metrics.horizontalAdvance(QString(line).remove(QLatin1Char('&'))));
  }
  return widest;
}

// The width a check box or radio button leaves its text.
int TextRoomOfToggle(const QAbstractButton* b) {
  const QStyle* s = b->style();
  const bool radio = qobject_cast<const QRadioButton*>(b) != nullptr;
  const int indicator =
      s->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth);
  const int spacing =
      s->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing);
  return b->width() - indicator - spacing;
}

int TextRoomOfCombo(const QComboBox* combo) {
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.editable = combo->isEditable();
  return combo->style()
      ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
      .width();
}

void CollectMenu(const QMenu* menu, std::vector<Shown>& out) {
  out.push_back({menu->title(), menu, -1});
  for (const QAction* a : menu->actions()) {
    if (a->menu()) {
      CollectMenu(a->menu(), out);
    } else {
      out.push_back({a->text(), menu, -1});
      out.push_back({a->toolTip(), menu, -1});
    }
  }
}

// Every text a window and the controls in it show, with the width each has.
std::vector<Shown> TextsOf(const QWidget* window) {
  std::vector<Shown> out;
  QList<const QWidget*> widgets{window};
  for (const QWidget* w : window->findChildren<const QWidget*>()) widgets << w;
  for (const QWidget* w : widgets) {
    if (!w->isVisibleTo(window) && w != window) continue;
    if (w->isWindow()) out.push_back({w->windowTitle(), w, -1});
    out.push_back({w->toolTip(), w, -1});
    out.push_back({w->accessibleName(), w, -1});
    out.push_back({w->accessibleDescription(), w, -1});
    if (const auto* menuBar = qobject_cast<const QMenuBar*>(w)) {
      for (const QAction* a : menuBar->actions()) {
        if (a->menu()) CollectMenu(a->menu(), out);
      }
    } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
      const bool toggle = qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b);
      const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin);
      out.push_back({b->text(), b, toggle ? TextRoomOfToggle(b) : b->width() - margin});
    } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
      out.push_back({label->text(), label, label->wordWrap() ? -1 : label->contentsRect().width()});
    } else if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
      out.push_back({box->title(), box, box->width() - 8});
    } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) {
        out.push_back({combo->itemText(i), combo, TextRoomOfCombo(combo)});
      }
    } else if (const auto* line = qobject_cast<const QLineEdit*>(w)) {
      out.push_back({line->text(), line, line->width() - 6});
    } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c) {
        if (const QTableWidgetItem* h = table->horizontalHeaderItem(c)) {
          out.push_back({h->text(), table->horizontalHeader(), table->columnWidth(c) - 6});
        }
      }
    } else if (const auto* text = qobject_cast<const QPlainTextEdit*>(w)) {
      // The material editor's text is the file as the user wrote it.
      if (!qobject_cast<const MaterialEditor*>(window))
        out.push_back({text->toPlainText(), text, -1});
    } else if (const auto* rich = qobject_cast<const QTextEdit*>(w)) {
      out.push_back({rich->toPlainText(), rich, -1});
    }
  }
  return out;
}

// What is wrong with the texts of a window: Japanese in an English window, texts cut off.
QStringList Faults(const QWidget* window, language::Language language) {
  QStringList faults;
  for (const Shown& s : TextsOf(window)) {
    if (s.text.isEmpty()) continue;
    const QString who = QStringLiteral("%1 %2 “%3”")
                            .arg(window->metaObject()->className(),
                                 s.control->metaObject()->className(), s.text.left(60));
    if (language == language::Language::English && HasJapanese(s.text)) {
      faults << who + QStringLiteral(": Japanese");
    }
    if (s.room >= 0) {
      const int width = Widest(s.control->fontMetrics(), s.text);
      if (width > s.room) faults << who + QStringLiteral(": %1 px in %2").arg(width).arg(s.room);
    }
  }
  return faults;
}

const char* NameOf(language::Language l) {
  return l == language::Language::English ? "English" : "Japanese";
}

// The shipped material's English titles beside its files in dir.
void CopyTheEnglishTitles(const QString& dir) {
  for (const QFileInfo& titles : QDir(QStringLiteral(VORMINA_SOURCE_DIR "/data"))
                                     .entryInfoList({QStringLiteral("*.en.txt")}, QDir::Files)) {
    QFile::copy(titles.filePath(), QDir(dir).filePath(titles.fileName()));
  }
}

const language::Language kLanguages[] = {language::Language::Japanese, language::Language::English};

}  // namespace

// Every window the program opens, walked control by control in each language: in English no
// Japanese character is left (the shipped material has English titles), and in both no text is
// wider than its control.
TEST_F(MainWindow, EveryWindowSpeaksTheLanguageOfTheRunAndNoTextIsCutOff) {
  screen::SetScreenSizeForTests(QSize(1366 * 15, 768 * 15));
  CopyTheEnglishTitles(dir.path());
  for (const language::Language lang : kLanguages) {
    const translations::Installed translated(lang);
    cfg.Category = 2;  // every row of the selection shown
    frmMain& w = Start();
    w.show();
    QStringList faults = Faults(&w, lang);
    // Each category's items, as the list and the window's title show them.
    for (int category = 0; category < 6; ++category) {
      w.ui.Combo2->setCurrentIndex(category);
      for (int item = 0; item < w.ui.Combo1->count(); ++item) {
        w.ui.Combo1->setCurrentIndex(item);
        faults << Faults(&w, lang).filter(QStringLiteral("QComboBox"));
        if (lang == language::Language::English && HasJapanese(w.windowTitle())) {
          faults << QStringLiteral("title “%1”: Japanese").arg(w.windowTitle());
        }
        // English writes a key's flat and sharp with their signs.
        static const QRegularExpression kAsciiSigns(QStringLiteral("[A-G][b#]\\b|[A-G]#"));
        if (lang == language::Language::English && w.windowTitle().contains(kAsciiSigns)) {
          faults << QStringLiteral("title “%1”: b or # for a sign").arg(w.windowTitle());
        }
      }
    }
    std::vector<QWidget*> windows = {w.OpenSoundSettings(), w.OpenColourSettings(), w.OpenMainSet(),
                                     w.OpenShortcuts(), w.EditMaterial(0)};
    for (const exports::Format f :
         {exports::Format::kMidi, exports::Format::kMusicXml, exports::Format::kPdf}) {
      auto* dialog = new ExportDialog(f, cfg, &w);
      dialog->setAttribute(Qt::WA_DeleteOnClose);
      windows.push_back(dialog);
    }
    auto* log = new PracticeLogWindow(dir.filePath(QStringLiteral("none.log")), &w);
    log->setAttribute(Qt::WA_DeleteOnClose);
    windows.push_back(log);
    for (QWidget* opened : windows) {
      ASSERT_NE(opened, nullptr);
      opened->show();
      faults << Faults(opened, lang);
    }
    if (lang == language::Language::English) {
      if (HasJapanese(frmMain::VersionText())) faults << frmMain::VersionText();
    }
    faults.removeDuplicates();
    EXPECT_TRUE(faults.isEmpty()) << NameOf(lang) << ":\n"
                                  << faults.join(QLatin1Char('\n')).toStdString();
    for (QWidget* opened : windows) opened->close();
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

// 設定 > 言語 keeps the choice per user for the next start and says so in both languages; the
// choice, else the system's locale, picks the language of a run.
TEST_F(MainWindow, TheLanguageChosenIsKeptForTheNextStart) {
  struct {
    const char* stored;
    const char* locale;
    language::Language expected;
  } const runs[] = {
      {"", "ja_JP", language::Language::Japanese},   {"", "ja", language::Language::Japanese},
      {"", "en_GB", language::Language::English},    {"", "C", language::Language::English},
      {"", "de_DE", language::Language::English},    {"en", "ja_JP", language::Language::English},
      {"ja", "fr_FR", language::Language::Japanese}, {"xx", "ja_JP", language::Language::Japanese},
  };
  for (const auto& run : runs) {
    EXPECT_EQ(language::Chosen(QString::fromLatin1(run.stored), QString::fromLatin1(run.locale)),
              run.expected)
        << run.stored << " " << run.locale;
  }

  const QString store = dir.filePath(QStringLiteral("user.ini"));
  frmMain& w = Start();
  w.userSettingsFile = store;
  struct {
    QAction* chosen;
    const char* kept;
    int messages;
  } const steps[] = {{w.ui.mnu_settei_language_en, "en", 1},
                     {w.ui.mnu_settei_language_en, "en", 1},  // the same again says nothing
                     {w.ui.mnu_settei_language_ja, "ja", 2},
                     {w.ui.mnu_settei_language_system, "", 3}};
  for (const auto& step : steps) {
    step.chosen->trigger();
    EXPECT_EQ(user_settings::Open(store)->value(user_settings::kLanguage).toString(),
              QString::fromLatin1(step.kept));
    ASSERT_EQ(messages.size(), step.messages) << step.kept;
    EXPECT_TRUE(messages.last().contains(QStringLiteral("次回の起動")));
    EXPECT_TRUE(messages.last().contains(QStringLiteral("next time")));
    emit w.ui.mnu_settei_language->aboutToShow();
    EXPECT_TRUE(step.chosen->isChecked()) << step.kept;
  }
  // The window goes on in the language it started in.
  EXPECT_EQ(w.ui.Label3->text(), QStringLiteral("学習別"));
}

// A pass judged in either language is kept under the item's name as its file writes it, so
// the days of an item add up across languages; the log's window shows it by its title in
// English.
TEST_F(MainWindow, ThePracticeLogKeepsAnItemByItsFilesNameInEitherLanguage) {
  CopyTheEnglishTitles(dir.path());
  ChooseTheCMajorScale();
  cfg.ClickOn = cfg.CountInOn = cfg.RepeatOn = 0;
  const QString path = dir.filePath(QStringLiteral("practice.jsonl"));
  for (const language::Language lang : kLanguages) {
    const translations::Installed translated(lang);
    frmMain& w = Start();
    w.practiceLogPath = path;
    w.SetListen({.on = true});
    w.StartContinuous();  // one pass, nothing played: judged and logged
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
  const practice_log::Log log = practice_log::Read(path);
  ASSERT_EQ(log.entries.size(), 2u);
  for (const practice_log::Entry& e : log.entries)
    EXPECT_EQ(e.item, QStringLiteral("アイオニアン"));

  for (const language::Language lang : kLanguages) {
    const translations::Installed translated(lang);
    frmMain& w = Start();
    w.practiceLogPath = path;
    w.ui.mnu_View_practiceLog->trigger();
    auto* shown = w.findChild<PracticeLogWindow*>();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->ItemChoice->count(), 2);  // every item, and the one practised
    EXPECT_EQ(shown->ItemChoice->currentText(), lang == language::Language::English
                                                    ? QStringLiteral("Ionian")
                                                    : QStringLiteral("アイオニアン"));
    ASSERT_EQ(shown->Chart->Days().size(), 1u);
    EXPECT_EQ(shown->Chart->Days()[0].passes, 2);
    shown->close();
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}
