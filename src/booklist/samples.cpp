#include "samples.h"

namespace vt {
// Placeholder until the sample books land.
void SaveSamplesSnapshot(SettingsStore&) {}
} // namespace vt
