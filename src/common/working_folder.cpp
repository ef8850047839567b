#include "common/working_folder.h"

#include "common/error.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// A private folder inside a shared one: made with mode 0700, refused when it
// is a link or belongs to someone else.
QString privateFolderIn(const QString& parent)
{
    const QString folder =
        QDir::cleanPath(parent + u"/vellumtone-"_s + QString::number(::getuid()));
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        raise(err::PathNotFound, u"Cannot create the working folder "_s + folder);
    struct stat st {
    };
    if (::lstat(name.constData(), &st) != 0)
        raise(err::PathNotFound, u"Cannot use the working folder "_s + folder);
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode))
        raise(err::PermissionDenied,
              u"The working folder "_s + folder + u" is not a real folder; refusing to use it."_s);
    if (st.st_uid != ::getuid())
        raise(err::PermissionDenied, u"The working folder "_s + folder +
                                         u" belongs to another user; refusing to use it."_s);
    if ((st.st_mode & 077) != 0)
        ::chmod(name.constData(), 0700);
    return folder;
}

bool writableByOthers(const QString& folder)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

} // namespace

QString WorkingFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty()) {
        const QString folder = temp.size() > 1 && temp.endsWith(u'/') ? temp.chopped(1) : temp;
        return writableByOthers(folder) ? privateFolderIn(folder) : folder;
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
            qputenv(name,
                    QFile::encodeName(QDir::cleanPath(QDir::current().absoluteFilePath(value))));
    }
}

QString WorkingFile(const QString& name)
{
    return WorkingFolder() + u'/' + name;
}

} // namespace vt
