#include "dialogs/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/screen.h"
#include "theory/MusicMethod_Treat.h"

namespace {

QString Title(exports::Format format) {
  switch (format) {
    case exports::Format::kMidi:
      return QStringLiteral("MIDIファイル書き出し");
    case exports::Format::kMusicXml:
      return QStringLiteral("MusicXML書き出し");
    default:
      return QStringLiteral("12キー練習シート(PDF)");
  }
}

}  // namespace

ExportDialog::ExportDialog(exports::Format format, const settings::CfgRecord& cfg, QWidget* parent,
                           bool minor)
    : QDialog(parent), format_(format) {
  setWindowTitle(Title(format));
  setModal(true);
  request_.category = category::Valid(cfg.Category);
  request_.item = cfg.LastItem[static_cast<std::size_t>(request_.category)];
  request_.key = MusicMethod_Treat::PitchClass(cfg.Root);
  auto* form = new QFormLayout;
  const QString key = exports::KeyTitle(request_.key, minor);
  OptionOneKey = new QRadioButton(QStringLiteral("このキーだけ（%1）").arg(key), this);
  OptionAllKeys = new QRadioButton(QStringLiteral("12キーすべて（%1から）").arg(key), this);
  // The sheet is written in all twelve keys; the files may hold one.
  const bool sheet = format == exports::Format::kPdf;
  (sheet ? OptionAllKeys : OptionOneKey)->setChecked(true);
  OptionOneKey->setEnabled(!sheet);
  OptionOneKey->setAccessibleName(QStringLiteral("このキーだけ書き出す"));
  OptionAllKeys->setAccessibleName(QStringLiteral("12キーすべて書き出す"));
  auto* keys = new QVBoxLayout;
  keys->addWidget(OptionOneKey);
  keys->addWidget(OptionAllKeys);
  form->addRow(QStringLiteral("キー"), keys);
  ComboProgression = new QComboBox(this);
  ComboProgression->addItems({QStringLiteral("半音ずつ上へ"), QStringLiteral("半音ずつ下へ"),
                              QStringLiteral("4度ずつ上へ")});
  // The progression of continuous play, when it moves at all.
  const int mode = std::clamp<int>(cfg.ProgressionMode, 0, 3);
  ComboProgression->setCurrentIndex(mode == 3 ? 0 : mode);
  ComboProgression->setAccessibleName(QStringLiteral("キーの進行"));
  form->addRow(QStringLiteral("進行"), ComboProgression);
  ComboInstrument = new QComboBox(this);
  ComboInstrument->addItems({QStringLiteral("実音（C）"), QStringLiteral("B♭管"),
                             QStringLiteral("E♭管"), QStringLiteral("F管")});
  ComboInstrument->setAccessibleName(QStringLiteral("記譜する楽器"));
  form->addRow(QStringLiteral("楽器"), ComboInstrument);
  CheckSwing = new QCheckBox(QStringLiteral("演奏どおりスウィングさせる"), this);
  CheckSwing->setVisible(format == exports::Format::kMidi);
  if (format == exports::Format::kMidi) form->addRow(QString(), CheckSwing);
  const auto enableProgression = [this] {
    ComboProgression->setEnabled(OptionAllKeys->isChecked());
  };
  connect(OptionAllKeys, &QRadioButton::toggled, this, enableProgression);
  enableProgression();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("保存先を選ぶ…"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
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
