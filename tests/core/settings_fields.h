// The settings file's layout as the tests know it: every field with its offset, and the
// bytes of a record, shared by the settings tests and the tool's tests.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "core/settings.h"

namespace settings_test {

using settings::CfgRecord;

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

inline std::int16_t I16At(const QByteArray& bytes, int offset) {
  return static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                   (static_cast<std::uint8_t>(bytes[offset + 1]) << 8));
}

inline QByteArray ImageOf(const CfgRecord& r) {
  const settings::RecordImage image = settings::EncodeRecord(r);
  return QByteArray(reinterpret_cast<const char*>(image.data()), settings::kRecordSize);
}

// Every 16-bit field with its offset in the file, as the record's file layout gives them.
struct Int16Field {
  const char* name;
  int offset;
  std::int16_t CfgRecord::*field;
};
inline const Int16Field kInt16Fields[] = {
    {"Root", 130, &CfgRecord::Root},
    {"ProgressionMode", 132, &CfgRecord::ProgressionMode},
    {"PitchAdjust", 134, &CfgRecord::PitchAdjust},
    {"MelodyInstrument", 136, &CfgRecord::MelodyInstrument},
    {"SoundOnChange", 138, &CfgRecord::SoundOnChange},
    {"PitchBase", 140, &CfgRecord::PitchBase},
    {"Category", 142, &CfgRecord::Category},
    {"Tonality", 144, &CfgRecord::Tonality},
    {"V7Treatment", 146, &CfgRecord::V7Treatment},
    {"Tempo", 200, &CfgRecord::Tempo},
    {"ShowScore", 202, &CfgRecord::ShowScore},
    {"ShowDiagram", 204, &CfgRecord::ShowDiagram},
    {"ShowKeyboard", 206, &CfgRecord::ShowKeyboard},
    {"UseMidi", 208, &CfgRecord::UseMidi},
    {"RepeatCount", 210, &CfgRecord::RepeatCount},
    {"RepeatOn", 212, &CfgRecord::RepeatOn},
    {"PlayConcertPitch", 214, &CfgRecord::PlayConcertPitch},
    {"SpeedUpOn", 216, &CfgRecord::SpeedUpOn},
    {"SpeedUpPercent", 218, &CfgRecord::SpeedUpPercent},
    {"ShowEntry", 220, &CfgRecord::ShowEntry},
    {"SwingOn", 222, &CfgRecord::SwingOn},
    {"LimitRange", 224, &CfgRecord::LimitRange},
    {"RangeHigh", 226, &CfgRecord::RangeHigh},
    {"RangeLow", 228, &CfgRecord::RangeLow},
    {"CountInOn", 230, &CfgRecord::CountInOn},
    {"ClickOn", 232, &CfgRecord::ClickOn},
    {"SwingLevel", 234, &CfgRecord::SwingLevel},
    {"AccompInstrument", 236, &CfgRecord::AccompInstrument},
    {"AccompOn", 238, &CfgRecord::AccompOn},
    {"ClickInstrument", 262, &CfgRecord::ClickInstrument},
    {"BassInstrument", 264, &CfgRecord::BassInstrument},
    {"MelodyOn", 266, &CfgRecord::MelodyOn},
    {"MelodyVolume", 270, &CfgRecord::MelodyVolume},
    {"AccompVolume", 272, &CfgRecord::AccompVolume},
    {"ClickVolume", 274, &CfgRecord::ClickVolume},
    {"BassVolume", 276, &CfgRecord::BassVolume},
    {"UseMaestroFont", 288, &CfgRecord::UseMaestroFont},
};

struct Int32Field {
  int offset;
  std::int32_t CfgRecord::*field;
};
inline const Int32Field kColourFields[] = {
    {148, &CfgRecord::ColorCircle},  {152, &CfgRecord::ColorPolygon},
    {156, &CfgRecord::ColorRoot},    {160, &CfgRecord::ColorAns},
    {164, &CfgRecord::ColorPlayed},  {168, &CfgRecord::ColorKeyHit},
    {172, &CfgRecord::ColorKeyEntry}};

}  // namespace settings_test
