// Fuzz target: any bytes as one of the six material files (the first byte picks which),
// read as the loaders read it, checked as the editor checks it, its items given the titles
// the same bytes name as a file of English titles, and every item realised in two keys,
// grouped and laid out on the step grid.
#include <QByteArray>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "material/file_Treat.h"
#include "theory/material_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static fuzz::World* world = new fuzz::World;
  const int category = data[0] % 6;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  const file_Treat::MaterialText text = file_Treat::DecodeMaterialText(bytes);
  (void)material_check::FirstProblem(category, text.lines, &world->lists);
  file_Treat::TextProblem problem;
  file_Treat::MaterialLists& lists = world->lists;
  int count = 0;
  switch (category) {
    case 0:
      count = file_Treat::ParseListLines(text.lines, "scale.txt", lists.ScaleName, lists.ScaleSteps,
                                         &problem);
      break;
    case 1:
      count = file_Treat::ParseListLines(text.lines, "code.txt", lists.ChordSuffix,
                                         lists.ChordSteps, &problem);
      break;
    case 2:
      count = file_Treat::ParseListLines(text.lines, "ptn.txt", lists.PatternName,
                                         lists.PatternDegrees, &problem);
      break;
    default:
      count = file_Treat::ParsePhraseLines(lists, text.lines, "ric.txt", &problem);
      break;
  }
  // The titles as the loaders give them in English (the chords keep their symbols).
  const file_Treat::ItemTitles titles = file_Treat::ParseTitleLines(text.lines);
  const auto named = [&](auto& names) {
    file_Treat::ApplyTitles(titles,
                            std::span<QString>(names.data(), static_cast<std::size_t>(count)));
  };
  if (category == 0) named(lists.ScaleName);
  if (category == 2) named(lists.PatternName);
  if (category >= 3) named(lists.PhraseName);
  // A few items are enough: the fuzzer reaches the others by moving them to the front.
  for (int item = 0; item < count && item < 8; ++item) {
    for (int key : {0, 7}) world->RealiseAndLayOut(category, item, key);
  }
  // The text written back in its own encoding reads as the same lines.
  const QByteArray written =
      file_Treat::EncodeMaterialText(text.lines.join(u'\n'), text.encoding, text.lineEnd);
  (void)file_Treat::DecodeMaterialText(written);
  return 0;
}
