#include "core/language.h"

#include <atomic>

namespace language {

namespace {
std::atomic<Language> current{Language::Japanese};
}  // namespace

Language Current() {
  return current.load();
}

void SetCurrent(Language language) {
  current.store(language);
}

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

QString WithSigns(const QString& text) {
  return WithSigns(text, Current());
}

QString WithSigns(const QString& text, Language language) {
  if (language != Language::English) return text;
  QString out = text;
  for (qsizetype i = 0; i < out.size(); ++i) {
    const QChar c = out[i];
    if (c == u'#') {
      out[i] = QChar(0x266F);  // ♯
      continue;
    }
    if (c != u'b') continue;
    const QChar before = i > 0 ? out[i - 1] : QChar();
    const QChar after = i + 1 < out.size() ? out[i + 1] : QChar();
    // A flat note's b: after a note letter, ending the name or followed by a chord's quality
    // (m, M, dim, aug, sus) or anything but a lower-case letter ("Bebop" keeps its b).
    const bool afterLetter = before >= u'A' && before <= u'G' &&
                             (!after.isLetter() || after.isUpper() || after == u'm' ||
                              after == u'd' || after == u'a' || after == u's');
    // An altered degree's b: at the start or after a digit, sign or bracket, before its number.
    const bool beforeDigit =
        after.isDigit() && (before.isNull() || before.isDigit() || before.isSpace() ||
                            before == u'(' || before == u',' || before == u'/');
    if (afterLetter || beforeDigit) out[i] = QChar(0x266D);  // ♭
  }
  return out;
}

}  // namespace language
