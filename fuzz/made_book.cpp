#include "made_book.h"

#include "epub/markup.h"
#include "epub/spoken_copy.h"
#include "unzip/zip_update.h"

#include <QFile>
#include <QRegularExpression>
#include <functional>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

// The input, a choice at a time; past its end every choice is the first.
class Recipe
{
  public:
    Recipe(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int pick(int choices)
    {
        if (choices <= 1 || at_ >= size_)
            return 0;
        return data_[at_++] % choices;
    }
    bool chance(int percent) { return pick(100) < percent; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Words no voice or cleaning changes and no markup holds: syllables of
// letters that make no Roman numeral, one word for each number.
QByteArray madeWord(int n)
{
    static const char consonants[] = "bfghjknprstwz";
    static const char vowels[] = "aeou";
    QByteArray word;
    for (int k = 0; k < 3; ++k, n /= 52)
        word += QByteArray(1, consonants[n % 52 / 4]) + vowels[n % 4];
    return word;
}

class Maker
{
  public:
    Maker(const uint8_t* data, size_t size) : r_(data, size) {}

    MadeBook make()
    {
        const int pages = 1 + r_.pick(4);
        const int navAt = r_.chance(30) ? r_.pick(pages + 1) : -1;
        const int linksAt = r_.chance(30) ? r_.pick(pages + 1) : -1;
        const int typedAt = r_.chance(30) ? r_.pick(pages + 1) : -1;
        const QByteArray nonLinear = "p" + QByteArray::number(r_.chance(30) ? r_.pick(pages) : -1);
        for (int p = 0; p <= pages; ++p) {
            if (p == navAt) {
                unlistedPart({});
                pageIds_.append("nav");
                spineIds_.append("nav");
            }
            if (p == linksAt)
                linksPage();
            if (p == typedAt)
                typedPage();
            if (p < pages)
                contentPage("p" + QByteArray::number(p));
        }
        if (r_.chance(20))
            contentPage("out"); // listed, outside the reading order
        if (!pageIds_.contains("nav"))
            pageIds_.append("nav");
        QByteArray manifest;
        for (const QByteArray& id : pageIds_)
            manifest += "<item id=\"" + id + "\" href=\"" + id +
                        ".xhtml\" media-type=\"application/xhtml+xml\"" +
                        (id == "nav" ? " properties=\"nav\"" : "") + "/>\n";
        QByteArray spine;
        for (const QByteArray& id : spineIds_)
            spine += "<itemref idref=\"" + id + "\"" + (id == nonLinear ? " linear=\"no\"" : "") +
                     "/>\n";
        book_.files.append({u"nav.xhtml"_s, page(navBody(), {})});
        book_.files.append({u"content.opf"_s, R"(<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">made</dc:identifier>
<dc:title>Made</dc:title><dc:language>en</dc:language></metadata>
<manifest>
)" + manifest + "</manifest>\n<spine>\n" + spine + "</spine>\n</package>\n"});
        return std::move(book_);
    }

  private:
    static QByteArray page(const QByteArray& body, const QByteArray& bodyAttributes)
    {
        return R"(<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops" xml:lang="en"><head><title>Page</title></head>
<body)" + bodyAttributes +
               ">\n" + body + "\n</body></html>\n";
    }

    // `count` new words of the part now being written.
    QByteArray words(int count)
    {
        QStringList made;
        for (int k = 0; k < count; ++k) {
            const QString w = QString::fromLatin1(madeWord(next_++));
            made << w;
            book_.partOf.insert(w, current_);
            book_.order << w;
            (current_ < 0 ? book_.always : book_.parts[current_]).append(w);
        }
        return made.join(u' ').toLatin1();
    }

    int startPart(bool listed)
    {
        current_ = int(book_.parts.size());
        book_.parts.append(QStringList());
        book_.listed.append(listed);
        return current_;
    }

    // A page of its own that the contents leaves out; after it, what is not
    // a part is read always.
    void unlistedPart(const std::function<void()>& write)
    {
        startPart(false);
        if (write)
            write();
        current_ = -1;
    }

    void linksPage()
    {
        unlistedPart([&] {
            QByteArray body;
            for (int k = 0; k < 3; ++k)
                body += "<p><a href=\"p0.xhtml\">" + words(2) + "</a></p>\n";
            addPage("links", page(body, {}));
        });
    }

    void typedPage()
    {
        unlistedPart([&] {
            static const char* const kinds[] = {"copyright-page", "colophon", "index"};
            const QByteArray type = QByteArray(" epub:type=\"") + kinds[r_.pick(3)] + '"';
            addPage("typed", page("<p>" + words(4) + "</p>", type));
        });
    }

    void addPage(const QByteArray& id, const QByteArray& content, bool inSpine = true)
    {
        book_.files.append({QString::fromLatin1(id + ".xhtml"), content});
        pageIds_.append(id);
        if (inSpine)
            spineIds_.append(id);
    }

    // Things a page holds that are no words of the book.
    QByteArray noise()
    {
        const QByteArray other = "u" + QByteArray::number(r_.pick(9));
        switch (r_.pick(8)) {
        case 0:
            return "<!-- <p id=\"" + other + "\">hidden markup</p> -->";
        case 1:
            return "<![CDATA[ <b id=\"" + other + "\">raw markup</b> ]]>";
        case 2:
            return "<span epub:type=\"pagebreak\" id=\"pg" + QByteArray::number(next_) +
                   "\" title=\"" + QByteArray::number(next_ % 900) + "\">" +
                   QByteArray::number(next_ % 900) + "</span>";
        case 3:
            return "<a epub:type=\"noteref\" href=\"#n1\">" + QByteArray::number(1 + r_.pick(9)) +
                   "</a>";
        case 4:
            return "<br/>";
        default:
            return {};
        }
    }

    QByteArray paragraph(bool first)
    {
        QByteArray p = "<p>" + words(1 + r_.pick(3));
        for (int k = r_.pick(3); k >= 0; --k) {
            p += noise() + ' ';
            p += words(1 + r_.pick(4));
        }
        if (first && r_.chance(30))
            p += " <a href=\"p0.xhtml\">" + words(2) + "</a>";
        return p + ".</p>\n";
    }

    // The part's contents entry; a heading that links nowhere may go before it.
    void list(const QByteArray& href, const QByteArray& kindTitle)
    {
        const QByteArray title =
            kindTitle.isEmpty() ? "Chapter " + QByteArray::number(book_.parts.size()) : kindTitle;
        const int level = r_.chance(30) && !nav_.isEmpty() ? 2 : 1;
        nav_.append({href, title, level, r_.chance(15)});
    }

    void contentPage(const QByteArray& id)
    {
        QByteArray body;
        const bool preamble = r_.chance(20);
        if (preamble)
            body += "<p>" + words(3) + "</p>\n"; // the part before's, or read always
        QList<QByteArray> open;                  // sections open
        const int parts = 1 + r_.pick(4);
        for (int k = 0; k < parts; ++k) {
            const int n = startPart(true);
            const QByteArray anchor = "u" + QByteArray::number(n);
            const int shape = k == 0 ? (preamble ? 1 + r_.pick(2) : r_.pick(3)) : 1 + r_.pick(4);
            static const char* const kinds[] = {"index", "bibliography", "copyright-page"};
            static const char* const titles[] = {"Index", "Bibliography", "Colophon"};
            const bool typed = r_.chance(20);
            const int kind = r_.pick(3);
            QByteArray kindTitle;
            QByteArray href = id + ".xhtml";
            switch (shape) {
            case 0: // the page's start
                if (typed) {
                    body += "<section epub:type=\"" + QByteArray(kinds[kind]) + "\">";
                    open.append("section");
                }
                body += "<h1>" + words(2) + "</h1>\n";
                break;
            case 1: // a section of its own, or one inside the section before
            case 2:
                if (shape == 1)
                    while (!open.isEmpty())
                        body += "</" + open.takeLast() + ">\n";
                body += "<section id=\"" + anchor + "\"" +
                        (typed ? " epub:type=\"" + QByteArray(kinds[kind]) + '"' : QByteArray()) +
                        ">" + noise();
                body += "<h2>" + words(1 + r_.pick(2)) + "</h2>\n";
                open.append("section");
                href += '#' + anchor;
                break;
            case 3: // a heading
                body += "<h2 id=\"" + anchor + "\">" + words(2) + "</h2>\n";
                href += '#' + anchor;
                if (typed)
                    kindTitle = titles[kind];
                break;
            default: // in the middle of a paragraph
                body += "<p><a id=\"" + anchor + "\"/>" + words(3) + "</p>\n";
                href += '#' + anchor;
                if (typed)
                    kindTitle = titles[kind];
                break;
            }
            if (shape == 4 && k > 0) {
                // The anchor goes into the last paragraph of the part before.
                const qsizetype last = body.lastIndexOf("</p>", body.lastIndexOf("<p><a id="));
                if (last > 0 && body.mid(last).startsWith("</p>\n<p><a id=")) {
                    body.remove(last, 8); // "</p>\n<p>": one paragraph
                    body.insert(last, ' ');
                }
            }
            for (int p = r_.pick(2); p >= 0; --p)
                body += paragraph(p == 0);
            if (r_.chance(20))
                body += "<pre>&lt;section id=\"u" + QByteArray::number(n + 1) +
                        "\"&gt;escaped &amp; markup&lt;/section&gt;</pre>\n";
            list(href, kindTitle);
        }
        while (!open.isEmpty())
            body += "</" + open.takeLast() + ">\n";
        addPage(id, page(body, {}), id != "out");
    }

    QByteArray navBody()
    {
        QByteArray nav = "<nav epub:type=\"toc\"><h1>Contents</h1><ol>\n";
        bool group = false;  // inside a heading that links nowhere
        bool nested = false; // inside the list of an entry
        bool item = false;   // an entry's item is open
        for (const Entry& e : nav_) {
            if (e.level == 1) {
                nav += nested ? "</ol></li>\n" : item ? "</li>\n" : "";
                nested = item = false;
                if (e.group) {
                    nav += group ? "</ol></li>\n" : "";
                    nav += "<li><span>Group of parts</span><ol>\n";
                    group = true;
                }
                nav += "<li><a href=\"" + e.href + "\">" + e.title + "</a>";
                item = true;
            } else {
                nav += nested ? "" : "<ol>\n";
                nested = true;
                nav += "<li><a href=\"" + e.href + "\">" + e.title + "</a></li>\n";
            }
        }
        nav += nested ? "</ol></li>\n" : item ? "</li>\n" : "";
        nav += group ? "</ol></li>\n" : "";
        return nav +
               "</ol></nav>\n<nav epub:type=\"page-list\" hidden=\"\"><ol><li><a "
               "href=\"p0.xhtml\">xiv</a></li><li><a href=\"p0.xhtml\">139</a></li></ol></nav>";
    }

    struct Entry {
        QByteArray href;
        QByteArray title;
        int level;
        bool group;
    };

    Recipe r_;
    MadeBook book_;
    int next_ = 0;
    int current_ = -1;
    QList<Entry> nav_;
    QList<QByteArray> pageIds_;
    QList<QByteArray> spineIds_;
};

QStringList madeWords(const MadeBook& book, const QString& text)
{
    static const QRegularExpression word(u"[\\p{L}\\p{N}]+"_s);
    QStringList found;
    for (const QRegularExpressionMatch& m : word.globalMatch(text))
        if (const QString w = m.captured().toLower(); book.partOf.contains(w))
            found << w;
    return found;
}

} // namespace

MadeBook MakeBook(const uint8_t* data, size_t size)
{
    return Maker(data, size).make();
}

bool WriteBook(const MadeBook& book, const QString& path)
{
    // An empty archive (its end record alone), then the entries.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')) != 22)
        return false;
    file.close();
    QHash<QString, QByteArray> entries{{u"mimetype"_s, "application/epub+zip"},
                                       {u"META-INF/container.xml"_s, R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)"}};
    for (const auto& [name, data] : book.files)
        entries.insert(u"OEBPS/"_s + name, data);
    return bool(ReplaceZipEntries(path, entries));
}

QString ConvertedText(const EpubBook& book, const SkippedText& skipped)
{
    QString text;
    ForEachSpokenPage(
        book, skipped, [&](const EpubItem&, const QByteArray&, const QByteArray& page) {
            int unread = 0;
            MarkupTag tag;
            for (qsizetype pos = 0;; pos = tag.end) {
                const bool more = NextMarkupTag(page, pos, tag);
                if (unread == 0)
                    text += QString::fromUtf8(page.mid(pos, (more ? tag.begin : page.size()) - pos))
                                .replace(u"&amp;"_s, u"&"_s)
                                .replace(u"&lt;"_s, u"<"_s)
                                .replace(u"&gt;"_s, u">"_s);
                if (!more)
                    break;
                if (tag.kind == MarkupTag::Other && page.mid(tag.begin, 9) == "<![CDATA[")
                    text += QString::fromUtf8(page.mid(tag.begin + 9, tag.end - tag.begin - 12));
                if (tag.name == "head" || tag.name == "script" || tag.name == "style")
                    unread += tag.kind == MarkupTag::Start ? 1
                              : tag.kind == MarkupTag::End ? -1
                                                           : 0;
                if (tag.kind != MarkupTag::Other && !IsInlineElement(QLatin1StringView(tag.name)))
                    text += u'\n';
            }
        });
    return text;
}

QString CheckChosenText(const MadeBook& book, const QList<bool>& read, const QString& text)
{
    QStringList expected;
    for (const QString& w : book.order)
        if (const int part = book.partOf.value(w); part < 0 || read.value(part))
            expected << w;
    const QStringList heard = madeWords(book, text);
    for (qsizetype i = 0; i < std::max(expected.size(), heard.size()); ++i)
        if (expected.value(i) != heard.value(i))
            return u"word %1: \"%2\" (part %3) expected, \"%4\" (part %5) heard"_s.arg(i)
                .arg(expected.value(i))
                .arg(book.partOf.value(expected.value(i), -2) + 1)
                .arg(heard.value(i))
                .arg(book.partOf.value(heard.value(i), -2) + 1);
    return {};
}

QString CheckMarks(const MadeBook& book, const QList<bool>& read, const QList<ChapterPlace>& places,
                   const QStringList& pieces)
{
    // The words of the pieces, and where each begins.
    struct Spoken {
        QString word;
        qint32 piece;
        qint64 offset;
    };
    QList<Spoken> spoken;
    for (qsizetype p = 0; p < pieces.size(); ++p) {
        const QList<uint> text = pieces[p].toUcs4();
        for (qsizetype i = 0; i < text.size();) {
            if (!QChar::isLetterOrNumber(char32_t(text[i]))) {
                ++i;
                continue;
            }
            const qsizetype begin = i;
            while (i < text.size() && QChar::isLetterOrNumber(char32_t(text[i])))
                ++i;
            const QList<uint> w = text.mid(begin, i - begin);
            spoken.append(
                {QString::fromUcs4(reinterpret_cast<const char32_t*>(w.constData()), w.size())
                     .toLower(),
                 qint32(p + 1), begin});
        }
    }
    QList<qsizetype> marks;
    for (const ChapterPlace& place : places)
        for (qsizetype i = 0; i < spoken.size(); ++i)
            if (spoken[i].piece == place.piece && spoken[i].offset == place.offset)
                marks << i;
    // A part's mark stands after the words of the book before it, at its
    // first word or before (at words of no part, such as character data).
    qsizetype before = -1;
    for (qsizetype i = 0; i < spoken.size(); ++i) {
        const int part = book.partOf.value(spoken[i].word, -2);
        if (part == -2)
            continue;
        const bool first = part >= 0 && book.parts[part].first() == spoken[i].word;
        if (first && book.listed.value(part) && read.value(part) &&
            std::none_of(marks.begin(), marks.end(),
                         [&](qsizetype m) { return m > before && m <= i; }))
            return u"part %1, read, has no mark at its first word \"%2\""_s.arg(part + 1).arg(
                spoken[i].word);
        before = i;
    }
    return {};
}

} // namespace vt::fuzz
