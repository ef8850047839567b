#include "common/error.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace vt
{

Error::Error(int number, const QString& description, const QString& source)
    : std::runtime_error(description.toStdString()), number_(number), description_(description),
      source_(source)
{
}

void raise(int number, const QString& description, const QString& source)
{
    throw Error(number, description, source);
}

int SystemErrorNumber(int code)
{
    return code == ENOENT                                     ? err::PathNotFound
           : code == ENOSPC || code == EDQUOT                 ? err::DiskFull
           : code == EACCES || code == EPERM || code == EROFS ? err::PermissionDenied
                                                              : err::PathFileAccess;
}

QString SystemErrorText(const QString& what, const QString& path, int code)
{
    return what + u" \""_s + path + u"\": "_s + QString::fromLocal8Bit(std::strerror(code));
}

void raiseSystemError(const QString& what, const QString& path, int code)
{
    raise(SystemErrorNumber(code), SystemErrorText(what, path, code));
}

} // namespace vt
