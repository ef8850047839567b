#include "booklist/folder_scan.h"

#include "common/files.h"
#include "common/path.h"
#include "common/paths.h"
#include "common/step_guard.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

using FolderKey = std::pair<dev_t, ino_t>;

QByteArray withoutTrailingSlashes(const QString& path)
{
    QByteArray name = Path(path).native();
    while (name.size() > 1 && name.endsWith('/'))
        name.chop(1);
    return name;
}

// Folders and links to folders, keyed by the device and inode of the folder
// itself (links followed). The listing's own inode will not do: for a mount
// point it is that of the folder beneath, so a link to the mounted folder
// would be taken for another place and its books added twice.
bool entryFolder(DIR* dir, const dirent* entry, FolderKey& key)
{
    if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat st = {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode))
        return false;
    key = {st.st_dev, st.st_ino};
    return true;
}

bool isDotOrDotDot(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

enum class Listing { Done, Unreadable, Failed };
enum class Look { Entered, NotAFolder, Unreadable, Passed };

class Scan
{
  public:
    Scan(const Yield& yield, const StepReport& report)
        : yield_(yield), guard_(report, u"AddFolder.GetSubDirectories2016"_s, kAddFolderLocation)
    {
    }

    // The folders given by the caller are in the result already.
    void remember(const QStringList& folders)
    {
        for (const QString& folder : folders) {
            struct stat st = {};
            if (::stat(Path(folder).native().constData(), &st) == 0)
                listed_.insert({st.st_dev, st.st_ino});
        }
    }

    // Below the top, an entry that is no folder (any more) leaves the list
    // as its parent would drop it; so does every unreadable one.
    void run(QStringList& folders, bool recurse, bool top)
    {
        QStringList found;
        for (qsizetype i = 0; i < folders.size();) {
            const QString folder = folders.at(i);
            Look look = Look::Passed;
            guard_.step(102, [&] { look = lookInto(folder, found); });
            if (look == Look::Unreadable || (look == Look::NotAFolder && !top))
                folders.removeAt(i);
            else
                ++i;
        }
        if (recurse && !found.isEmpty())
            guard_.step(104, [&] { run(found, true, false); });
        for (const QString& sub : std::as_const(found)) {
            guard_.step(106, [&] {
                // With recursion every entry left was just looked into.
                if (!recurse && !IsFolder(sub))
                    return;
                yieldNow();
                folders.append(sub);
            });
        }
    }

  private:
    Look lookInto(const QString& folder, QStringList& found)
    {
        const QByteArray native = Path(folder).native();
        struct stat st = {};
        if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Look::NotAFolder;
        if (native.size() >= PATH_MAX)
            return Look::Passed;
        yieldNow();
        // Hidden system folders are never entered, but nothing carries the
        // system attribute here: every folder is, once.
        if (!entered_.insert({st.st_dev, st.st_ino}).second)
            return Look::Passed;
        return list(folder, native, found) == Listing::Unreadable ? Look::Unreadable
                                                                  : Look::Entered;
    }

    Listing list(const QString& folder, const QByteArray& native, QStringList& found)
    {
        DIR* dir = ::opendir(native.constData());
        if (!dir)
            return failure(errno);
        int error = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                error = errno;
                break;
            }
            FolderKey key;
            if (isDotOrDotDot(entry->d_name) || !entryFolder(dir, entry, key))
                continue;
            yieldNow();
            const QByteArray name(entry->d_name);
            if (name.size() > NAME_MAX || HasOddCharacters(name))
                continue;
            if (!listed_.insert(key).second)
                continue; // a folder already reached through another path
            // A folder of the list ends in "/".
            found.append((Path(folder) / Path::fromNative(name).text() / u"").text());
        }
        ::closedir(dir);
        return error == 0 ? Listing::Done : failure(error);
    }

    static Listing failure(int error)
    {
        switch (error) {
        case EACCES:
        case EPERM:
        case ENOENT:
        case ENOTDIR:
            return Listing::Unreadable;
        default:
            return Listing::Failed;
        }
    }

    void yieldNow()
    {
        if (yield_)
            yield_();
    }

    const Yield& yield_;
    StepGuard guard_;
    std::set<FolderKey> listed_;
    std::set<FolderKey> entered_;
};

} // namespace

int FileAttributes(const QString& path)
{
    if (path.isEmpty())
        return -1;
    const QByteArray native = withoutTrailingSlashes(path);
    struct stat own = {};
    if (::lstat(native.constData(), &own) != 0)
        return -1;
    int value = 0;
    struct stat target = own;
    if (S_ISLNK(own.st_mode)) {
        value |= attr::ReparsePoint;
        struct stat followed = {};
        if (::stat(native.constData(), &followed) == 0)
            target = followed;
    }
    if (S_ISDIR(target.st_mode))
        value |= attr::Directory;
    else if (S_ISREG(target.st_mode))
        value |= attr::Archive;
    if (!(target.st_mode & S_IWUSR))
        value |= attr::ReadOnly;
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray name = native.mid(slash + 1);
    if (name.startsWith('.') && name != "." && name != "..")
        value |= attr::Hidden;
    return value;
}

void GetSubDirectories2016(QStringList& folders, bool recurse, const Yield& yield,
                           const StepReport& report)
{
    Scan scan(yield, report);
    scan.remember(folders);
    scan.run(folders, recurse, true);
}

QStringList ListFolderFiles(const QString& folder, const QString& pattern)
{
    const Path prefix = folder;
    QStringList names;
    DIR* dir = ::opendir(prefix.native().constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        FolderKey key;
        if (isDotOrDotDot(entry->d_name) || entryFolder(dir, entry, key))
            continue;
        // A name that is not UTF-8 keeps its bytes (see Path).
        const QString name = Path::fromNative(entry->d_name).text();
        if (!MatchesPattern(name, pattern))
            continue;
        if (IsExistingFile((prefix / name).text()))
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

bool IsExistingFile(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    const int fd = ::open(Path(path).native().constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    const bool file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return file;
}

bool HasOddCharacters(const QByteArray& name)
{
    const auto* p = reinterpret_cast<const unsigned char*>(name.constData());
    const auto* end = p + name.size();
    while (p < end) {
        char32_t code = *p;
        int more = 0;
        char32_t least = 0;
        if (code < 0x80) {
        } else if ((code & 0xE0) == 0xC0) {
            code &= 0x1F, more = 1, least = 0x80;
        } else if ((code & 0xF0) == 0xE0) {
            code &= 0x0F, more = 2, least = 0x800;
        } else if ((code & 0xF8) == 0xF0) {
            code &= 0x07, more = 3, least = 0x10000;
        } else {
            return true;
        }
        if (end - p <= more)
            return true;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return true;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return true;
        if (code < 32 || (code >= 127 && code <= 159))
            return true;
        p += more + 1;
    }
    return false;
}

bool HasOddCharacters(const QString& name)
{
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code < 32 || (code >= 127 && code <= 159))
            return true;
    }
    return false;
}

bool MatchesPattern(const QString& name, const QString& pattern)
{
    if (pattern == u"*.*"_s || pattern == u"*"_s)
        return true;
    // Greedy match that backs up to the last "*" on a mismatch.
    qsizetype n = 0, p = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p, ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace vt
