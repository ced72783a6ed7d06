// Reading an edited material file's text as the program will read it, before it is saved:
// the loader's faults (a list line without a comma, a phrase body before the first "$",
// a phrase of more than 101 lines), the phrases that would not realise or show, and what
// the loader reads differently from what is written (a step character it takes as the step
// before it, a note line without a length or with characters it passes over, items beyond
// what the list shows).
#pragma once

#include <QStringList>
#include <optional>

#include "material/file_Treat.h"

namespace material_check {

// The first problem of the text of category 0..5's file (by line), with its 1-based line,
// or none.
// scratch, when given, holds the lists read on the way (they are large: a caller that checks
// many texts keeps one).
std::optional<file_Treat::TextProblem> FirstProblem(int category, const QStringList& lines,
                                                    file_Treat::MaterialLists* scratch = nullptr);

}  // namespace material_check
