#include "pipeline/partial_result.h"

#include "common/files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString partialPrefix(const Path& result)
{
    return u'.' + result.fileName() + u'.';
}

// A new name beside the result, made by `make`, which fails with EEXIST
// when the name is taken.
template <typename Make> Expected<Path> besideResult(const Path& result, Make make)
{
    const QString prefix = partialPrefix(result) + QString::number(::getpid()) + u'.';
    for (int attempt = 0;; ++attempt) {
        const Path path =
            result.parent() /
            (prefix + QString::number(QRandomGenerator::global()->generate(), 36) + u".part"_s);
        if (make(path.native().constData()))
            return path;
        if (errno != EEXIST || attempt == 100)
            return SystemProblem(u"Cannot create a file beside"_s, result.text(), errno);
    }
}

bool isChapterFile(const QFileInfo& entry)
{
    static const QRegularExpression name(u"^\\d{2,} - .+\\.(mp3|m4b)$"_s);
    return entry.isFile() && !entry.isSymLink() && name.match(entry.fileName()).hasMatch();
}

} // namespace

Expected<PartialResult> PartialResult::create(const Path& result)
{
    Expected<Path> made = besideResult(result, [](const char* path) {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd >= 0 && ::close(fd) == 0;
    });
    if (!made)
        return made.problem();
    return PartialResult(result, *made, false);
}

Expected<PartialResult> PartialResult::createFolder(const Path& result)
{
    Expected<Path> made =
        besideResult(result, [](const char* path) { return ::mkdir(path, 0777) == 0; });
    if (!made)
        return made.problem();
    return PartialResult(result, *made, true);
}

Expected<void> PartialResult::commit() const
{
    const QByteArray from = path_.native();
    const QByteArray to = result_.native();
    if (folder_ && QFileInfo::exists(result_.text())) {
        // The older chapters stay whole until the new ones are in place.
        if (const QString problem = ChapterFolderProblem(result_); !problem.isEmpty())
            return Problem{problem};
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) ==
            0) {
            (void)DeleteFolderTree(path_); // the older chapters; a leftover goes next time
            return {};
        }
        if (errno != EINVAL && errno != ENOSYS)
            return SystemProblem(u"Cannot put the new folder in the place of"_s, result_.text(),
                                 errno);
        // A file system that cannot swap: the older folder steps aside first.
        const Path older(path_.text() + u".old"_s);
        if (::rename(to.constData(), older.native().constData()) != 0)
            return SystemProblem(u"Cannot move aside the folder"_s, result_.text(), errno);
        if (::rename(from.constData(), to.constData()) != 0) {
            const int error = errno;
            ::rename(older.native().constData(), to.constData());
            return SystemProblem(u"Cannot put the new folder in the place of"_s, result_.text(),
                                 error);
        }
        (void)DeleteFolderTree(older);
        return {};
    }
    if (::rename(from.constData(), to.constData()) != 0)
        return SystemProblem(u"Cannot put the new file in the place of"_s, result_.text(), errno);
    return {};
}

void PartialResult::discard() const
{
    if (folder_)
        (void)DeleteFolderTree(path_);
    else
        DeleteFileQuiet(path_);
}

QString ChapterFolderProblem(const Path& folder)
{
    const QFileInfo place(folder.text());
    if (!place.exists() && !place.isSymLink())
        return {};
    if (place.isSymLink() || !place.isDir())
        return u"the chapters' folder "_s + folder.text() +
               u" is taken by a file or a link; remove it or choose another folder"_s;
    const QDir dir(folder.text());
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!isChapterFile(entry))
            return u"the folder "_s + folder.text() + u" holds "_s + entry.fileName() +
                   u", which is no chapter of a book; move it or choose another folder"_s;
    return {};
}

void RemoveStrayPartials(const Path& result)
{
    const QRegularExpression partial(u"^"_s + QRegularExpression::escape(partialPrefix(result)) +
                                     u"(\\d+)\\.[0-9a-z]+\\.part(\\..*)?$"_s);
    const QDir folder(result.parent().text());
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot)) {
        if (!partial.match(entry.fileName()).hasMatch())
            continue;
        const Path stray = result.parent() / entry.fileName();
        RemoveIfAbandoned(stray, [&] {
            if (entry.isDir() && !entry.isSymLink())
                (void)DeleteFolderTree(stray);
            else
                DeleteFileQuiet(stray);
        });
    }
}

} // namespace vt
