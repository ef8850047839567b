#include "text_cutting.h"

namespace vt {
// Placeholder until text cutting lands.
qint32 CutTextFileFSO(const QString&, WindowPort&) { return 0; }
QString CleanTextLine(const QString& line) { return line; }
} // namespace vt
