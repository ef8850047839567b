#include "epub/contents.h"
#include "epub/markup.h"
#include "epub/package.h"
#include "epub/reference_marks.h"
#include "epub/spoken_numbers.h"
#include "fuzz_entries.h"
#include "tags/cover_image.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <memory>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

// A path inside the book never leads out of it.
QString outside(const QString& path)
{
    if (path.startsWith(u'/') || path == u".."_s || path.startsWith(u"../"_s) ||
        path.contains(u"/../"_s))
        return u"the path "_s + path + u" leads out of the book"_s;
    return {};
}

} // namespace

QString ReadPackage(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const EpubPackage package = ParseEpubPackage(text, u"OEBPS/content.opf"_s);
    QStringList paths = package.spinePaths();
    if (paths.removeDuplicates() > 0)
        return u"a document is twice in the reading order"_s;
    for (const EpubItem& item : package.manifest)
        if (const QString problem = outside(item.path); !problem.isEmpty())
            return problem;
    for (const QList<ContentsEntry>& contents :
         {ParseNavDocument(text, u"OEBPS/nav.xhtml"_s), ParseNcx(text, u"OEBPS/toc.ncx"_s)})
        for (const ContentsEntry& entry : contents)
            if (const QString problem = outside(entry.path); !problem.isEmpty())
                return problem;
    XhtmlForXmlReader(text);
    return {};
}

QString ScanMarks(const uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& taken : {WithoutReferenceMarks(page), WithoutNavigation(page)})
        if (taken.size() > page.size())
            return u"taking marks out made the page longer"_s;
    IsLinkOnlyPage(page, [](const QString& href) { return href.size() % 2 == 0; });
    const auto markup = [](const QByteArray& xhtml) {
        QByteArray tags;
        MarkupTag tag;
        for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag); pos = tag.end)
            tags += xhtml.mid(tag.begin, tag.end - tag.begin);
        return tags;
    };
    const QByteArray spoken = WithSpokenNumbers(page, u"en"_s);
    if (markup(spoken) != markup(page))
        return u"writing the numbers changed the markup"_s;
    if (WithSpokenNumbers(spoken, u"en"_s) != spoken)
        return u"the numbers written were written again"_s;
    return {};
}

QString DrawCover(const uint8_t* data, size_t size)
{
    // Drawing an SVG needs a GUI application: one, without a screen.
    static std::unique_ptr<QGuiApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_cover";
        static char* argv[] = {name, nullptr};
        return QCoreApplication::instance() ? nullptr
                                            : std::make_unique<QGuiApplication>(argc, argv);
    }();
    if (size == 0)
        return {};
    // The first byte says what the book calls the cover; the book holds one
    // more picture, "inner.png", the rest of the input.
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const CoverImage cover =
        PrepareCover(bytes, data[0] % 2 ? u"image/svg+xml"_s : QString(), [&](const QString& href) {
            return href == u"inner.png"_s ? bytes : QByteArray();
        });
    if (cover.data.isEmpty())
        return {};
    const QImage image = QImage::fromData(cover.data);
    if (image.isNull())
        return u"the cover is no picture"_s;
    if (image.width() > kCoverMaxSide || image.height() > kCoverMaxSide)
        return u"the cover is %1 x %2 pixels"_s.arg(image.width()).arg(image.height());
    return {};
}

} // namespace vt::fuzz
