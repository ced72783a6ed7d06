// Reading an edited material file's text as the program will read it, before it is saved:
// the loader's faults (a list line without a comma, a phrase body before the first "$",
// a phrase of more than 101 lines) and the phrases that would not realise or show.
#pragma once

#include <QStringList>
#include <optional>

#include "material/file_Treat.h"

namespace material_check {

// The first problem of the text of category 0..5's file, with its 1-based line, or none.
// scratch, when given, holds the lists read on the way (they are large: a caller that checks
// many texts keeps one).
std::optional<file_Treat::TextProblem> FirstProblem(int category, const QStringList& lines,
                                                    file_Treat::MaterialLists* scratch = nullptr);

}  // namespace material_check
