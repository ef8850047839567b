#include "epub/spoken_copy.h"

#include "epub/formulas_and_drawings.h"
#include "epub/markup.h"
#include "epub/package.h"
#include "epub/reference_marks.h"
#include "epub/ruby_readings.h"
#include "epub/spoken_numbers.h"
#include "unzip/zip_update.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The package document with the given items at the end of its reading
// order, read after it.
QByteArray withItemrefsAdded(const QByteArray& opf, const QStringList& ids)
{
    static const QRegularExpression spineEnd(u"</(?:[\\w-]+:)?spine\\s*>"_s);
    QString text = QString::fromUtf8(opf);
    const QRegularExpressionMatch end = spineEnd.match(text);
    if (!end.hasMatch())
        return opf;
    QString added;
    for (const QString& id : ids)
        added += u"<itemref idref=\""_s + id.toHtmlEscaped() + u"\" linear=\"no\"/>"_s;
    text.insert(end.capturedStart(), added);
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

bool isPicture(const MarkupTag& tag)
{
    return tag.name == "img" || tag.name == "image" || tag.name == "svg" || tag.name == "object" ||
           tag.name == "picture";
}

} // namespace

QByteArray SpokenPage(const QByteArray& page, const QList<std::pair<QString, QString>>& stretches,
                      const QString& language)
{
    const QByteArray read = stretches.isEmpty() ? page : WithoutStretches(page, stretches);
    return WithSpokenNumbers(
        WithRubyReadings(WithoutReferenceMarks(WithFormulaAndDrawingText(read))), language);
}

void ForEachSpokenPage(
    const EpubBook& book, const SkippedText& skipped,
    const std::function<void(const EpubItem&, const QByteArray&, const QByteArray&)>& visit,
    const std::function<void()>& between)
{
    if (!book.hasPackage())
        return;
    const EpubPackage& package = book.package();
    const EpubItem* nav = package.item(package.navItemId);
    QStringList order = package.spinePaths();
    for (const QString& path : skipped.outside)
        if (!order.contains(path))
            order.append(path);
    for (const QString& path : order) {
        const EpubItem* item = package.itemAt(path);
        if (item != nullptr && IsPage(*item)) {
            bool repaired = false; // bytes that are not UTF-8: the copy holds what is read
            const QByteArray page = book.readPage(path, &repaired);
            const QByteArray read = item == nav ? WithoutNavigation(page) : page;
            const QByteArray spoken =
                skipped.documents.contains(path)
                    ? WithoutStretches(read, {{QString(), QString()}})
                    : SpokenPage(read, skipped.stretches.value(path), package.language);
            visit(*item, repaired ? book.read(path) : page, spoken);
        }
        if (between)
            between();
    }
}

bool HoldsOnlyPictures(const EpubBook& book)
{
    if (!book.hasPackage())
        return false;
    const EpubPackage& package = book.package();
    const EpubItem* nav = package.item(package.navItemId);
    bool pictures = false;
    for (const QString& path : package.spinePaths()) {
        const EpubItem* item = package.itemAt(path);
        if (!IsPage(*item)) {
            pictures = pictures || item->mediaType.startsWith(u"image/"_s);
            continue;
        }
        const QByteArray read = book.read(path);
        const QByteArray page =
            WithFormulaAndDrawingText(item == nav ? WithoutNavigation(read) : read);
        int unread = 0; // inside the head, a script or a style
        MarkupTag tag;
        for (qsizetype pos = 0;; pos = tag.end) {
            const bool more = NextMarkupTag(page, pos, tag);
            if (unread == 0) {
                static const QRegularExpression entity(u"&#?\\w+;"_s);
                const QString text =
                    QString::fromUtf8(page.mid(pos, (more ? tag.begin : page.size()) - pos))
                        .remove(entity);
                if (std::any_of(text.begin(), text.end(),
                                [](QChar c) { return c.isLetterOrNumber(); }))
                    return false; // a word: most books, at their first page
            }
            if (!more)
                break;
            pictures = pictures || isPicture(tag);
            if (tag.name == "head" || tag.name == "script" || tag.name == "style")
                unread = std::max(0, unread + (tag.kind == MarkupTag::Start ? 1
                                               : tag.kind == MarkupTag::End ? -1
                                                                            : 0));
        }
    }
    return pictures;
}

bool WriteSpokenCopy(const EpubBook& book, const QString& copyPath,
                     const std::function<void()>& between, const SkippedText& skipped)
{
    if (!book.hasPackage())
        return false;
    const EpubPackage& package = book.package();
    const EpubItem* nav = package.item(package.navItemId);
    QHash<QString, QByteArray> changed; // path in the archive: new content
    const QByteArray navName = nav ? nav->path.section(u'/', -1).toUtf8() : QByteArray();
    bool navLinked = false;
    ForEachSpokenPage(
        book, skipped,
        [&](const EpubItem& page, const QByteArray& original, const QByteArray& spoken) {
            if (spoken != original)
                changed.insert(page.path, spoken);
            navLinked = navLinked || (nav && original.contains(navName));
        },
        between);
    // A page the converter reads may link to the navigation document, which
    // it then reads at the end: the copy holds it without its lists. Contents
    // of many thousands of entries take the converter many minutes to read
    // and give it nothing to speak: a large NCX loses its entries too (the
    // chapters are placed by the book's own contents).
    if (nav && !changed.contains(nav->path) &&
        (navLinked || book.read(nav->path).size() > kLargeContents)) {
        const QByteArray document = book.read(nav->path);
        if (const QByteArray bare = WithoutNavigation(document); bare != document)
            changed.insert(nav->path, bare);
    }
    if (const EpubItem* ncx = package.item(package.ncxItemId)) {
        const QByteArray document = book.read(ncx->path);
        if (document.size() > kLargeContents)
            changed.insert(ncx->path, withoutNavMap(document));
    }
    QStringList added;
    for (const QString& path : skipped.outside)
        if (const EpubItem* item = package.itemAt(path))
            added.append(item->id);
    if (!added.isEmpty())
        changed.insert(package.packagePath,
                       withItemrefsAdded(book.read(package.packagePath), added));
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
