#include "common/error.h"
#include "fuzz_entries.h"
#include "unzip/cunzip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

// An archive of a few kilobytes may list many entries; the work on one
// input stays bounded.
constexpr int kMostEntries = 200;

struct Pass {
    bool folders;
    bool test;
    bool everyOtherEntry;
};

void unzipPass(cUnzip& unzip, const QString& target, const Pass& pass)
{
    unzip.setUseFolderNames(pass.folders);
    unzip.setTestZip(pass.test);
    unzip.setOverwriteExisting(pass.folders);
    unzip.setSpaceToUnderScore(!pass.folders);
    unzip.setExtractOnlyNewer(!pass.folders);
    unzip.setPromptToOverwrite(!pass.folders);
    unzip.setMessageLevel(pass.folders ? kMessagesAll : kMessagesWarnings);
    for (qint32 i = 1; i <= unzip.FileCount(); ++i)
        unzip.setFileSelected(i, !pass.everyOtherEntry || i % 2 == 1);
    unzip.setUnzipFolder(target);
    try {
        unzip.Unzip();
    } catch (const Error&) { // a damaged archive or entry is reported to the caller
    }
}

QString checkListing(const cUnzip& unzip)
{
    for (qint32 i = 1; i <= unzip.FileCount(); ++i) {
        if (unzip.Filename(i).isEmpty() || unzip.Filename(i).contains(u'/'))
            return u"entry %1 has the name \"%2\""_s.arg(i).arg(unzip.Filename(i));
        if (unzip.FileSize(i) < 0 || unzip.FileCompressionRatio(i) < 0)
            return u"entry %1 has a negative size or ratio"_s.arg(i);
        unzip.FileDate(i);
        unzip.FileCRC(i);
        unzip.FileCompressionMethod(i);
        unzip.FileEncrypted(i);
        unzip.FileDirectory(i);
        try {
            unzip.FilePackedSize(i);
        } catch (const Error& e) {
            if (e.number() != err::Overflow)
                return u"entry %1's packed size: "_s.arg(i) + e.description();
        }
    }
    return {};
}

// Nothing beside the archive and the target; no link inside the target.
QString checkScratch(const QString& scratch, const QString& target)
{
    const QStringList beside = QDir(scratch).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : beside)
        if (name != u"in.zip"_s && name != u"out"_s)
            return u"\""_s + name + u"\" was written outside the target folder"_s;
    QDirIterator it(target, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink())
            return u"a link was unpacked: "_s + info.filePath();
    }
    return {};
}

void removeTarget(const QString& target)
{
    // Unpacked folders may have lost their write permission.
    QDirIterator it(target, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(target).removeRecursively();
}

} // namespace

QString ListAndUnzip(const uint8_t* data, size_t size)
{
    const QString scratch = ScratchFolder();
    const QString archive = scratch + u"/in.zip"_s;
    const QString target = scratch + u"/out"_s;
    removeTarget(target);
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        return u"cannot write the scratch archive"_s;
    file.close();

    cUnzip unzip;
    int entries = 0;
    int passwords = 0;
    unzip.Cancel = [&](const QString&, bool& cancel) { cancel = ++entries > kMostEntries; };
    unzip.PasswordRequest = [&](QString& password, bool&) {
        password = ++passwords % 2 == 1 ? u"secret"_s : u" "_s;
    };
    unzip.OverwritePrompt = [&](const QString&, qint32& answer) {
        answer = entries % 3 == 0 ? kOverwriteReplace : kOverwriteKeep;
    };
    unzip.Progress = [](qint32, const QString&) {};
    unzip.setZipFile(archive);
    try {
        unzip.Directory();
    } catch (const Error&) {
    }
    QString problem = checkListing(unzip);
    for (const Pass& pass :
         {Pass{true, false, false}, Pass{false, true, false}, Pass{false, false, true}}) {
        if (!problem.isEmpty())
            break;
        entries = 0;
        unzipPass(unzip, target, pass);
        problem = checkScratch(scratch, target);
    }
    removeTarget(target);
    QFile::remove(archive);
    return problem;
}

} // namespace vt::fuzz
