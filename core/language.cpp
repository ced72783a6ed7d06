#include "core/language.h"

#include <atomic>

namespace language {

namespace {
std::atomic<Language> current{Language::Japanese};
}  // namespace

Language Current() { return current.load(); }

void SetCurrent(Language language) { current.store(language); }

Language FromLocaleName(const QString& localeName) {
  const bool japanese = localeName == QLatin1String("ja") ||
                        localeName.startsWith(QLatin1String("ja_")) ||
                        localeName.startsWith(QLatin1String("ja-"));
  return japanese ? Language::Japanese : Language::English;
}

QString Code(Language language) {
  return language == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
}

std::optional<Language> FromCode(const QString& code) {
  if (code == QLatin1String("ja")) return Language::Japanese;
  if (code == QLatin1String("en")) return Language::English;
  return std::nullopt;
}

Language Chosen(const QString& userCode, const QString& systemLocaleName) {
  if (const auto chosen = FromCode(userCode)) return *chosen;
  return FromLocaleName(systemLocaleName);
}

}  // namespace language
