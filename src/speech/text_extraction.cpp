#include "text_extraction.h"

namespace vt {
// Placeholder until text extraction lands.
void ReadePubToStringToFSO(const QString&, MessageBoxPort&, CommandRunner&) {}
} // namespace vt
