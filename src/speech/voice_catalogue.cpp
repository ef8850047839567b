#include "voice_catalogue.h"

namespace vt {
// Placeholder until the voice catalogue lands.
bool LoadVoiceList(VoiceListPort&, bool, MessageBoxPort&, SettingsStore&) { return true; }
} // namespace vt
