#pragma once

#include <QString>

namespace vt {

class WindowPort;

// Speaks with the voice, volume and speed of the window: a piece file into a
// WAV file, or (wavPath empty) the source text aloud.
void SaveToWAV(const QString& source, const QString& wavPath, WindowPort& window);

} // namespace vt
