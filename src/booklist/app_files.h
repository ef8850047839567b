#pragma once

#include <QString>
#include <QStringList>

namespace vt
{

// The folders that hold the files travelling with the program, in the order
// they are searched: the executable's own folder (the build tree), the data
// folder of the installation the executable sits in (<prefix>/share/vellumtone
// reached from <prefix>/bin, whatever the prefix or DESTDIR), and the data
// folder of the prefix the program was configured for.
QStringList AppFileFolders();

// A file or folder that travels with the program: the first of
// AppFileFolders() that holds it. When none does, the path beside the
// executable.
QString FindBesideExecutable(const QString& name);

} // namespace vt
