#include "browse_folder.h"

namespace vt {
// Placeholder until the folder picker lands.
QString BrowseFolder(QWidget*, const QString&, const QString&) { return {}; }
} // namespace vt
