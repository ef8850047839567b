#pragma once

#include <QCursor>
#include <QString>

namespace vt
{

// A pointer from a Windows cursor file (.cur), with the hot spot the file
// names; `fallback` when the file cannot be read.
QCursor LoadCursorFile(const QString& path, Qt::CursorShape fallback);

} // namespace vt
