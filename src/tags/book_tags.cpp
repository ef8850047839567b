#include "tags/book_tags.h"

#include "epub/package.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qint64 kCopyBlock = 1 << 20;
constexpr quint32 kNoOffset = 0xFFFFFFFF;

TagLib::String tagString(const QString& text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

TagLib::ByteVector tagBytes(const QByteArray& bytes)
{
    return TagLib::ByteVector(bytes.constData(), static_cast<unsigned int>(bytes.size()));
}

TagLib::ID3v2::Frame* textFrame(const char* id, const QStringList& values)
{
    auto* frame =
        new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(id, 4), TagLib::String::UTF8);
    TagLib::StringList list;
    for (const QString& value : values)
        list.append(tagString(value));
    frame->setText(list);
    return frame;
}

void addText(TagLib::ID3v2::Tag& tag, const char* id, const QStringList& values)
{
    QStringList kept = values;
    kept.removeAll(QString());
    if (!kept.isEmpty())
        tag.addFrame(textFrame(id, kept));
}

// Old books name their cover only by its file name.
const EpubItem* coverItem(const EpubPackage& package)
{
    if (const EpubItem* item = package.item(package.coverItemId))
        return item;
    for (const EpubItem& item : package.manifest)
        if (item.mediaType.startsWith(u"image/"_s) &&
            (item.id.contains(u"cover"_s, Qt::CaseInsensitive) ||
             item.path.section(u'/', -1).contains(u"cover"_s, Qt::CaseInsensitive)))
            return &item;
    return nullptr;
}

// The length of an ID3v2 tag whose 10-byte header is given, 0 for none.
qint64 tagLength(const QByteArray& header)
{
    const auto* p = reinterpret_cast<const uchar*>(header.constData());
    if (header.size() < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3' || p[3] == 0xFF ||
        p[4] == 0xFF)
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (p[i] & 0x80)
            return 0;
        size = (size << 7) | p[i];
    }
    return 10 + size + ((p[5] & 0x10) ? 10 : 0);
}

} // namespace

QString Iso639_2(const QString& languageTag)
{
    const QString primary =
        languageTag.trimmed().section(QRegularExpression(u"[-_]"_s), 0, 0).toLower();
    static const QStringList unknown{u"und"_s, u"mul"_s, u"zxx"_s, u"mis"_s};
    if (primary.size() == 3 && !unknown.contains(primary) &&
        std::all_of(primary.begin(), primary.end(), [](QChar c) { return c >= u'a' && c <= u'z'; }))
        return primary;
    if (primary.size() != 2)
        return {};
    const QLocale::Language language = QLocale::codeToLanguage(primary, QLocale::ISO639Part1);
    if (language == QLocale::AnyLanguage)
        return {};
    return QLocale::languageToCode(language, QLocale::ISO639Part2T);
}

QString YearOfDate(const QString& date)
{
    const QString year = date.trimmed().left(4);
    if (year.size() != 4 ||
        !std::all_of(year.begin(), year.end(), [](QChar c) { return c.isDigit(); }))
        return {};
    const QString rest = date.trimmed().mid(4);
    return rest.isEmpty() || !rest.at(0).isDigit() ? year : QString();
}

BookTags BookTagsFromEpub(const EpubBook& book)
{
    BookTags tags;
    if (!book.hasPackage())
        return tags;
    const EpubPackage& p = book.package();
    const auto capped = [&tags](const QString& text, qsizetype most, const QString& what) {
        if (text.size() <= most)
            return text;
        tags.notes.append(what + u" was cut short to "_s + QString::number(most) +
                          u" characters in the tag"_s);
        return text.left(most);
    };
    tags.title = capped(p.title, kTagTextMax, u"the title"_s);
    for (const QString& author : p.authors)
        tags.authors.append(capped(author, kTagTextMax, u"an author's name"_s));
    tags.year = YearOfDate(p.date);
    tags.language = Iso639_2(p.language);
    tags.publisher = capped(p.publisher, kTagTextMax, u"the publisher"_s);
    tags.comment = capped(p.description.trimmed(), kTagDescriptionMax, u"the description"_s);
    if (const EpubItem* cover = coverItem(p)) {
        const QString from = cover->path;
        tags.cover = PrepareCover(book.read(from), cover->mediaType, [&](const QString& href) {
            const QString path = ResolveEpubHref(from, href);
            return path.isEmpty() ? QByteArray() : book.read(path);
        });
        if (!tags.cover.problem.isEmpty())
            tags.notes.append(tags.cover.problem);
    }
    return tags;
}

QByteArray RenderId3Tag(const BookTags& tags, Id3Version version)
{
    TagLib::ID3v2::Tag tag;
    addText(tag, "TIT2", {tags.track.number > 0 ? tags.track.title : tags.title});
    addText(tag, "TALB", {tags.title});
    if (tags.track.number > 0)
        addText(tag, "TRCK",
                {QString::number(tags.track.number) + u'/' + QString::number(tags.track.total)});
    addText(tag, "TPE1", tags.authors);
    addText(tag, "TPE2", tags.authors);
    addText(tag, "TCON", {u"Audiobook"_s});
    addText(tag, "TDRC", {tags.year});
    addText(tag, "TLAN", {tags.language});
    addText(tag, "TPUB", {tags.publisher});
    if (!tags.comment.isEmpty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        const QByteArray language = tags.language.size() == 3 ? tags.language.toLatin1() : "und";
        comment->setLanguage(tagBytes(language));
        comment->setText(tagString(tags.comment));
        tag.addFrame(comment);
    }
    if (!tags.cover.data.isEmpty()) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType(tagString(tags.cover.mimeType));
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(tagBytes(tags.cover.data));
        tag.addFrame(picture);
    }
    if (!tags.chapters.isEmpty()) {
        TagLib::ByteVectorList ids;
        for (qsizetype i = 0; i < tags.chapters.size(); ++i) {
            const BookChapter& c = tags.chapters[i];
            const TagLib::ByteVector id = tagBytes("ch" + QByteArray::number(i + 1));
            TagLib::ID3v2::FrameList title;
            title.append(textFrame("TIT2", {c.title}));
            tag.addFrame(new TagLib::ID3v2::ChapterFrame(
                id, static_cast<unsigned>(qBound<qint64>(0, c.startMs, kNoOffset - 1)),
                static_cast<unsigned>(qBound<qint64>(0, c.endMs, kNoOffset - 1)), kNoOffset,
                kNoOffset, title));
            ids.append(id);
        }
        auto* toc = new TagLib::ID3v2::TableOfContentsFrame(tagBytes("toc"), ids);
        toc->setIsTopLevel(true);
        toc->setIsOrdered(true);
        tag.addFrame(toc);
    }
    const TagLib::ByteVector bytes =
        tag.render(version == Id3Version::V2_3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    return QByteArray(bytes.data(), bytes.size());
}

Expected<void> PrependId3Tag(const QString& mp3Path, const QByteArray& tag,
                             const std::function<void()>& betweenBlocks)
{
    QFile in(mp3Path);
    if (!in.open(QIODevice::ReadOnly))
        return Problem{u"cannot read "_s + mp3Path + u": "_s + in.errorString()};
    const qint64 skip = tagLength(in.peek(10));
    if (skip > in.size() || !in.seek(skip))
        return Problem{u"the tag of "_s + mp3Path + u" is longer than the file"_s};
    QSaveFile out(mp3Path);
    out.setDirectWriteFallback(false); // the audio is read from the file being replaced
    const auto failed = [&out] {
        const QString reason = out.errorString();
        out.cancelWriting(); // the new file goes, the old one stays
        return Problem{u"cannot write "_s + out.fileName() + u": "_s + reason, err::DiskFull};
    };
    // Unbuffered: a write the disk refuses says why ("No space left on
    // device"), where a buffer flushed at the end knows no reason.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || out.write(tag) != tag.size())
        return failed();
    QByteArray block(kCopyBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0) {
            out.cancelWriting();
            return Problem{u"cannot read "_s + mp3Path + u": "_s + in.errorString()};
        }
        if (got == 0)
            break;
        if (out.write(block.constData(), got) != got)
            return failed();
        if (betweenBlocks)
            betweenBlocks();
    }
    in.close();
    if (!out.commit())
        return failed();
    return {};
}

Expected<QStringList> TagAudioBook(const EpubBook& book, const QString& mp3Path,
                                   const QList<BookChapter>& chapters,
                                   const std::function<void()>& betweenBlocks, Id3Version version)
{
    BookTags tags = BookTagsFromEpub(book);
    tags.chapters = chapters;
    for (BookChapter& chapter : tags.chapters)
        chapter.title.truncate(kChapterTitleMax);
    if (const Expected<void> written =
            PrependId3Tag(mp3Path, RenderId3Tag(tags, version), betweenBlocks);
        !written)
        return written.problem();
    return tags.notes;
}

} // namespace vt
