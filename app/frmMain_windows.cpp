// The windows the main window opens: the settings windows, the material editor, the help
// document, the version box and the exports.
#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/frmMain.h"
#include "app/frmMain_parts.h"
#include "app/pictures.h"
#include "app/rising_scroll_bar.h"
#include "app/screen.h"
#include "core/appdir.h"
#include "core/language.h"
#include "core/user_settings.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "draw/graph_treat.h"

using namespace window_parts;

void frmMain::ToggleView(std::int16_t& flag, QAction* entry) {
  kihon::ToggleFlag(flag);
  entry->setChecked(flag != 0);
  Prepair4PLAY(false);
}

namespace {

// Shows a new dialog; the sound settings start through their own Start.
void Present(QWidget& dialog) {
  dialog.show();
}
void Present(settei& dialog) {
  dialog.Start();
}

// Brings forward a dialog that is already open, or makes, keeps and shows a new one.
template <class Dialog, class Make>
Dialog* ShowOnce(QPointer<Dialog>& kept, Make make) {
  if (!kept) {
    kept = make();
    kept->setAttribute(Qt::WA_DeleteOnClose);
    Present(*kept);
  }
  kept->raise();
  kept->activateWindow();
  return kept;
}

}  // namespace

settei* frmMain::OpenSoundSettings() {
  return ShowOnce(settei_, [this] {
    auto* dialog = new settei(
        cfg_, engine_.midi(), waits_, appdir::PathOf(appDir_, appdir::kSettingsFileName),
        [this] {
          // The tempo bar shows the dialog's tempo; its handler stores it again.
          ui.VScroll1->setValue(
              std::clamp<int>(cfg_.Tempo, ui.VScroll1->minimum(), ui.VScroll1->maximum()));
          Prepair4PLAY(false);
        },
        [this](const QString& message) { report(message); }, this);
    dialog->SetOutputs(dynamic_cast<sound::OutputChoices*>(&midiOut_));
    dialog->tapNotes = [this](std::function<void(double)> tap) { noteTap_ = std::move(tap); };
    return dialog;
  });
}

frmColset* frmMain::OpenColourSettings() {
  return ShowOnce(colset_, [this] {
    return new frmColset(
        cfg_, appdir::PathOf(appDir_, appdir::kSettingsFileName),
        [this](const QString& message) { report(message); }, this);
  });
}

MainSet* frmMain::OpenMainSet() {
  return ShowOnce(mainSet_, [this] { return new MainSet(cfg_, this); });
}

sample* frmMain::OpenShortcuts() {
  return ShowOnce(sample_, [this] { return new sample(this); });
}

MaterialEditor* frmMain::EditMaterial(int i) {
  const QStringList files = appdir::MaterialFiles();
  if (i < 0 || i > files.size()) return nullptr;
  if (i == files.size()) {
    // The settings themselves are edited in the dialogs; this entry opens the folder that
    // holds the settings file and the material files.
    if (!openUrl(QUrl::fromLocalFile(appDir_))) {
      report(tr("フォルダを開けませんでした。\n") + QDir::toNativeSeparators(appDir_));
    }
    return nullptr;
  }
  // The file the item list is read from, found the same way, in the program's own editor:
  // it keeps the file's encoding and line ends, checks the text before saving, and the
  // item list is refilled after a save.
  const QString path = file_Treat::CategoryFile(appDir_, i);
  return ShowOnce(editors_[static_cast<std::size_t>(i)], [this, i, path] {
    return new MaterialEditor(
        i, path,
        [this](int category) {
          if (category != cfg_.Category) return;
          loadErrorSaid_.clear();  // a problem still there after the save is said again
          Set_combo1();
        },
        this);
  });
}

void frmMain::show_help() {
  // The manual in the program's language: help.en.pdf in English, help.pdf in Japanese (and in
  // English when the English one is missing).
  QString path = appdir::PathOf(appDir_, QStringLiteral("help.pdf"));
  if (language::Current() == language::Language::English) {
    const QString english = appdir::PathOf(appDir_, QStringLiteral("help.en.pdf"));
    if (QFileInfo::exists(english) || !QFileInfo::exists(path)) path = english;
  }
  const QString shown = QDir::toNativeSeparators(path);
  if (!QFileInfo::exists(path)) {
    report(tr("ヘルプファイルが見つかりません。\n") + shown);
    return;
  }
  // QDesktopServices counts the document as opened once xdg-open has started; whether an
  // application took it is known only when xdg-open ends, so that end is waited for here.
  OpenWithDesktop(path, [self = QPointer<frmMain>(this), shown] {
    if (!self || !self->report) return;
    self->report(tr("ヘルプを表示できませんでした。\nPDFを開くアプリケーションがありま"
                    "せん。マニュアルはここにあります：\n") +
                 shown);
  });
}

void frmMain::OpenWithDesktop(const QString& path, std::function<void()> failed) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    failed();
    return;
  }
  // Not detached: its exit code says whether an application opened the file. Where xdg-open
  // runs the application itself, it ends when the application does: a failure after the
  // application has been open a while is the application's, not a missing one, and is not
  // said. The process belongs to no window, so that quitting the program leaves an open
  // viewer open (and says nothing of a process destroyed while it runs).
  auto* process = new QProcess();
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer running;
  running.start();
  ++openersRunning_;
  connect(process, &QProcess::finished, this,
          [this, process, failed, running](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            --openersRunning_;
            constexpr qint64 kOpenedAWhileMs = 10000;
            if ((status != QProcess::NormalExit || exitCode != 0) &&
                running.elapsed() < kOpenedAWhileMs) {
              failed();
            }
          });
  connect(process, &QProcess::errorOccurred, this,
          [this, process, failed](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart) return;  // the others end in finished
            process->deleteLater();
            --openersRunning_;
            failed();
          });
  process->start(opener, {path});
}

QString frmMain::VersionText() {
  return tr("Ver1.1.2　 2009.01.12\n\nＶＯＲＭＩＮＡ　ジャズ・アドリブ練習ソフト（Qt %1 版）")
      .arg(QString::fromLatin1(qVersion()));
}

void frmMain::VersionBox() {
  report(VersionText());
}

void frmMain::ExportWithDialog(exports::Format format) {
  // The choices and the folder of the last export are kept per user.
  const auto remembered = user_settings::Open(userSettingsFile);
  ExportDialog choices(format, cfg_, this, engine_.phrase().KeyMinor != 0, remembered.get());
  if (choices.exec() != QDialog::Accepted) return;
  const exports::Request request = choices.Chosen();
  // A name from the item and its key, in the folder written to last (the user's documents
  // folder the first time).
  QString name = file_Treat::ItemName(engine_.lists(), request.category, request.item).trimmed();
  name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
  name += QStringLiteral(" ") +
          (request.allKeys
               ? QStringLiteral("12keys")
               : spelling::KeyText(spelling::Key{request.key, engine_.phrase().KeyMinor != 0}));
  QString folder = remembered->value(user_settings::kExportFolder).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  }
  const QString filter = format == exports::Format::kMidi ? tr("MIDIファイル (*.mid)")
                         : format == exports::Format::kMusicXml
                             ? QStringLiteral("MusicXML (*.musicxml)")
                             : QStringLiteral("PDF (*.pdf)");
  QString path = askSavePath(choices.windowTitle(),
                             QDir(folder).filePath(name + exports::Suffix(format)), filter);
  if (path.isEmpty()) return;
  if (!path.endsWith(exports::Suffix(format), Qt::CaseInsensitive)) path += exports::Suffix(format);
  if (!ExportTo(format, request, path)) return;
  const QString written = QFileInfo(path).absolutePath();
  remembered->setValue(user_settings::kExportFolder, written);
  // What is written is usually opened next: in the notation program, or from its folder.
  const int pressed = offer(tr("書き出しました。\n") + QDir::toNativeSeparators(path),
                            {tr("ファイルを開く"), tr("フォルダーを開く"), tr("閉じる")});
  if (pressed == 0 && !openUrl(QUrl::fromLocalFile(path))) {
    report(tr("ファイルを開けませんでした（開くアプリケーションがありません）。\n") +
           QDir::toNativeSeparators(path));
  } else if (pressed == 1 && !openUrl(QUrl::fromLocalFile(written))) {
    report(tr("フォルダーを開けませんでした。\n") + QDir::toNativeSeparators(written));
  }
}

QString frmMain::AskSavePath(const QString& title, const QString& suggested,
                             const QString& filter) {
  return QFileDialog::getSaveFileName(this, title, suggested, filter);
}

int frmMain::Offer(const QString& message, const QStringList& buttons) {
  QMessageBox box(QMessageBox::NoIcon, kProgramName, message, QMessageBox::NoButton, this);
  QList<QAbstractButton*> shown;
  for (const QString& text : buttons) shown << box.addButton(text, QMessageBox::ActionRole);
  // The last button closes the message, as Esc and the window's close button do.
  if (!shown.isEmpty()) {
    box.setEscapeButton(shown.back());
    box.setDefaultButton(qobject_cast<QPushButton*>(shown.back()));
  }
  box.exec();
  return static_cast<int>(shown.indexOf(box.clickedButton()));
}

bool frmMain::ExportTo(exports::Format format, const exports::Request& request,
                       const QString& path) {
  // The export plays the item in an engine of its own, on the settings in force now.
  practice::OfflineEngine world(cfg_);
  QString error;
  world.engine.LoadCategory(appDir_, request.category, &error);
  exports::Export built;
  const bool ok = error.isEmpty() && exports::Build(world, request, built, &error) &&
                  exports::Save(format, built, path, &error);
  if (!ok && report) {
    report(tr("書き出せませんでした。\n%1\n（%2）").arg(QDir::toNativeSeparators(path), error));
  }
  return ok;
}
