#include "speech_rendering.h"

namespace vt {
// Placeholder until speech rendering lands.
void SaveToWAV(const QString&, const QString&, WindowPort&) {}
} // namespace vt
