// The per-user settings file: what "cfg.inf" has no field for (the output and its SoundFont,
// the MIDI input, listen mode, the export dialog's last choices), kept per user through
// QSettings. Every key is named here.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace user_settings {

// The sound output: "synth:" and a driver name, or "port:" and a MIDI port's name.
inline const QString kOutput = QStringLiteral("sound/output");
inline const QString kSoundFont = QStringLiteral("sound/soundfont");
// The MIDI input port and the latency subtracted from each note's arrival.
inline const QString kInput = QStringLiteral("midi/input");
inline const QString kInputLatencyMs = QStringLiteral("midi/inputLatencyMs");
// Listen mode: on, octaves free, "along" or "answer", the tolerance of early and late.
inline const QString kListenOn = QStringLiteral("listen/on");
inline const QString kListenOctaveFree = QStringLiteral("listen/octaveFree");
inline const QString kListenMode = QStringLiteral("listen/mode");
inline const QString kListenToleranceMs = QStringLiteral("listen/toleranceMs");
// The export dialog's last choices: the instrument written for (its index in the list), all
// twelve keys or the one shown, the progression of the twelve (its index), swing as played
// (MIDI files), and the folder the last export was written to.
inline const QString kExportInstrument = QStringLiteral("export/instrument");
inline const QString kExportAllKeys = QStringLiteral("export/allKeys");
inline const QString kExportProgression = QStringLiteral("export/progression");
inline const QString kExportSwing = QStringLiteral("export/swing");
inline const QString kExportFolder = QStringLiteral("export/folder");
// The language of the program ("ja" or "en"); absent or empty means the system's language.
inline const QString kLanguage = QStringLiteral("ui/language");

// The per-user settings: the file given (an INI file, for tests), or the user's usual one.
std::unique_ptr<QSettings> Open(const QString& file = QString());

}  // namespace user_settings
