// What the main window's source files share: its texts and the sizes of its column.
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>

namespace window_parts {

// The reference tones of "CAL Bb" and "CAL A": pitches from PitchBase (B♭ and the A a
// semitone below it), sounded at full velocity.
constexpr int kReferenceBFlat = 34;
constexpr int kReferenceA = 33;
constexpr int kReferenceVelocity = 127;

inline const QString kProgramName = QStringLiteral("ＶＯＲＭＩＮＡ");
// The window's texts, translated where they are shown (QCoreApplication::translate with the
// window's own context, see Translated).
inline const char* const kExitQuestion =
    QT_TRANSLATE_NOOP("frmMain", "　　終了してよろしいですか？　　");

inline const char* const kCategories[] = {
    QT_TRANSLATE_NOOP("frmMain", " スケール"), QT_TRANSLATE_NOOP("frmMain", " コード"),
    QT_TRANSLATE_NOOP("frmMain", " ⅡⅤⅠﾊﾟﾀｰﾝ"), QT_TRANSLATE_NOOP("frmMain", " ⅡⅤⅠｸﾘｼｪ"),
    QT_TRANSLATE_NOOP("frmMain", " その他-1"), QT_TRANSLATE_NOOP("frmMain", " その他-2")};
inline const char* const kTonalities[] = {QT_TRANSLATE_NOOP("frmMain", " メジャー"),
                                          QT_TRANSLATE_NOOP("frmMain", " マイナー")};
inline const char* const kV7Treatments[] = {
    QT_TRANSLATE_NOOP("frmMain", " ミクソ"), QT_TRANSLATE_NOOP("frmMain", " コンデミ"),
    QT_TRANSLATE_NOOP("frmMain", " オルタード"), QT_TRANSLATE_NOOP("frmMain", " ホールトーン")};
inline const char* const kProgressions[] = {
    QT_TRANSLATE_NOOP("frmMain", "半音＋進行"), QT_TRANSLATE_NOOP("frmMain", "半音－進行"),
    QT_TRANSLATE_NOOP("frmMain", "４度進行"), QT_TRANSLATE_NOOP("frmMain", "そのまま")};
inline const char* const kStaffButtons[] = {"↑↑", "↑", "↓", "↓↓",
                                            QT_TRANSLATE_NOOP("frmMain", "リセット")};
inline const char* const kEditEntries[] = {
    QT_TRANSLATE_NOOP("frmMain", "スケール設定ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "コード設定ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "ⅡⅤパターン設定ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "ⅡⅤリック設定ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "その他1ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "その他2ファイル編集"),
    QT_TRANSLATE_NOOP("frmMain", "設定ファイル編集")};

// A text of the window in the program's language.
inline QString Translated(const char* text) {
  return QCoreApplication::translate("frmMain", text);
}

// Every text of a list in the program's language.
template <std::size_t N>
QStringList Translated(const char* const (&texts)[N]) {
  QStringList list;
  for (const char* text : texts) list << Translated(text);
  return list;
}

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
