// Entry point: refuses a second instance, loads the settings and starts the main window.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <memory>

#include "app/frmMain.h"
#include "core/appdir.h"
#include "core/clock.h"
#include "core/kihon.h"
#include "core/runstate.h"
#include "core/settings.h"
#include "core/translations.h"
#include "core/user_settings.h"
#include "draw/surface.h"
#include "engine/listen_session.h"
#include "sound/chosen_out.h"
#include "sound/fluidsynth_out.h"
#include "sound/midi_out.h"

namespace {

// The lock that marks a running instance; a lock left by a process that died is taken over.
QString LockPath() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  return QDir(dir).filePath(QStringLiteral("vormina.lock"));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vormina"));
  QApplication::setOrganizationName(QStringLiteral("vormina"));
  // The desktop entry and icon of an installed program (the build folder has no theme icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.vormina.Vormina"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.vormina.Vormina")));
  draw::InstallFontSubstitutions();
  // The language: the user's choice in 設定 > 言語, else the system's (Japanese for ja_*).
  const translations::Installed translated(translations::ForThisUser());
  QApplication::setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));

  QLockFile instanceLock(LockPath());
  instanceLock.setStaleLockTime(0);
  if (!instanceLock.tryLock(0)) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("ＶＯＲＭＩＮＡ"),
                    QCoreApplication::translate("main", "ＶＯＲＭＩＮＡは既に起動しています。"),
                    QMessageBox::Ok);
    box.exec();
    return 0;
  }

  // The program's one settings record, run-time state and clock, loaded and made in order;
  // each lives until the window that uses them has gone.
  settings::CfgRecord cfg;
  RunState state;
  kihon::SteadyClock clock;
  kihon::Waits waits(clock, state.StopRequested);
  appdir::SeedOutcome seeded;
  const QString appDir = appdir::ApplicationDirectory(&seeded);
  const settings::Reporter report = [](const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ＶＯＲＭＩＮＡ"), message,
                    QMessageBox::Ok);
    box.exec();
  };
  settings::LoadSettings(cfg, appdir::PathOf(appDir, appdir::kSettingsFileName), report);

  // Sound: as chosen in the sound settings (the embedded synthesiser unless the user chose
  // otherwise), else the synthesiser, else a system MIDI port.
  sound::ChosenOut midiOut(QCoreApplication::applicationDirPath(), clock.Start());
  frmMain window(cfg, state, waits, midiOut, appDir);
  window.soundReady = [&midiOut] {
    if (const auto* synth = dynamic_cast<const sound::FluidSynthMidiOut*>(midiOut.opened())) {
      QTextStream(stderr) << "VORMINA: sound through " << synth->Name() << ", output latency "
                          << synth->OutputLatencyMs() << " ms\n";
    } else if (midiOut.opened()) {
      QTextStream(stderr) << "VORMINA: sound through " << midiOut.Name() << "\n";
    }
  };
  // Said after the step that found the output gone, not in the middle of it.
  midiOut.report = [&window](const QString& message) {
    QTimer::singleShot(0, &window, [&window, message] { window.report(message); });
  };
  window.Start();
  // New shipped material kept beside the user's own changed files: said once the window is up.
  if (const QString seedMessage = appdir::SeedMessage(appDir, seeded); !seedMessage.isEmpty()) {
    QTimer::singleShot(0, &window, [&window, seedMessage] { window.report(seedMessage); });
  }

  // MIDI input: the port chosen in the per-user settings, and the virtual port "VORMINA".
  // Or a microphone ("audio:" and the capture source), heard by the ear; the virtual MIDI
  // port stays open beside it.
  sound::MidiIn midiIn(clock.Start());
  sound::Ear ear(clock.Start());
  midiOut.ear = &ear;
  midiOut.applyInput = [&midiIn, &ear, &window](const QString& port, double latencyMs) {
    midiIn.SetLatencyMs(latencyMs);
    ear.SetCorrectionMs(latencyMs);
    if (!port.startsWith(sound::kAudioInputPrefix)) {
      ear.Close();
      midiIn.Open(port);
      return;
    }
    midiIn.Open(QString());
    QString error;
    if (!ear.Open(port.mid(sound::kAudioInputPrefix.size()), &error)) {
      QTimer::singleShot(0, &window, [&window, error] { window.report(error); });
    }
  };
  midiOut.applyInput(midiOut.ChosenInput(), midiOut.InputLatencyMs());
  window.AttachMidiInput(midiIn);
  window.AttachEar(ear);

  // Listen mode as the user left it, kept per user when changed, and its practice log.
  window.SetListen(listen::LoadSettings(*user_settings::Open()));
  window.listenChanged = [](const listen::Settings& listen) {
    listen::StoreSettings(*user_settings::Open(), listen);
  };
  window.practiceLogPath = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                               .filePath(QStringLiteral("practice-log.jsonl"));
  const int code = QApplication::exec();
  // The input stops calling the window before either goes.
  midiOut.applyInput = nullptr;
  ear.Close();
  midiOut.ear = nullptr;
  return code;
}
