#pragma once

#include <QLoggingCategory>

namespace vt
{

// The converter and encoder command lines, in their quoted form.
Q_DECLARE_LOGGING_CATEGORY(lcToolCommand)

} // namespace vt
