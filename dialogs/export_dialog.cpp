#include "dialogs/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/screen.h"
#include "core/user_settings.h"
#include "theory/MusicMethod_Treat.h"

namespace {

QString Title(exports::Format format) {
  switch (format) {
    case exports::Format::kMidi:
      return QCoreApplication::translate("ExportDialog", "MIDIファイル書き出し");
    case exports::Format::kMusicXml:
      return QCoreApplication::translate("ExportDialog", "MusicXML書き出し");
    default:
      return QCoreApplication::translate("ExportDialog", "12キー練習シート(PDF)");
  }
}

// A kept index of a list: the index, if the list has it.
std::optional<int> KeptIndex(const QSettings& remembered, const QString& key, int count) {
  bool ok = false;
  const int index = remembered.value(key).toInt(&ok);
  if (!ok || index < 0 || index >= count) return std::nullopt;
  return index;
}

}  // namespace

ExportDialog::ExportDialog(exports::Format format, const settings::CfgRecord& cfg, QWidget* parent,
                           bool minor, QSettings* remembered)
    : QDialog(parent), format_(format), remembered_(remembered) {
  setWindowTitle(Title(format));
  setModal(true);
  request_.category = category::Valid(cfg.Category);
  request_.item = cfg.LastItem[static_cast<std::size_t>(request_.category)];
  request_.key = MusicMethod_Treat::PitchClass(cfg.Root);
  auto* form = new QFormLayout;
  const QString key = exports::KeyTitle(request_.key, minor);
  OptionOneKey = new QRadioButton(tr("このキーだけ（%1）").arg(key), this);
  OptionAllKeys = new QRadioButton(tr("12キーすべて（%1から）").arg(key), this);
  // The sheet is written in all twelve keys; the files may hold one.
  const bool sheet = format == exports::Format::kPdf;
  (sheet ? OptionAllKeys : OptionOneKey)->setChecked(true);
  OptionOneKey->setEnabled(!sheet);
  OptionOneKey->setAccessibleName(tr("このキーだけ書き出す"));
  OptionAllKeys->setAccessibleName(tr("12キーすべて書き出す"));
  auto* keys = new QVBoxLayout;
  keys->addWidget(OptionOneKey);
  keys->addWidget(OptionAllKeys);
  form->addRow(tr("キー"), keys);
  ComboProgression = new QComboBox(this);
  ComboProgression->addItems({tr("半音ずつ上へ"), tr("半音ずつ下へ"), tr("4度ずつ上へ")});
  // The progression of continuous play, when it moves at all.
  const int mode = std::clamp<int>(cfg.ProgressionMode, 0, 3);
  ComboProgression->setCurrentIndex(mode == 3 ? 0 : mode);
  ComboProgression->setAccessibleName(tr("キーの進行"));
  form->addRow(tr("進行"), ComboProgression);
  ComboInstrument = new QComboBox(this);
  ComboInstrument->addItems({tr("実音（C）"), tr("B♭管"), tr("E♭管"), tr("F管")});
  ComboInstrument->setAccessibleName(tr("記譜する楽器"));
  form->addRow(tr("楽器"), ComboInstrument);
  CheckSwing = new QCheckBox(tr("演奏どおりスウィングさせる"), this);
  CheckSwing->setVisible(format == exports::Format::kMidi);
  if (format == exports::Format::kMidi) form->addRow(QString(), CheckSwing);
  if (remembered_) Recall(*remembered_);
  const auto enableProgression = [this] {
    ComboProgression->setEnabled(OptionAllKeys->isChecked());
  };
  connect(OptionAllKeys, &QRadioButton::toggled, this, enableProgression);
  enableProgression();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("保存先を選ぶ…"));
  buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* all = new QVBoxLayout(this);
  all->addLayout(form);
  all->addWidget(buttons);
  kihon::CentreWindow(*this);
}

exports::Request ExportDialog::Chosen() const {
  exports::Request request = request_;
  request.allKeys = OptionAllKeys->isChecked();
  request.progression = static_cast<exports::Progression>(ComboProgression->currentIndex());
  request.instrument = static_cast<exports::Instrument>(ComboInstrument->currentIndex());
  request.swing = format_ == exports::Format::kMidi && CheckSwing->isChecked();
  return request;
}

void ExportDialog::Recall(const QSettings& remembered) {
  if (const auto index =
          KeptIndex(remembered, user_settings::kExportInstrument, ComboInstrument->count())) {
    ComboInstrument->setCurrentIndex(*index);
  }
  if (const auto index =
          KeptIndex(remembered, user_settings::kExportProgression, ComboProgression->count())) {
    ComboProgression->setCurrentIndex(*index);
  }
  // The sheet is always in twelve keys.
  if (OptionOneKey->isEnabled()) {
    const bool all =
        remembered.value(user_settings::kExportAllKeys, OptionAllKeys->isChecked()).toBool();
    (all ? OptionAllKeys : OptionOneKey)->setChecked(true);
  }
  CheckSwing->setChecked(remembered.value(user_settings::kExportSwing, false).toBool());
}

void ExportDialog::Remember(QSettings& remembered) const {
  remembered.setValue(user_settings::kExportInstrument, ComboInstrument->currentIndex());
  // The progression only when it was chosen (twelve keys): greyed out, it is the one of
  // continuous play, which the next dialog takes again.
  if (OptionAllKeys->isChecked()) {
    remembered.setValue(user_settings::kExportProgression, ComboProgression->currentIndex());
  }
  if (OptionOneKey->isEnabled()) {
    remembered.setValue(user_settings::kExportAllKeys, OptionAllKeys->isChecked());
  }
  if (format_ == exports::Format::kMidi) {
    remembered.setValue(user_settings::kExportSwing, CheckSwing->isChecked());
  }
}

void ExportDialog::accept() {
  if (remembered_) Remember(*remembered_);
  QDialog::accept();
}
