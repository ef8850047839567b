#include "tools/command_log.h"

namespace vt
{

Q_LOGGING_CATEGORY(lcToolCommand, "vellumtone.tools", QtWarningMsg)

} // namespace vt
