// The colour settings dialog "カラー設定": seven swatches for the colours of the circle
// diagram and the keyboard. A click on a swatch opens a colour picker starting from the
// swatch's colour; "O K" stores the seven colours and saves the settings file, "キャンセル"
// closes without touching the settings.
#pragma once

#include <QColor>
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "core/settings.h"

class QLabel;
class QPushButton;

class frmColset : public QDialog {
  Q_OBJECT
 public:
  frmColset(settings::CfgRecord& cfg, const QString& settingsPath, settings::Reporter report,
            QWidget* parent = nullptr);

  // The colour picker: given the starting colour, returns the chosen one (the starting
  // colour when the user cancels). The program uses the standard colour dialog.
  std::function<QColor(const QColor& start)> pickColour;

  // A click on swatch i.
  void PickSwatch(int i);
  // The Windows colour value a swatch shows.
  std::int32_t SwatchColour(int i) const;

  std::array<QLabel*, 7> Picture1{};
  QPushButton* Command1 = nullptr;  // キャンセル
  QPushButton* Command2 = nullptr;  // O K

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetSwatch(int i, std::int32_t colour);
  void Store();
  std::array<std::int32_t*, 7> Fields();

  settings::CfgRecord& cfg_;
  QString settingsPath_;
  settings::Reporter report_;
  std::array<std::int32_t, 7> swatches_{};
};
