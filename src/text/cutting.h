#pragma once

#include <QString>
#include <QtGlobal>

namespace vt
{

class WindowPort;

// Cleans the text line by line (CleanTextLine, after taking out "&#xa0;",
// in sentence case: see LineCleaner) and cuts it into numbered piece files beside it, each line
// followed by a line break; deletes the input and returns the number of pieces.
qint32 CutTextFileFSO(const QString& textPath, WindowPort& window);
// Keeps letters, digits, the blank, ! , . ; ? % & and an apostrophe inside a
// word; every other character becomes a blank (spoken_characters.h).
QString CleanTextLine(const QString& line);

} // namespace vt
