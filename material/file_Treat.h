// The six material files and their in-memory lists.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

namespace file_Treat {

inline constexpr int kListSlots = 31;      // slots 0..30 of each list
inline constexpr int kMaxListItems = 20;   // the list loaders stop after 20 items
inline constexpr int kPhraseSlots = 301;   // phrases 0..300
inline constexpr int kPhraseLineSlots = 101;  // body lines 0..100 of a phrase

using PhraseBody = std::array<QString, kPhraseLineSlots>;

// The material lists. Slot k of a category's lists is its item k; slots at or beyond the
// count a loader returned keep what an earlier load left there.
struct MaterialLists {
  MaterialLists();

  std::array<QString, kListSlots> ScaleName, ScaleSteps;
  std::array<QString, kListSlots> ChordSuffix, ChordSteps;
  std::array<QString, kListSlots> PatternName, PatternDegrees;
  std::array<QString, kPhraseSlots> PhraseName;
  // PhraseLine[phrase][line]; empty slots hold "".
  std::unique_ptr<std::array<PhraseBody, kPhraseSlots>> PhraseLine;
};

// Reads a material file into lines: Shift-JIS (CP932), or UTF-8 after a byte-order mark,
// with CR LF, LF or CR line ends. Returns false when the file cannot be read.
bool ReadLines(const QString& path, QStringList& lines);

// The path of fileName in dir, matching the name without regard to letter case.
QString FindFile(const QString& dir, const QString& fileName);

// The list files: scale.txt, code.txt, ptn.txt. Each returns the number of items stored
// (0..20); any failure ends the load silently with 0.
std::int16_t LoadScaleFile(MaterialLists& lists, const QString& dir);
std::int16_t LoadChordFile(MaterialLists& lists, const QString& dir);
std::int16_t LoadPatternFile(MaterialLists& lists, const QString& dir);

// A phrase book, by base name "ric", "aux1" or "aux2". Returns the number of phrases
// stored (0..301). On failure returns 0 and sets error to a description for the user.
std::int16_t LoadPhraseFile(MaterialLists& lists, const QString& dir, const QString& baseName,
                            QString* error);

// The loader of a category 0..5: the count, and for a phrase book a load error.
std::int16_t LoadCategory(MaterialLists& lists, const QString& dir, int category,
                          QString* error);
// The name list entry of item i of a category (scale name, chord suffix, pattern name or
// phrase name); "" outside the lists.
QString ItemName(const MaterialLists& lists, int category, int item);

}  // namespace file_Treat
