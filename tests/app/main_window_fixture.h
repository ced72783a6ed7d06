// A main window started on a 1920 x 1080 screen, with the shipped material files and its
// settings file in a folder of its own, the virtual clock and a capturing MIDI output.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "app/frmMain.h"
#include "app/screen.h"

// A main window started on a 1920 x 1080 screen, with its settings file in a folder of its own.
class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    screen::SetScreenSizeForTests(QSize(1920 * 15, 1080 * 15));
    cfg.MelodyInstrument = 1;
    cfg.RepeatCount = 1;
    cfg.UseMidi = 1;
    cfg.Tempo = 120;
    // The shipped material files beside the program.
    for (const char* name :
         {"scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt"}) {
      QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/") + name, dir.filePath(name));
    }
  }
  void TearDown() override {
    if (window) {
      window->confirm = [](const QString&) { return true; };
      window->close();
    }
    screen::SetScreenSizeForTests(std::nullopt);
  }

  // Starts the window; the sound output opens as after the window's first paint unless
  // soundOpened is false.
  frmMain& Start(bool soundOpened = true) {
    window = std::make_unique<frmMain>(cfg, state, waits, midiOut, dir.path());
    window->confirm = [this](const QString& question) {
      questions << question;
      return answer;
    };
    window->report = [this](const QString& message) { messages << message; };
    window->Start();
    if (soundOpened) window->engine().midi().FinishOpen();
    return *window;
  }

  // The C major scale in C, straight, on the staff: eight eighths (252 ms apart at 120 bpm),
  // MIDI 60 upwards.
  void ChooseTheCMajorScale() {
    cfg.Category = 0;
    cfg.LastItem[0] = 0;
    cfg.Root = 0;
    cfg.SwingOn = 0;
    cfg.PitchBase = 36;
    cfg.ShowScore = -1;
  }

  QString SettingsPath() const { return dir.filePath(QStringLiteral("cfg.inf")); }

  // A judgement's verdicts as letters, one a note: h(it), w(rong), m(issed).
  static std::string VerdictLetters(const listen::Result& result) {
    std::string letters;
    for (const auto& n : result.notes) letters += listen::VerdictName(n.verdict).toStdString()[0];
    return letters;
  }

  QTemporaryDir dir;
  settings::CfgRecord cfg;
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  sound::CaptureMidiOut midiOut{[this] { return clock.NowMs(); }};
  std::unique_ptr<frmMain> window;
  QStringList questions;
  QStringList messages;
  bool answer = false;
};
