#include "core/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "core/atomic_file.h"
#include "core/file_read.h"
#include "core/kihon.h"

namespace settings {
namespace {

template <class T>
void Put(RecordImage& image, int offset, T value) {
  using U = std::make_unsigned_t<T>;
  const U bits = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    image[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
}

template <class T>
T Get(const RecordImage& image, int offset) {
  using U = std::make_unsigned_t<T>;
  U bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    bits = static_cast<U>(bits | (static_cast<U>(image[offset + i]) << (8 * i)));
  }
  return static_cast<T>(bits);
}

struct Encoder {
  RecordImage& image;
  void operator()(const char*, int offset, std::int16_t v) const { Put(image, offset, v); }
  void operator()(const char*, int offset, std::int32_t v) const { Put(image, offset, v); }
  void operator()(const char*, int offset, float v) const {
    Put(image, offset, std::bit_cast<std::int32_t>(v));
  }
  void operator()(const char*, int offset, const std::array<std::int16_t, 11>& v) const {
    for (std::size_t i = 0; i < v.size(); ++i) Put(image, offset + 2 * static_cast<int>(i), v[i]);
  }
  template <std::size_t N>
  void operator()(const char*, int offset, const std::array<std::uint8_t, N>& v) const {
    std::memcpy(image.data() + offset, v.data(), N);
  }
};

struct Decoder {
  const RecordImage& image;
  void operator()(const char*, int offset, std::int16_t& v) const {
    v = Get<std::int16_t>(image, offset);
  }
  void operator()(const char*, int offset, std::int32_t& v) const {
    v = Get<std::int32_t>(image, offset);
  }
  void operator()(const char*, int offset, float& v) const {
    v = std::bit_cast<float>(Get<std::int32_t>(image, offset));
  }
  void operator()(const char*, int offset, std::array<std::int16_t, 11>& v) const {
    for (std::size_t i = 0; i < v.size(); ++i) {
      v[i] = Get<std::int16_t>(image, offset + 2 * static_cast<int>(i));
    }
  }
  template <std::size_t N>
  void operator()(const char*, int offset, std::array<std::uint8_t, N>& v) const {
    std::memcpy(v.data(), image.data() + offset, N);
  }
};

// Writes "name":value pairs in the record's field order.
struct JsonWriter {
  QStringList& parts;
  void Add(const char* name, const QJsonValue& value) const {
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    parts << u'"' + QString::fromLatin1(name) + QStringLiteral("\":") +
                 QString::fromUtf8(text.mid(1, text.size() - 2));
  }
  void operator()(const char* name, int, std::int16_t v) const { Add(name, v); }
  void operator()(const char* name, int, std::int32_t v) const { Add(name, v); }
  void operator()(const char* name, int, float v) const { Add(name, static_cast<double>(v)); }
  void operator()(const char* name, int, const std::array<std::int16_t, 11>& v) const {
    QJsonArray array;
    for (std::int16_t item : v) array.append(item);
    Add(name, array);
  }
  template <std::size_t N>
  void operator()(const char*, int, const std::array<std::uint8_t, N>&) const {}
};

}  // namespace

RecordImage EncodeRecord(const CfgRecord& record) {
  RecordImage image{};
  ForEachField(record, Encoder{image});
  return image;
}

CfgRecord DecodeRecord(const RecordImage& image) {
  CfgRecord record;
  ForEachField(record, Decoder{image});
  return record;
}

namespace {
// A colour value: red in the lowest byte.
constexpr std::int32_t Colour(int red, int green, int blue) {
  return red | (green << 8) | (blue << 16);
}
}  // namespace

CfgRecord DefaultRecord() {
  CfgRecord r;
  r.Root = 0;              // C
  r.ProgressionMode = 2;   // up a fourth
  r.MelodyInstrument = 1;  // Piano1
  r.PitchBase = 36;        // pitch 24, the C below the staff, sounds as middle C
  r.ColorCircle = Colour(205, 225, 250);
  r.ColorPolygon = Colour(255, 196, 120);
  r.ColorRoot = Colour(214, 48, 49);
  r.ColorAns = Colour(46, 160, 90);
  r.ColorPlayed = Colour(255, 221, 0);
  r.ColorKeyHit = Colour(232, 84, 160);
  r.ColorKeyEntry = Colour(96, 165, 250);
  r.Tempo = 120;
  r.ShowScore = -1;
  r.ShowDiagram = -1;
  r.ShowKeyboard = -1;
  r.UseMidi = 1;
  r.RepeatCount = 2;
  r.SpeedUpPercent = 5;
  r.ShowEntry = 1;
  r.SwingOn = 1;
  r.LimitRange = 1;
  r.RangeHigh = 50;  // D above the second ledger line
  r.RangeLow = 21;   // A on the second ledger line below
  r.CountInOn = 1;
  r.ClickOn = 1;
  r.SwingLevel = 1;  // standard
  r.AccompInstrument = 1;
  r.AccompOn = 1;
  r.MelodyOn = 1;
  r.MelodyVolume = 100;
  r.AccompVolume = 80;
  r.ClickVolume = 90;
  r.BassVolume = 100;
  return r;
}

void Validate(CfgRecord& record) {
  kihon::ClampSetting<std::int16_t>(0, 11, record.Root);
  kihon::ClampSetting<std::int16_t>(-20, 20, record.PitchAdjust);
  // 68 is the highest number the sound settings dialog stores (its alto-to-baritone saxes).
  kihon::ClampSetting<std::int16_t>(1, 68, record.MelodyInstrument);
  kihon::ClampSetting<std::int16_t>(0, 120, record.PitchBase);
  kihon::ClampSetting<std::int16_t>(1, 100, record.RepeatCount);
  // A NaN compares false with both bounds and would pass; it has no position, so it is 0.
  if (std::isnan(record.StaffOffset)) record.StaffOffset = 0.0f;
  kihon::ClampSetting(-50.0f, 50.0f, record.StaffOffset);
  record.UseMidi = 1;
}

namespace {

// The failure message: the design's own words, then which file and why.
QString Unexpected(const QString& detail) {
  const QString unexpected = QCoreApplication::translate("settings", kUnexpectedError);
  return detail.isEmpty() ? unexpected : unexpected + QStringLiteral("\n\n") + detail;
}

// Writes the record image followed by whatever an existing file held after it, through
// the atomic writer: the old file stays whole until the new one is complete on the disk.
// False with the reason in why.
bool WriteRecordFile(const CfgRecord& record, const QString& path, QString& why) {
  QByteArray tail;
  const file_read::Result old = file_read::Read(path, file_read::kSettingsBytes);
  if (old.status == file_read::Status::kRead) {
    tail = old.bytes.mid(kRecordSize);
  } else if (old.status != file_read::Status::kMissing) {
    // A folder, a device, a FIFO, a file too large to be settings: never replaced.
    why = file_read::Problem(old, path, file_read::kSettingsBytes);
    return false;
  }
  const RecordImage image = EncodeRecord(record);
  const QByteArray bytes =
      QByteArray(reinterpret_cast<const char*>(image.data()), kRecordSize) + tail;
  return atomic_file::Write(path, bytes, &why);
}

}  // namespace

bool SaveSettings(CfgRecord& record, const QString& path, const Reporter& report) {
  QString why;
  if (!WriteRecordFile(record, path, why)) {
    if (report) report(Unexpected(why));
    return false;
  }
  Validate(record);
  return true;
}

LoadResult LoadSettings(CfgRecord& record, const QString& path, const Reporter& report) {
  const bool fresh = record == CfgRecord{};
  // Only a regular file is read, and without waiting: a FIFO, a device or a folder is no
  // settings file. Such a path, like a file that cannot be opened, cannot be read.
  const file_read::Result read = file_read::Read(path, file_read::kSettingsBytes);
  if (read.status != file_read::Status::kRead && read.status != file_read::Status::kMissing) {
    if (report) report(Unexpected(file_read::Problem(read, path, file_read::kSettingsBytes)));
    // A record never loaded becomes usable all the same; the path is left alone.
    if (fresh) {
      record = DefaultRecord();
      Validate(record);
    }
    return LoadResult::kFailed;
  }
  if (read.bytes.size() >= kRecordSize) {
    RecordImage image{};
    std::memcpy(image.data(), read.bytes.constData(), kRecordSize);
    record = DecodeRecord(image);
    Validate(record);
    return LoadResult::kLoaded;
  }
  // Missing or short: the file becomes the record as it is in memory; a record that was
  // never loaded (the all-zero start-up record) first takes the shipped defaults, so a
  // first start without a file does not give a black circle, hidden views and silent
  // voices. The running program uses the validated record even when the file cannot be
  // written (that is reported).
  if (fresh) record = DefaultRecord();
  if (!SaveSettings(record, path, report)) {
    Validate(record);
    return LoadResult::kNotWritten;
  }
  return LoadResult::kCreated;
}

void ApplyStartupTempo(CfgRecord& record) {
  if (record.Tempo < 50) {
    record.Tempo = 100;
  } else if (record.Tempo > 300) {
    record.Tempo = 300;
  }
}

QString ToJson(const CfgRecord& record) {
  QStringList parts;
  ForEachField(record, JsonWriter{parts});
  return u'{' + parts.join(u',') + u'}';
}

}  // namespace settings
