#include "core/kihon.h"

#include <QLocale>
#include <cmath>
#include <string>

namespace kihon {

void Waits::WaitMs(std::int16_t ms) {
  const std::int64_t deadline = clock_.NowMs() + ms;
  clock_.RunUntil(deadline, {});
}

std::int16_t Waits::WaitUntil(std::int16_t ms) {
  if (ms <= 0) {
    WaitReference_ = clock_.NowMs();
    return 0;
  }
  const auto stopped = [this] { return stopRequested_ != 0; };
  if (stopped()) return -1;
  const std::int64_t deadline = WaitReference_ + ms;
  clock_.RunUntil(deadline, stopped);
  if (clock_.NowMs() < deadline) return -1;
  WaitReference_ = deadline;
  return 0;
}

QString CleanField(QString& text) {
  text.replace(QChar(u'\0'), QChar(u' '));
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

void ToggleFlag(std::int16_t& flag) {
  flag = (flag == -1) ? 0 : -1;
}

std::int16_t HexDigit(QString& text) {
  text = text.toUpper();
  if (text.isEmpty()) return 0;
  const int c = text[0].unicode();
  return static_cast<std::int16_t>(c <= 64 ? c - 48 : c - 55);
}

double LeadingNumber(const QString& text) {
  std::string digits;
  bool seenDigit = false;
  bool seenPoint = false;
  bool seenExponent = false;
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
    if (c >= u'0' && c <= u'9') {
      digits += static_cast<char>(c);
      seenDigit = true;
    } else if ((c == u'+' || c == u'-') &&
               (digits.empty() || (seenExponent && (digits.back() == 'e')))) {
      digits += static_cast<char>(c);
    } else if (c == u'.' && !seenPoint && !seenExponent) {
      digits += '.';
      seenPoint = true;
    } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && seenDigit && !seenExponent) {
      digits += 'e';
      seenExponent = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return 0.0;
  // A dangling exponent mark or sign ("12e", "12e-") does not belong to the number.
  while (!digits.empty() &&
         (digits.back() == 'e' || digits.back() == '+' || digits.back() == '-')) {
    digits.pop_back();
  }
  // Read in the C locale: the decimal mark is always a point.
  bool ok = false;
  const double value = QLocale::c().toDouble(QString::fromLatin1(digits.c_str()), &ok);
  return ok && std::isfinite(value) ? value : 0.0;
}

}  // namespace kihon
