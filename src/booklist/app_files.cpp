#include "booklist/app_files.h"

#include "common/files.h"

#include <QCoreApplication>
#include <QDir>

namespace vt
{

QStringList AppFileFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    QStringList folders{here};
    for (const QString& folder :
         {QDir::cleanPath((Path(here) / QStringLiteral(VT_DATA_DIR_FROM_BIN)).text()),
          QStringLiteral(VT_INSTALLED_DATA_DIR)})
        if (!folders.contains(folder))
            folders.append(folder);
    return folders;
}

QString FindBesideExecutable(const QString& name)
{
    const QStringList folders = AppFileFolders();
    for (const QString& folder : folders)
        if (const Path path = Path(folder) / name; FileExists(path))
            return path.text();
    return (Path(folders.first()) / name).text();
}

} // namespace vt
