#include "theory/material_check.h"

#include <memory>

#include "core/appdir.h"
#include "theory/phrase.h"

namespace material_check {

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
    return std::nullopt;
  }
  std::vector<int> phraseLines;
  const int count = file_Treat::ParsePhraseLines(lists, lines, fileName, &problem, &phraseLines);
  if (!problem.message.isEmpty()) return problem;
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
    const QString where = QStringLiteral("%1 の %2 行目「$%3」: ")
                              .arg(fileName)
                              .arg(line)
                              .arg(lists.PhraseName[item]);
    if (!refused.isEmpty()) return file_Treat::TextProblem{line, where + refused};
    if (phrase->NoteCount < 2) {
      return file_Treat::TextProblem{
          line, where + QStringLiteral("音符が２つ以上ないため、表示も演奏もできません。")};
    }
  }
  return std::nullopt;
}

}  // namespace material_check
