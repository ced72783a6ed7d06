// The settings record "cfg.inf": the one record of every setting that survives a restart.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace settings {

// Size of the record image in "cfg.inf"; bytes after it belong to nobody and are kept.
inline constexpr int kRecordSize = 318;

// The text of the message shown for any unexpected failure of the settings file.
inline constexpr const char* kUnexpectedError =
    QT_TRANSLATE_NOOP("settings", "予期しないエラー発生");

// Booleans are -1 (on) and 0 (off); check values are 1 (on) and 0 (off). Colours are
// Windows colour values: red in the lowest byte, then green, then blue.
struct CfgRecord {
  std::array<std::uint8_t, 50> ReservedText1{};
  std::array<std::uint8_t, 80> ReservedText2{};
  std::int16_t Root = 0;
  std::int16_t ProgressionMode = 0;
  std::int16_t PitchAdjust = 0;
  std::int16_t MelodyInstrument = 0;
  std::int16_t SoundOnChange = 0;
  std::int16_t PitchBase = 0;
  std::int16_t Category = 0;
  std::int16_t Tonality = 0;
  std::int16_t V7Treatment = 0;
  std::int32_t ColorCircle = 0;
  std::int32_t ColorPolygon = 0;
  std::int32_t ColorRoot = 0;
  std::int32_t ColorAns = 0;
  std::int32_t ColorPlayed = 0;
  std::int32_t ColorKeyHit = 0;
  std::int32_t ColorKeyEntry = 0;
  std::array<std::uint8_t, 24> Reserved176{};
  std::int16_t Tempo = 0;
  std::int16_t ShowScore = 0;
  std::int16_t ShowDiagram = 0;
  std::int16_t ShowKeyboard = 0;
  std::int16_t UseMidi = 0;
  std::int16_t RepeatCount = 0;
  std::int16_t RepeatOn = 0;
  std::int16_t PlayConcertPitch = 0;
  std::int16_t SpeedUpOn = 0;
  std::int16_t SpeedUpPercent = 0;
  std::int16_t ShowEntry = 0;
  std::int16_t SwingOn = 0;
  std::int16_t LimitRange = 0;
  std::int16_t RangeHigh = 0;
  std::int16_t RangeLow = 0;
  std::int16_t CountInOn = 0;
  std::int16_t ClickOn = 0;
  std::int16_t SwingLevel = 0;
  std::int16_t AccompInstrument = 0;
  std::int16_t AccompOn = 0;
  std::array<std::int16_t, 11> LastItem{};
  std::int16_t ClickInstrument = 0;
  std::int16_t BassInstrument = 0;
  std::int16_t MelodyOn = 0;
  std::array<std::uint8_t, 2> Reserved268{};
  std::int16_t MelodyVolume = 0;
  std::int16_t AccompVolume = 0;
  std::int16_t ClickVolume = 0;
  std::int16_t BassVolume = 0;
  std::array<std::uint8_t, 10> Reserved278{};
  std::int16_t UseMaestroFont = 0;
  float StaffOffset = 0.0f;
  std::array<std::uint8_t, 24> Reserved294{};

  bool operator==(const CfgRecord&) const = default;
};

// The slot of LastItem that a category keeps its last item in: the category brought into
// the array's bounds, whatever the file says.
inline int CategorySlot(int category) {
  return std::clamp(category, 0, static_cast<int>(CfgRecord{}.LastItem.size()) - 1);
}
// The item last chosen in the category in force.
inline int CurrentItem(const CfgRecord& cfg) {
  return cfg.LastItem[static_cast<std::size_t>(CategorySlot(cfg.Category))];
}

// Calls visit(name, offset, field) for every field of the record in file order. The
// field is one of: int16_t, int32_t, float, std::array<int16_t, 11> or a reserved byte
// array (whose name starts with "Reserved"). This one list drives encoding, decoding and
// the JSON dump, so the byte layout is written down exactly once.
template <class Record, class Visit>
void ForEachField(Record& r, Visit&& visit) {
  visit("ReservedText1", 0, r.ReservedText1);
  visit("ReservedText2", 50, r.ReservedText2);
  visit("Root", 130, r.Root);
  visit("ProgressionMode", 132, r.ProgressionMode);
  visit("PitchAdjust", 134, r.PitchAdjust);
  visit("MelodyInstrument", 136, r.MelodyInstrument);
  visit("SoundOnChange", 138, r.SoundOnChange);
  visit("PitchBase", 140, r.PitchBase);
  visit("Category", 142, r.Category);
  visit("Tonality", 144, r.Tonality);
  visit("V7Treatment", 146, r.V7Treatment);
  visit("ColorCircle", 148, r.ColorCircle);
  visit("ColorPolygon", 152, r.ColorPolygon);
  visit("ColorRoot", 156, r.ColorRoot);
  visit("ColorAns", 160, r.ColorAns);
  visit("ColorPlayed", 164, r.ColorPlayed);
  visit("ColorKeyHit", 168, r.ColorKeyHit);
  visit("ColorKeyEntry", 172, r.ColorKeyEntry);
  visit("Reserved176", 176, r.Reserved176);
  visit("Tempo", 200, r.Tempo);
  visit("ShowScore", 202, r.ShowScore);
  visit("ShowDiagram", 204, r.ShowDiagram);
  visit("ShowKeyboard", 206, r.ShowKeyboard);
  visit("UseMidi", 208, r.UseMidi);
  visit("RepeatCount", 210, r.RepeatCount);
  visit("RepeatOn", 212, r.RepeatOn);
  visit("PlayConcertPitch", 214, r.PlayConcertPitch);
  visit("SpeedUpOn", 216, r.SpeedUpOn);
  visit("SpeedUpPercent", 218, r.SpeedUpPercent);
  visit("ShowEntry", 220, r.ShowEntry);
  visit("SwingOn", 222, r.SwingOn);
  visit("LimitRange", 224, r.LimitRange);
  visit("RangeHigh", 226, r.RangeHigh);
  visit("RangeLow", 228, r.RangeLow);
  visit("CountInOn", 230, r.CountInOn);
  visit("ClickOn", 232, r.ClickOn);
  visit("SwingLevel", 234, r.SwingLevel);
  visit("AccompInstrument", 236, r.AccompInstrument);
  visit("AccompOn", 238, r.AccompOn);
  visit("LastItem", 240, r.LastItem);
  visit("ClickInstrument", 262, r.ClickInstrument);
  visit("BassInstrument", 264, r.BassInstrument);
  visit("MelodyOn", 266, r.MelodyOn);
  visit("Reserved268", 268, r.Reserved268);
  visit("MelodyVolume", 270, r.MelodyVolume);
  visit("AccompVolume", 272, r.AccompVolume);
  visit("ClickVolume", 274, r.ClickVolume);
  visit("BassVolume", 276, r.BassVolume);
  visit("Reserved278", 278, r.Reserved278);
  visit("UseMaestroFont", 288, r.UseMaestroFont);
  visit("StaffOffset", 290, r.StaffOffset);
  visit("Reserved294", 294, r.Reserved294);
}

using RecordImage = std::array<std::uint8_t, kRecordSize>;

// The exact little-endian file image of the record, and back.
RecordImage EncodeRecord(const CfgRecord& record);
CfgRecord DecodeRecord(const RecordImage& image);

// The settings a new user starts with: the record of the shipped "cfg.inf" (views on,
// colours, instruments, volumes, tempo and note range set), so that a program without a
// settings file is still usable.
CfgRecord DefaultRecord();

// Brings the checked fields into range and switches MIDI output on.
void Validate(CfgRecord& record);

// Shows a failure message to the user (a message box in the program, standard error in
// the command-line tool).
using Reporter = std::function<void(const QString& message)>;

// How a load ended: read from the file; the file was missing or short and was written
// anew; it could not be written (the validated record in memory is used all the same); or
// it could not be read (reported; a path that is not a regular file counts so).
enum class LoadResult { kLoaded, kCreated, kNotWritten, kFailed };

// Reads "cfg.inf" at path into record. A missing or short file is replaced by the record
// as it is in memory, except that a record never loaded yet (all zero, as at start-up)
// first becomes DefaultRecord(). Any other failure reports kUnexpectedError (followed by the
// file and the reason) and leaves the record unvalidated.
LoadResult LoadSettings(CfgRecord& record, const QString& path, const Reporter& report);

// Writes the record to path through the atomic writer: the old file stays byte for byte as
// it was unless the new one is complete on the disk (a full disk reports kUnexpectedError,
// followed by the file, its folder and the reason); links are followed to the end and kept; a path
// that is not a regular file is never replaced; the bytes after the record in an existing longer
// file are kept. Returns whether it saved.
bool SaveSettings(CfgRecord& record, const QString& path, const Reporter& report);

// Start-up tempo rule: below 50 becomes 100, above 300 becomes 300.
void ApplyStartupTempo(CfgRecord& record);

// The record as one JSON object keyed by field name (reserved bytes left out).
QString ToJson(const CfgRecord& record);

}  // namespace settings
