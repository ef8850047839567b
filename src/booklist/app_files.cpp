#include "app_files.h"

#include "files.h"

#include <QCoreApplication>

namespace vt
{

QString FindBesideExecutable(const QString& name)
{
    const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
    if (FileExists(beside))
        return beside;
    const QString installed = QStringLiteral(VT_INSTALLED_DATA_DIR) + u'/' + name;
    return FileExists(installed) ? installed : beside;
}

} // namespace vt
