// "書き出し": how the chosen item is taken out of the program, before the save dialog: one
// key or all twelve in the order of a progression, the instrument it is written for, and
// for a MIDI file whether it is swung as played.
#pragma once

#include <QDialog>

#include "core/settings.h"
#include "exports/sheet.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  // The choices start from the settings: the key shown now, the progression of continuous
  // play.
  // minor: the item is in a minor key (its name says so).
  ExportDialog(exports::Format format, const settings::CfgRecord& cfg, QWidget* parent = nullptr,
               bool minor = false);

  // The request as chosen (category, item and key are the ones shown now).
  exports::Request Chosen() const;

  QRadioButton* OptionOneKey = nullptr;
  QRadioButton* OptionAllKeys = nullptr;
  QComboBox* ComboProgression = nullptr;
  QComboBox* ComboInstrument = nullptr;
  QCheckBox* CheckSwing = nullptr;  // MIDI files only

 private:
  exports::Format format_;
  exports::Request request_;
};
