#include "mp3_encoding.h"

namespace vt {
// Placeholder until MP3 encoding lands.
void WAVToMP3(const QString&, const QString&, MessageBoxPort&, CommandRunner&) {}
} // namespace vt
