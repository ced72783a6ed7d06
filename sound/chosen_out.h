// The program's MIDI output as the user chose it in the sound settings: the embedded
// synthesiser on an audio driver of their choice (or the first that opens), or a system MIDI
// port. The choice and the SoundFont are kept in the per-user settings, not in "cfg.inf".
// When the chosen output does not open, the synthesiser plays instead, then the first port.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "sound/midi_out.h"

namespace sound {

class Ear;

// One output the sound settings offer: its code as stored ("synth:" and a driver name, empty
// for automatic; "port:" and a port name) and its name as shown.
struct OutputEntry {
  QString code;
  QString name;
};

// What the sound settings show and change of the output.
class OutputChoices {
 public:
  virtual ~OutputChoices() = default;
  // The outputs present now: the synthesiser on each audio driver, then each MIDI port.
  virtual std::vector<OutputEntry> Present() const = 0;
  virtual QString Chosen() const = 0;
  // The SoundFont chosen by the user, empty for the one found beside the program or in the
  // system; and the one the synthesiser uses (or would use).
  virtual QString ChosenSoundFont() const = 0;
  virtual QString SoundFontInUse() const = 0;
  // From a scheduled note to its sound leaving the program, in ms, while the synthesiser
  // plays; 0 otherwise.
  virtual double OutputLatencyMs() const = 0;
  // How many times the sound server ran dry while the synthesiser played (each time its
  // buffer, and the latency with it, grew); 0 otherwise.
  virtual int Underflows() const = 0;
  // Stores the choice; it applies when the output is opened again.
  virtual void Choose(const QString& code, const QString& soundFont) = 0;

  // The MIDI input: the input ports present now, the one chosen (empty for none) and the
  // input latency subtracted from each note's arrival, in ms.
  virtual QStringList InputPorts() const = 0;
  virtual QString ChosenInput() const = 0;
  virtual double InputLatencyMs() const = 0;
  // Stores the input choice and applies it at once.
  virtual void ChooseInput(const QString& port, double latencyMs) = 0;

  // The microphones and other capture sources of the sound server, as input choices: (the
  // code ChooseInput takes, "audio:" and the source's name; the name the user knows).
  virtual std::vector<std::pair<QString, QString>> AudioInputs() const { return {}; }
  // While a capture source is the input: the level heard now (dB full scale) and the pitch
  // (MIDI note with fraction, 0 for none). False when no source is listened to.
  virtual bool EarReading(double& levelDb, double& pitch) const {
    (void)levelDb;
    (void)pitch;
    return false;
  }
};

// The prefix of an input choice that names a capture source rather than a MIDI port.
inline const QString kAudioInputPrefix = QStringLiteral("audio:");

class ChosenOut final : public MidiOut, public OutputChoices {
 public:
  // programDir: where sounds/*.sf2 are looked for; epoch: the program clock's start;
  // settingsFile: the per-user settings file (empty: the user's usual one).
  ChosenOut(QString programDir, std::chrono::steady_clock::time_point epoch,
            QString settingsFile = QString());
  ~ChosenOut() override;

  bool Open() override;
  void Close() override;
  void Send(const ShortMessage& message, std::int64_t atMs) override;
  void Withdraw() override;
  void WithdrawFrom(std::int64_t atMs) override;
  bool SchedulesAhead() const override;
  int LeadMs() const override;
  QString Name() const override;

  std::vector<OutputEntry> Present() const override;
  QString Chosen() const override;
  QString ChosenSoundFont() const override;
  QString SoundFontInUse() const override;
  double OutputLatencyMs() const override;
  int Underflows() const override;
  void Choose(const QString& code, const QString& soundFont) override;
  QStringList InputPorts() const override;
  QString ChosenInput() const override;
  double InputLatencyMs() const override;
  void ChooseInput(const QString& port, double latencyMs) override;
  std::vector<std::pair<QString, QString>> AudioInputs() const override;
  bool EarReading(double& levelDb, double& pitch) const override;
  // The microphone listener whose readings EarReading gives (none: no readings).
  const Ear* ear = nullptr;
  // Opens the MIDI input as chosen (set by the program; nothing in tests).
  std::function<void(const QString& port, double latencyMs)> applyInput;

  MidiOut* opened() const { return open_.get(); }

  // Says, once, that the output went away during use and what plays instead.
  std::function<void(const QString&)> report;
  // Makes the output of a code (the real outputs unless a test replaces it).
  std::function<std::unique_ptr<MidiOut>(const QString& code)> make;

 private:
  std::unique_ptr<MidiOut> Make(const QString& code) const;
  // Opens the first of codes that opens; false when none does.
  bool OpenFirst(const std::vector<QString>& codes);
  // After the open output went away: the synthesiser, then the first port.
  void FallBack();

  QString programDir_;
  std::chrono::steady_clock::time_point epoch_;
  QString settingsFile_;
  std::unique_ptr<MidiOut> open_;
};

}  // namespace sound
