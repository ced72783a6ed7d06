// Fuzz target: any bytes as "cfg.inf", loaded and validated; the loaded record encodes and
// decodes to itself. (Saving, with its disk flush, is left to the ordinary tests.)
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath("cfg.inf");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  settings::CfgRecord record;
  record.Root = 1;  // not a fresh record: a short file is written from it, not from defaults
  if (size < settings::kRecordSize) {
    // A short file would be saved over (with a disk flush): decode it padded instead.
    settings::RecordImage image{};
    std::copy(data, data + size, image.begin());
    record = settings::DecodeRecord(image);
    settings::Validate(record);
  } else {
    settings::LoadSettings(record, path, {});
  }
  // A loaded record is in range; saving and loading it again gives the same record.
  settings::CfgRecord validated = record;
  settings::Validate(validated);
  if (!(validated == record)) std::abort();
  if (!(settings::DecodeRecord(settings::EncodeRecord(record)) == record)) {
    // A NaN staff offset never compares equal; Validate makes it 0, so this cannot be one.
    std::abort();
  }
  (void)settings::ToJson(record);
  return 0;
}
