#include "material/file_Treat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#include "core/appdir.h"
#include "core/file_read.h"
#include "core/kihon.h"
#include "core/language.h"

namespace file_Treat {

MaterialLists::MaterialLists()
    : PhraseLine(std::make_unique<std::array<PhraseBody, kPhraseSlots>>()) {}

namespace {

// How well bytes read as UTF-8: the multi-byte sequences that are well formed, and the
// bytes that start none.
struct Utf8Count {
  int multiByte = 0;
  int invalid = 0;
};

Utf8Count CountUtf8(const QByteArray& bytes) {
  Utf8Count count;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const unsigned char c = b[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    const int length = c >= 0xC2 && c <= 0xDF   ? 2
                       : c >= 0xE0 && c <= 0xEF ? 3
                       : c >= 0xF0 && c <= 0xF4 ? 4
                                                : 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    bool ok = length > 0 && i + length <= n && b[i + 1] >= low && b[i + 1] <= high;
    for (int k = 2; ok && k < length; ++k) ok = b[i + k] >= 0x80 && b[i + k] <= 0xBF;
    if (ok) {
      ++count.multiByte;
      i += length;
    } else {
      ++count.invalid;
      ++i;
    }
  }
  return count;
}

// UTF-8 wins when it holds multi-byte text and at most one stray byte (from another
// program) for every two well-formed sequences; Shift-JIS text read as UTF-8 is almost all
// stray bytes, with a well-formed sequence only now and then by chance.
constexpr int kUtf8SequencesPerStrayByte = 2;

TextEncoding GuessEncoding(const QByteArray& bytes) {
  const Utf8Count count = CountUtf8(bytes);
  if (count.multiByte > 0 && count.invalid * kUtf8SequencesPerStrayByte <= count.multiByte) {
    return TextEncoding::kUtf8;
  }
  return TextEncoding::kShiftJis;
}

// The code of position i of a text or of its bytes.
int CodeAt(const QString& text, qsizetype i) {
  return text[i].unicode();
}
int CodeAt(const QByteArray& bytes, qsizetype i) {
  return static_cast<unsigned char>(bytes[i]);
}

// Splits body at CR LF, LF or CR, handing each line to add; the first line end found and
// whether the last line has one go to out.
template <class Text, class Add>
void SplitLines(const Text& body, MaterialText& out, Add add) {
  bool endSeen = false;
  qsizetype start = 0;
  for (qsizetype i = 0; i < body.size(); ++i) {
    const int c = CodeAt(body, i);
    if (c != '\r' && c != '\n') continue;
    add(body.mid(start, i - start));
    const bool crlf = c == '\r' && i + 1 < body.size() && CodeAt(body, i + 1) == '\n';
    if (!endSeen) {
      out.lineEnd = crlf ? QStringLiteral("\r\n") : QString(QChar(c));
      endSeen = true;
    }
    if (crlf) ++i;
    start = i + 1;
  }
  if (start < body.size()) add(body.mid(start));
  out.endsWithLineEnd = start == body.size();
}

}  // namespace

MaterialText DecodeMaterialText(const QByteArray& bytes) {
  MaterialText out;
  QByteArray body = bytes;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    out.encoding = TextEncoding::kUtf8WithBom;
    body = bytes.mid(3);
  } else {
    out.encoding = GuessEncoding(bytes);
  }
  const bool shiftJis = out.encoding == TextEncoding::kShiftJis;
  QStringDecoder decode(shiftJis ? "windows-31j" : "UTF-8", QStringDecoder::Flag::Stateless);
  QStringEncoder encode(shiftJis ? "windows-31j" : "UTF-8", QStringEncoder::Flag::Stateless);
  if (!decode.isValid() || !encode.isValid()) {
    SplitLines(QString::fromLatin1(body), out, [&](const QString& line) { out.lines << line; });
    return out;
  }
  // The usual file goes there and back whole: its text is split as it is.
  const QString whole = decode(body);
  decode.resetState();
  const QByteArray again = encode(whole);
  encode.resetState();
  if (again == body) {
    SplitLines(whole, out, [&](const QString& line) { out.lines << line; });
    return out;
  }
  // Otherwise line by line: each decoded, and its bytes kept when writing the text back would
  // not give them again (a byte the encoding does not know, one of two codes for the same
  // character).
  SplitLines(body, out, [&](const QByteArray& raw) {
    const int number = static_cast<int>(out.lines.size()) + 1;
    const QString line = decode(raw);
    decode.resetState();
    // A byte that is no character reads as U+FFFD in UTF-8 and as U+001A (SUB) in Shift-JIS
    // (the decoder's own error flag stays set once raised, so it cannot tell the lines apart).
    const bool damaged =
        shiftJis ? line.contains(QChar(0x1A)) && !raw.contains('\x1A')
                 : line.contains(QChar::ReplacementCharacter) && !raw.contains("\xEF\xBF\xBD");
    if (damaged) out.damagedLines.push_back(number);
    if (QByteArray(encode(line)) != raw) out.keptBytes.insert(line, raw);
    encode.resetState();
    out.lines << line;
  });
  return out;
}

QByteArray EncodeMaterialText(const QString& text, TextEncoding encoding, const QString& lineEnd,
                              const QHash<QString, QByteArray>& keptBytes) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(u'\r', u'\n');
  const bool shiftJis = encoding == TextEncoding::kShiftJis;
  QStringEncoder encode(shiftJis ? "windows-31j" : "UTF-8", QStringEncoder::Flag::Stateless);
  QByteArray out =
      encoding == TextEncoding::kUtf8WithBom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  const QByteArray end = lineEnd.toLatin1();
  const QStringList split = lines.split(u'\n');
  for (qsizetype i = 0; i < split.size(); ++i) {
    if (i > 0) out += end;
    // A line as it was read is written as it was read, byte for byte.
    const auto kept = keptBytes.constFind(split[i]);
    if (kept != keptBytes.cend()) {
      out += *kept;
    } else {
      out += encode.isValid() ? QByteArray(encode(split[i])) : split[i].toLatin1();
      encode.resetState();
    }
  }
  return out;
}

QString Unwritable(const QString& text, TextEncoding encoding,
                   const QHash<QString, QByteArray>& keptBytes) {
  if (encoding != TextEncoding::kShiftJis) return QString();
  QStringEncoder encode("windows-31j", QStringEncoder::Flag::Stateless);
  QStringDecoder decode("windows-31j", QStringDecoder::Flag::Stateless);
  if (!encode.isValid() || !decode.isValid()) return QString();
  QStringList named;
  const QStringList lines = text.split(u'\n');
  for (qsizetype n = 0; n < lines.size() && named.size() < 5; ++n) {
    const QString& line = lines[n];
    if (keptBytes.contains(line)) continue;  // written back as it was read
    const QByteArray whole = encode(line);
    encode.resetState();
    const QString again = decode(whole);
    decode.resetState();
    if (again == line) continue;  // the usual case: the whole line goes there and back
    for (qsizetype i = 0; i < line.size(); ++i) {
      // One character, a surrogate pair taken whole.
      const qsizetype length = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
      const QString one = line.mid(i, length);
      i += length - 1;
      const QByteArray bytes = encode(one);
      encode.resetState();
      const QString back = decode(bytes);
      decode.resetState();
      if (back != one) {
        named << QCoreApplication::translate("file_Treat", "「%1」（%2 行目）").arg(one).arg(n + 1);
        break;
      }
    }
  }
  return named.join(QCoreApplication::translate("file_Treat", "、"));
}

ReadStatus ReadMaterialFile(const QString& path, MaterialText& text) {
  text = MaterialText{};
  const file_read::Result read = file_read::Read(path, kMaxMaterialBytes);
  switch (read.status) {
    case file_read::Status::kRead:
      text = DecodeMaterialText(read.bytes);
      return ReadStatus::kRead;
    case file_read::Status::kMissing:
      return ReadStatus::kMissing;
    case file_read::Status::kTooLarge:
      return ReadStatus::kTooLarge;
    case file_read::Status::kNotRegular:
    case file_read::Status::kUnreadable:
      break;
  }
  return ReadStatus::kUnreadable;
}

QString DamageWarning(const MaterialText& text, const QString& fileName) {
  if (text.damagedLines.empty()) return QString();
  QStringList lines;
  for (std::size_t i = 0; i < text.damagedLines.size() && i < 5; ++i) {
    lines << QString::number(text.damagedLines[i]);
  }
  if (text.damagedLines.size() > 5) lines << QStringLiteral("…");
  return QCoreApplication::translate(
             "file_Treat",
             "%1 の %2 行目に、文字として読めないバイトがあります。その箇所は「�」と表示され"
             "ます（ほかの行はそのまま読みました）。")
      .arg(fileName, lines.join(QCoreApplication::translate("file_Treat", "、")));
}

QString ReadProblem(ReadStatus status, const QString& fileName) {
  switch (status) {
    case ReadStatus::kRead:
      break;
    case ReadStatus::kMissing:
      return QCoreApplication::translate("file_Treat", "%1 が見つかりません。").arg(fileName);
    case ReadStatus::kUnreadable:
      return QCoreApplication::translate(
                 "file_Treat",
                 "%1 を読み込めません（通常のファイルではないか、読み取りが許可されていません）。")
          .arg(fileName);
    case ReadStatus::kTooLarge:
      return QCoreApplication::translate("file_Treat",
                                         "%1 は大きすぎるため読み込みません（%2 MB まで）。")
          .arg(fileName)
          .arg(kMaxMaterialBytes / (1024 * 1024));
  }
  return QString();
}

QString FindFile(const QString& dir, const QString& fileName) {
  const QDir folder(dir);
  if (QFileInfo::exists(folder.filePath(fileName))) return folder.filePath(fileName);
  for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
    if (entry.compare(fileName, Qt::CaseInsensitive) == 0) return folder.filePath(entry);
  }
  return folder.filePath(fileName);
}

namespace {

// The file name of a category as the program names it ("AUX1.txt"), "" for none.
QString CategoryFileName(int category) {
  const QStringList names = appdir::MaterialFiles();
  return category >= 0 && category < names.size() ? names[category] : QString();
}

// The file name of a phrase book's base name: "aux1" is "AUX1.txt".
QString PhraseBookFileName(const QString& baseName) {
  const QString plain = baseName + QStringLiteral(".txt");
  for (const QString& name : appdir::MaterialFiles()) {
    if (name.compare(plain, Qt::CaseInsensitive) == 0) return name;
  }
  return plain;
}

void SetProblem(TextProblem* problem, int line, const QString& message) {
  if (problem) *problem = TextProblem{line, message};
}

}  // namespace

QString CategoryFile(const QString& dir, int category) {
  const QString name = CategoryFileName(category);
  return name.isEmpty() ? QString() : FindFile(dir, name);
}

ItemTitles ParseTitleLines(const QStringList& lines) {
  ItemTitles titles;
  for (QString line : lines) {
    line.replace(QChar(u'\0'), QChar(u' '));
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 0 || line.trimmed().startsWith(u'#')) continue;
    const QString name = line.left(tab).trimmed();
    const QString title = line.mid(tab + 1).trimmed();
    if (name.isEmpty() || title.isEmpty() || titles.contains(name)) continue;
    titles.insert(name, title);
  }
  return titles;
}

void ApplyTitles(const ItemTitles& titles, std::span<QString> names) {
  if (titles.isEmpty()) return;
  for (QString& name : names) {
    const auto found = titles.constFind(name.trimmed());
    if (found != titles.cend()) name = *found;
  }
}

namespace {

// The titles for the items of the material file called materialFile, as LoadTitles says.
ItemTitles TitlesOf(const QString& dir, const QString& materialFile) {
  if (language::Current() != language::Language::English) return {};
  const QString titleFile = appdir::TitleFileOf(materialFile);
  if (titleFile.isEmpty()) return {};
  MaterialText text;
  // Titles are a courtesy: without a readable file the items keep their names, unannounced.
  if (ReadMaterialFile(FindFile(dir, titleFile), text) != ReadStatus::kRead) return {};
  return ParseTitleLines(text.lines);
}

}  // namespace

ItemTitles LoadTitles(const QString& dir, int category) {
  const QString name = CategoryFileName(category);
  return name.isEmpty() ? ItemTitles() : TitlesOf(dir, name);
}

QString WrittenName(const QString& dir, int category, const QString& shown) {
  const ItemTitles titles = LoadTitles(dir, category);
  for (auto t = titles.cbegin(); t != titles.cend(); ++t) {
    if (t.value() == shown) return t.key();
  }
  return shown;
}

QString ShownName(const QString& dir, const QString& written) {
  for (int category = 0; category < category::kCount; ++category) {
    const ItemTitles titles = LoadTitles(dir, category);
    if (const auto t = titles.constFind(written); t != titles.cend()) return *t;
  }
  return written;
}

std::int16_t ParseListLines(const QStringList& lines, const QString& fileName,
                            std::array<QString, kListSlots>& first,
                            std::array<QString, kListSlots>& second, TextProblem* problem) {
  std::int16_t count = 0;
  for (qsizetype number = 0; number < lines.size(); ++number) {
    QString raw = lines[number];
    const QString line = kihon::CleanField(raw);
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QStringList fields = line.split(u',');
    if (fields.size() < 2) {
      // As the list has always been read, the load ends here and the category is empty;
      // the message says why.
      SetProblem(problem, static_cast<int>(number + 1),
                 QCoreApplication::translate(
                     "file_Treat",
                     "%1 の %2 行目にコンマ（,）がありません。この行から先が読めないため、"
                     "一覧は空になります。\n「%3」")
                     .arg(fileName)
                     .arg(number + 1)
                     .arg(line));
      return 0;
    }
    first[count] = fields[0];
    second[count] = fields[1];
    if (++count == kMaxListItems) break;
  }
  return count;
}

namespace {

// One item per line: field 1, a comma, field 2. Blank lines and lines starting with "#"
// are skipped; a line without a comma ends the load with 0 and a message.
std::int16_t LoadListFile(const QString& dir, int category, std::array<QString, kListSlots>& first,
                          std::array<QString, kListSlots>& second, QString* error) {
  MaterialText text;
  const ReadStatus status = ReadMaterialFile(CategoryFile(dir, category), text);
  // A missing list file simply gives an empty list; one that cannot be read says why.
  if (status == ReadStatus::kMissing) return 0;
  if (status != ReadStatus::kRead) {
    if (error) *error = ReadProblem(status, CategoryFileName(category));
    return 0;
  }
  TextProblem problem;
  const std::int16_t count =
      ParseListLines(text.lines, CategoryFileName(category), first, second, &problem);
  if (problem.message.isEmpty()) problem.message = DamageWarning(text, CategoryFileName(category));
  if (!problem.message.isEmpty() && error) *error = problem.message;
  ApplyTitles(LoadTitles(dir, category), std::span<QString>(first.data(), count));
  return count;
}

}  // namespace

std::int16_t LoadScaleFile(MaterialLists& lists, const QString& dir, QString* error) {
  return LoadListFile(dir, 0, lists.ScaleName, lists.ScaleSteps, error);
}

std::int16_t LoadChordFile(MaterialLists& lists, const QString& dir, QString* error) {
  return LoadListFile(dir, 1, lists.ChordSuffix, lists.ChordSteps, error);
}

std::int16_t LoadPatternFile(MaterialLists& lists, const QString& dir, QString* error) {
  return LoadListFile(dir, 2, lists.PatternName, lists.PatternDegrees, error);
}

std::int16_t ParsePhraseLines(MaterialLists& lists, const QStringList& lines,
                              const QString& fileName, TextProblem* problem,
                              std::vector<int>* phraseLines) {
  for (PhraseBody& body : *lists.PhraseLine) body.fill(QString());
  if (phraseLines) phraseLines->clear();
  int phrase = -1;
  int lineCount = 0;
  for (qsizetype number = 0; number < lines.size(); ++number) {
    QString raw = lines[number];
    const QString line = kihon::CleanField(raw);
    if (line.isEmpty() || line.startsWith(u'\'')) continue;
    if (line.startsWith(u'$')) {
      if (phrase == kPhraseSlots - 1) break;
      ++phrase;
      lineCount = 0;
      lists.PhraseName[phrase] = line.mid(1);
      if (phraseLines) phraseLines->push_back(static_cast<int>(number + 1));
      continue;
    }
    if (phrase < 0) {
      SetProblem(problem, static_cast<int>(number + 1),
                 QCoreApplication::translate("file_Treat",
                                             "%1 の %2 行目: 最初の「$」行より前に本文があります。")
                     .arg(fileName)
                     .arg(number + 1));
      return 0;
    }
    if (lineCount >= kPhraseLineSlots) {
      SetProblem(problem, static_cast<int>(number + 1),
                 QCoreApplication::translate(
                     "file_Treat", "%1 の %2 行目: ひとつのフレーズの本文が %3 行を超えています。")
                     .arg(fileName)
                     .arg(number + 1)
                     .arg(kPhraseLineSlots));
      return 0;
    }
    (*lists.PhraseLine)[phrase][lineCount++] = line;
  }
  return static_cast<std::int16_t>(phrase + 1);
}

std::int16_t LoadPhraseFile(MaterialLists& lists, const QString& dir, const QString& baseName,
                            QString* error) {
  const QString fileName = PhraseBookFileName(baseName);
  MaterialText text;
  const ReadStatus status = ReadMaterialFile(FindFile(dir, fileName), text);
  if (status != ReadStatus::kRead) {
    for (PhraseBody& body : *lists.PhraseLine) body.fill(QString());
    if (error) *error = ReadProblem(status, fileName);
    return 0;
  }
  TextProblem problem;
  const std::int16_t count = ParsePhraseLines(lists, text.lines, fileName, &problem);
  if (problem.message.isEmpty()) problem.message = DamageWarning(text, fileName);
  if (!problem.message.isEmpty() && error) *error = problem.message;
  ApplyTitles(TitlesOf(dir, fileName), std::span<QString>(lists.PhraseName.data(), count));
  return count;
}

std::int16_t LoadCategory(MaterialLists& lists, const QString& dir, int category, QString* error) {
  switch (category) {
    case category::kScale:
      return LoadScaleFile(lists, dir, error);
    case category::kChord:
      return LoadChordFile(lists, dir, error);
    case category::kPattern:
      return LoadPatternFile(lists, dir, error);
    case category::kPhrase:
      return LoadPhraseFile(lists, dir, QStringLiteral("ric"), error);
    case category::kOtherPhrases1:
      return LoadPhraseFile(lists, dir, QStringLiteral("aux1"), error);
    case category::kOtherPhrases2:
      return LoadPhraseFile(lists, dir, QStringLiteral("aux2"), error);
    default:
      return 0;
  }
}

QString ItemName(const MaterialLists& lists, int category, int item) {
  const bool inList = item >= 0 && item < kListSlots;
  switch (category) {
    case category::kScale:
      return inList ? lists.ScaleName[item] : QString();
    case category::kChord:
      return inList ? lists.ChordSuffix[item] : QString();
    case category::kPattern:
      return inList ? lists.PatternName[item] : QString();
    case category::kPhrase:
    case category::kOtherPhrases1:
    case category::kOtherPhrases2:
      return item >= 0 && item < kPhraseSlots ? lists.PhraseName[item] : QString();
    default:
      return QString();
  }
}

}  // namespace file_Treat
