#include "unzip/target_folder.h"

#include "common/error.h"
#include "common/path.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int Fd::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

TargetFolder::TargetFolder(const QString& path) : path_(path.isEmpty() ? u"."_s : path)
{
    if (!QDir().mkpath(path_))
        raise(err::PathNotFound, u"Cannot create the folder \""_s + path_ + u"\"."_s);
    root_ = Fd(::open(Path(path_).native().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root_.valid())
        raiseSystemError(u"Cannot open the folder"_s, path_, errno);
}

TargetFolder::Outcome TargetFolder::openFolders(const QStringList& parts, Fd& folder,
                                                QString& problem) const
{
    Fd current(::dup(root_.get()));
    if (!current.valid()) {
        problem = u"Cannot open the folder \""_s + path_ + u"\": "_s +
                  QString::fromLocal8Bit(std::strerror(errno));
        return Outcome::Failed;
    }
    Path shown = path_;
    for (const QString& part : parts) {
        const QByteArray name = Path(part).native();
        shown = shown / part;
        if (::mkdirat(current.get(), name.constData(), 0755) != 0 && errno != EEXIST) {
            problem = u"Cannot create the folder \""_s + shown.text() + u"\": "_s +
                      QString::fromLocal8Bit(std::strerror(errno));
            return Outcome::Failed;
        }
        Fd next(::openat(current.get(), name.constData(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            const int code = errno;
            if (existingAt(current.get(), part).kind == Existing::Link)
                return Outcome::Link;
            problem = u"Cannot open the folder \""_s + shown.text() + u"\": "_s +
                      QString::fromLocal8Bit(std::strerror(code));
            return Outcome::Failed;
        }
        current = std::move(next);
    }
    folder = std::move(current);
    return Outcome::Done;
}

Existing existingAt(int folder, const QString& name)
{
    struct stat st {
    };
    if (::fstatat(folder, Path(name).native().constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    Existing found;
    found.mtime = st.st_mtime;
    found.kind = S_ISLNK(st.st_mode)   ? Existing::Link
                 : S_ISDIR(st.st_mode) ? Existing::Folder
                 : S_ISREG(st.st_mode) ? Existing::File
                                       : Existing::Other;
    return found;
}

PendingFile::PendingFile(int folder, const QString& name, const QString& shownPath)
    : folder_(folder), name_(Path(name).native()), shown_(shownPath)
{
    for (int attempt = 0; attempt < 100 && !file_.valid(); ++attempt) {
        temporary_ =
            ".vt-unzip-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        file_ = Fd(::openat(folder_, temporary_.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file_.valid() && errno != EEXIST)
            raiseSystemError(u"Cannot create"_s, shown_, errno);
    }
    if (!file_.valid())
        raiseSystemError(u"Cannot create"_s, shown_, EEXIST);
}

PendingFile::~PendingFile()
{
    if (file_.valid()) {
        file_ = Fd();
        ::unlinkat(folder_, temporary_.constData(), 0);
    }
}

void PendingFile::write(const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(file_.get(), data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            raiseSystemError(u"Cannot write"_s, shown_, errno);
        }
        data += written;
        size -= written;
    }
}

void PendingFile::restart()
{
    if (::ftruncate(file_.get(), 0) != 0 || ::lseek(file_.get(), 0, SEEK_SET) != 0)
        raiseSystemError(u"Cannot write"_s, shown_, errno);
}

void PendingFile::commit(mode_t mode, time_t mtime)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, {mtime, 0}};
    if (::fchmod(file_.get(), mode) != 0 || ::futimens(file_.get(), times) != 0)
        raiseSystemError(u"Cannot set the attributes of"_s, shown_, errno);
    if (::close(file_.release()) != 0) {
        const int code = errno;
        ::unlinkat(folder_, temporary_.constData(), 0);
        raiseSystemError(u"Cannot write"_s, shown_, code);
    }
    if (::renameat(folder_, temporary_.constData(), folder_, name_.constData()) != 0) {
        const int code = errno;
        ::unlinkat(folder_, temporary_.constData(), 0);
        raiseSystemError(u"Cannot write"_s, shown_, code);
    }
}

} // namespace vt
