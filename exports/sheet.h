// The twelve-key practice sheet: the item written once per key, in the order of the chosen
// progression, one staff per key with its name, chord names and bar lines, drawn by the
// program's own score renderer onto A4 pages of a PDF. A sheet for a B♭, E♭ or F
// instrument is written in its keys and says so in its heading.
#pragma once

#include <QImage>
#include <QString>

#include "exports/exports.h"

namespace sheet {

// The treble clef as ink on transparency, as the staff shows it.
QImage TrebleClef();

// How many staves a page holds.
inline constexpr int kStavesPerPage = 6;

// The sheet as PDF bytes; empty (with the reason in error) when it cannot be made.
QByteArray Pdf(const exports::Export& e, QString* error = nullptr);

}  // namespace sheet

namespace exports {

enum class Format { kMidi, kMusicXml, kPdf };

// The file name's ending for a format, with its dot.
QString Suffix(Format format);
// Writes the export in format to path whole or not at all (an existing file stays as it
// was); false with the reason in error.
bool Save(Format format, const Export& e, const QString& path, QString* error);

}  // namespace exports
