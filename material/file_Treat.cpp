#include "material/file_Treat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#include "core/appdir.h"
#include "core/kihon.h"

namespace file_Treat {

MaterialLists::MaterialLists()
    : PhraseLine(std::make_unique<std::array<PhraseBody, kPhraseSlots>>()) {}

namespace {

// Valid UTF-8 that holds at least one multi-byte sequence.
bool LooksLikeUtf8(const QByteArray& bytes) {
  const bool multiByte = std::any_of(bytes.begin(), bytes.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!multiByte) return false;
  QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decode(bytes);
  return !decode.hasError();
}

}  // namespace

MaterialText DecodeMaterialText(const QByteArray& bytes) {
  MaterialText out;
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    out.encoding = TextEncoding::kUtf8WithBom;
    text = QString::fromUtf8(bytes.mid(3));
  } else if (LooksLikeUtf8(bytes)) {
    out.encoding = TextEncoding::kUtf8;
    text = QString::fromUtf8(bytes);
  } else {
    out.encoding = TextEncoding::kShiftJis;
    QStringDecoder decode("windows-31j");
    text = decode.isValid() ? decode(bytes) : QString::fromLatin1(bytes);
  }
  bool endSeen = false;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      out.lines << text.mid(start, i - start);
      const bool crlf = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
      if (!endSeen) {
        out.lineEnd = crlf ? QStringLiteral("\r\n") : QString(text[i]);
        endSeen = true;
      }
      if (crlf) ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) out.lines << text.mid(start);
  out.endsWithLineEnd = start == text.size();
  return out;
}

QByteArray EncodeMaterialText(const QString& text, TextEncoding encoding, const QString& lineEnd) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(u'\r', u'\n');
  if (lineEnd != QStringLiteral("\n")) lines.replace(QStringLiteral("\n"), lineEnd);
  switch (encoding) {
    case TextEncoding::kUtf8WithBom:
      return QByteArray("\xEF\xBB\xBF") + lines.toUtf8();
    case TextEncoding::kUtf8:
      return lines.toUtf8();
    case TextEncoding::kShiftJis:
      break;
  }
  QStringEncoder encode("windows-31j");
  return encode.isValid() ? QByteArray(encode(lines)) : lines.toLatin1();
}

ReadStatus ReadMaterialFile(const QString& path, MaterialText& text) {
  text = MaterialText{};
  const QFileInfo info(path);
  if (!info.exists()) return ReadStatus::kMissing;
  if (!info.isFile()) return ReadStatus::kUnreadable;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ReadStatus::kUnreadable;
  const QByteArray bytes = file.read(kMaxMaterialBytes + 1);
  if (file.error() != QFileDevice::NoError) return ReadStatus::kUnreadable;
  if (bytes.size() > kMaxMaterialBytes) return ReadStatus::kTooLarge;
  text = DecodeMaterialText(bytes);
  return ReadStatus::kRead;
}

QString ReadProblem(ReadStatus status, const QString& fileName) {
  switch (status) {
    case ReadStatus::kRead:
      break;
    case ReadStatus::kMissing:
      return QStringLiteral("%1 が見つかりません。").arg(fileName);
    case ReadStatus::kUnreadable:
      return QStringLiteral(
                 "%1 を読み込めません（通常のファイルではないか、読み取りが許可されていません）。")
          .arg(fileName);
    case ReadStatus::kTooLarge:
      return QStringLiteral("%1 は大きすぎるため読み込みません（%2 MB まで）。")
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
      SetProblem(
          problem, static_cast<int>(number + 1),
          QStringLiteral("%1 の %2 行目にコンマ（,）がありません。この行から先が読めないため、"
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
  if (!problem.message.isEmpty() && error) *error = problem.message;
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
                 QStringLiteral("%1 の %2 行目: 最初の「$」行より前に本文があります。")
                     .arg(fileName)
                     .arg(number + 1));
      return 0;
    }
    if (lineCount >= kPhraseLineSlots) {
      SetProblem(problem, static_cast<int>(number + 1),
                 QStringLiteral("%1 の %2 行目: ひとつのフレーズの本文が %3 行を超えています。")
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
  if (!problem.message.isEmpty() && error) *error = problem.message;
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
