#include "epub/spoken_copy.h"

#include "epub/package.h"
#include "epub/reference_marks.h"
#include "epub/ruby_readings.h"
#include "epub/spoken_numbers.h"
#include "unzip/zip_update.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

bool isPage(const EpubItem& item)
{
    return item.mediaType == u"application/xhtml+xml"_s || item.mediaType == u"text/html"_s;
}

// Every item of the reading order, those marked linear="no" too: the
// converter reads them all.
QStringList spineOf(const QByteArray& opf)
{
    static const QRegularExpression itemref(
        uR"re(<(?:[\w-]+:)?itemref\b[^>]*?\bidref\s*=\s*["']([^"']+)["'])re"_s);
    QStringList ids;
    for (auto it = itemref.globalMatch(QString::fromUtf8(opf)); it.hasNext();)
        ids.append(it.next().captured(1));
    return ids;
}

// The package document without the spine's references to the given items.
QByteArray withoutItemrefs(const QByteArray& opf, const QStringList& ids)
{
    QString text = QString::fromUtf8(opf);
    for (const QString& id : ids) {
        const QRegularExpression itemref(
            uR"re(<(?:[\w-]+:)?itemref\b[^>]*?\bidref\s*=\s*(["'])%1\1[^>]*?(?:/>|>\s*</(?:[\w-]+:)?itemref\s*>))re"_s
                .arg(QRegularExpression::escape(id)));
        text.remove(itemref);
    }
    return text.toUtf8();
}

constexpr qsizetype kLargeContents = 1 << 20;

// An NCX without the entries of its navigation map.
QByteArray withoutNavMap(const QByteArray& ncx)
{
    const qsizetype start = ncx.indexOf("<navMap");
    const qsizetype open = start < 0 ? -1 : ncx.indexOf('>', start);
    const qsizetype end = ncx.lastIndexOf("</navMap>");
    if (open < 0 || end < open)
        return ncx;
    return ncx.left(open + 1) + ncx.mid(end);
}

} // namespace

bool WriteSpokenCopy(const EpubBook& book, const QString& copyPath,
                     const std::function<void()>& between, const SkippedText& skipped)
{
    if (!book.hasPackage())
        return false;
    const EpubPackage& package = book.package();
    const EpubItem* nav = package.item(package.navItemId);
    QSet<QString> contentsPages;
    for (const EpubGuideRef& ref : package.guide)
        if (ref.type.compare(u"toc"_s, Qt::CaseInsensitive) == 0)
            contentsPages.insert(ref.path);

    const QByteArray opf = book.read(package.packagePath);
    const QStringList spine = spineOf(opf);
    QHash<QString, QByteArray> changed; // path in the archive: new content
    QStringList dropped;                // spine items left out
    QStringList unchosen;               // spine items the listener chose not to hear
    QSet<QString> seen;                 // a page listed again is read once
    for (const QString& id : spine) {
        if (seen.contains(id))
            continue;
        seen.insert(id);
        if (between)
            between();
        const EpubItem* item = package.item(id);
        if (item == nullptr || !isPage(*item))
            continue;
        if (skipped.documents.contains(item->path)) {
            unchosen.append(id);
            continue;
        }
        if (contentsPages.contains(item->path)) {
            dropped.append(id);
            continue;
        }
        bool repaired = false; // bytes that are not UTF-8: the copy holds what is read
        QByteArray page = book.readPage(item->path, &repaired);
        if (item == nav)
            page = WithoutNavigation(page);
        const auto ownDocument = [&](const QString& href) {
            const QString target = ResolveEpubHref(item->path, href);
            return !target.isEmpty() && package.itemAt(target) != nullptr;
        };
        if (IsLinkOnlyPage(page, ownDocument)) {
            dropped.append(id);
            continue;
        }
        const auto stretches = skipped.stretches.value(item->path);
        const QByteArray spoken =
            WithSpokenNumbers(WithRubyReadings(WithoutReferenceMarks(
                                  stretches.isEmpty() ? page : WithoutStretches(page, stretches))),
                              package.language);
        if (item == nav || repaired || spoken != page)
            changed.insert(item->path, spoken);
    }
    // Contents of many thousands of entries take the converter many minutes
    // to read and give it nothing to speak: the copy holds them without their
    // lists (the chapters are placed by the book's own contents).
    for (const EpubItem* contents : {nav, package.item(package.ncxItemId)}) {
        if (contents == nullptr || changed.contains(contents->path))
            continue;
        const QByteArray document = book.read(contents->path);
        if (document.size() > kLargeContents)
            changed.insert(contents->path,
                           contents == nav ? WithoutNavigation(document) : withoutNavMap(document));
    }
    if (dropped.size() + unchosen.size() == seen.size())
        dropped.clear(); // a book of contents pages only is read as it is
    dropped += unchosen;
    if (!dropped.isEmpty())
        changed.insert(package.packagePath, withoutItemrefs(opf, dropped));
    if (changed.isEmpty())
        return false;

    QFile::remove(copyPath);
    if (!book.copyTo(copyPath))
        return false;
    if (const Expected<void> replaced = ReplaceZipEntries(copyPath, changed); !replaced) {
        QFile::remove(copyPath);
        return false;
    }
    return true;
}

} // namespace vt
