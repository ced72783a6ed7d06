#include "core/user_settings.h"

namespace user_settings {

std::unique_ptr<QSettings> Open(const QString& file) {
  if (file.isEmpty()) return std::make_unique<QSettings>();
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace user_settings
