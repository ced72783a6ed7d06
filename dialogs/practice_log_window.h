// The window "練習記録": the practice log read back and drawn over the days, the share of
// notes right for each key and the highest tempo played, for one item or for all.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "engine/practice_log.h"

class QComboBox;
class QLabel;

// The two plots, drawn by the program itself: the share right per key (a line a key) and
// the tempo, over the days.
class PracticeChart : public QWidget {
  Q_OBJECT
 public:
  explicit PracticeChart(QWidget* parent = nullptr);
  void SetDays(std::vector<practice_log::Day> days);
  const std::vector<practice_log::Day>& Days() const { return days_; }
  // What the plots show, in words (the screen reader's description of the chart).
  QString Description() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<practice_log::Day> days_;
};

class PracticeLogWindow : public QDialog {
  Q_OBJECT
 public:
  // shown: an item as the window shows it, from the name the log keeps (as the material file
  // writes it): its English title when the program speaks English. None: the kept name.
  explicit PracticeLogWindow(const QString& logPath, QWidget* parent = nullptr,
                             std::function<QString(const QString&)> shown = {});

  QComboBox* ItemChoice =
      nullptr;  // "すべての項目" and each item of the log (its kept name as data)
  PracticeChart* Chart = nullptr;
  QLabel* Note = nullptr;  // an empty or unreadable log, lines skipped

 private:
  void ShowItem();
  practice_log::Log log_;
};
