#include "core/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "tests/core/settings_fields.h"

using settings::CfgRecord;

using namespace settings_test;

TEST(SettingsLayout, EveryInt16FieldSitsAtItsOffsetLittleEndian) {
  for (const Int16Field& f : kInt16Fields) {
    CfgRecord r;
    r.*(f.field) = static_cast<std::int16_t>(0x8000 | f.offset);  // negative, both bytes set
    const QByteArray bytes = ImageOf(r);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[f.offset]), f.offset & 0xFF) << f.name;
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[f.offset + 1]), 0x80 | (f.offset >> 8)) << f.name;
    int nonZero = 0;
    for (char b : bytes) nonZero += b != 0;
    EXPECT_LE(nonZero, 2) << f.name << " touches other bytes";
  }
}

TEST(SettingsLayout, ColoursLastItemAndStaffOffset) {
  for (const Int32Field& f : kColourFields) {
    CfgRecord r;
    r.*(f.field) = 0x00A1B2C3;
    const QByteArray bytes = ImageOf(r);
    EXPECT_EQ(bytes.mid(f.offset, 4), QByteArray("\xC3\xB2\xA1\x00", 4)) << f.offset;
  }
  CfgRecord r;
  for (int i = 0; i < 11; ++i) r.LastItem[i] = static_cast<std::int16_t>(100 + i);
  r.StaffOffset = -12.5f;  // 0xC1480000
  const QByteArray bytes = ImageOf(r);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(I16At(bytes, 240 + 2 * i), 100 + i);
  EXPECT_EQ(bytes.mid(290, 4), QByteArray("\x00\x00\x48\xC1", 4));
}

TEST(SettingsLayout, ReservedBytesSurviveDecodeAndEncode) {
  settings::RecordImage image{};
  for (int i = 0; i < settings::kRecordSize; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EXPECT_EQ(settings::EncodeRecord(settings::DecodeRecord(image)), image);
}

TEST(SettingsValidate, ClampsTheCheckedFieldsOnly) {
  struct Case {
    const char* what;
    std::function<void(CfgRecord&)> set;
    std::function<bool(const CfgRecord&)> expect;
  };
  const Case cases[] = {
      {"Root 12 -> 11", [](CfgRecord& r) { r.Root = 12; }, [](auto& r) { return r.Root == 11; }},
      {"Root -3 -> 0", [](CfgRecord& r) { r.Root = -3; }, [](auto& r) { return r.Root == 0; }},
      {"PitchAdjust 21 -> 20", [](CfgRecord& r) { r.PitchAdjust = 21; },
       [](auto& r) { return r.PitchAdjust == 20; }},
      {"PitchAdjust -21 -> -20", [](CfgRecord& r) { r.PitchAdjust = -21; },
       [](auto& r) { return r.PitchAdjust == -20; }},
      {"MelodyInstrument 0 -> 1", [](CfgRecord& r) { r.MelodyInstrument = 0; },
       [](auto& r) { return r.MelodyInstrument == 1; }},
      {"MelodyInstrument 68 kept (baritone sax)", [](CfgRecord& r) { r.MelodyInstrument = 68; },
       [](auto& r) { return r.MelodyInstrument == 68; }},
      {"MelodyInstrument 69 -> 68", [](CfgRecord& r) { r.MelodyInstrument = 69; },
       [](auto& r) { return r.MelodyInstrument == 68; }},
      {"PitchBase 121 -> 120", [](CfgRecord& r) { r.PitchBase = 121; },
       [](auto& r) { return r.PitchBase == 120; }},
      {"RepeatCount 0 -> 1", [](CfgRecord& r) { r.RepeatCount = 0; },
       [](auto& r) { return r.RepeatCount == 1; }},
      {"RepeatCount 101 -> 100", [](CfgRecord& r) { r.RepeatCount = 101; },
       [](auto& r) { return r.RepeatCount == 100; }},
      {"StaffOffset 75.5 -> 50", [](CfgRecord& r) { r.StaffOffset = 75.5f; },
       [](auto& r) { return r.StaffOffset == 50.0f; }},
      {"StaffOffset -50 kept", [](CfgRecord& r) { r.StaffOffset = -50.0f; },
       [](auto& r) { return r.StaffOffset == -50.0f; }},
      {"StaffOffset NaN -> 0",
       [](CfgRecord& r) { r.StaffOffset = std::numeric_limits<float>::quiet_NaN(); },
       [](auto& r) { return r.StaffOffset == 0.0f; }},
      {"UseMidi 0 -> 1", [](CfgRecord& r) { r.UseMidi = 0; },
       [](auto& r) { return r.UseMidi == 1; }},
      {"Category 9 unchecked", [](CfgRecord& r) { r.Category = 9; },
       [](auto& r) { return r.Category == 9; }},
      {"Tempo 7 unchecked", [](CfgRecord& r) { r.Tempo = 7; },
       [](auto& r) { return r.Tempo == 7; }},
  };
  for (const Case& c : cases) {
    CfgRecord r;
    r.MelodyInstrument = 5;
    r.RepeatCount = 3;
    c.set(r);
    settings::Validate(r);
    EXPECT_TRUE(c.expect(r)) << c.what;
  }
}

// The tempo the program starts with: below 50 a stored tempo becomes 100, above 300 it
// becomes 300; the bounds themselves are kept.
TEST(SettingsStartup, TheTempoRuleKeepsItsBounds) {
  const std::pair<int, int> cases[] = {{-5, 100},  {0, 100},   {49, 100},  {50, 50},
                                       {120, 120}, {300, 300}, {301, 300}, {32767, 300}};
  for (const auto& [stored, started] : cases) {
    CfgRecord r;
    r.Tempo = static_cast<std::int16_t>(stored);
    settings::ApplyStartupTempo(r);
    EXPECT_EQ(r.Tempo, started) << stored;
  }
}

class SettingsFile : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("cfg.inf"));
  QStringList messages;
  settings::Reporter report = [this](const QString& m) { messages << m; };
};

// Without a settings file (or with a torn one) a first start gets the shipped defaults,
// byte for byte the shipped "cfg.inf", not the all-zero record.
TEST_F(SettingsFile, FirstStartCreatesTheShippedDefaults) {
  const QByteArray shipped = ReadAll(QStringLiteral(VORMINA_SOURCE_DIR "/data/cfg.inf"));
  for (const QByteArray& before : {QByteArray(), QByteArray(317, '\x07')}) {
    QFile::remove(path);
    if (!before.isEmpty()) WriteAll(path, before);
    CfgRecord r;
    settings::LoadSettings(r, path, report);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ReadAll(path), shipped) << before.size() << " bytes before";
    EXPECT_EQ(r, settings::DefaultRecord());
    EXPECT_EQ(r.ShowScore, -1);
    EXPECT_NE(r.ColorCircle, 0);
    EXPECT_GT(r.MelodyVolume, 0);
  }
}

TEST_F(SettingsFile, ShortFileIsReplacedByTheRecordInMemory) {
  WriteAll(path, QByteArray(100, '\x05'));
  CfgRecord r;
  r.Tempo = 140;
  settings::LoadSettings(r, path, report);
  const QByteArray bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 318);
  EXPECT_EQ(I16At(bytes, 200), 140);
  EXPECT_EQ(I16At(bytes, 130), 0);
  EXPECT_EQ(r.Tempo, 140);
  EXPECT_EQ(r.UseMidi, 1);
}

TEST_F(SettingsFile, LongerFileLoadsItsRecordAndKeepsItsTailOnSave) {
  CfgRecord stored;
  stored.Root = 7;
  stored.Category = 9;
  stored.ReservedText2[3] = 'x';
  stored.Reserved278[9] = 0xEE;
  const QByteArray tail("tail bytes that belong to nobody");
  WriteAll(path, ImageOf(stored) + tail);

  CfgRecord r;
  settings::LoadSettings(r, path, report);
  EXPECT_EQ(r.Root, 7);
  EXPECT_EQ(r.Category, 9);
  EXPECT_EQ(r.ReservedText2[3], 'x');
  EXPECT_EQ(r.Reserved278[9], 0xEE);

  r.Root = 12;  // written as it is; only memory is clamped afterwards
  ASSERT_TRUE(settings::SaveSettings(r, path, report));
  const QByteArray bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 318 + tail.size());
  EXPECT_EQ(bytes.mid(318), tail);
  EXPECT_EQ(I16At(bytes, 130), 12);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[278 + 9]), 0xEE);
  EXPECT_EQ(r.Root, 11);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SettingsFile, UnreadableFileReportsAndLeavesTheRecordUnvalidated) {
  ASSERT_TRUE(QDir().mkpath(path));  // a folder where the file should be
  CfgRecord r;
  r.Root = 40;
  settings::LoadSettings(r, path, report);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("予期しないエラー発生\n")))
      << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains(path)) << messages[0].toStdString();
  EXPECT_EQ(r.Root, 40);
  EXPECT_EQ(r.UseMidi, 0);
}

TEST_F(SettingsFile, FailedSaveReportsAndDoesNotValidate) {
  const QString nowhere = dir.filePath(QStringLiteral("missing/folder/cfg.inf"));
  CfgRecord r;
  r.Root = 40;
  EXPECT_FALSE(settings::SaveSettings(r, nowhere, report));
  ASSERT_EQ(messages.size(), 1);
  // The design's words, then the file, its folder and the system's reason, all readable (the
  // reason once came out as UTF-8 read as Latin-1: "ä½æã§ãã¾ãã").
  EXPECT_TRUE(messages[0].startsWith(settings::kUnexpectedError));
  EXPECT_TRUE(messages[0].contains(QStringLiteral("cfg.inf を保存できません")));
  EXPECT_TRUE(messages[0].contains(dir.filePath(QStringLiteral("missing/folder"))));
  EXPECT_TRUE(messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOENT))))
      << messages[0].toStdString();
  EXPECT_FALSE(messages[0].contains(QChar(u'ã'))) << messages[0].toStdString();
  EXPECT_EQ(r.Root, 40);
  EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(SettingsFile, SaveReplacesTheOldFileWhole) {
  CfgRecord first;
  first.Tempo = 111;
  ASSERT_TRUE(settings::SaveSettings(first, path, report));
  CfgRecord second;
  second.Tempo = 222;
  ASSERT_TRUE(settings::SaveSettings(second, path, report));
  EXPECT_EQ(I16At(ReadAll(path), 200), 222);
  // Nothing but the settings file is left behind in the folder.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("cfg.inf")});
}

TEST(ShippedSettings, LoadUnchangedAndAreSensible) {
  const QString path = QStringLiteral(VORMINA_SOURCE_DIR "/data/cfg.inf");
  const QByteArray bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 318);
  settings::RecordImage image{};
  std::memcpy(image.data(), bytes.constData(), 318);
  const CfgRecord shipped = settings::DecodeRecord(image);
  // The program's built-in defaults are the shipped file.
  EXPECT_EQ(shipped, settings::DefaultRecord());
  CfgRecord validated = shipped;
  settings::Validate(validated);
  EXPECT_EQ(validated, shipped);

  EXPECT_EQ(shipped.PitchBase, 36);
  EXPECT_EQ(shipped.Tempo, 120);
  EXPECT_EQ(shipped.LimitRange, 1);
  EXPECT_LT(shipped.RangeLow, 24);
  EXPECT_GT(shipped.RangeHigh, 41);  // above the top line of the staff
  for (std::int16_t v : {shipped.ShowScore, shipped.ShowDiagram, shipped.ShowKeyboard}) {
    EXPECT_EQ(v, -1);
  }
  for (std::int16_t v :
       {shipped.MelodyVolume, shipped.AccompVolume, shipped.BassVolume, shipped.ClickVolume}) {
    EXPECT_GE(v, 70);
    EXPECT_LE(v, 125);
  }
  const std::int32_t colours[] = {shipped.ColorCircle,  shipped.ColorPolygon, shipped.ColorRoot,
                                  shipped.ColorAns,     shipped.ColorPlayed,  shipped.ColorKeyHit,
                                  shipped.ColorKeyEntry};
  for (int i = 0; i < 7; ++i) {
    EXPECT_NE(colours[i], 0) << i;
    EXPECT_EQ(colours[i] & 0xFF000000, 0) << i;
    for (int j = 0; j < i; ++j) EXPECT_NE(colours[i], colours[j]) << i << " " << j;
  }
}
