#pragma once

#include "common/files.h"
#include "common/step_guard.h"

#include <QString>
#include <QtGlobal>

namespace vt
{

// Cleans the text line by line (CleanTextLine, after taking out "&#xa0;",
// in sentence case: see LineCleaner) and cuts it into numbered piece files beside it, each line
// followed by a line break; deletes the input and returns the number of pieces.
// The speed slider's value (rate, -10..10) sets how much a piece holds.
qint32 CutTextFileFSO(const QString& textPath, int rate, const StepReport& report,
                      const Yield& yield = {});
// Keeps letters, digits, the blank, ! , . ; ? % & and an apostrophe inside a
// word; every other character becomes a blank (spoken_characters.h).
QString CleanTextLine(const QString& line);

} // namespace vt
