#include "common/files.h"

#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The errno of a failed write, 0 when all of it was written.
int writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= written;
    }
    return 0;
}

Expected<void> writeFile(const QByteArray& bytes, const Path& path, int flags)
{
    const int fd = ::open(path.native().constData(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        return SystemProblem(u"Cannot create"_s, path.text(), errno);
    const int error = writeAll(fd, bytes.constData(), bytes.size());
    if (::close(fd) != 0 || error != 0)
        return SystemProblem(u"Cannot write"_s, path.text(), error ? error : errno);
    return {};
}

bool usable(const Path& path)
{
    return !path.isEmpty() && !path.text().contains(QChar(0));
}

QString kindOf(mode_t mode)
{
    return S_ISFIFO(mode)                   ? u"a FIFO (named pipe)"_s
           : S_ISCHR(mode) || S_ISBLK(mode) ? u"a device"_s
           : S_ISSOCK(mode)                 ? u"a socket"_s
           : S_ISDIR(mode)                  ? u"a folder"_s
                                            : u"no regular file"_s;
}

// Deletes everything in the open folder `fd` by the names' own bytes, so a
// name that is not valid UTF-8 goes too; links are removed, never followed.
// The listing is complete before anything is deleted. Answers the error of
// a folder that could not be listed, 0 when none.
int deleteEntries(int fd, const Yield& yield)
{
    const int listing = ::dup(fd);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        const int error = errno;
        if (listing >= 0)
            ::close(listing);
        return error;
    }
    QList<QByteArray> files;
    QList<std::pair<QByteArray, mode_t>> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const char* entryName = entry->d_name;
        if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0)
            continue;
        struct stat st {
        };
        if (::fstatat(fd, entryName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            folders.append({QByteArray(entryName), st.st_mode});
        else
            files.append(QByteArray(entryName));
    }
    ::closedir(dir);
    for (const QByteArray& file : std::as_const(files)) {
        if (yield)
            yield();
        ::unlinkat(fd, file.constData(), 0);
    }
    int error = 0;
    for (const auto& [folder, mode] : std::as_const(folders)) {
        // A folder must be writable and searchable for its entries to go.
        ::fchmodat(fd, folder.constData(), (mode & 07777) | S_IRWXU, 0);
        const int sub =
            ::openat(fd, folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int failed = sub < 0 ? errno : deleteEntries(sub, yield);
        if (sub >= 0)
            ::close(sub);
        error = error ? error : failed;
        ::unlinkat(fd, folder.constData(), AT_REMOVEDIR);
    }
    return error;
}

} // namespace

QString SpecialFileKind(const Path& path)
{
    struct stat st {
    };
    if (!usable(path) || ::stat(path.native().constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    return kindOf(st.st_mode);
}

Expected<QByteArray> ReadSmallFile(const Path& path, qint64 maxBytes)
{
    if (const QString kind = SpecialFileKind(path); !kind.isEmpty())
        return Problem{u"it is "_s + kind + u", not a file"_s};
    // Not blocking: should a FIFO take the file's place meanwhile, opening it
    // does not wait, and the type is checked again on what was opened.
    const int fd = ::open(path.native().constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return SystemProblem(u"Cannot open"_s, path.text(), errno);
    struct stat st {
    };
    const QString tooLarge = u"it is larger than "_s + QString::number(maxBytes >> 20) + u" MB"_s;
    QByteArray bytes;
    std::optional<Problem> problem;
    if (::fstat(fd, &st) != 0)
        problem = SystemProblem(u"Cannot read"_s, path.text(), errno);
    else if (!S_ISREG(st.st_mode))
        problem = Problem{u"it is "_s + kindOf(st.st_mode) + u", not a file"_s};
    else if (st.st_size > maxBytes)
        problem = Problem{tooLarge};
    while (!problem) {
        char buffer[64 * 1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            problem = SystemProblem(u"Cannot read"_s, path.text(), errno);
        else if (n == 0)
            break;
        else if (bytes.size() + n > maxBytes) // it grew while it was read
            problem = Problem{tooLarge};
        else
            bytes.append(buffer, qsizetype(n));
    }
    ::close(fd);
    if (problem)
        return *problem;
    return bytes;
}

bool FileExists(const Path& path)
{
    struct stat st {
    };
    return usable(path) && ::stat(path.native().constData(), &st) == 0;
}

bool IsFolder(const Path& path)
{
    struct stat st {
    };
    return usable(path) && ::stat(path.native().constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

Expected<void> WriteTextFile(const QString& text, const Path& path)
{
    return writeFile((text + u'\n').toUtf8(), path, O_TRUNC);
}

Expected<void> WriteBytesIfMissing(const QByteArray& bytes, const Path& path, const Yield& yield)
{
    if (yield)
        yield();
    if (FileExists(path))
        return {};
    return writeFile(bytes, path, O_EXCL);
}

QString ReadTextFile(const Path& path)
{
    QFile file(path.text());
    if (!file.exists())
        return {};
    if (file.size() <= 0)
        return u"empty file"_s;
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void DeleteFileQuiet(const Path& path, const Yield& yield)
{
    if (yield)
        yield();
    if (path.isEmpty())
        return;
    const QByteArray name = path.native();
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

Expected<void> DeleteFolderTree(const Path& folder, const Yield& yield)
{
    struct stat st {
    };
    const QByteArray name = folder.native();
    if (folder.isEmpty() || ::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    // The folder must be writable and searchable for its entries to go.
    ::chmod(name.constData(), (st.st_mode & 07777) | S_IRWXU);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = fd < 0 ? errno : deleteEntries(fd, yield);
    if (fd >= 0)
        ::close(fd);
    if (error != 0)
        return SystemProblem(u"Cannot list"_s, folder.text(), error);
    RemoveFolderQuiet(folder);
    return {};
}

void RemoveFolderQuiet(const Path& folder)
{
    if (!folder.isEmpty())
        ::rmdir(folder.native().constData());
}

Expected<QString> GetDesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        return Problem{u"The desktop folder cannot be determined"_s, err::PathNotFound};
    return desktop.endsWith(u'/') ? desktop : desktop + u'/';
}

QString DefaultOutputFolder()
{
    for (const auto place : {QStandardPaths::DesktopLocation, QStandardPaths::MusicLocation}) {
        const QString folder = QStandardPaths::writableLocation(place);
        if (!folder.isEmpty() && IsFolder(folder))
            return folder.endsWith(u'/') ? folder : folder + u'/';
    }
    const QString home = QDir::homePath();
    return home.endsWith(u'/') ? home : home + u'/';
}

} // namespace vt
