#include "material/file_Treat.h"

#include "app/kihon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace file_Treat {

MaterialLists::MaterialLists()
    : PhraseLine(std::make_unique<std::array<PhraseBody, kPhraseSlots>>()) {}

bool ReadLines(const QString& path, QStringList& lines) {
  lines.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    text = QString::fromUtf8(bytes.mid(3));
  } else {
    QStringDecoder decode("windows-31j");
    text = decode.isValid() ? decode(bytes) : QString::fromLatin1(bytes);
  }
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      lines << text.mid(start, i - start);
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines << text.mid(start);
  return true;
}

QString FindFile(const QString& dir, const QString& fileName) {
  const QDir folder(dir);
  if (QFileInfo::exists(folder.filePath(fileName))) return folder.filePath(fileName);
  for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden)) {
    if (entry.compare(fileName, Qt::CaseInsensitive) == 0) return folder.filePath(entry);
  }
  return folder.filePath(fileName);
}

namespace {

// One item per line: field 1, a comma, field 2. Blank lines and lines starting with "#"
// are skipped; a line without a comma ends the load with 0.
std::int16_t LoadListFile(const QString& dir, const QString& fileName,
                          std::array<QString, kListSlots>& first,
                          std::array<QString, kListSlots>& second) {
  QStringList lines;
  if (!ReadLines(FindFile(dir, fileName), lines)) return 0;
  std::int16_t count = 0;
  for (QString raw : lines) {
    const QString line = kihon::CleanField(raw);
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QStringList fields = line.split(u',');
    if (fields.size() < 2) return 0;
    first[count] = fields[0];
    second[count] = fields[1];
    if (++count == kMaxListItems) break;
  }
  return count;
}

}  // namespace

std::int16_t LoadScaleFile(MaterialLists& lists, const QString& dir) {
  return LoadListFile(dir, QStringLiteral("scale.txt"), lists.ScaleName, lists.ScaleSteps);
}

std::int16_t LoadChordFile(MaterialLists& lists, const QString& dir) {
  return LoadListFile(dir, QStringLiteral("code.txt"), lists.ChordSuffix, lists.ChordSteps);
}

std::int16_t LoadPatternFile(MaterialLists& lists, const QString& dir) {
  return LoadListFile(dir, QStringLiteral("ptn.txt"), lists.PatternName, lists.PatternDegrees);
}

std::int16_t LoadPhraseFile(MaterialLists& lists, const QString& dir, const QString& baseName,
                            QString* error) {
  for (PhraseBody& body : *lists.PhraseLine) body.fill(QString());
  const QString fileName = baseName + QStringLiteral(".txt");
  const auto fail = [&](const QString& description) -> std::int16_t {
    if (error) *error = description;
    return 0;
  };
  QStringList lines;
  if (!ReadLines(FindFile(dir, fileName), lines)) {
    return fail(QStringLiteral("%1 が見つかりません。").arg(fileName));
  }
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
      continue;
    }
    if (phrase < 0) {
      return fail(QStringLiteral("%1 の %2 行目: 最初の「$」行より前に本文があります。")
                      .arg(fileName)
                      .arg(number + 1));
    }
    if (lineCount >= kPhraseLineSlots) {
      return fail(QStringLiteral("%1 の %2 行目: ひとつのフレーズの本文が %3 行を超えています。")
                      .arg(fileName)
                      .arg(number + 1)
                      .arg(kPhraseLineSlots));
    }
    (*lists.PhraseLine)[phrase][lineCount++] = line;
  }
  return static_cast<std::int16_t>(phrase + 1);
}

std::int16_t LoadCategory(MaterialLists& lists, const QString& dir, int category,
                          QString* error) {
  switch (category) {
    case 0:
      return LoadScaleFile(lists, dir);
    case 1:
      return LoadChordFile(lists, dir);
    case 2:
      return LoadPatternFile(lists, dir);
    case 3:
      return LoadPhraseFile(lists, dir, QStringLiteral("ric"), error);
    case 4:
      return LoadPhraseFile(lists, dir, QStringLiteral("aux1"), error);
    case 5:
      return LoadPhraseFile(lists, dir, QStringLiteral("aux2"), error);
    default:
      return 0;
  }
}

QString ItemName(const MaterialLists& lists, int category, int item) {
  const bool inList = item >= 0 && item < kListSlots;
  switch (category) {
    case 0:
      return inList ? lists.ScaleName[item] : QString();
    case 1:
      return inList ? lists.ChordSuffix[item] : QString();
    case 2:
      return inList ? lists.PatternName[item] : QString();
    case 3:
    case 4:
    case 5:
      return item >= 0 && item < kPhraseSlots ? lists.PhraseName[item] : QString();
    default:
      return QString();
  }
}

}  // namespace file_Treat
