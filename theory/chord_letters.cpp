#include "theory/chord_letters.h"

#include <vector>

namespace spelling {
namespace {

enum class Family { kMajor, kDominant, kMinor, kHalfDiminished, kDiminished, kAugmented, kSus };

// A suffix in the few shapes it is written in, reduced to one: "b" and "#" for the signs,
// "M" for a major seventh, "m" for minor, "dim" and "m7b5" for the diminished chords.
QString NormalSuffix(const QString& suffix) {
  QString s = suffix.trimmed();
  s.replace(QStringLiteral("♭"), QStringLiteral("b"));
  s.replace(QStringLiteral("♯"), QStringLiteral("#"));
  s.replace(QStringLiteral("△"), QStringLiteral("M"));
  s.replace(QStringLiteral("Δ"), QStringLiteral("M"));
  s.replace(QStringLiteral("ø"), QStringLiteral("m7b5"));
  s.replace(QStringLiteral("°"), QStringLiteral("dim"));
  s.replace(QStringLiteral("Maj"), QStringLiteral("M"));
  s.replace(QStringLiteral("maj"), QStringLiteral("M"));
  s.replace(QStringLiteral("min"), QStringLiteral("m"));
  s.remove(u'(');
  s.remove(u')');
  s.remove(u',');
  s.remove(u' ');
  if (s.startsWith(u'-')) s = u'm' + s.mid(1);
  if (s.startsWith(u'o')) s = QStringLiteral("dim") + s.mid(1);
  return s;
}

struct Parsed {
  int third = 4;
  int fifth = 7;
  int seventh = -1;  // none
  bool sixth = false;
  bool alt = false;
  std::array<bool, 12> tension{};  // tensions named, by interval
};

// The chord's kind as the suffix begins: m7b5, dim, m, aug or +; the place after it.
qsizetype ParseHead(const QString& s, Parsed& p) {
  if (s.startsWith(QStringLiteral("m7b5"))) {
    p.third = 3, p.fifth = 6, p.seventh = 10;
    return 4;
  }
  if (s.startsWith(QStringLiteral("dim"))) {
    p.third = 3, p.fifth = 6, p.seventh = 9;
    return s.size() > 3 && s[3] == u'7' ? 4 : 3;
  }
  if (s.startsWith(u'm')) {
    p.third = 3;
    return 1;
  }
  if (s.startsWith(QStringLiteral("aug"))) {
    p.fifth = 8;
    return 3;
  }
  if (s.startsWith(u'+')) {
    p.fifth = 8;
    return 1;
  }
  return 0;
}

// The seventh a number implies, unless one is named already.
void Seventh(Parsed& p, int value) {
  if (p.seventh < 0) p.seventh = value;
}

// A number without a sign: 6, 7, an extension (9, 11, 13, which imply the seventh unless
// added), or an added 2 or 4. added: it follows "add" or the "/" of "6/9".
void PlainNumber(Parsed& p, int number, bool major, bool added) {
  switch (number) {
    case 6:
      p.sixth = true;
      break;
    case 7:
      Seventh(p, major ? 11 : 10);
      break;
    case 9:
    case 11:
    case 13:
      if (!added) Seventh(p, major ? 11 : 10);
      p.tension[number == 9 ? 2 : number == 11 ? 5 : 9] = true;
      if (number >= 11) p.tension[2] = true;
      break;
    case 2:
      p.tension[2] = true;
      break;
    case 4:
      p.tension[5] = true;
      break;
    default:
      break;
  }
}

// A number with a sign: an altered fifth or a named tension.
void SignedNumber(Parsed& p, int value) {
  switch (value) {
    case -5:
      p.fifth = 6;
      break;
    case 5:
      p.fifth = 8;
      break;
    case -9:
      p.tension[1] = true;
      break;
    case 9:
      p.tension[3] = true;
      break;
    case 11:
    case 4:
      p.tension[6] = true;
      break;
    case -13:
    case -6:
      p.tension[8] = true;
      break;
    default:
      break;
  }
}

Parsed Parse(const QString& suffix) {
  const QString s = NormalSuffix(suffix);
  Parsed p;
  qsizetype i = ParseHead(s, p);
  bool major = false;  // an "M" waits for its number
  while (i < s.size()) {
    const QString rest = s.mid(i);
    if (rest.startsWith(QStringLiteral("alt"))) {
      p.alt = true;
      Seventh(p, 10);
      i += 3;
    } else if (rest.startsWith(QStringLiteral("sus"))) {
      i += 3;
      p.third = i < s.size() && s[i] == u'2' ? 2 : 5;
      if (i < s.size() && (s[i] == u'2' || s[i] == u'4')) ++i;
    } else if (rest.startsWith(QStringLiteral("add"))) {
      i += 3;  // the number that follows is a tension
    } else if (s[i] == u'M') {
      // "M" alone is the major triad; a number after it makes the seventh major.
      major = true;
      ++i;
    } else {
      const int sign = s[i] == u'b' ? -1 : s[i] == u'#' || s[i] == u'+' ? 1 : 0;
      const qsizetype from = i + (sign != 0 ? 1 : 0);
      int number = 0;
      qsizetype end = from;
      while (end < s.size() && s[end].isDigit() && number < 100) {
        number = number * 10 + s[end].digitValue();
        ++end;
      }
      if (end == from) {
        ++i;  // a character of no meaning here
        continue;
      }
      if (sign == 0) {
        const QString before = s.left(from);
        PlainNumber(p, number, major,
                    before.endsWith(QStringLiteral("add")) || before.endsWith(u'/'));
      } else {
        SignedNumber(p, sign * number);
      }
      i = end;
    }
  }
  return p;
}

Family FamilyOf(const Parsed& p) {
  if (p.third == 3) {
    if (p.fifth == 6) return p.seventh == 10 ? Family::kHalfDiminished : Family::kDiminished;
    return Family::kMinor;
  }
  if (p.seventh == 10) return Family::kDominant;
  if (p.third != 4) return Family::kSus;
  if (p.fifth == 8 && p.seventh < 0) return Family::kAugmented;
  return Family::kMajor;
}

// The letter offsets of the unnamed tensions a chord of a family carries: {interval, letter}.
struct Offer {
  int interval;
  int letter;
};
std::vector<Offer> Offered(Family family, const Parsed& p) {
  const bool altered =
      p.alt || p.tension[1] || p.tension[3] || p.tension[6] || p.tension[8] || p.fifth != 7;
  switch (family) {
    case Family::kDominant:
      return {{1, 1}, {2, 1}, {3, altered ? 1 : kBlueThird}, {4, 2}, {5, 3}, {6, 3}, {7, 4},
              {8, 5}, {9, 5}};
    case Family::kMajor:
      return {{2, 1}, {5, 3}, {6, 3}, {7, 4}, {9, 5}, {11, 6}};
    case Family::kMinor:
      if (p.seventh < 0) return {{2, 1}, {5, 3}, {9, 5}, {10, 6}, {11, 6}};
      return {{2, 1}, {5, 3}, {9, 5}};
    case Family::kHalfDiminished:
      return {{1, 1}, {2, 1}, {5, 3}, {7, 4}, {8, 5}, {9, 5}};
    case Family::kDiminished:
      return {{2, 1}, {5, 3}, {8, 5}, {11, 6}};
    case Family::kAugmented:
      return {{2, 1}, {6, 3}, {10, 6}, {11, 6}};
    case Family::kSus:
      return {{1, 1}, {2, 1}, {4, 2}, {5, 3}, {9, 5}, {10, 6}, {11, 6}};
  }
  return {};
}

}  // namespace

Quality QualityOf(const QString& suffix) {
  const Parsed p = Parse(suffix);
  const Family family = FamilyOf(p);
  Quality q;
  q.letter.fill(kNoDegree);
  q.minor = family == Family::kMinor;
  q.dominant = family == Family::kDominant;
  const auto tone = [&q](int interval, int letter) {
    q.letter[interval] = letter;
    q.chordTone[interval] = true;
  };
  tone(0, 0);
  tone(p.third, p.third == 5 ? 3 : p.third == 2 ? 1 : 2);
  tone(p.fifth, 4);
  if (p.seventh >= 0) tone(p.seventh, 6);
  if (p.sixth && q.letter[9] == kNoDegree) tone(9, 5);
  static constexpr Offer kNamed[] = {{1, 1}, {2, 1}, {3, 1}, {5, 3}, {6, 3}, {8, 5}, {9, 5}};
  for (const Offer& o : kNamed) {
    if (p.tension[o.interval] && q.letter[o.interval] == kNoDegree) q.letter[o.interval] = o.letter;
  }
  for (const Offer& o : Offered(family, p)) {
    if (q.letter[o.interval] == kNoDegree) q.letter[o.interval] = o.letter;
  }
  return q;
}

}  // namespace spelling
