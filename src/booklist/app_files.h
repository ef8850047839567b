#pragma once

#include <QString>

namespace vt
{

// A file or folder that travels with the program: beside the executable
// first, then in the installed data folder (<prefix>/share/vellumtone).
// When neither exists, the path beside the executable.
QString FindBesideExecutable(const QString& name);

} // namespace vt
