#include "theory/material_check.h"

#include <QCoreApplication>
#include <algorithm>
#include <memory>

#include "core/appdir.h"
#include "core/kihon.h"
#include "theory/phrase.h"

namespace material_check {
namespace {

using file_Treat::TextProblem;

QString Where(const QString& fileName, int line, const QString& text) {
  return QCoreApplication::translate("material_check", "%1 の %2 行目「%3」: ")
      .arg(fileName)
      .arg(line)
      .arg(text);
}

// The earlier of two problems (by line; a problem of the whole file counts as line 0).
void KeepEarlier(std::optional<TextProblem>& found, const TextProblem& candidate) {
  if (!found || candidate.line < found->line) found = candidate;
}

// A list file: a step character the loader reads as the step before it (scales and chords),
// and items beyond what the list shows.
std::optional<TextProblem> ListWarnings(int category, const QStringList& lines,
                                        const QString& fileName) {
  int items = 0;
  for (qsizetype number = 0; number < lines.size(); ++number) {
    QString raw = lines[number];
    const QString line = kihon::CleanField(raw);
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const int at = static_cast<int>(number + 1);
    if (++items > file_Treat::kMaxListItems) {
      return TextProblem{at,
                         Where(fileName, at, line) +
                             QCoreApplication::translate("material_check",
                                                         "一覧に出せるのは %1 項目までです。"
                                                         "この行から先は読まれず、一覧に出ません。")
                                 .arg(file_Treat::kMaxListItems)};
    }
    if (category != category::kScale && category != category::kChord) continue;
    const QString steps = line.section(u',', 1, 1);
    for (const QChar c : steps) {
      if (QStringLiteral("1234HW").contains(c)) continue;
      return TextProblem{
          at, Where(fileName, at, line) +
                  QCoreApplication::translate("material_check",
                                              "ステップ「%1」は 1〜4・H・W のどれでもないため、"
                                              "前のステップと同じ幅として読まれます。")
                      .arg(c)};
    }
  }
  return std::nullopt;
}

// The index of the note name ParseNoteToken reads (its letters in the order C D E F G A B,
// then R), or -1.
qsizetype NoteNameAt(const QString& line) {
  for (const char16_t letter : {u'C', u'D', u'E', u'F', u'G', u'A', u'B', u'R'}) {
    const qsizetype at = line.indexOf(QChar(letter));
    if (at >= 0) return at;
  }
  return -1;
}

// A note line the loader reads differently from what it says: no note name, no length it
// knows (the note then lasts nothing, is neither played nor shown, and the bar lines after
// it move), or characters it passes over.
QString NoteLineWarning(const QString& line) {
  const qsizetype name = NoteNameAt(line);
  if (name < 0)
    return QCoreApplication::translate("material_check", "音名（C〜B）も休符（R）もありません。");
  int pitch = 0;
  bool rest = false;
  const int end = MusicMethod_Treat::ParseNoteToken(line, pitch, rest);
  const QString tail = line.mid(end);
  QString duration = tail;
  duration.remove(u'.').remove(u'T').remove(u'=');
  int code = 0;
  qsizetype digitsEnd = 0;
  while (digitsEnd < duration.size() &&
         (duration[digitsEnd].isDigit() || duration[digitsEnd] == u' ' ||
          duration[digitsEnd] == u'\t')) {
    if (duration[digitsEnd].isDigit())
      code = std::min(code * 10 + duration[digitsEnd].digitValue(), 9999);
    ++digitsEnd;
  }
  const bool triplet = tail.contains(u'T');
  if (MusicMethod_Treat::DurationTicks(triplet ? code + 300 : code) == 0) {
    return QCoreApplication::translate(
        "material_check",
        "音の長さ（2〜7、3連符は 3T〜5T）が読めないため、この音は長さがなく、"
        "鳴らず表示もされません（後ろの小節線がずれます）。");
  }
  QString ignored = line.left(name > 0 && line[name - 1].isDigit() ? name - 1 : name);
  for (const QChar c : tail) {
    if (!c.isDigit() && !QStringLiteral(" \t.T=").contains(c)) ignored += c;
  }
  if (!ignored.isEmpty()) {
    return QCoreApplication::translate("material_check", "「%1」は読まれずに無視されます。")
        .arg(ignored);
  }
  return {};
}

// A phrase book: note lines read differently from what they say, and phrases beyond what
// the list shows.
std::optional<TextProblem> PhraseWarnings(const QStringList& lines, const QString& fileName) {
  int phrases = 0;
  for (qsizetype number = 0; number < lines.size(); ++number) {
    QString raw = lines[number];
    const QString line = kihon::CleanField(raw);
    if (line.isEmpty() || line.startsWith(u'\'') || line.startsWith(u'*')) continue;
    const int at = static_cast<int>(number + 1);
    if (line.startsWith(u'$')) {
      if (++phrases > file_Treat::kPhraseSlots) {
        return TextProblem{
            at, Where(fileName, at, line) +
                    QCoreApplication::translate("material_check",
                                                "一覧に出せるのは %1 フレーズまでです。"
                                                "この行から先は読まれず、一覧に出ません。")
                        .arg(file_Treat::kPhraseSlots)};
      }
      continue;
    }
    if (const QString warning = NoteLineWarning(line); !warning.isEmpty()) {
      return TextProblem{at, Where(fileName, at, line) + warning};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<file_Treat::TextProblem> FirstProblem(int category, const QStringList& lines,
                                                    file_Treat::MaterialLists* scratch) {
  const QStringList names = appdir::MaterialFiles();
  if (category < 0 || category >= names.size()) return std::nullopt;
  const QString& fileName = names[category];
  std::unique_ptr<file_Treat::MaterialLists> own;
  if (!scratch) {
    own = std::make_unique<file_Treat::MaterialLists>();
    scratch = own.get();
  }
  file_Treat::MaterialLists& lists = *scratch;
  file_Treat::TextProblem problem;
  if (category::IsList(category)) {
    std::array<QString, file_Treat::kListSlots> first, second;
    file_Treat::ParseListLines(lines, fileName, first, second, &problem);
    if (!problem.message.isEmpty()) return problem;
    return ListWarnings(category, lines, fileName);
  }
  std::vector<int> phraseLines;
  const int count = file_Treat::ParsePhraseLines(lists, lines, fileName, &problem, &phraseLines);
  if (!problem.message.isEmpty()) return problem;
  // The earliest of what the loader would pass over and what would not realise.
  std::optional<TextProblem> found = PhraseWarnings(lines, fileName);
  const auto phrase = std::make_unique<Phrase>();
  for (int item = 0; item < count; ++item) {
    // Each phrase is realised as the program realises it, on settings of its own.
    settings::CfgRecord cfg;
    QString refused;
    RealiseContext ctx{cfg, lists, *phrase, nullptr,
                       [&refused](const QString& message) { refused = message; }};
    ClearPhrase(*phrase);
    RealisePhrase(ctx, item, 0);
    const int line = phraseLines[static_cast<std::size_t>(item)];
    const QString where = QCoreApplication::translate("material_check", "%1 の %2 行目「$%3」: ")
                              .arg(fileName)
                              .arg(line)
                              .arg(lists.PhraseName[item]);
    if (found && found->line < line) break;
    if (!refused.isEmpty()) {
      KeepEarlier(found, TextProblem{line, where + refused});
      break;
    }
    if (phrase->NoteCount < 2) {
      KeepEarlier(found, TextProblem{line, where + QCoreApplication::translate(
                                                       "material_check",
                                                       "音符が２つ以上ないため、"
                                                       "表示も演奏もできません。")});
      break;
    }
  }
  return found;
}

}  // namespace material_check
