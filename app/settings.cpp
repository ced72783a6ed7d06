#include "app/settings.h"

#include "app/kihon.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QSaveFile>

#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <type_traits>

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

enum class WriteResult { kOk, kFailed };

// Writes the record image followed by whatever an existing file held after it, into a new
// file that replaces the old one only once it is complete.
WriteResult WriteRecordFile(const CfgRecord& record, const QString& path) {
  QByteArray tail;
  {
    QFile old(path);
    if (old.exists()) {
      if (!old.open(QIODevice::ReadOnly)) return WriteResult::kFailed;
      if (old.size() > kRecordSize) {
        if (!old.seek(kRecordSize)) return WriteResult::kFailed;
        tail = old.readAll();
        if (old.error() != QFileDevice::NoError) return WriteResult::kFailed;
      }
    }
  }
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return WriteResult::kFailed;
  const RecordImage image = EncodeRecord(record);
  const auto* bytes = reinterpret_cast<const char*>(image.data());
  if (out.write(bytes, kRecordSize) != kRecordSize) return WriteResult::kFailed;
  if (!tail.isEmpty() && out.write(tail) != tail.size()) return WriteResult::kFailed;
  return out.commit() ? WriteResult::kOk : WriteResult::kFailed;
}

}  // namespace

bool SaveSettings(CfgRecord& record, const QString& path, const Reporter& report) {
  if (WriteRecordFile(record, path) != WriteResult::kOk) {
    if (report) report(kUnexpectedError);
    return false;
  }
  Validate(record);
  return true;
}

void LoadSettings(CfgRecord& record, const QString& path, const Reporter& report) {
  QFile file(path);
  if (file.exists()) {
    if (!file.open(QIODevice::ReadOnly)) {
      if (report) report(kUnexpectedError);
      return;
    }
    const QByteArray bytes = file.read(kRecordSize);
    if (file.error() != QFileDevice::NoError) {
      if (report) report(kUnexpectedError);
      return;
    }
    file.close();
    if (bytes.size() == kRecordSize) {
      RecordImage image{};
      std::memcpy(image.data(), bytes.constData(), kRecordSize);
      record = DecodeRecord(image);
      Validate(record);
      return;
    }
  }
  // Missing or short: the file becomes the record as it is in memory. The running program
  // uses the validated record even when the file cannot be written (that is reported).
  if (!SaveSettings(record, path, report)) Validate(record);
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
