#include "unzip/cunzip.h"

#include "common/error.h"
#include "common/path.h"

#include <QLoggingCategory>
#include <limits>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

Q_LOGGING_CATEGORY(lcUnzip, "vellumtone.unzip", QtWarningMsg)

// Handlers are the caller's code; an error in one must not stop the work.
// It goes to the log.
template <class F> void quietly(F&& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        qCWarning(lcUnzip) << "an unzip event handler failed:" << e.what();
    }
}

} // namespace

void cUnzip::setZipFile(const QString& sFIle)
{
    zipFile_ = sFIle;
    entries_.clear();
}

const ArchiveEntry& cUnzip::entry(qint32 lIndex) const
{
    if (lIndex < 1 || lIndex > entries_.size())
        raise(err::SubscriptOutOfRange, u"Subscript out of range"_s);
    return entries_.at(lIndex - 1);
}

qint32 cUnzip::FilePackedSize(qint32 lIndex) const
{
    const ArchiveEntry& e = entry(lIndex);
    const qint64 product = qint64(e.size) * e.ratio;
    if (product > std::numeric_limits<qint32>::max() ||
        product < std::numeric_limits<qint32>::min())
        raise(err::Overflow, u"Overflow"_s);
    return qint32(product / 100);
}

void cUnzip::setFileSelected(qint32 lIndex, bool bState)
{
    entry(lIndex); // the range check
    entries_[lIndex - 1].selected = bState;
}

qint32 cUnzip::Directory()
{
    if (zipFile_.isEmpty())
        return 0;
    UnzipOptions options = options_;
    options.archive = zipFile_;
    options.targetFolder.clear();
    options.listOnly = 1;
    VBUnzip(*this, options, {}, {});
    return 0;
}

bool cUnzip::Unzip()
{
    if (zipFile_.isEmpty())
        return false;
    QStringList include;
    for (const ArchiveEntry& e : std::as_const(entries_))
        if (e.selected)
            include.append((Path(e.folder) / e.name).text());
    if (include.size() == entries_.size())
        include.clear(); // everything
    UnzipOptions options = options_;
    options.archive = zipFile_;
    options.listOnly = 0;
    options.targetFolder = unzipFolder_;
    return VBUnzip(*this, options, include, {}) == 0;
}

void cUnzip::GetVersion(qint32& lMajor, qint32& lMinor, qint32& lRevision, QDateTime&,
                        QString& sExtraInfo) const
{
    const UnzipVersion version = UzpVersion2();
    lMajor = version.major;
    lMinor = version.minor;
    lRevision = version.revision;
    sExtraInfo = version.text.left(9).leftJustified(10, u' ');
}

void cUnzip::print(const QString& text)
{
    if (Progress)
        quietly([&] { Progress(1, text); });
}

qint32 cUnzip::replace(const QString& path)
{
    qint32 response = kOverwriteKeep;
    if (OverwritePrompt)
        quietly([&] { OverwritePrompt(path, response); });
    return response;
}

bool cUnzip::password(QByteArray& password)
{
    QString text;
    bool cancel = false;
    if (PasswordRequest)
        quietly([&] { PasswordRequest(text, cancel); });
    // Blanks at either end are taken for slips of the keyboard.
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    text = text.mid(first, last - first);
    if (text.isEmpty() || cancel)
        return false;
    password = text.toUtf8().left(254);
    return true;
}

void cUnzip::listing(const QString& path, const ArchiveEntry& values)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    ArchiveEntry e = values;
    e.name = path.mid(slash + 1);
    if (e.name.isEmpty())
        return; // a folder entry
    e.folder = slash < 0 ? QString() : path.left(slash);
    e.selected = true;
    entries_.append(e);
}

bool cUnzip::service(const QString& name)
{
    bool cancel = false;
    if (Cancel)
        quietly([&] { Cancel(name, cancel); });
    return cancel;
}

} // namespace vt
