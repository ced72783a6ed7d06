// What the main window's source files share: its texts and the sizes of its column.
#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace window_parts {

// The reference tones of "CAL Bb" and "CAL A": pitches from PitchBase (B♭ and the A a
// semitone below it), sounded at full velocity.
constexpr int kReferenceBFlat = 34;
constexpr int kReferenceA = 33;
constexpr int kReferenceVelocity = 127;

inline const QString kProgramName = QStringLiteral("ＶＯＲＭＩＮＡ");
inline const QString kExitQuestion = QStringLiteral("　　終了してよろしいですか？　　");

inline const QStringList kCategories = {QStringLiteral(" スケール"), QStringLiteral(" コード"),
                                        QStringLiteral(" ⅡⅤⅠﾊﾟﾀｰﾝ"), QStringLiteral(" ⅡⅤⅠｸﾘｼｪ"),
                                        QStringLiteral(" その他-1"), QStringLiteral(" その他-2")};
inline const QStringList kTonalities = {QStringLiteral(" メジャー"), QStringLiteral(" マイナー")};
inline const QStringList kV7Treatments = {QStringLiteral(" ミクソ"), QStringLiteral(" コンデミ"),
                                          QStringLiteral(" オルタード"),
                                          QStringLiteral(" ホールトーン")};
inline const QStringList kProgressions = {QStringLiteral("半音＋進行"),
                                          QStringLiteral("半音－進行"), QStringLiteral("４度進行"),
                                          QStringLiteral("そのまま")};
inline const QStringList kStaffButtons = {QStringLiteral("↑↑"), QStringLiteral("↑"),
                                          QStringLiteral("↓"), QStringLiteral("↓↓"),
                                          QStringLiteral("リセット")};
inline const QStringList kEditEntries = {QStringLiteral("スケール設定ファイル編集"),
                                         QStringLiteral("コード設定ファイル編集"),
                                         QStringLiteral("ⅡⅤパターン設定ファイル編集"),
                                         QStringLiteral("ⅡⅤリック設定ファイル編集"),
                                         QStringLiteral("その他1ファイル編集"),
                                         QStringLiteral("その他2ファイル編集"),
                                         QStringLiteral("設定ファイル編集")};

// Column width and the label column of ui.Frame1, in pixels (controls inside a frame use frame
// pixels, y downwards).
constexpr int kColumnWidth = 330;
constexpr int kLabelWidth = 96;

// Selects entry index of a list, or the nearest entry when index is outside the list.
inline void SelectNearest(QComboBox* list, int index) {
  if (list->count() == 0) return;
  list->setCurrentIndex(std::clamp(index, 0, list->count() - 1));
}

}  // namespace window_parts
