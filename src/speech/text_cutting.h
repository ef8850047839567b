#pragma once

#include <QString>
#include <QtGlobal>

namespace vt
{

class WindowPort;

// Cleans the text line by line and cuts it into numbered piece files beside
// it; deletes the input and returns the number of pieces.
qint32 CutTextFileFSO(const QString& textPath, WindowPort& window);
// Keeps letters, digits, the blank and ! , . ; ? ; every other character becomes a blank.
QString CleanTextLine(const QString& line);

} // namespace vt
