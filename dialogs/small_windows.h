// Two small windows: the supplementary playback switches "補足設定", which stay in front of
// the main window while open, and the shortcut list "ショートカット説明".
#pragma once

#include <QDialog>

#include "core/settings.h"

class QCheckBox;
class QPushButton;
class QPlainTextEdit;
class QTimer;

class MainSet : public QDialog {
  Q_OBJECT
 public:
  explicit MainSet(settings::CfgRecord& cfg, QWidget* parent = nullptr);

  QCheckBox* Check7 = nullptr;   // クリック音
  QCheckBox* Check8 = nullptr;   // カウントイン
  QCheckBox* Check9 = nullptr;   // 伴奏
  QCheckBox* Check10 = nullptr;  // 旋律
  QPushButton* Command1 = nullptr;
  QTimer* Timer1 = nullptr;

 private:
  settings::CfgRecord& cfg_;
};

class sample : public QDialog {
  Q_OBJECT
 public:
  explicit sample(QWidget* parent = nullptr);

  // The description of the main window's shortcuts, as the window shows it.
  static QString ShortcutText();

  QPlainTextEdit* Text3 = nullptr;
  QPushButton* Command3 = nullptr;
};
