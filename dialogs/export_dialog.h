// "書き出し": how the chosen item is taken out of the program, before the save dialog: one
// key or all twelve in the order of a progression, the instrument it is written for, and
// for a MIDI file whether it is swung as played. The last choices are kept per user and
// the next dialog opens with them.
#pragma once

#include <QDialog>

#include "core/settings.h"
#include "exports/sheet.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSettings;

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  // The choices start from the settings (the key shown now, the progression of continuous
  // play), then from the choices kept in remembered, the per-user settings (none: nothing
  // is kept); OK keeps the ones made there.
  // minor: the item is in a minor key (its name says so).
  ExportDialog(exports::Format format, const settings::CfgRecord& cfg, QWidget* parent = nullptr,
               bool minor = false, QSettings* remembered = nullptr);

  // The request as chosen (category, item and key are the ones shown now).
  exports::Request Chosen() const;

  void accept() override;

  QRadioButton* OptionOneKey = nullptr;
  QRadioButton* OptionAllKeys = nullptr;
  QComboBox* ComboProgression = nullptr;
  QComboBox* ComboInstrument = nullptr;
  QCheckBox* CheckSwing = nullptr;  // MIDI files only

 private:
  // The kept choices shown; the ones made kept (those this format offers).
  void Recall(const QSettings& remembered);
  void Remember(QSettings& remembered) const;

  exports::Format format_;
  exports::Request request_;
  QSettings* remembered_ = nullptr;
};
