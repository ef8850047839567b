#include "files.h"

#include "error.h"
#include "window_ports.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

void writeAll(int fd, const char* data, qsizetype size, const QString& path)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            ::close(fd);
            raiseSystemError(u"Cannot write"_s, path, code);
        }
        data += written;
        size -= written;
    }
}

void writeFile(const QByteArray& bytes, const QString& path, int flags)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        raiseSystemError(u"Cannot create"_s, path, errno);
    writeAll(fd, bytes.constData(), bytes.size(), path);
    if (::close(fd) != 0)
        raiseSystemError(u"Cannot write"_s, path, errno);
}

} // namespace

bool FileExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && !path.contains(QChar(0)) &&
           ::stat(native(path).constData(), &st) == 0;
}

bool IsFolder(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && !path.contains(QChar(0)) &&
           ::stat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

void WriteTextFile(const QString& text, const QString& path)
{
    writeFile((text + u'\n').toUtf8(), path, O_TRUNC);
}

void WriteBytesIfMissing(const QByteArray& bytes, const QString& path, EventLoopPort* loop)
{
    if (loop)
        loop->yieldOnce();
    if (FileExists(path))
        return;
    writeFile(bytes, path, O_EXCL);
}

QString ReadTextFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (file.size() <= 0)
        return u"empty file"_s;
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void DeleteFileQuiet(const QString& path, EventLoopPort* loop)
{
    if (loop)
        loop->yieldOnce();
    if (path.isEmpty())
        return;
    const QByteArray name = native(path);
    struct stat st {
    };
    if (::lstat(name.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return;
    if (::unlink(name.constData()) != 0 && !S_ISLNK(st.st_mode)) {
        // A read-only file: give the owner write permission and try again.
        ::chmod(name.constData(), st.st_mode | S_IWUSR);
        ::unlink(name.constData());
    }
}

void DeleteFolderTree(const QString& folder, EventLoopPort* loop)
{
    struct stat st {
    };
    const QByteArray name = native(folder);
    if (folder.isEmpty() || ::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    // The folder must be writable and searchable for its entries to go.
    ::chmod(name.constData(), (st.st_mode & 07777) | S_IRWXU);

    DIR* dir = ::opendir(name.constData());
    if (!dir)
        raiseSystemError(u"Cannot list"_s, folder, errno);
    QStringList files;
    QStringList folders;
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    while (const dirent* entry = ::readdir(dir)) {
        const char* entryName = entry->d_name;
        if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0)
            continue;
        const QString full = prefix + QFile::decodeName(entryName);
        struct stat entryStat {
        };
        if (::lstat(native(full).constData(), &entryStat) == 0 && S_ISDIR(entryStat.st_mode))
            folders.append(full);
        else
            files.append(full);
    }
    ::closedir(dir);
    for (const QString& file : files)
        DeleteFileQuiet(file, loop);
    for (const QString& sub : folders)
        DeleteFolderTree(sub, loop);
    RemoveFolderQuiet(folder);
}

void RemoveFolderQuiet(const QString& folder)
{
    if (!folder.isEmpty())
        ::rmdir(native(folder).constData());
}

QString GetDesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        raise(err::PathNotFound, u"The desktop folder cannot be determined"_s);
    return desktop.endsWith(u'/') ? desktop : desktop + u'/';
}

} // namespace vt
