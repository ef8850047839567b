#include "pipeline/partial_result.h"

#include "common/files.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
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

} // namespace

Expected<PartialResult> PartialResult::create(const Path& result)
{
    const QString prefix = partialPrefix(result) + QString::number(::getpid()) + u'.';
    for (int attempt = 0;; ++attempt) {
        const Path path =
            result.parent() /
            (prefix + QString::number(QRandomGenerator::global()->generate(), 36) + u".part"_s);
        const int fd = ::open(path.native().constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return PartialResult(result, path);
        }
        if (errno != EEXIST || attempt == 100)
            return SystemProblem(u"Cannot create a file beside"_s, result.text(), errno);
    }
}

Expected<void> PartialResult::commit() const
{
    if (::rename(path_.native().constData(), result_.native().constData()) != 0)
        return SystemProblem(u"Cannot put the new file in the place of"_s, result_.text(), errno);
    return {};
}

void PartialResult::discard() const
{
    DeleteFileQuiet(path_);
}

void RemoveStrayPartials(const Path& result)
{
    const QRegularExpression partial(u"^"_s + QRegularExpression::escape(partialPrefix(result)) +
                                     u"(\\d+)\\.[0-9a-z]+\\.part(\\..*)?$"_s);
    const QDir folder(result.parent().text());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = partial.match(name);
        if (!m.hasMatch())
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            DeleteFileQuiet(result.parent() / name);
    }
}

} // namespace vt
