#include "booklist/samples.h"

#include "booklist/app_files.h"
#include "booklist/folder_scan.h"
#include "booklist/list_window.h"
#include "booklist/scramble.h"
#include "common/files.h"
#include "common/settings.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The scrambling works on 8-bit codes; the paths travel as their UTF-8 bytes
// so that every name survives, whatever its letters.
QString toCodes(const QString& text)
{
    return QString::fromLatin1(text.toUtf8());
}

QString fromCodes(const QString& codes)
{
    return QString::fromUtf8(codes.toLatin1());
}

const QString kKey = QString::fromUtf16(kSampleKey);

} // namespace

QString SampleFolder()
{
    return FindBesideExecutable(u"Samples"_s);
}

void SaveSamplesSnapshot(SettingsStore& store)
{
    SaveSamplesSnapshot(store, SampleFolder());
}

void SaveSamplesSnapshot(SettingsStore& store, const QString& sampleFolder)
{
    QStringList paths;
    for (const QString& name : ListFolderFiles(sampleFolder, u"*.*"_s))
        paths.append((Path(sampleFolder) / name).text());
    store.setText(key::Snapshot, ScrambleText(toCodes(paths.join(u'|')), kKey));
}

bool IsPathInList(const BookListWindow& rows, const QString& path)
{
    const int count = rows.rowCount();
    for (int i = 1; i <= count; ++i)
        if (rows.rowText(i) == path)
            return true;
    return false;
}

void LoadSampleFiles(SettingsStore& store, BookListWindow& rows,
                     const std::function<void(const QString&)>& openFolder,
                     const QString& sampleFolder)
{
    if (store.contains(key::Snapshot)) {
        const QString plain = fromCodes(
            UnscrambleText(store.text(key::Snapshot), kKey, [&rows] { rows.yieldOnce(); }));
        const QStringList parts = plain.isEmpty() ? QStringList() : plain.split(u'|');
        for (const QString& part : parts)
            if (FileExists(part) && !IsPathInList(rows, part))
                rows.appendRow(part);
    }
    rows.ask(u"Would you like this software to open the folder where these sample files are "
             u"stored (so that you can view them before working with them)?"_s,
             [openFolder, sampleFolder](Answer answer) {
                 if (answer == Answer::Yes)
                     openFolder(sampleFolder + u'/');
             });
}

} // namespace vt
