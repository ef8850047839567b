#pragma once

namespace vt {

class SettingsStore;

// Records the books of the Samples folder under "Snapshot" (scrambled).
void SaveSamplesSnapshot(SettingsStore& store);

} // namespace vt
