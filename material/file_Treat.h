// The six material files and their in-memory lists.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/file_read.h"
#include "material/category.h"

namespace file_Treat {

inline constexpr int kListSlots = 61;         // slots 0..60 of each list
inline constexpr int kMaxListItems = 60;      // the list loaders stop after 60 items
inline constexpr int kPhraseSlots = 301;      // phrases 0..300
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

// How a material file is written: Shift-JIS (CP932, the files shipped with the program),
// UTF-8 (what Linux editors save), or UTF-8 after a byte-order mark.
enum class TextEncoding { kShiftJis, kUtf8, kUtf8WithBom };

// A material file's text as lines, with the encoding and the line end it was written in.
struct MaterialText {
  QStringList lines;
  TextEncoding encoding = TextEncoding::kShiftJis;
  QString lineEnd = QStringLiteral("\r\n");
  bool endsWithLineEnd = true;  // the last line ends with a line end (or the file is empty)
  // 1-based lines holding bytes that are no character of the encoding (shown as U+FFFD).
  std::vector<int> damagedLines;
  // Lines whose bytes the encoding would not give back from their text (a byte that is no
  // character, one of two codes for one character), by their text: written back unchanged.
  QHash<QString, QByteArray> keptBytes;
};

// Decodes a material file's bytes: UTF-8 after a byte-order mark; UTF-8 when the bytes hold
// multi-byte UTF-8 and at most one stray byte for every two well-formed sequences (those
// bytes read as U+FFFD, their lines in damagedLines; in Shift-JIS as U+001A); Shift-JIS otherwise.
// Lines end with CR LF, LF or CR; the first line end found is remembered.
MaterialText DecodeMaterialText(const QByteArray& bytes);
// The bytes of text (lines joined with "\n") in the given encoding and line end; a line
// found in keptBytes is written as those bytes.
QByteArray EncodeMaterialText(const QString& text, TextEncoding encoding, const QString& lineEnd,
                              const QHash<QString, QByteArray>& keptBytes = {});
// The characters of text that encoding cannot hold, each with its line ("「😀」（3 行目）"),
// the first of at most five lines (lines in keptBytes are written as read and pass); "" when
// all can be written.
QString Unwritable(const QString& text, TextEncoding encoding,
                   const QHash<QString, QByteArray>& keptBytes = {});
// The message for a file read with bytes that are no character, naming the file and the
// lines; "" when there are none.
QString DamageWarning(const MaterialText& text, const QString& fileName);

// How reading a material file ended. Only a regular file is opened (a FIFO would wait for
// ever, a device may never end), and no more than kMaxMaterialBytes are read.
enum class ReadStatus { kRead, kMissing, kUnreadable, kTooLarge };
inline constexpr qint64 kMaxMaterialBytes = file_read::kMaterialBytes;
ReadStatus ReadMaterialFile(const QString& path, MaterialText& text);
// The message for a file that was not read, naming it ("" for kRead).
QString ReadProblem(ReadStatus status, const QString& fileName);

// The path of fileName in dir, matching the name without regard to letter case: the name as
// given when it exists, otherwise the first matching entry in name order. The loaders and
// the material editor both find their file through it.
QString FindFile(const QString& dir, const QString& fileName);

// The material file of a category 0..5 ("scale.txt" ... "AUX2.txt") found in dir; "" for
// any other category.
QString CategoryFile(const QString& dir, int category);

// Where a material file's text has a fault: its 1-based line (0 for the whole file) and a
// description for the user that names the file and the line.
struct TextProblem {
  int line = 0;
  QString message;
};

// The list files: scale.txt, code.txt, ptn.txt. Each returns the number of items stored
// (0..60). A line without a comma ends the load with 0 (the category shows no items) and
// sets error to a message naming the file and the line; a missing file gives 0 silently.
// In English a scale or pattern name takes its title (LoadTitles).
std::int16_t LoadScaleFile(MaterialLists& lists, const QString& dir, QString* error = nullptr);
std::int16_t LoadChordFile(MaterialLists& lists, const QString& dir, QString* error = nullptr);
std::int16_t LoadPatternFile(MaterialLists& lists, const QString& dir, QString* error = nullptr);
// The list lines of fileName into two lists, as the list loaders read them.
std::int16_t ParseListLines(const QStringList& lines, const QString& fileName,
                            std::array<QString, kListSlots>& first,
                            std::array<QString, kListSlots>& second, TextProblem* problem);

// A phrase book, by base name "ric", "aux1" or "aux2". Returns the number of phrases
// stored (0..301). On failure returns 0 and sets error to a description for the user.
// In English a phrase name takes its title (LoadTitles).
std::int16_t LoadPhraseFile(MaterialLists& lists, const QString& dir, const QString& baseName,
                            QString* error);
// The phrase-book lines of fileName into the lists, as LoadPhraseFile reads them;
// phraseLines (when given) receives the 1-based line of each phrase's "$" line.
std::int16_t ParsePhraseLines(MaterialLists& lists, const QStringList& lines,
                              const QString& fileName, TextProblem* problem,
                              std::vector<int>* phraseLines = nullptr);

// English titles of the items of a material file, each under the name the file gives the
// item (without the blanks around it). When the program speaks English, the loaders give
// every item that has a title its title in place of its name; the material file itself
// keeps its names, and an item without a title keeps its own.
using ItemTitles = QHash<QString, QString>;

// The titles of a title file's lines, "<name><TAB><title>" one a line. Blank lines and lines
// starting with "#" are comments; a line without a tab or with an empty side is passed over
// (titles are a courtesy: a bad line never stops the material); of two lines for one name
// the first counts.
ItemTitles ParseTitleLines(const QStringList& lines);
// Each of names that has a title takes it.
void ApplyTitles(const ItemTitles& titles, std::span<QString> names);
// The titles of a category's items, from its title file in dir ("scale.en.txt" beside
// "scale.txt"), when the program speaks English. None in Japanese, for the chords (their
// names are the chord symbols the staff writes and the spelling reads), and when the file
// is missing or cannot be read.
ItemTitles LoadTitles(const QString& dir, int category);
// What is kept of an item (the practice log) names it as its file does, in either language:
// the name of a category's item that is shown as `shown` (the name whose title it is, in
// English; `shown` itself for an item without a title and in Japanese) ...
QString WrittenName(const QString& dir, int category, const QString& shown);
// ... and an item so kept as it is shown: its title in English (the first category whose
// title file has one), else its name.
QString ShownName(const QString& dir, const QString& written);

// The loader of a category 0..5: the count, and for a phrase book a load error.
std::int16_t LoadCategory(MaterialLists& lists, const QString& dir, int category, QString* error);
// The name list entry of item i of a category (scale name, chord suffix, pattern name or
// phrase name); "" outside the lists.
QString ItemName(const MaterialLists& lists, int category, int item);

}  // namespace file_Treat
