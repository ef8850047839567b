// Placeholders until the text and speech steps land.
#include "mp3_encoding.h"
#include "speech_rendering.h"
#include "text_cutting.h"
#include "text_extraction.h"

namespace vt {
void ReadePubToStringToFSO(const QString&, MessageBoxPort&, CommandRunner&) {}
qint32 CutTextFileFSO(const QString&, WindowPort&) { return 0; }
QString CleanTextLine(const QString& line) { return line; }
void WAVToMP3(const QString&, const QString&, MessageBoxPort&, CommandRunner&) {}
void SaveToWAV(const QString&, const QString&, WindowPort&) {}
} // namespace vt
