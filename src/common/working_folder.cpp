#include "common/working_folder.h"

#include <QDir>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// A private folder inside a shared one: made with mode 0700, refused when it
// is a link or belongs to someone else.
Expected<Path> privateFolderIn(const QString& parent)
{
    const Path folder(
        QDir::cleanPath((Path(parent) / (u"vellumtone-"_s + QString::number(::getuid()))).text()));
    const QByteArray name = folder.native();
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return Problem{u"Cannot create the working folder "_s + folder.text(), err::PathNotFound};
    struct stat st {
    };
    if (::lstat(name.constData(), &st) != 0)
        return Problem{u"Cannot use the working folder "_s + folder.text(), err::PathNotFound};
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode))
        return Problem{u"The working folder "_s + folder.text() +
                           u" is not a real folder; refusing to use it."_s,
                       err::PermissionDenied};
    if (st.st_uid != ::getuid())
        return Problem{u"The working folder "_s + folder.text() +
                           u" belongs to another user; refusing to use it."_s,
                       err::PermissionDenied};
    if ((st.st_mode & 077) != 0)
        ::chmod(name.constData(), 0700);
    return folder;
}

bool writableByOthers(const Path& folder)
{
    struct stat st {
    };
    if (::stat(folder.native().constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

} // namespace

Expected<Path> WorkingFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty()) {
        const Path folder(temp.size() > 1 && temp.endsWith(u'/') ? temp.chopped(1) : temp);
        return writableByOthers(folder) ? privateFolderIn(folder.text()) : folder;
    }
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty())
        base = u"/tmp"_s;
    return privateFolderIn(base);
}

void MakeWorkingFolderAbsolute()
{
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty() && QDir::isRelativePath(value))
            qputenv(name, Path(QDir::cleanPath(QDir::current().absoluteFilePath(value))).native());
    }
}

} // namespace vt
